// SPDX-License-Identifier: MIT
// The event loop sleeps through the ticks QuietMilliseconds promises will do nothing; this holds
// it to that promise over whole rounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "tests/kit/child.h"
#include "tests/kit/paths.h"

namespace enclova::testing {
namespace {

auto TimedState(const TForm1& f) {
  return std::make_tuple(f.GameMode, f.PlayPhase, f.CountdownStage, f.ShownSecond, f.ClockMinutes,
                         f.ClockTens, f.ClockUnits, f.ResultStage, f.ReferenceTime, f.LastRank,
                         f.Canvas.ChangeCount());
}

// Ticks the game `ms` from now in a forked child, which leaves this process's game as it was;
// true when that tick changed something besides ElapsedTime. (The child shares the game's
// pages until it writes them, where a copy of the form would copy every surface twice a check.)
bool TickActsAfter(GameHarness& game, std::int32_t ms) {
  const ChildReport report = RunInChild([&] {
    const auto before = TimedState(game.Form);
    game.Clock.Advance(ms);
    game.Form.Timer1Timer();
    return std::string(TimedState(game.Form) != before ? "acts" : "still");
  });
  EXPECT_TRUE(report.Exited) << "the tick ended with signal " << report.Signal;
  EXPECT_TRUE(report.Text == "acts" || report.Text == "still") << report.Text;
  return report.Text == "acts";
}

// Runs `ms` of the round in 33 ms ticks, checking the promise before every tick. A promise that
// ends at the same moment as the one before it, with nothing changed since but ElapsedTime
// (which every tick recomputes first), has the same answer, so it is checked once.
void RunChecking(GameHarness& game, std::int64_t ms, int& ticks, int& sleptThrough) {
  std::uint32_t checkedUntil = 0;
  auto checkedState = TimedState(game.Form);
  bool checked = false;
  for (std::int64_t t = 0; t < ms; t += 33) {
    const std::int32_t quiet = game.Form.QuietMilliseconds();
    ASSERT_GE(quiet, 0);
    ASSERT_LE(quiet, 1000);
    const std::uint32_t until = game.Clock.Local + static_cast<std::uint32_t>(quiet);
    const bool sameAsChecked =
        checked && until == checkedUntil && TimedState(game.Form) == checkedState;
    if (quiet > 0 && !sameAsChecked) {
      checked = true;
      checkedUntil = until;
      checkedState = TimedState(game.Form);
      EXPECT_FALSE(TickActsAfter(game, quiet - 1))
          << "mode " << game.Form.GameMode << " at +" << t << " ms, quiet " << quiet;
      if (quiet < 1000) {
        EXPECT_TRUE(TickActsAfter(game, quiet))
            << "mode " << game.Form.GameMode << " at +" << t << " ms, quiet " << quiet;
      }
    }
    ++ticks;
    if (quiet > 33) ++sleptThrough;  // the loop would not wake for the next tick
    game.Clock.Advance(33);
    game.Tick();
  }
}

TEST(QuietTimer, TicksInsideTheQuietDoNothingAndTheFirstAfterItActs) {
  for (const bool missed : {false, true}) {
    SCOPED_TRACE(missed ? "missed round" : "good round");
    GameHarness game;
    int ticks = 0;
    int sleptThrough = 0;
    EXPECT_EQ(game.Form.QuietMilliseconds(), 0) << "the title's first tick draws";
    game.Tick();
    game.Key(VK_Z);
    RunChecking(game, 5300, ticks, sleptThrough);  // the countdown
    ASSERT_EQ(game.Form.PlayPhase, PhaseRunning);
    RunChecking(game, 4200, ticks, sleptThrough);  // "Go!", the blank clock, the first digits
    // A loop around the cell right of the cursor; every cell kind is set so the verdict is known.
    for (int i = 1; i <= game.Form.BoardSize(); ++i) {
      for (int j = 1; j <= game.Form.BoardSize(); ++j) game.Form.CellGrid[i][j] = 0;
    }
    game.Form.CellGrid[3][3] = missed ? 2 : 1;
    Press(game, "ZRDLUZ");
    ASSERT_EQ(game.Form.GameMode, ModeResult);
    RunChecking(game, 8000, ticks, sleptThrough);  // the result, to the next screen
    EXPECT_NE(game.Form.GameMode, ModeResult);
    // The loop sleeps through nearly every tick of a round.
    EXPECT_GT(sleptThrough, ticks * 9 / 10) << sleptThrough << " of " << ticks << " ticks";
  }
}

// Around 9:59 and past it, where the clock stops while the seconds go on, and after a tick held
// up for minutes.
TEST(QuietTimer, HoldsAroundAndPastTheClocksLastSecond) {
  GameHarness game;
  game.StartRound(1);
  int ticks = 0;
  int sleptThrough = 0;
  game.Clock.Advance(597'000);
  RunChecking(game, 4000, ticks, sleptThrough);
  ASSERT_EQ(game.Form.ClockMinutes * 100 + game.Form.ClockTens * 10 + game.Form.ClockUnits, 959);
  game.Clock.Advance(300'000);
  RunChecking(game, 3000, ticks, sleptThrough);
  EXPECT_EQ(game.Form.ClockUnits, 9);
}

TEST(QuietTimer, ClockSetBackPromisesNoMoreThanASecond) {
  GameHarness game;
  game.StartRound(1);
  game.Clock.Advance(-3'600'000);
  EXPECT_EQ(game.Form.QuietMilliseconds(), 1000);
}

TEST(QuietTimer, ScreensWithoutTimedStagesPromiseNothing) {
  GameHarness game;
  game.Tick();
  EXPECT_EQ(game.Form.QuietMilliseconds(), 0) << "title (the loop sleeps there anyway)";
  game.Key(VK_X);
  EXPECT_EQ(game.Form.QuietMilliseconds(), 0) << "ranking";
}

}  // namespace
}  // namespace enclova::testing
