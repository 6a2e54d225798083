// SPDX-License-Identifier: MIT
// The Ready countdown and the round clock: thresholds, late ticks, the 9:59 stop, and a time
// count that wraps, crosses midnight or is set back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/form.h"
#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "base/texts.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

// `before` with a countdown text written over it as the countdown writes it.
Surface WithText(const Surface& before, int x, std::string_view text) {
  Surface s = before;
  s.Font.Height = kCountdownFontHeight;
  s.Font.Color = kCountdownTextColor;
  s.Brush.Color = clBlack;
  s.TextOut(x, kCountdownY, text);
  return s;
}

void LayDigits(Picture& picture, int m, int t, int u) {
  picture.Sheet(kMinutesX, kDigitY, DigitSpriteRegion(m));
  picture.Sheet(kTensX, kDigitY, DigitSpriteRegion(t));
  picture.Sheet(kUnitsX, kDigitY, DigitSpriteRegion(u));
}

// A game whose board was set up at `setUpTime`, driven one tick at a time.
struct Round {
  explicit Round(std::uint32_t setUpTime) : SetUpTime(setUpTime) {
    game.Tick();
    game.Clock.Local = setUpTime;
    game.Key(VK_Z);
    EXPECT_EQ(game.Form.PlayPhase, PhaseCountdown);
    EXPECT_EQ(game.Form.ReferenceTime, static_cast<std::int32_t>(setUpTime));
  }
  // One tick `ms` after the set-up (wrapping as the clock does).
  void TickAt(std::int64_t ms) {
    game.Clock.Local = SetUpTime + static_cast<std::uint32_t>(ms);
    game.Tick();
  }
  const Surface& Canvas() const { return game.Form.Canvas; }

  GameHarness game;
  std::uint32_t SetUpTime;
};

int TextX(int stage) {
  return stage == 5 ? kGoX : kReadyX;
}

// Each stage waits for the first tick past its whole second: at exactly 1000 ms nothing moves.
TEST(RoundClock, EachStageComesOnTheFirstTickPastItsSecond) {
  Round r(2'000'000);
  for (int stage = 1; stage <= 5; ++stage) {
    SCOPED_TRACE(::testing::Message() << "stage " << stage);
    const Surface before = r.Canvas();
    r.TickAt(1000 * stage);
    EXPECT_EQ(r.game.Form.CountdownStage, stage - 1);
    EXPECT_EQ(r.game.Form.PlayPhase, PhaseCountdown);
    EXPECT_TRUE(SamePicture(r.Canvas(), before));

    const Surface beforeText = r.game.Form.Canvas;
    r.TickAt(1000 * stage + 1);
    EXPECT_EQ(r.game.Form.CountdownStage, stage);
    // At "Go!" the clock's own step has already measured from the new reference.
    EXPECT_EQ(r.game.Form.ElapsedTime, stage == 5 ? 0 : 1000 * stage + 1);
    EXPECT_TRUE(
        SamePicture(r.Canvas(), WithText(beforeText, TextX(stage), kCountdownTexts[stage])));
    // The font and brush stay set for the later stages and the result.
    EXPECT_EQ(r.game.Form.Canvas.Font.Height, 48);
    EXPECT_EQ(r.game.Form.Canvas.Font.Color, kCountdownTextColor);
    EXPECT_EQ(r.game.Form.Canvas.Brush.Color, clBlack);
  }
  EXPECT_EQ(r.game.Form.PlayPhase, PhaseRunning);
  EXPECT_EQ(r.game.Form.ReferenceTime, static_cast<std::int32_t>(r.SetUpTime + 5001));
}

// A tick held up past several thresholds writes every text it passed, one after the other.
TEST(RoundClock, LateTickPassesSeveralStagesAtOnce) {
  struct Case {
    std::int64_t at;
    int stage;
    bool running;
  };
  for (const Case c :
       {Case{5200, 5, true}, Case{3500, 3, false}, Case{2001, 2, false}, Case{99'000, 5, true}}) {
    SCOPED_TRACE(::testing::Message() << "tick at " << c.at);
    Round r(3'000'000);
    Surface expected = r.game.Form.Canvas;
    const std::uint64_t changesBefore = r.game.Form.Canvas.ChangeCount();
    for (int stage = 1; stage <= c.stage; ++stage) {
      expected = WithText(expected, TextX(stage), kCountdownTexts[stage]);
    }
    r.TickAt(c.at);
    EXPECT_EQ(r.game.Form.CountdownStage, c.stage);
    EXPECT_EQ(r.game.Form.PlayPhase, c.running ? PhaseRunning : PhaseCountdown);
    EXPECT_TRUE(SamePicture(r.Canvas(), expected));
    EXPECT_GE(r.game.Form.Canvas.ChangeCount() - changesBefore, static_cast<std::uint64_t>(c.stage))
        << "each passed stage writes its text";
    if (c.running) {
      // The clock's reference is the late tick itself, and its first second has not passed.
      EXPECT_EQ(r.game.Form.ReferenceTime, r.game.Clock.CurrentMilliseconds());
      EXPECT_EQ(r.game.Form.ElapsedTime, 0);
    }
  }
}

// From "Go!": the blank panel after one second, the digits from two seconds, then whole
// seconds, stopping at 9:59.
TEST(RoundClock, ClockShowsWholeSecondsFromGoAndStopsAt959) {
  Round r(4'000'000);
  r.TickAt(5001);  // "Go!"
  ASSERT_EQ(r.game.Form.PlayPhase, PhaseRunning);
  const std::int64_t go = 5001;
  struct Step {
    std::int64_t afterGo;
    int stage;
    std::int32_t shownSecond;
    bool blankPanel;
    int m, t, u;  // -1: the digits are not drawn at this tick
  };
  const Step steps[] = {
      {999, 5, 0, false, -1, -1, -1},       {1000, 0, 1, true, -1, -1, -1},
      {1999, 0, 1, false, -1, -1, -1},      {2000, 0, 2, false, 0, 0, 2},
      {2500, 0, 2, false, -1, -1, -1},      {3000, 0, 3, false, 0, 0, 3},
      {61'000, 0, 61, false, 1, 0, 1},      {61'999, 0, 61, false, -1, -1, -1},
      {329'400, 0, 329, false, 5, 2, 9},    {599'999, 0, 599, false, 9, 5, 9},
      {600'000, 0, 600, false, -1, -1, -1}, {2'000'000, 0, 2000, false, -1, -1, -1},
  };
  int m = 0, t = 0, u = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(::testing::Message() << s.afterGo << " ms after Go");
    Picture expected(r.Canvas());
    if (s.blankPanel) expected.Sheet(kClockPanelX, kClockPanelY, kClockPanelBlankRegion);
    if (s.m >= 0) {
      LayDigits(expected, s.m, s.t, s.u);
      m = s.m, t = s.t, u = s.u;
    }
    r.TickAt(go + s.afterGo);
    EXPECT_EQ(r.game.Form.CountdownStage, s.stage);
    if (s.stage == 0) {
      EXPECT_EQ(r.game.Form.ShownSecond, s.shownSecond);
    }
    EXPECT_EQ(r.game.Form.ClockMinutes, m);
    EXPECT_EQ(r.game.Form.ClockTens, t);
    EXPECT_EQ(r.game.Form.ClockUnits, u);
    EXPECT_TRUE(SamePicture(r.Canvas(), expected));
  }
}

// A tick held up past 9:59 (a suspended machine, a clock stepped forward) still shows 9:59, and
// a loop closed then is scored 959, wherever the clock stood before the jump.
TEST(RoundClock, LateTickPast959ShowsAndScores959) {
  struct Case {
    std::int64_t lastOnTime;  // ms after "Go!" of the last tick before the jump
    std::int64_t late;        // ms after "Go!" of the held-up tick
  };
  const Case cases[] = {
      {1500, 650'000},           // the blank panel, no digits yet
      {3000, 700'000},           // 0:03, then 11 minutes later
      {598'500, 600'000},        // 9:58, then past the last second shown
      {598'999, 599'000},        // 9:58, then exactly 9:59
      {300'000, 2'000'000'000},  // 5:00, then weeks later
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.lastOnTime << " then " << c.late << " ms after Go");
    Round r(5'000'000);
    r.TickAt(5001);  // "Go!"
    const std::int64_t go = 5001;
    r.TickAt(go + c.lastOnTime);
    Picture expected(r.game.Form.Canvas);
    LayDigits(expected, 9, 5, 9);
    r.TickAt(go + c.late);
    EXPECT_EQ(r.game.Form.ClockMinutes, 9);
    EXPECT_EQ(r.game.Form.ClockTens, 5);
    EXPECT_EQ(r.game.Form.ClockUnits, 9);
    EXPECT_TRUE(SamePicture(r.game.Form.Canvas, expected));
    // The clock stays where it stopped and is not drawn again.
    const std::uint64_t changes = r.game.Form.Canvas.ChangeCount();
    r.TickAt(go + c.late + 1000);
    EXPECT_EQ(r.game.Form.Canvas.ChangeCount(), changes);
    Press(r.game, "ZRDLUZ");
    ASSERT_EQ(r.game.Form.GameMode, ModeResult);
    EXPECT_EQ(r.game.Form.TimeScore, 959);
  }
}

// The count is only ever differenced: a round keeps time across the signed and the unsigned
// wrap of the 32-bit count and across local midnight, whether the crossing falls in the
// countdown or in the running clock.
TEST(RoundClockAcrossBoundaries, KeepsCounting) {
  constexpr std::uint64_t kDay = 86'400'000;
  constexpr std::uint64_t kNewYear2024 = 738'886;  // day number, day 1 being 1 January of year 1
  struct Boundary {
    const char* name;
    std::uint32_t at;
  };
  const Boundary boundaries[] = {
      {"signed wrap", 0x80000000u},
      {"unsigned wrap", 0u},
      {"local midnight", static_cast<std::uint32_t>((kNewYear2024 + 1) * kDay)},
  };
  for (const Boundary& b : boundaries) {
    for (const std::uint32_t lead : {3000u, 6500u, 8000u}) {
      SCOPED_TRACE(::testing::Message() << b.name << ", set up " << lead << " ms before it");
      GameHarness game;
      game.Tick();
      game.Clock.Local = b.at - lead;
      game.Key(VK_Z);
      game.Run(5000);
      EXPECT_EQ(game.Form.PlayPhase, PhaseCountdown);
      EXPECT_EQ(game.Form.CountdownStage, 4);
      game.Run(33);
      ASSERT_EQ(game.Form.PlayPhase, PhaseRunning);
      EXPECT_EQ(game.Form.CountdownStage, 5);
      game.Run(1999);
      EXPECT_EQ(game.Form.CountdownStage, 0);
      EXPECT_EQ(game.Form.ClockUnits, 0);
      game.Run(33);
      EXPECT_EQ(game.Form.ShownSecond, 2);
      EXPECT_EQ(game.Form.ClockUnits, 2);
      game.Run(60'000);
      EXPECT_EQ(game.Form.ClockMinutes, 1);
      EXPECT_EQ(game.Form.ClockTens, 0);
      EXPECT_EQ(game.Form.ClockUnits, 2);
    }
  }
}

// A clock set back makes the elapsed time smaller or negative: nothing advances until the
// count has caught up again.
TEST(RoundClock, ClockSetBackHoldsEverythingUntilItCatchesUp) {
  Round r(0x7FFFFF00u);  // close enough to the signed wrap that going back crosses it
  r.TickAt(2001);
  ASSERT_EQ(r.game.Form.CountdownStage, 2);
  Surface held = r.Canvas();
  for (const std::int64_t at : {-10'000, -1, 0, 1500, 2001, 2999, 3000}) {
    r.TickAt(at);
    EXPECT_EQ(r.game.Form.CountdownStage, 2) << at;
    EXPECT_EQ(r.game.Form.ElapsedTime, at) << at;
  }
  EXPECT_TRUE(SamePicture(r.Canvas(), held));
  r.TickAt(3001);
  EXPECT_EQ(r.game.Form.CountdownStage, 3);

  r.TickAt(5001);  // "Go!"
  const std::int64_t go = 5001;
  r.TickAt(go + 3000);
  ASSERT_EQ(r.game.Form.ClockUnits, 3);
  held = r.Canvas();
  for (const std::int64_t back : {-20'000, -1000, 0, 2000, 3999}) {
    r.TickAt(go + back);
    EXPECT_EQ(r.game.Form.ShownSecond, 3) << back;
    EXPECT_EQ(r.game.Form.ClockUnits, 3) << back;
    EXPECT_EQ(r.game.Form.PlayPhase, PhaseRunning);
  }
  EXPECT_TRUE(SamePicture(r.Canvas(), held));
  r.TickAt(go + 4000);
  EXPECT_EQ(r.game.Form.ClockUnits, 4);
}

}  // namespace
}  // namespace enclova::testing
