// SPDX-License-Identifier: MIT
// Taking the path back: cancelling the start, the erase colours, the lattice and history kept
// in step, and crossings that stay closed when a step across them is taken back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/screen_layout.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

const Picture kWhiteLayer(400, 400, clWhite);

TEST(Retraction, BackRightAfterTheStartCancelsItAndRestoresTheWindow) {
  GameHarness game;
  game.StartRound(2);
  TForm1& f = game.Form;
  const Surface before = f.Canvas;
  Press(game, "ZX");
  EXPECT_EQ(f.DrawingStarted, 0);
  EXPECT_EQ(f.StepCount, 0);
  EXPECT_EQ(LatticeMismatch(f), "");  // every entry 0 again
  EXPECT_TRUE(SamePicture(f.Canvas, before)) << "the idle cursor should be back, nothing else";
  EXPECT_EQ(f.Canvas.Pen.Color, clBlack);
  EXPECT_EQ(f.PathLayer.Pen.Color, clBlack);

  // The cursor roams again and the next start is wherever it then stands.
  Press(game, "RD");
  EXPECT_EQ(f.CursorX, 5);
  EXPECT_EQ(f.CursorY, 5);
  EXPECT_EQ(f.StepCount, 0);
  Press(game, "Z");
  EXPECT_EQ(f.Lattice(10, 10), StartMark);
  EXPECT_EQ(LatticeMismatch(f), "");
}

TEST(Retraction, TakingBackTheOnlyStepLeavesJustTheStartAndAWhitePathLayer) {
  // The first step's segment erase runs from the abandoned vertex to the start; with no step
  // left there is no earlier passage whose pixels it could open, so PathLayer is all white.
  const char* cases[] = {"RX", "RL", "LX", "Lr", "DX", "Du", "UX", "Ud"};
  for (const char* keys : cases) {
    SCOPED_TRACE(keys);
    GameHarness game;
    StartPathAt(game, 1, 3, 3);
    TForm1& f = game.Form;
    Press(game, keys);
    EXPECT_EQ(f.StepCount, 1);
    EXPECT_EQ(f.DrawingStarted, 1);
    EXPECT_EQ(f.CursorX, 3);
    EXPECT_EQ(f.CursorY, 3);
    EXPECT_EQ(LatticeMismatch(f), "");
    EXPECT_TRUE(SamePicture(f.PathLayer, kWhiteLayer));
    EXPECT_EQ(f.Canvas.Pen.Color, clBlack);
    EXPECT_EQ(f.PathLayer.Pen.Color, clBlack);
    // On the window the segment went mint from the abandoned vertex up to the cursor sprite.
    const std::int32_t d = f.MoveHistory[1];
    for (int k = 4; k <= 16; ++k) {
      EXPECT_EQ(f.Canvas.GetPixel(192 + k * StepDX(d), 192 + k * StepDY(d)), kGridColor)
          << "k " << k;
    }
  }
}

struct StepBackCase {
  const char* keys;              // the last key's step is taken back
  std::vector<Vertex> leftOver;  // pixels that stay black, relative to the vertex returned to
};

TEST(Retraction, StepBackErasesTheStepButThePenPixelAndReturnsThePens) {
  const StepBackCase cases[] = {
      {"RR", {{-3, 0}}},          {"LL", {{3, 0}}},
      {"DD", {{0, -3}, {0, -2}}}, {"UU", {{0, 3}, {0, 2}}},
      {"RD", {{-3, 0}}},          {"RU", {{-3, 0}}},
      {"LD", {{3, 0}}},           {"DR", {{0, -3}}},
      {"UL", {{0, 3}}},           {"RDD", {{0, -3}, {0, -2}}},
      {"RDL", {{0, -3}}},         {"DRR", {{-3, 0}}},
  };
  for (const StepBackCase& c : cases) {
    SCOPED_TRACE(c.keys);
    GameHarness game;
    StartPathAt(game, 1, 3, 3);
    TForm1& f = game.Form;
    const std::string keys = c.keys;
    Press(game, keys.substr(0, keys.size() - 1));
    Picture want(f.PathLayer);
    const TPoint layerPen = f.PathLayer.PenPos;
    const TPoint windowPen = f.Canvas.PenPos;
    const int nx = f.VertexPixelX(f.CursorX), ny = f.VertexPixelY(f.CursorY);
    const std::int32_t steps = f.StepCount;

    Press(game, keys.substr(keys.size() - 1));
    const std::int32_t d = f.MoveHistory[f.StepCount - 1];
    Press(game, "X");
    EXPECT_EQ(f.StepCount, steps);
    EXPECT_EQ(LatticeMismatch(f), "");
    EXPECT_EQ(f.PathLayer.PenPos, layerPen);
    EXPECT_EQ(f.Canvas.PenPos, windowPen);
    EXPECT_EQ(f.Canvas.Pen.Color, clBlack);
    EXPECT_EQ(f.PathLayer.Pen.Color, clBlack);

    for (const Vertex& o : c.leftOver) want.Set(nx + o.first, ny + o.second, clBlack);
    EXPECT_TRUE(SamePicture(f.PathLayer, want));
    for (int k = 4; k <= 16; ++k) {
      EXPECT_EQ(f.Canvas.GetPixel(nx + k * StepDX(d), ny + k * StepDY(d)), kGridColor) << "k " << k;
    }
  }
}

// Paths with corners, straight runs, a vertex touched twice and crossings; none closed.
struct TracedPath {
  const char* name;
  int level, startX, startY;
  const char* steps;
};

const TracedPath kTracedPaths[] = {
    {"corners and straight runs", 2, 4, 4, "RRDDLLLUUR"},
    {"touching at (7, 8)", 4, 6, 6, "LDDRRDRULULU"},
    {"horizontal crossing at (2, 3)", 1, 3, 3, "UULDDDLURR"},
    {"vertical crossing at (5, 4)", 2, 5, 3, "LDRRDLUU"},
    {"home along the first step's line", 2, 4, 4, "RDLLUR"},
};

TEST(Retraction, TakingEverythingBackKeepsTheLatticeInStepAndEndsAllClear) {
  for (const TracedPath& p : kTracedPaths) {
    SCOPED_TRACE(p.name);
    GameHarness game;
    StartPathAt(game, p.level, p.startX, p.startY);
    TForm1& f = game.Form;
    Press(game, p.steps);
    ASSERT_EQ(f.StepCount, static_cast<int>(std::strlen(p.steps)) + 1);
    while (f.StepCount > 1) {
      Press(game, "X");
      ASSERT_EQ(LatticeMismatch(f), "") << "at StepCount " << f.StepCount;
      ASSERT_EQ(f.Lattice(2 * p.startX, 2 * p.startY), StartMark);
    }
    EXPECT_EQ(f.CursorX, p.startX);
    EXPECT_EQ(f.CursorY, p.startY);
    // Each erase's left-over pixels lie on the step before it, which its own erase removes.
    EXPECT_TRUE(SamePicture(f.PathLayer, kWhiteLayer));
    Press(game, "X");
    EXPECT_EQ(f.DrawingStarted, 0);
    for (int i = -2; i <= 51; ++i) {
      for (int j = -2; j <= 51; ++j) ASSERT_EQ(f.Lattice(i, j), 0) << i << ", " << j;
    }
  }
}

TEST(Retraction, TakingStepsBackAndRedoingThemLeavesPathLayerAsItWas) {
  for (const TracedPath& p : kTracedPaths) {
    const std::string steps = p.steps;
    for (std::size_t k = 1; k <= steps.size(); ++k) {
      SCOPED_TRACE(std::string(p.name) + ", steps taken back: " + std::to_string(k));
      GameHarness game;
      StartPathAt(game, p.level, p.startX, p.startY);
      TForm1& f = game.Form;
      Press(game, steps);
      const Surface traced = f.PathLayer;
      Press(game, std::string(k, 'X'));
      Press(game, steps.substr(steps.size() - k));
      ASSERT_EQ(f.StepCount, static_cast<int>(steps.size()) + 1);
      ASSERT_TRUE(SamePicture(f.PathLayer, traced));
    }
  }
}

struct CrossingCase {
  const char* name;
  int level, startX, startY;
  const char* steps;  // through the crossing and home to the start
  int back;           // steps taken back
  const char* then;   // the way home afterwards
  int crossX, crossY;
  std::vector<Vertex> inside;
};

// Taking back the step out of the crossing into the start (1), also the one into it (2), or
// one more (3); then either the same way home again, or round another way that leaves the
// crossing vertex to the earlier passage alone, which is where an opened pixel would let the
// judging's fill into the loop.
const CrossingCase kCrossings[] = {
    {"figure of eight", 1, 3, 3, "UULDDDLURR", 1, "R", 2, 3, {{2, 1}, {2, 2}, {1, 3}}},
    {"figure of eight", 1, 3, 3, "UULDDDLURR", 2, "RR", 2, 3, {{2, 1}, {2, 2}, {1, 3}}},
    {"figure of eight", 1, 3, 3, "UULDDDLURR", 3, "URR", 2, 3, {{2, 1}, {2, 2}, {1, 3}}},
    {"vertical crossing", 2, 5, 3, "LDRRDLUU", 1, "U", 5, 4, {{4, 3}, {5, 4}}},
    {"vertical crossing", 2, 5, 3, "LDRRDLUU", 2, "UU", 5, 4, {{4, 3}, {5, 4}}},
    {"vertical crossing", 2, 5, 3, "LDRRDLUU", 3, "LUU", 5, 4, {{4, 3}, {5, 4}}},
    {"horizontal crossing abandoned, home round the top",
     2,
     4,
     4,
     "ULDDLURR",
     2,
     "UURRRDDL",
     3,
     4,
     {{2, 2}, {3, 2}, {4, 2}, {2, 3}, {4, 3}, {2, 4}}},
    {"vertical crossing abandoned, home round the left",
     2,
     4,
     4,
     "LURRULDD",
     2,
     "LLDDDRRU",
     4,
     3,
     {{2, 2}, {2, 3}, {2, 4}, {3, 2}, {3, 4}, {4, 2}}},
};

TEST(Retraction, CrossingTakenBackStaysClosedAndTheLoopIsJudgedGood) {
  for (const CrossingCase& c : kCrossings) {
    SCOPED_TRACE(std::string(c.name) + ", steps taken back: " + std::to_string(c.back));
    GameHarness game;
    StartPathAt(game, c.level, c.startX, c.startY);
    TForm1& f = game.Form;
    Press(game, c.steps);
    ASSERT_EQ(f.StepCount, static_cast<int>(std::strlen(c.steps)) + 1);
    Press(game, std::string(static_cast<std::size_t>(c.back), 'X'));

    // The earlier straight passage still runs through the crossing's pixel, on both surfaces.
    const int px = f.VertexPixelX(c.crossX), py = f.VertexPixelY(c.crossY);
    EXPECT_EQ(f.PathLayer.GetPixel(px, py), clBlack);
    const bool cursorThere = f.CursorX == c.crossX && f.CursorY == c.crossY;
    EXPECT_EQ(f.Canvas.GetPixel(px, py), cursorThere ? f.CursorDrawing.GetPixel(3, 3) : clBlack);
    EXPECT_EQ(f.Canvas.Pen.Color, clBlack);
    EXPECT_EQ(f.PathLayer.Pen.Color, clBlack);

    const int before = f.StepCount;
    Press(game, c.then);
    ASSERT_EQ(f.StepCount, before + static_cast<int>(std::strlen(c.then)));
    ASSERT_EQ(f.CursorX, c.startX);
    ASSERT_EQ(f.CursorY, c.startY);
    // Stones where the loop should put them: the verdict then rests on the drawn loop alone.
    for (int i = 1; i <= f.BoardSize(); ++i) {
      for (int j = 1; j <= f.BoardSize(); ++j) {
        if (f.CellGrid[i][j] == 0) continue;
        const bool in = std::count(c.inside.begin(), c.inside.end(), Vertex(i, j)) != 0;
        f.CellGrid[i][j] = in ? 1 : 2;
      }
    }
    Press(game, "Z");
    ASSERT_EQ(f.GameMode, ModeResult);
    EXPECT_EQ(f.Missed, 0);
    std::vector<Vertex> want = c.inside;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(WhiteCellCentres(f), want);
  }
}

TEST(Retraction, TouchingVertexIsNotFilledIn) {
  // Back from the step that left (7, 8) the second time: the path only turns there, twice, so
  // its vertex pixel stays unpainted and the two corners stay apart.
  GameHarness game;
  StartPathAt(game, 4, 6, 6);
  TForm1& f = game.Form;
  Press(game, "LDDRRDRULU");  // the tenth step leaves (7, 8) upwards
  Press(game, "X");
  ASSERT_EQ(f.CursorX, 7);
  ASSERT_EQ(f.CursorY, 8);
  EXPECT_EQ(f.PathLayer.GetPixel(f.VertexPixelX(7), f.VertexPixelY(8)), clWhite);
  Press(game, "X");  // and the step that entered it
  EXPECT_EQ(f.PathLayer.GetPixel(f.VertexPixelX(7), f.VertexPixelY(8)), clWhite);
}

}  // namespace
}  // namespace enclova::testing
