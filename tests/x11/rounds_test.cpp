// SPDX-License-Identifier: MIT
// Whole rounds of the real binary, played with X key events and compared pixel for pixel with
// the headless game given the same seed, the same keys and the same moments.
#include <X11/keysym.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/form.h"
#include "tests/good_loop.h"
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

using testing::FindGoodLoop;
using testing::GameHarness;
using testing::Loop;
using Clock = std::chrono::steady_clock;

KeySym KeyFor(std::int32_t direction) {
  switch (direction) {
    case CmdDown:
      return XK_Down;
    case CmdLeft:
      return XK_Left;
    case CmdRight:
      return XK_Right;
    default:
      return XK_Up;
  }
}

std::uint16_t VirtualKeyFor(std::int32_t direction) {
  switch (direction) {
    case CmdDown:
      return VK_DOWN;
    case CmdLeft:
      return VK_LEFT;
    case CmdRight:
      return VK_RIGHT;
    default:
      return VK_UP;
  }
}

std::int32_t Int32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>(bytes[offset] | (bytes[offset + 1] << 8) |
                                   (bytes[offset + 2] << 16) |
                                   (static_cast<std::uint32_t>(bytes[offset + 3]) << 24));
}

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value) {
  for (int b = 0; b < 4; ++b) {
    bytes[offset + static_cast<std::size_t>(b)] =
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * b));
  }
}

// The real game and the headless game through a round; keys go to both. Both clocks are moved
// together to the middle of whole seconds after Z, a second at a time, and the window is
// compared there. On the real clock (RealClockRoundTest) the headless clock follows the real
// game's time instead, and the test compares where the real picture holds still long enough.
class RoundTest : public RealAndHeadless {
 protected:
  virtual bool OnTheRealClock() const { return false; }

  void LaunchRound(const GameHarness::Options& options, const std::vector<std::string>& args) {
    Launch(options, args, !OnTheRealClock());
  }

  // Presses and releases `keysym` `count` times; the headless game gets as many presses of
  // `code`.
  void Tap(KeySym keysym, std::uint16_t code, int count = 1) {
    for (int k = 0; k < count; ++k) X.Tap(keysym);
    for (int k = 0; k < count; ++k) Headless->Key(code);
  }

  // Z on the title in both games: the round's board and countdown start now.
  void StartRound() {
    Tap(XK_z, VK_Z);
    roundStart_ = Clock::now();
    RoundStarted();
    headlessMs_ = 0;
    // The board is drawn: the game has read the round's reference time.
    if (GameClock) {
      EXPECT_TRUE(ShowsHeadless()) << "the new board";
    }
  }

  std::int64_t RealMs() const {
    if (GameClock) return headlessMs_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - roundStart_)
        .count();
  }

  // The headless game `ms` further on; with the stepped clock, the real game too, in steps
  // that end on the middle of each whole second they pass, as a player's game would see them.
  // `windowInView` is false while another window covers part of it.
  void Advance(std::int64_t ms, bool windowInView = true) {
    const std::int64_t target = headlessMs_ + ms;
    if (!GameClock) {
      Headless->Run(ms);
      headlessMs_ = target;
      return;
    }
    // Every key pressed so far has been handled before the time moves on.
    if (windowInView) {
      EXPECT_TRUE(ShowsHeadless()) << "before moving the clock to " << target;
    }
    AdvanceRoundTo(static_cast<std::uint32_t>(target));
    headlessMs_ = RoundMs();
  }

  // Moves the headless game to the middle of a second the real game is in or has yet to reach,
  // with at least `margin` ms of it left, at or after second `from` of the round, and waits for
  // the window to show the same. Returns the second, or -1 after a mismatch (with the failure).
  int Settle(std::int64_t from = 0, std::int64_t margin = 350) {
    std::int64_t second = std::max(from, (RealMs() + margin) / 1000);
    if (second * 1000 + 500 < headlessMs_) second = headlessMs_ / 1000 + 1;
    Advance(second * 1000 + 500 - headlessMs_);
    const auto shows =
        WindowShows(Headless->Form.Canvas, std::chrono::milliseconds(std::max<std::int64_t>(
                                               (second + 1) * 1000 - RealMs() + 1000, 2000)));
    EXPECT_TRUE(shows) << "second " << second << " of the round";
    return shows ? static_cast<int>(second) : -1;
  }

  // Settles on a second with room for a few key presses still in it.
  void SettleWithRoom(std::int64_t from) {
    const int second = Settle(from, 600);
    if (second >= 0 && RealMs() > second * 1000 + 700) Settle(second + 1, 600);
  }

  // Moves the free cursor to the loop's start, starts the path there, and traces the loop back
  // to it.
  void Trace(const Loop& loop) {
    const int from = Headless->Form.CursorX;
    const int fromY = Headless->Form.CursorY;
    if (loop.StartX != from) {
      Tap(loop.StartX > from ? XK_Right : XK_Left, loop.StartX > from ? VK_RIGHT : VK_LEFT,
          std::abs(loop.StartX - from));
    }
    if (loop.StartY != fromY) {
      Tap(loop.StartY > fromY ? XK_Down : XK_Up, loop.StartY > fromY ? VK_DOWN : VK_UP,
          std::abs(loop.StartY - fromY));
    }
    Tap(XK_z, VK_Z);
    for (std::int32_t step : loop.Steps) Tap(KeyFor(step), VirtualKeyFor(step));
  }

  // Closes the loop in both games within one second of the clock, at second `from` of the round
  // or later, so both score the same time.
  void Close(std::int64_t from) {
    SettleWithRoom(from);
    Tap(XK_z, VK_Z);
    resultStart_ = headlessMs_;
  }

  // The result panel, then what follows it, each when the real game has reached it.
  void ExpectResultThenNext() {
    Advance(3000);
    EXPECT_TRUE(WindowShows(Headless->Form.Canvas)) << "the result panel";
    Advance(5000);
    EXPECT_TRUE(WindowShows(Headless->Form.Canvas)) << "the screen after the result";
  }

  // The first seed from `from` on whose level-1 board has a good loop.
  static std::pair<std::uint32_t, Loop> SeedWithGoodLoop(std::uint32_t from) {
    for (std::uint32_t seed = from;; ++seed) {
      GameHarness::Options options;
      options.Seed = seed;
      GameHarness game(options);
      game.Key(VK_Z);
      if (auto loop = FindGoodLoop(game.Form)) return {seed, *loop};
    }
  }

  Clock::time_point roundStart_;
  std::int64_t headlessMs_ = 0;
  std::int64_t resultStart_ = 0;
};

TEST_F(RoundTest, GoodRoundIsRankedFirstAndSaved) {
  const auto [seed, loop] = SeedWithGoodLoop(1);
  std::printf("seed %u, loop of %zu steps from (%d, %d)\n", seed, loop.Steps.size(), loop.StartX,
              loop.StartY);
  // Three older rounds of level 1 that any round of a few seconds beats.
  GameHarness::Options options;
  options.Seed = seed;
  const std::int32_t oldTimes[] = {130, 245, 359};
  for (std::size_t k = 0; k < 3; ++k) {
    PutInt32(options.RecordFile, 4 * k, oldTimes[k]);
    PutInt32(options.RecordFile, 80 + 4 * k, 1);
  }
  LaunchRound(options, {"--seed", std::to_string(seed)});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();

  StartRound();
  ASSERT_TRUE(ShowsHeadless()) << "the new board";
  Settle(2);  // "Ready."
  Settle(6);  // the clock has started
  Trace(loop);
  ASSERT_EQ(Headless->Form.LoopClosed, 0);
  Close(9);  // the clock shows 4 seconds or more
  ASSERT_EQ(Headless->Form.GameMode, ModeResult);
  ASSERT_EQ(Headless->Form.Missed, 0) << "the loop the test made is not good";
  ExpectResultThenNext();
  ASSERT_EQ(Headless->Form.GameMode, ModeRanking);
  EXPECT_EQ(Headless->Form.LastRank, 1);

  // The record file: the new round first, the older ones a place down, the rest empty.
  const std::vector<std::uint8_t> saved = testing::ReadFileBytes(Dir->File("fdata.dat"));
  ASSERT_EQ(saved.size(), 160u);
  EXPECT_EQ(saved, testing::ReadFileBytes(Headless->Dir.File("fdata.dat")));
  EXPECT_EQ(Int32At(saved, 0), Headless->Form.TimeScore);
  EXPECT_GE(Int32At(saved, 0), 4);
  EXPECT_LT(Int32At(saved, 0), 100) << "a few seconds' round";
  EXPECT_EQ(Int32At(saved, 80), 1);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(Int32At(saved, 4 * (k + 1)), oldTimes[k]);
    EXPECT_EQ(Int32At(saved, 80 + 4 * (k + 1)), 1);
  }
  for (std::size_t k = 4; k < 20; ++k) {
    EXPECT_EQ(Int32At(saved, 4 * k), 0);
    EXPECT_EQ(Int32At(saved, 80 + 4 * k), -1);
  }

  // Any key returns to the title; Escape then ends the game.
  Tap(XK_space, 0x20);
  EXPECT_TRUE(ShowsHeadless()) << "the title after the ranking";
  X.Tap(XK_Escape);
  EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();
}

// One round keeps the real clock, with the game's own timer and its quiet-timer sleeps.
class RealClockRoundTest : public RoundTest {
 protected:
  bool OnTheRealClock() const override { return true; }
};

TEST_F(RealClockRoundTest, MissedRoundReturnsToTitleWithLevelSprite) {
  GameHarness::Options options;
  options.Seed = 4242;
  LaunchRound(options, {"--seed", "4242"});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  Tap(XK_Right, VK_RIGHT);  // level 2
  const std::vector<std::uint8_t> recordBefore = testing::ReadFileBytes(Dir->File("fdata.dat"));

  StartRound();
  Settle(6);
  // Around the one cell right of and below the cursor, leaving the other stones outside.
  Trace({Headless->Form.CursorX, Headless->Form.CursorY, {CmdRight, CmdDown, CmdLeft, CmdUp}});
  Close(0);
  ASSERT_EQ(Headless->Form.GameMode, ModeResult);
  ASSERT_EQ(Headless->Form.Missed, 1);
  ExpectResultThenNext();
  ASSERT_EQ(Headless->Form.GameMode, ModeTitle);
  ASSERT_EQ(Headless->Form.Level, 2);
  EXPECT_EQ(testing::ReadFileBytes(Dir->File("fdata.dat")), recordBefore);
  EXPECT_TRUE(Game->Running());
}

// A ranking file that cannot be saved: the error box opens over the middle of the window, in
// front of the result the failed tick drew, and once it is closed the game goes on to the
// ranking screen with the new round, which only the file lacks.
TEST_F(RoundTest, SaveErrorShowsBoxOverWindowAndGameGoesOn) {
  const auto [seed, loop] = SeedWithGoodLoop(1);
  std::printf("seed %u\n", seed);
  GameHarness::Options options;
  options.Seed = seed;
  LaunchRound(options, {"--seed", std::to_string(seed)});
  // A ranking file without any write bit is refused by the save, whoever runs the game.
  for (const std::string& dir : {Dir->Path(), Headless->Dir.Path()}) {
    ASSERT_EQ(chmod((dir + "/fdata.dat").c_str(), 0444), 0);
  }
  const std::vector<std::uint8_t> recordBefore = testing::ReadFileBytes(Dir->File("fdata.dat"));
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  StartRound();
  Settle(6);
  Trace(loop);
  Close(6);
  ASSERT_EQ(Headless->Form.Missed, 0);
  Advance(3000);
  ASSERT_EQ(Headless->Host.Errors.size(), 1u);
  const auto& [caption, text] = Headless->Host.Errors[0];

  const Window box = X.WaitForWindow(caption, Game->Pid());
  ASSERT_NE(box, 0u) << Game->Stderr();
  const std::optional<WindowGeometry> b = X.Geometry(box);
  const std::optional<WindowGeometry> m = X.Geometry(Main);
  ASSERT_TRUE(b && m);
  EXPECT_TRUE(m->Viewable);
  EXPECT_EQ(b->X, m->X + (m->Width - b->Width) / 2);
  EXPECT_EQ(b->Y, m->Y + (m->Height - b->Height) / 2);
  Surface picture;
  ASSERT_TRUE(WaitFor([&] {
    picture = X.Capture(box);
    return picture.Exists() && picture.GetPixel(2, 2) == kErrorBoxFace;
  }));
  ExpectErrorBoxPicture(picture);
  EXPECT_NE(Game->Stderr().find(text), std::string::npos);
  // Around the box the window shows the judged board and the result panel.
  Surface around;
  const auto outsideTheBox =
      testing::Mask::Ignoring({{b->X - m->X, b->Y - m->Y, b->Width, b->Height}});
  EXPECT_TRUE(WaitFor([&] {
    return static_cast<bool>(
        SamePicture(around = X.Capture(Main), Headless->Form.Canvas, outsideTheBox));
  })) << SamePicture(around, Headless->Form.Canvas, outsideTheBox);

  // The timer runs on under the box: the result ends and the ranking screen comes up behind it.
  Advance(5000, false);
  ASSERT_EQ(Headless->Form.GameMode, ModeRanking);
  EXPECT_TRUE(WaitFor(
      [&] {
        return static_cast<bool>(
            SamePicture(X.Capture(Main), Headless->Form.Canvas, outsideTheBox));
      },
      std::chrono::seconds(15)))
      << "the ranking screen around the box";

  X.Tap(XK_Return);
  // Uncovered, the ranking screen is repainted whole.
  Headless->Paint();
  EXPECT_TRUE(ShowsHeadless()) << "the repainted ranking screen";
  EXPECT_EQ(X.FindWindow(caption, Game->Pid()), 0u) << "the box is still open";
  EXPECT_EQ(testing::ReadFileBytes(Dir->File("fdata.dat")), recordBefore);
  X.Tap(XK_Escape);
  EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();
}

// The window uncovered or mapped again is repainted from the game's state: on the ranking
// screen, during the countdown and while a path is drawn. Our cover is black and the window
// keeps no pixels of its own, so a missing repaint leaves black where the picture was.
TEST_F(RoundTest, RepaintAfterCoverOrUnmapMatchesHeadless) {
  enum Way { kCover, kUnmapMap };
  const std::pair<Way, const char*> ways[] = {{kCover, "covered and uncovered"},
                                              {kUnmapMap, "unmapped and mapped"}};
  GameHarness::Options options;
  options.Seed = 99;
  LaunchRound(options, {"--seed", "99"});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  const std::optional<WindowGeometry> g = X.Geometry(Main);
  ASSERT_TRUE(g);

  auto repaint = [&](Way way) {
    if (way == kCover) {
      X.Uncover(X.Cover(g->X - 10, g->Y - 10, g->Width + 20, g->Height + 20));
    } else {
      X.Unmap(Main);
      X.Map(Main);
    }
    Headless->Paint();
  };

  Tap(XK_x, VK_X);
  ASSERT_TRUE(ShowsHeadless()) << "the ranking screen";
  for (const auto& [way, what] : ways) {
    SCOPED_TRACE(what);
    repaint(way);
    EXPECT_TRUE(ShowsHeadless()) << "the ranking screen";
  }
  Tap(XK_space, 0x20);
  ASSERT_TRUE(ShowsHeadless()) << "the title";

  StartRound();
  std::int64_t second = 1;
  for (const auto& [way, what] : ways) {
    SCOPED_TRACE(what);
    second = Settle(second + 1, 700);  // "Ready" with one dot or more, then repainted
    ASSERT_GE(second, 0);
    repaint(way);
    EXPECT_TRUE(WindowShows(Headless->Form.Canvas, 3s)) << "countdown second " << second;
  }

  Settle(7);
  Tap(XK_z, VK_Z);
  Tap(XK_Right, VK_RIGHT, 2);
  Tap(XK_Down, VK_DOWN, 3);
  for (const auto& [way, what] : ways) {
    SCOPED_TRACE(what);
    second = Settle(second + 1, 700);
    ASSERT_GE(second, 0);
    repaint(way);
    EXPECT_TRUE(WindowShows(Headless->Form.Canvas, 3s)) << "path, second " << second;
  }
  EXPECT_EQ(X.TakeErrorCount(), 0);
}

// A window passing over part of the game uncovers only that part: while a path with an erase
// trace is drawn and during the result, the window afterwards shows what it showed before, but
// for exactly the uncovered area, painted as the headless game paints that area alone. A whole
// repaint would wipe the erase trace and blank the judged board.
TEST_F(RoundTest, UncoveringPartOfTheWindowRepaintsThatPartAlone) {
  GameHarness::Options options;
  options.Seed = 99;
  options.RealSheet = true;
  LaunchRound(options, {"--seed", "99"});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  ASSERT_TRUE(TitleIsUp());
  const std::optional<WindowGeometry> g = X.Geometry(Main);
  ASSERT_TRUE(g);
  auto uncover = [&](const TRect& area) {
    X.Uncover(
        X.Cover(g->X + area.Left, g->Y + area.Top, area.Right - area.Left, area.Bottom - area.Top));
    Headless->App.Paint(area);
  };
  const char* shots = std::getenv("ENCLOVA_SHOT_DIR");

  StartRound();
  Settle(6);
  // Two steps right, one taken back (its erase trace stays on the window), then round a cell.
  const int startX = Headless->Form.CursorX, startY = Headless->Form.CursorY;
  Tap(XK_z, VK_Z);
  Tap(XK_Right, VK_RIGHT, 2);
  Tap(XK_x, VK_X);
  Tap(XK_Down, VK_DOWN);
  Tap(XK_Left, VK_LEFT);
  Tap(XK_Up, VK_UP);
  ASSERT_EQ(Headless->Form.CursorX, startX);
  ASSERT_EQ(Headless->Form.CursorY, startY);
  const int second = Settle(7, 700);
  ASSERT_GE(second, 0);
  // Across the board's right edge and the clock panel, clear of the path and its trace.
  uncover({230, 100, 520, 330});
  EXPECT_TRUE(WindowShows(Headless->Form.Canvas, 3s)) << "the path, second " << second;

  Close(second);
  ASSERT_EQ(Headless->Form.GameMode, ModeResult);
  Advance(3000);
  EXPECT_TRUE(WindowShows(Headless->Form.Canvas)) << "the result";
  if (shots != nullptr) WritePpm(std::string(shots) + "/result-before-cover.ppm", X.Capture(Main));
  // A sliver across the judged board and the verdict.
  uncover({100, 170, 560, 215});
  const auto shows = WindowShows(Headless->Form.Canvas, 3s);
  if (shots != nullptr)
    WritePpm(std::string(shots) + "/result-partly-uncovered.ppm", X.Capture(Main));
  EXPECT_TRUE(shows) << "the result, partly uncovered";
  EXPECT_EQ(X.TakeErrorCount(), 0);
}

// A key held down acts once for every repeat the server delivers. The server's repeat is slowed
// so that the level stays within its bounds; what it delivered to the window is counted, and the
// headless game gets as many presses.
TEST_F(RoundTest, HeldKeyActsOncePerRepeat) {
  Launch({});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  X.SetAutoRepeat(250ms, 100ms);
  X.WatchKeys(Main);
  for (const auto& [key, code] : {std::pair{XK_Right, VK_RIGHT}, std::pair{XK_Left, VK_LEFT}}) {
    SCOPED_TRACE(XKeysymToString(key));
    X.TakeKeyPresses(key);
    X.Press(key);
    std::this_thread::sleep_for(500ms);
    X.Release(key);
    const int presses = X.TakeKeyPresses(key);
    EXPECT_GE(presses, 2) << "the server did not repeat the key";
    ASSERT_LE(presses, 8);
    for (int k = 0; k < presses; ++k) Headless->Key(code);
    EXPECT_TRUE(ShowsHeadless()) << presses << " presses";
  }
  X.SetAutoRepeat(660ms, 40ms);
}

}  // namespace
}  // namespace enclova::x11
