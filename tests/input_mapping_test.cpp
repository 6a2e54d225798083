// SPDX-License-Identifier: MIT
// Touches and pads as keys, tested once for every front end: a drag's steps (slow, faster than a
// step an event, diagonal, beyond the board, back again), the tap that is Z, and a pad's buttons
// and held directions with their auto-repeat.
#include "frontend/input_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/keys.h"

namespace enclova {
namespace {

// Keys as letters, so a table reads as the moves: R L U D for the arrows, then Z and X.
std::string Spelled(const std::vector<std::uint16_t>& keys) {
  std::string s;
  for (std::uint16_t key : keys) {
    switch (key) {
      case keys::kRight:
        s += 'R';
        break;
      case keys::kLeft:
        s += 'L';
        break;
      case keys::kUp:
        s += 'U';
        break;
      case keys::kDown:
        s += 'D';
        break;
      default:
        s += static_cast<char>(key < 0x80 ? key : '?');
    }
  }
  return s;
}

// Level 1: vertices 1..6 a side, the cursor at (3, 3). The picture at scale 2 from (10, 20), so a
// grid step is 32 touch pixels and the cursor's vertex is at (10 + 2 * 192 + 1, 20 + 2 * 192 + 1).
constexpr BoardView kRound{true, 1, 3, 3};
constexpr TouchGeometry kAtTwo{Placement{2, 10, 20}, 0};
constexpr int kCursorX = 395, kCursorY = 405;

struct Point {
  int X, Y;
  const char* Keys;  // what the finger gives there
};

struct DragCase {
  const char* what;
  BoardView Board;
  TouchGeometry Geometry;
  int DownX, DownY;
  std::vector<Point> Moves;
  Point Lift;
};

TEST(InputMapping, ADragIsTheGridStepsItCrossesAndATapOnTheCursorIsZ) {
  const int x = kCursorX, y = kCursorY;
  const DragCase cases[] = {
      {"a slow drag takes a step at three quarters of the way to the next vertex",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 23, y, ""}, {x + 24, y, "R"}, {x + 55, y, ""}, {x + 56, y, "R"}},
       {x + 60, y, ""}},
      {"a drag faster than a step an event gives every step between",
       kRound,
       kAtTwo,
       x,
       y,
       {{x, y - 70, "UU"}},
       {x, y, "DD"}},
      {"a diagonal drag walks the stairs along the finger's line",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 64, y + 64, "RDRD"}},
       {x + 64, y + 64, ""}},
      {"a shallow one steps down where its line crosses the row",
       {true, 5, 3, 3},
       kAtTwo,
       x,
       y,
       {{x + 128, y + 32, "RRDRR"}},
       {x + 128, y + 32, ""}},
      {"a slow diagonal steps on each axis as it crosses",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 24, y + 10, "R"}, {x + 30, y + 24, "D"}},
       {x + 30, y + 30, ""}},
      {"a step is given back only three quarters of a step back: no trembling",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 24, y, "R"}, {x + 9, y, ""}, {x + 30, y, ""}, {x + 8, y, "L"}},
       {x + 8, y, ""}},
      {"a drag that leaves the board stops at its edge and steps back only over the board",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 200, y, "RRR"},
        {x + 300, y + 10, ""},
        {x + 73, y, ""},
        {x + 72, y, "L"},
        {x - 200, y, "LLLL"}},
       {x - 200, y - 300, "UU"}},
      {"the edge is the level's: at level 10 the cursor has 24 vertices a side",
       {true, 10, 22, 12},
       kAtTwo,
       x,
       y,
       {{x + 320, y, "RR"}},
       {x + 320, y, ""}},
      {"a finger step longer than the grid's is the step",
       kRound,
       {Placement{1, 0, 0}, 60},
       0,
       0,
       {{44, 0, ""}, {45, 0, "R"}},
       {45, 0, ""}},
      {"a tap on the cursor's vertex is Z", kRound, kAtTwo, x + 5, y - 6, {}, {x + 7, y - 6, "Z"}},
      {"a tap within a step of it is Z", kRound, kAtTwo, x - 32, y + 32, {}, {x - 32, y + 32, "Z"}},
      {"a tap further off is nothing", kRound, kAtTwo, x - 33, y, {}, {x - 33, y, ""}},
      {"a finger that wandered more than half a step is no tap",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 17, y, ""}},
       {x, y, ""}},
      {"a drag that came back to where it began is no tap",
       kRound,
       kAtTwo,
       x,
       y,
       {{x + 30, y, "R"}},
       {x, y, "L"}},
      {"outside a running round a drag takes no step",
       {false, 1, 3, 3},
       kAtTwo,
       x,
       y,
       {{x + 100, y + 100, ""}},
       {x + 100, y + 100, ""}},
      {"and a tap is nothing", {false, 1, 3, 3}, kAtTwo, x, y, {}, {x, y, ""}},
  };
  for (const DragCase& c : cases) {
    TouchDrag drag;
    drag.Down(c.DownX, c.DownY, c.Board, c.Geometry);
    EXPECT_TRUE(drag.Active()) << c.what;
    for (std::size_t i = 0; i < c.Moves.size(); ++i) {
      const Point& p = c.Moves[i];
      EXPECT_EQ(Spelled(drag.Move(p.X, p.Y)), p.Keys) << c.what << ", move " << i + 1;
    }
    EXPECT_EQ(Spelled(drag.Up(c.Lift.X, c.Lift.Y)), c.Lift.Keys) << c.what << ", lift";
    EXPECT_FALSE(drag.Active()) << c.what;
  }
}

TEST(InputMapping, ACancelledTouchGivesNothingMore) {
  TouchDrag drag;
  drag.Down(kCursorX, kCursorY, kRound, kAtTwo);
  EXPECT_EQ(Spelled(drag.Move(kCursorX + 40, kCursorY)), "R");
  drag.Cancel();
  EXPECT_EQ(Spelled(drag.Move(kCursorX + 100, kCursorY)), "");
  EXPECT_EQ(Spelled(drag.Up(kCursorX, kCursorY)), "");
}

TEST(InputMapping, TheStepOfADragIsTheGridsOrTheFingersWhicheverIsLonger) {
  EXPECT_EQ(DragStepLength({Placement{1, 0, 0}, 0}), 16);
  EXPECT_EQ(DragStepLength({Placement{3, 0, 0}, 36}), 48);
  EXPECT_EQ(DragStepLength({Placement{1, 0, 0}, 36}), 36);
}

struct PadStep {
  std::int64_t At;
  PadState State;
  const char* Keys;
  int Wait;  // WaitMilliseconds after it
};

PadState Pad(const char* held, int stickX = 0, int stickY = 0) {
  PadState p;
  for (const char* c = held; *c; ++c) {
    if (*c == 'U') p.Up = true;
    if (*c == 'D') p.Down = true;
    if (*c == 'L') p.Left = true;
    if (*c == 'R') p.Right = true;
    if (*c == 'A') p.South = true;
    if (*c == 'B') p.East = true;
  }
  p.StickX = stickX;
  p.StickY = stickY;
  return p;
}

TEST(InputMapping, APadIsTheArrowsZAndXWithAHeldKeysRepeat) {
  struct Case {
    const char* what;
    std::vector<PadStep> Steps;
  };
  const int delay = kRepeatDelayMilliseconds, every = kRepeatIntervalMilliseconds;
  const Case cases[] = {
      {"a held d-pad repeats after the delay, then at the rate, until let go",
       {{1000, Pad("R"), "R", delay},
        {1000 + delay - 1, Pad("R"), "", 1},
        {1000 + delay, Pad("R"), "R", every},
        {1000 + delay + every, Pad("R"), "R", every},
        {1000 + delay + every + 1, Pad("R"), "", every - 1},
        {1000 + delay + every + 5, Pad(""), "", -1},
        {1000 + delay + 2 * every, Pad(""), "", -1}}},
      {"a repeat that falls due late comes once",
       {{0, Pad("D"), "D", delay},
        {5000, Pad("D"), "D", every},
        {5000 + every, Pad("D"), "D", every}}},
      {"pressed again, a direction is a new press at once",
       {{0, Pad("L"), "L", delay}, {10, Pad(""), "", -1}, {20, Pad("L"), "L", delay}}},
      {"the direction held first stays while held; let go, the other is pressed at once",
       {{0, Pad("U"), "U", delay},
        {100, Pad("UR"), "", delay - 100},
        {delay, Pad("UR"), "U", every},
        {delay + 10, Pad("R"), "R", delay}}},
      {"the stick holds a direction past half its travel",
       {{0, Pad("", 16383, 0), "", -1},
        {10, Pad("", 16384, 0), "R", delay},
        {20, Pad("", 13107, 0), "", delay - 10},
        {30, Pad("", 13106, 0), "", -1},
        {40, Pad("", 0, -32768), "U", delay},
        {50, Pad("", -20000, 0), "L", delay}}},
      {"by its longer axis, and keeps it as it turns until let go",
       {{0, Pad("", 20000, 25000), "D", delay},
        {10, Pad("", 30000, 20000), "", delay - 10},
        {20, Pad("", 30000, 0), "R", delay}}},
      {"the stick and the d-pad are one direction",
       {{0, Pad("", -30000, 0), "L", delay},
        {10, Pad("L", -30000, 0), "", delay - 10},
        {20, Pad("L"), "", delay - 20},
        {delay, Pad("L"), "L", every}}},
      {"A is Z and B is X, once a press, whatever is held",
       {{0, Pad("A"), "Z", -1},
        {100, Pad("A"), "", -1},
        {900, Pad("A"), "", -1},
        {910, Pad(""), "", -1},
        {920, Pad("AB"), "ZX", -1},
        {930, Pad("RB"), "R", delay},
        {940, Pad("R"), "", delay - 10}}},
  };
  for (const Case& c : cases) {
    PadInput pad;
    for (const PadStep& s : c.Steps) {
      EXPECT_EQ(Spelled(pad.Update(s.State, s.At)), s.Keys) << c.what << ", at " << s.At;
      EXPECT_EQ(pad.WaitMilliseconds(s.At), s.Wait) << c.what << ", at " << s.At;
    }
  }
}

TEST(InputMapping, APadThatGoesHoldsNothing) {
  PadInput pad;
  EXPECT_EQ(Spelled(pad.Update(Pad("RA"), 0)), "RZ");
  pad.Release();
  EXPECT_EQ(pad.WaitMilliseconds(10), -1);
  // A pad that comes back held is pressed anew.
  EXPECT_EQ(Spelled(pad.Update(Pad("RA"), 20)), "RZ");
}

}  // namespace
}  // namespace enclova
