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
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

using testing::GameHarness;
using Clock = std::chrono::steady_clock;

// A loop along the grid lines: the vertex it starts from and its steps as direction codes.
struct Loop {
  int StartX = 0;
  int StartY = 0;
  std::vector<std::int32_t> Steps;
};

// A loop around exactly the kind-1 stones and some empty cells, or nothing. The border of a set
// of cells is one loop that never touches itself exactly when the set is 4-connected, its
// outside (the margin round the board included) is 4-connected, and no two of its cells meet
// only at a corner. Stones fill every other cell, so trying each choice of the empty cells
// settles the question for the small boards of level 1.
std::optional<Loop> FindGoodLoop(const TForm1& form) {
  const int n = form.BoardSize();
  const int side = n + 2;  // cells 0..n+1, the outer ring outside
  std::vector<int> empties;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      if (form.CellGrid[i][j] == 0) empties.push_back(i * side + j);
    }
  }
  if (empties.size() > 20) return std::nullopt;
  std::vector<char> in(static_cast<std::size_t>(side * side));
  auto at = [&](int i, int j) -> char& { return in[static_cast<std::size_t>(i * side + j)]; };
  // Cells reached from `first` through cells whose `in` equals `inside`.
  auto reach = [&](int first, char inside) {
    std::vector<char> seen(in.size());
    std::queue<int> todo;
    todo.push(first);
    seen[static_cast<std::size_t>(first)] = 1;
    int count = 0;
    while (!todo.empty()) {
      const int c = todo.front();
      todo.pop();
      ++count;
      const int i = c / side, j = c % side;
      constexpr int kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto& step : kSteps) {
        const int ni = i + step[0], nj = j + step[1];
        if (ni < 0 || nj < 0 || ni >= side || nj >= side) continue;
        const int k = ni * side + nj;
        if (seen[static_cast<std::size_t>(k)] || in[static_cast<std::size_t>(k)] != inside) {
          continue;
        }
        seen[static_cast<std::size_t>(k)] = 1;
        todo.push(k);
      }
    }
    return count;
  };
  for (std::uint32_t mask = 0; mask < (1u << empties.size()); ++mask) {
    std::fill(in.begin(), in.end(), 0);
    int first = -1, inside = 0;
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        if (form.CellGrid[i][j] == 1) at(i, j) = 1;
      }
    }
    for (std::size_t e = 0; e < empties.size(); ++e) {
      if (mask & (1u << e)) in[static_cast<std::size_t>(empties[e])] = 1;
    }
    for (std::size_t c = 0; c < in.size(); ++c) {
      if (in[c]) inside++, first = first < 0 ? static_cast<int>(c) : first;
    }
    if (inside == 0 || reach(first, 1) != inside) continue;
    if (reach(0, 0) != side * side - inside) continue;
    bool pinched = false;
    for (int i = 0; i + 1 < side && !pinched; ++i) {
      for (int j = 0; j + 1 < side && !pinched; ++j) {
        const bool a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
        pinched = (a && d && !b && !c) || (b && c && !a && !d);
      }
    }
    if (pinched) continue;

    // The border, clockwise on the screen: from each vertex exactly one border edge leaves.
    std::vector<int> next(static_cast<std::size_t>((side + 1) * (side + 1)), -1);
    auto vertex = [&](int x, int y) { return x * (side + 1) + y; };
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        if (!at(i, j)) continue;
        if (!at(i, j - 1)) next[vertex(i, j)] = vertex(i + 1, j);
        if (!at(i + 1, j)) next[vertex(i + 1, j)] = vertex(i + 1, j + 1);
        if (!at(i, j + 1)) next[vertex(i + 1, j + 1)] = vertex(i, j + 1);
        if (!at(i - 1, j)) next[vertex(i, j + 1)] = vertex(i, j);
      }
    }
    // The first cell inside has none above it, so its top-left vertex is on the border.
    Loop loop;
    loop.StartX = first / side;
    loop.StartY = first % side;
    int v = vertex(loop.StartX, loop.StartY);
    do {
      const int w = next[static_cast<std::size_t>(v)];
      const int dx = w / (side + 1) - v / (side + 1), dy = w % (side + 1) - v % (side + 1);
      loop.Steps.push_back(dx > 0 ? CmdRight : dx < 0 ? CmdLeft : dy > 0 ? CmdDown : CmdUp);
      v = w;
    } while (v != vertex(loop.StartX, loop.StartY));
    return loop;
  }
  return std::nullopt;
}

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

// The real game and the headless one through a round. The headless clock is moved to the
// middle of whole seconds after Z, where the real game's picture holds still long enough to be
// compared; keys go to both.
class RoundTest : public RealAndHeadless {
 protected:
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
    headlessMs_ = 0;
  }

  std::int64_t RealMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - roundStart_)
        .count();
  }

  // Moves the headless game to the middle of a second the real game is in or has yet to reach,
  // with at least `margin` ms of it left, at or after second `from` of the round, and waits for
  // the window to show the same. Returns the second, or -1 after a mismatch (with the failure).
  int Settle(std::int64_t from = 0, std::int64_t margin = 350) {
    std::int64_t second = std::max(from, (RealMs() + margin) / 1000);
    if (second * 1000 + 500 < headlessMs_) second = headlessMs_ / 1000 + 1;
    Headless->Run(second * 1000 + 500 - headlessMs_);
    headlessMs_ = second * 1000 + 500;
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
    Headless->Run(3000);
    headlessMs_ += 3000;
    EXPECT_TRUE(WindowShows(Headless->Form.Canvas)) << "the result panel";
    Headless->Run(5000);
    headlessMs_ += 5000;
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
  Launch(options, {"--seed", std::to_string(seed)});
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

TEST_F(RoundTest, MissedRoundReturnsToTitleWithLevelSprite) {
  GameHarness::Options options;
  options.Seed = 4242;
  Launch(options, {"--seed", "4242"});
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
  Launch(options, {"--seed", std::to_string(seed)});
  // The new file is written beside the old one first; a directory in its place stops the save.
  for (const std::string& dir : {Dir->Path(), Headless->Dir.Path()}) {
    ASSERT_EQ(mkdir((dir + "/fdata.dat.tmp").c_str(), 0755), 0);
  }
  const std::vector<std::uint8_t> recordBefore = testing::ReadFileBytes(Dir->File("fdata.dat"));
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  StartRound();
  Settle(6);
  Trace(loop);
  Close(6);
  ASSERT_EQ(Headless->Form.Missed, 0);
  Headless->Run(3000);
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
  EXPECT_TRUE(WaitFor([&] {
    return static_cast<bool>(SamePixelsOutside(around = X.Capture(Main), Headless->Form.Canvas,
                                               b->X - m->X, b->Y - m->Y, b->Width, b->Height));
  })) << SamePixelsOutside(around, Headless->Form.Canvas, b->X - m->X, b->Y - m->Y, b->Width,
                           b->Height);

  // The timer runs on under the box: the result ends and the ranking screen comes up behind it.
  Headless->Run(5000);
  ASSERT_EQ(Headless->Form.GameMode, ModeRanking);
  EXPECT_TRUE(WaitFor(
      [&] {
        return static_cast<bool>(SamePixelsOutside(X.Capture(Main), Headless->Form.Canvas,
                                                   b->X - m->X, b->Y - m->Y, b->Width, b->Height));
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
  Launch(options, {"--seed", "99"});
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
