// SPDX-License-Identifier: MIT
// Growing the path: free cursor movement, the start of drawing, the step rule, the reversal
// key, closing the loop and the limit of the step history.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

// ---- The step rule on hand-made lattices ----

// A lattice entry given in the frame of the step: `along` in the step's direction from the
// Cursor's vertex C, `across` to one side of it.
struct FrameEntry {
  int along;
  int across;
  std::int32_t value;
};

struct StepRuleCase {
  const char* name;
  std::vector<FrameEntry> entries;
  bool allowed;
};

// In the frame: (1, 0) the step's own edge, (2, 0) the target T, (2, +-1) its side edges,
// (3, 0) the edge straight ahead of T and (4, 0) the vertex beyond it.
const StepRuleCase kStepRuleCases[] = {
    {"free target", {}, true},
    {"own edge already used", {{1, 0, 1}}, false},
    {"target touched from one side", {{2, 1, 1}}, true},
    {"target where the path turned", {{2, 1, 1}, {3, 0, 1}}, true},
    {"turn whose look-ahead is the first vertex", {{2, -1, 1}, {3, 0, 1}, {4, 0, 1}}, false},
    {"straight passage across the target", {{2, 1, 1}, {2, -1, 1}}, false},
    {"straight passage with the start beyond", {{2, 1, 1}, {2, -1, 1}, {4, 0, -1}}, true},
    {"start whose first edge is a side edge", {{2, 0, -1}, {2, 1, 1}}, true},
    {"start left straight ahead", {{2, 0, -1}, {3, 0, 1}, {4, 0, 1}}, true},
    {"first vertex beyond an empty target", {{4, 0, 1}}, true},
    {"first vertex as the target, passed straight", {{2, 0, 1}, {2, 1, 1}, {2, -1, 1}}, false},
    {"first vertex as the target, one side used", {{2, 0, 1}, {2, 1, 1}}, false},
    {"first vertex as the target, otherwise free", {{2, 0, 1}}, true},
};

TEST(StepRule, SumsTheTargetsSideEdgesTargetAndLookAheadInEveryDirection) {
  const std::int32_t directions[] = {CmdDown, CmdUp, CmdRight, CmdLeft};
  GameHarness game;
  TForm1& f = game.Form;
  for (const StepRuleCase& c : kStepRuleCases) {
    for (std::int32_t d : directions) {
      std::memset(f.PathLattice, 0, sizeof f.PathLattice);
      f.Level = 10;
      f.CursorX = 12;
      f.CursorY = 12;
      const int ex = StepDX(d), ey = StepDY(d);
      const int fx = ey, fy = ex;  // perpendicular
      for (const FrameEntry& e : c.entries) {
        f.Lattice(24 + e.along * ex + e.across * fx, 24 + e.along * ey + e.across * fy) = e.value;
      }
      EXPECT_EQ(StepAllowed(f.PathLattice, f.Level, f.CursorX, f.CursorY, d), c.allowed)
          << c.name << ", direction " << d;
    }
  }
}

TEST(StepRule, KeepsThePathOnTheBoardsVertices) {
  struct Case {
    int level, x, y;
    std::int32_t d;
    bool allowed;
  };
  const Case cases[] = {
      {1, 6, 3, CmdRight, false},   {1, 5, 3, CmdRight, true},    {1, 1, 3, CmdLeft, false},
      {1, 2, 3, CmdLeft, true},     {1, 3, 1, CmdUp, false},      {1, 3, 2, CmdUp, true},
      {1, 3, 6, CmdDown, false},    {1, 3, 5, CmdDown, true},     {10, 24, 24, CmdRight, false},
      {10, 24, 24, CmdDown, false}, {10, 23, 23, CmdRight, true}, {10, 23, 23, CmdDown, true},
      {10, 1, 1, CmdUp, false},     {10, 1, 1, CmdLeft, false},   {10, 2, 2, CmdUp, true},
      {10, 2, 2, CmdLeft, true},    {4, 12, 7, CmdRight, false},  {4, 7, 12, CmdDown, false},
  };
  GameHarness game;
  for (const Case& c : cases) {
    game.Form.Level = c.level;
    game.Form.CursorX = c.x;
    game.Form.CursorY = c.y;
    EXPECT_EQ(StepAllowed(game.Form.PathLattice, game.Form.Level, game.Form.CursorX,
                          game.Form.CursorY, c.d),
              c.allowed)
        << "level " << c.level << " at (" << c.x << ", " << c.y << ") direction " << c.d;
  }
}

// ---- The step rule in play ----

struct ScriptedPath {
  const char* name;
  int level, startX, startY;
  const char* steps;  // every key takes a step
  int endX, endY;
  char refused;  // then this key takes none
};

const ScriptedPath kScriptedPaths[] = {
    {"straight crossing refused", 2, 4, 4, "RRDL", 5, 5, 'U'},
    {"turning vertex entered, then straight crossing refused", 2, 5, 4, "DDRDLLUR", 5, 6, 'D'},
    {"start in the corner", 1, 1, 1, "", 1, 1, 'L'},
    {"start in the corner, up", 1, 1, 1, "", 1, 1, 'U'},
    {"right border while drawing", 1, 5, 3, "R", 6, 3, 'R'},
    {"bottom border while drawing, keypad", 1, 3, 5, "d", 3, 6, 'd'},
    {"edge already used, approached from the side", 2, 4, 4, "RDLU", 4, 4, 'R'},
};

TEST(Extension, TakesEveryAllowedStepAndRefusesTheOthersUnchanged) {
  for (const ScriptedPath& p : kScriptedPaths) {
    SCOPED_TRACE(p.name);
    GameHarness game;
    StartPathAt(game, p.level, p.startX, p.startY);
    TForm1& f = game.Form;
    for (const char* k = p.steps; *k != '\0'; ++k) {
      const int before = f.StepCount;
      Press(game, std::string(1, *k));
      ASSERT_EQ(f.StepCount, before + 1) << "key '" << *k << "' took no step";
      ASSERT_EQ(LatticeMismatch(f), "");
    }
    EXPECT_EQ(f.CursorX, p.endX);
    EXPECT_EQ(f.CursorY, p.endY);

    const Surface canvas = f.Canvas;
    const Surface layer = f.PathLayer;
    std::int32_t lattice[54][54];
    std::memcpy(lattice, f.PathLattice, sizeof lattice);
    const std::int32_t steps = f.StepCount;
    Press(game, std::string(1, p.refused));
    EXPECT_EQ(f.StepCount, steps);
    EXPECT_EQ(f.CursorX, p.endX);
    EXPECT_EQ(f.CursorY, p.endY);
    EXPECT_EQ(std::memcmp(lattice, f.PathLattice, sizeof lattice), 0);
    EXPECT_TRUE(SamePicture(f.Canvas, canvas)) << "a refused step changed the window";
    EXPECT_TRUE(SamePicture(f.PathLayer, layer)) << "a refused step changed PathLayer";
    EXPECT_EQ(f.DrawingStarted, 1);
    EXPECT_EQ(f.GameMode, ModePlay);
  }
}

TEST(Extension, CrossingIsAllowedOnlyNextToTheStartAndThenCloses) {
  GameHarness game;
  StartPathAt(game, 2, 5, 3);
  TForm1& f = game.Form;
  Press(game, "LDRRDLU");  // the last step crosses at (5, 4), the start (5, 3) beyond it
  ASSERT_EQ(f.StepCount, 8);
  EXPECT_EQ(f.CursorX, 5);
  EXPECT_EQ(f.CursorY, 4);
  Press(game, "U");
  ASSERT_EQ(f.StepCount, 9);
  EXPECT_EQ(f.Lattice(10, 6), StartMark);
  EXPECT_EQ(LatticeMismatch(f), "");
  Press(game, "Z");
  EXPECT_EQ(f.LoopClosed, 1);
  EXPECT_EQ(f.GameMode, ModeResult);
  EXPECT_EQ(f.StepCount, 10);
  EXPECT_EQ(f.MoveHistory[9], CmdLeft);
  EXPECT_EQ(f.CursorX, 4);
  EXPECT_EQ(f.CursorY, 3);
}

// ---- Free cursor and start of drawing ----

TEST(FreeCursor, RoamsEveryVertexOfTheBoardAndMarksNothing) {
  GameHarness game;
  game.StartRound(1);
  TForm1& f = game.Form;
  ASSERT_EQ(f.CursorX, 3);
  Press(game, "RRRRRR");
  EXPECT_EQ(f.CursorX, 6);
  Press(game, "dddddd");
  EXPECT_EQ(f.CursorY, 6);
  Press(game, "LLLLLLLL");
  EXPECT_EQ(f.CursorX, 1);
  Press(game, "uuuuuuuu");
  EXPECT_EQ(f.CursorY, 1);
  EXPECT_EQ(f.DrawingStarted, 0);
  EXPECT_EQ(f.StepCount, 0);
  EXPECT_EQ(LatticeMismatch(f), "");

  // At the border a key moves nothing and leaves the window as it was; so does X.
  const Surface canvas = f.Canvas;
  Press(game, "ULX");
  EXPECT_TRUE(SamePicture(f.Canvas, canvas));
  EXPECT_EQ(f.CursorX, 1);
  EXPECT_EQ(f.CursorY, 1);
  EXPECT_EQ(f.DrawingStarted, 0);
}

TEST(FreeCursor, MovingShowsTheIdleCursorAtTheNewVertexOnly) {
  GameHarness game;
  game.StartRound(1);
  TForm1& f = game.Form;
  const Surface atStart = f.Canvas;
  Press(game, "R");
  Press(game, "L");
  EXPECT_TRUE(SamePicture(f.Canvas, atStart)) << "there and back should restore the window";
  Press(game, "R");
  // Only the 7x7 squares around the old and the new vertex may differ, and they do.
  EXPECT_TRUE(SamePicture(f.Canvas, atStart, Mask::Ignoring({{189, 189, 7, 7}, {205, 189, 7, 7}})));
  EXPECT_FALSE(SamePicture(f.Canvas, atStart, Mask::Only({{189, 189, 7, 7}})));
  EXPECT_FALSE(SamePicture(f.Canvas, atStart, Mask::Only({{205, 189, 7, 7}})));
}

TEST(StartOfDrawing, MarksTheStartAndSwapsTheCursorSprite) {
  GameHarness game;
  game.StartRound(3);
  TForm1& f = game.Form;
  MoveCursorTo(game, 1, 1);
  Picture want(f.Canvas);
  Press(game, "Z");
  EXPECT_EQ(f.DrawingStarted, 1);
  EXPECT_EQ(f.StepCount, 1);
  EXPECT_EQ(f.Lattice(2, 2), StartMark);
  EXPECT_EQ(LatticeMismatch(f), "");
  // The idle sprite went and the drawing sprite came, both by XOR at the vertex.
  const int px = f.VertexPixelX(1), py = f.VertexPixelY(1);
  want.Xor(px - 3, py - 3, f.CursorIdle);
  want.Xor(px - 3, py - 3, f.CursorDrawing);
  EXPECT_TRUE(SamePicture(f.Canvas, want));
}

TEST(StartOfDrawing, ActionAwayFromTheStartOrRightAfterItDoesNothing) {
  struct Case {
    const char* name;
    const char* keys;
  };
  const Case cases[] = {
      {"on the start with no step", ""},
      {"two steps away", "RD"},
      {"one step away", "R"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameHarness game;
    StartPathAt(game, 1, 3, 3);
    TForm1& f = game.Form;
    Press(game, c.keys);
    const std::int32_t steps = f.StepCount;
    const int x = f.CursorX, y = f.CursorY;
    const Surface canvas = f.Canvas;
    const Surface layer = f.PathLayer;
    Press(game, "Z");
    EXPECT_EQ(f.StepCount, steps);
    EXPECT_EQ(f.CursorX, x);
    EXPECT_EQ(f.CursorY, y);
    EXPECT_EQ(f.LoopClosed, 0);
    EXPECT_EQ(f.GameMode, ModePlay);
    EXPECT_EQ(LatticeMismatch(f), "");
    EXPECT_TRUE(SamePicture(f.Canvas, canvas));
    EXPECT_TRUE(SamePicture(f.PathLayer, layer));
  }
}

TEST(Extension, FirstStepIsBlackOnTheWindowAlthoughTheBoardLeftThePenWhite) {
  GameHarness game;
  StartPathAt(game, 1, 3, 3);
  TForm1& f = game.Form;
  Press(game, "R");
  // Vertex (3, 3) is pixel (192, 192): the first segment is x = 195..204 on row 192.
  for (int x = 195; x <= 204; ++x) {
    EXPECT_EQ(f.Canvas.GetPixel(x, 192), clBlack) << "window x " << x;
    EXPECT_EQ(f.PathLayer.GetPixel(x, 192), clBlack) << "PathLayer x " << x;
  }
  EXPECT_EQ(f.Lattice(8, 6), FirstVertexMark);
}

// ---- The reversal key ----

TEST(ReversalKey, OppositeOfTheLastStepTakesItBackOnlyOnceAStepExists) {
  struct Case {
    const char* keys;
    int steps;  // StepCount afterwards
    int x, y;
  };
  // Level 2, start (4, 4).
  const Case cases[] = {
      {"RRL", 2, 5, 4},  {"RRl", 2, 5, 4},  {"rrX", 2, 5, 4}, {"DDU", 2, 4, 5},  {"uud", 2, 4, 3},
      {"LLR", 2, 3, 4},  {"RL", 1, 4, 4},   {"RLL", 2, 3, 4}, {"L", 2, 3, 4},    {"U", 2, 4, 3},
      {"RDLD", 5, 4, 6}, {"RDLR", 3, 5, 5}, {"RDU", 2, 5, 4}, {"RRLL", 1, 4, 4}, {"RRLLL", 2, 3, 4},
  };
  for (const Case& c : cases) {
    GameHarness game;
    StartPathAt(game, 2, 4, 4);
    Press(game, c.keys);
    EXPECT_EQ(game.Form.StepCount, c.steps) << c.keys;
    EXPECT_EQ(game.Form.CursorX, c.x) << c.keys;
    EXPECT_EQ(game.Form.CursorY, c.y) << c.keys;
    EXPECT_EQ(LatticeMismatch(game.Form), "") << c.keys;
  }
}

// ---- Closing the loop ----

struct ClosedLoop {
  const char* name;
  int level, startX, startY;
  const char* steps;
  std::vector<Vertex> inside;  // cells, column then row
};

const ClosedLoop kClosedLoops[] = {
    {"one cell, home from below", 1, 3, 3, "RDLU", {{3, 3}}},
    {"one cell, first step down", 1, 3, 3, "DRUL", {{3, 3}}},
    {"one cell, first step left", 1, 3, 3, "LDRU", {{2, 3}}},
    {"one cell, first step up", 1, 3, 3, "ULDR", {{2, 2}}},
    {"home straight in line with the first step", 2, 4, 4, "RDLLUR", {{3, 4}, {4, 4}}},
    {"home straight, vertical", 2, 4, 4, "DLUURD", {{3, 3}, {3, 4}}},
    {"touching at (7, 8)", 4, 6, 6, "LDDRRDRULULU", {{5, 6}, {5, 7}, {6, 7}, {7, 8}}},
    {"figure of eight crossing at (2, 3)", 1, 3, 3, "UULDDDLURR", {{2, 1}, {2, 2}, {1, 3}}},
    {"crossing beside the start, vertical", 2, 5, 3, "LDRRDLUU", {{4, 3}, {5, 4}}},
    {"the whole board's border",
     1,
     1,
     1,
     "RRRRRDDDDDLLLLLUUUUU",
     {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 1}, {2, 2}, {2, 3}, {2, 4},
      {2, 5}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {4, 1}, {4, 2}, {4, 3},
      {4, 4}, {4, 5}, {5, 1}, {5, 2}, {5, 3}, {5, 4}, {5, 5}}},
};

TEST(Closing, RepeatsTheFirstStepAndJudgesTheDrawnLoop) {
  for (const ClosedLoop& c : kClosedLoops) {
    SCOPED_TRACE(c.name);
    GameHarness game;
    StartPathAt(game, c.level, c.startX, c.startY);
    TForm1& f = game.Form;
    Press(game, c.steps);
    const int n = static_cast<int>(std::strlen(c.steps));
    ASSERT_EQ(f.StepCount, n + 1);
    ASSERT_EQ(f.CursorX, c.startX);
    ASSERT_EQ(f.CursorY, c.startY);
    ASSERT_EQ(LatticeMismatch(f), "");
    const std::vector<Vertex> firstTwo = {PathVertices(f)[0], PathVertices(f)[1]};

    Press(game, "Z");
    EXPECT_EQ(f.LoopClosed, 1);
    EXPECT_EQ(f.GameMode, ModeResult);
    EXPECT_EQ(f.Command, CmdNone);
    EXPECT_EQ(f.StepCount, n + 2);
    EXPECT_EQ(f.MoveHistory[n + 1], f.MoveHistory[1]);
    EXPECT_EQ(Vertex(f.CursorX, f.CursorY), firstTwo[1]);
    std::vector<Vertex> inside = WhiteCellCentres(f);
    std::vector<Vertex> want = c.inside;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(inside, want);

    // Keys after the judging reach no path handling.
    const std::int32_t steps = f.StepCount;
    Press(game, "XLZ");
    EXPECT_EQ(f.StepCount, steps);
  }
}

TEST(Closing, ClearsTheTwelveEntriesAroundTheStart) {
  GameHarness game;
  StartPathAt(game, 3, 5, 5);
  TForm1& f = game.Form;
  // A 2 by 2 loop that comes home from the left; every entry beyond the twelve must keep its
  // value, the loop's own edges further out included.
  Press(game, "UULLDDRR");
  ASSERT_EQ(f.StepCount, 9);
  std::int32_t before[54][54];
  std::memcpy(before, f.PathLattice, sizeof before);
  // Closing takes the first step (up) again and then judges; judging does not touch the lattice.
  Press(game, "Z");
  ASSERT_EQ(f.LoopClosed, 1);
  const int si = 10, sj = 10;
  const int cleared[][2] = {{-1, 0}, {+1, 0}, {0, -1},  {0, +1},  {-2, 0},  {+2, 0},
                            {0, -2}, {0, +2}, {-2, +1}, {+2, -1}, {-1, -2}, {+1, +2}};
  for (int i = -2; i <= 51; ++i) {
    for (int j = -2; j <= 51; ++j) {
      bool isCleared = false;
      for (const auto& c : cleared) isCleared |= (i == si + c[0] && j == sj + c[1]);
      const bool closingEdge = i == si && j == sj - 1;  // the closing step marks it again
      std::int32_t want = isCleared ? 0 : before[i + 2][j + 2];
      if (closingEdge) want = 1;
      EXPECT_EQ(f.Lattice(i, j), want) << "entry (" << i << ", " << j << ")";
    }
  }
}

// ---- The limit of the step history ----

TEST(StepHistory, OrdinaryStepsStopOneShortOfItsEnd) {
  const std::string keys = SerpentineThroughEveryVertex();
  ASSERT_EQ(keys.size(), 576u);
  GameHarness game;
  StartPathAt(game, 10, 1, 1);
  TForm1& f = game.Form;
  Press(game, keys.substr(0, 575));
  ASSERT_EQ(f.StepCount, 576);
  EXPECT_EQ(f.CursorX, 1);
  EXPECT_EQ(f.CursorY, 2);
  ASSERT_EQ(LatticeMismatch(f), "");
  ASSERT_TRUE(StepAllowed(f.PathLattice, f.Level, f.CursorX, f.CursorY, CmdUp))
      << "the step rule alone would let it into the start";

  const std::int32_t last = f.MoveHistory[576];
  Press(game, "U");  // the 576th step: refused, the history is full
  EXPECT_EQ(f.StepCount, 576);
  EXPECT_EQ(f.CursorY, 2);
  EXPECT_EQ(f.MoveHistory[576], last);
  EXPECT_EQ(LatticeMismatch(f), "");
  Press(game, "Z");  // not on the start: nothing
  EXPECT_EQ(f.GameMode, ModePlay);

  // Taking a step back makes room again.
  Press(game, "X");
  EXPECT_EQ(f.StepCount, 575);
  Press(game, "U");
  EXPECT_EQ(f.StepCount, 576);
  EXPECT_EQ(LatticeMismatch(f), "");
}

TEST(StepHistory, TheLongestLoopThatFitsStillCloses) {
  const std::string keys = SerpentineMissingTwoVertices();
  ASSERT_EQ(keys.size(), 574u);
  GameHarness game;
  StartPathAt(game, 10, 1, 1);
  TForm1& f = game.Form;
  Press(game, keys);
  ASSERT_EQ(f.StepCount, 575);
  ASSERT_EQ(f.CursorX, 1);
  ASSERT_EQ(f.CursorY, 1);
  ASSERT_EQ(LatticeMismatch(f), "");
  Press(game, "Z");
  EXPECT_EQ(f.LoopClosed, 1);
  EXPECT_EQ(f.GameMode, ModeResult);
  EXPECT_EQ(f.StepCount, 576);
  EXPECT_EQ(f.MoveHistory[575], CmdRight);
  // A loop through 574 vertices with none inside it encloses 574 / 2 - 1 cells (Pick): a comb
  // whose teeth are the strips between rows the serpentine joins on the right.
  const std::vector<Vertex> inside = WhiteCellCentres(f);
  EXPECT_EQ(inside.size(), 286u);
  EXPECT_EQ(std::count(inside.begin(), inside.end(), Vertex(22, 1)), 1);
  EXPECT_EQ(std::count(inside.begin(), inside.end(), Vertex(23, 1)), 0);
  EXPECT_EQ(std::count(inside.begin(), inside.end(), Vertex(1, 23)), 1);
}

}  // namespace
}  // namespace enclova::testing
