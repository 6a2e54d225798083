// SPDX-License-Identifier: MIT
// Loop judging: the time score, the verdict and its markers, and the judged board on screen.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"
#include "tests/kit/seed.h"

namespace enclova::testing {
namespace {

const std::vector<std::int32_t> kAroundOneCell = {CmdRight, CmdDown, CmdLeft, CmdUp};

TColor MarkerColor(int x, int y) {
  return SheetColorIn(kMissMarkerRegion, x, y);
}

// True when the 15x15 interior of cell (i, j) on JudgeLayer is exactly MissMarker.
bool HasMarker(const TForm1& f, int i, int j) {
  const int m = f.Margin();
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 15; ++x) {
      if (f.JudgeLayer.GetPixel(m + 16 * i + 1 + x, m + 16 * j + 1 + y) != MarkerColor(x, y)) {
        return false;
      }
    }
  }
  return true;
}

// The pixels of the loop drawn once around the cell whose top-left vertex is at pixel (x, y),
// and whether a pixel lies inside it: the cell's interior less the three-pixel corner cuts.
void PaintOneCellLoop(Picture& r, int x, int y, TColor c) {
  r.Run(x + 3, y, 1, 0, 11, c);
  r.Run(x + 3, y + 16, 1, 0, 11, c);
  r.Run(x, y + 3, 0, 1, 11, c);
  r.Run(x + 16, y + 3, 0, 1, 11, c);
  r.Run(x + 13, y, 1, 1, 3, c);
  r.Run(x + 16, y + 13, -1, 1, 3, c);
  r.Run(x + 3, y + 16, -1, -1, 3, c);
  r.Run(x, y + 3, 1, -1, 3, c);
}
bool InsideOneCellLoop(int px, int py, int x, int y) {
  const int a = px - x, b = py - y;
  return a >= 1 && a <= 15 && b >= 1 && b <= 15 && a + b >= 4 && a + b <= 28 && a - b <= 12 &&
         b - a <= 12;
}

TEST(Judging, TimeScoreComesFromTheClockDigits) {
  struct Case {
    int minutes, tens, units, score;
  };
  const Case cases[] = {{1, 0, 5, 105}, {0, 0, 9, 9}, {9, 5, 9, 959}, {0, 0, 0, 0}, {2, 3, 0, 230}};
  BoardGame b(3);
  for (const Case& c : cases) {
    b.SetUp(3);
    b.Form.ClockMinutes = c.minutes;
    b.Form.ClockTens = c.tens;
    b.Form.ClockUnits = c.units;
    DrawPath(b.Form, 5, 5, kAroundOneCell, true);
    b.Form.JudgeLoop();
    EXPECT_EQ(b.Form.TimeScore, c.score) << c.minutes << ":" << c.tens << c.units;
  }
}

// Level 10, a loop around the empty cell (10, 11): every stone of kind 1 is outside.
TEST(Judging, LoopAroundAnEmptyCellMarksEveryStoneOfKindOneAndShowsTheJudgedBoard) {
  BoardGame b(10);
  TForm1& f = b.Form;
  ASSERT_EQ(f.CellGrid[10][11], 0);
  f.GameMode = ModePlay;
  f.PlayPhase = PhaseRunning;
  f.Command = CmdRight;
  DrawPath(f, 10, 11, kAroundOneCell, true);
  const Picture windowBefore(f.Canvas);
  f.JudgeLoop();

  EXPECT_EQ(f.Missed, 1);
  EXPECT_EQ(f.Command, CmdNone);
  EXPECT_EQ(f.GameMode, ModeResult);

  // JudgeLayer: white outside, the loop black, the cell's judging picture inside, and a marker
  // between the grid lines of every stone of kind 1, at (17 + 16(i - 1), 17 + 16(j - 1)).
  Picture judge(400, 400, clWhite);
  Picture path(400, 400, clBlack);
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (InsideOneCellLoop(x, y, 160, 176)) {
        judge.At(x, y) = CellSpriteColor(3, x - 160, y - 176);
        path.At(x, y) = clWhite;
      }
    }
  }
  PaintOneCellLoop(judge, 160, 176, clBlack);
  int kindOne = 0;
  for (int i = 1; i <= 23; ++i) {
    for (int j = 1; j <= 23; ++j) {
      if (f.CellGrid[i][j] != 1) continue;
      ++kindOne;
      for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 15; ++x)
          judge.At(17 + 16 * (i - 1) + x, 17 + 16 * (j - 1) + y) = MarkerColor(x, y);
      }
    }
  }
  ASSERT_GT(kindOne, 0);
  EXPECT_TRUE(SamePicture(f.JudgeLayer, judge));
  EXPECT_TRUE(SamePicture(f.PathLayer, path));

  // The window: the board ANDed with JudgeLayer; the side panel untouched; copy mode left AND.
  Picture window = windowBefore;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 400; ++x) window.At(x, y) &= judge.At(x, y);
  }
  EXPECT_TRUE(SamePicture(f.Canvas, window));
  EXPECT_EQ(f.Canvas.CopyMode, SRCAND);
  EXPECT_EQ(f.JudgeLayer.CopyMode, SRCCOPY);
}

// The verdict over boards arranged by hand: which stones count, and which get a marker.
TEST(Judging, VerdictAndMarkersFollowTheStonesAroundTheLoop) {
  struct Stone {
    int i, j, kind;
  };
  struct Case {
    std::string name;
    int level;
    int startX, startY;
    std::vector<std::int32_t> steps;
    std::vector<Stone> stones;  // every other cell is empty
    bool allKindOne;            // instead: every checkerboard stone of the board is kind 1
    int missed;
    std::vector<std::pair<int, int>> markers;
  };
  const std::vector<std::int32_t> border1 = {
      CmdRight, CmdRight, CmdRight, CmdRight, CmdRight, CmdDown, CmdDown, CmdDown, CmdDown, CmdDown,
      CmdLeft,  CmdLeft,  CmdLeft,  CmdLeft,  CmdLeft,  CmdUp,   CmdUp,   CmdUp,   CmdUp,   CmdUp};
  const std::vector<Case> cases = {
      {"border loop, only kind 1", 1, 1, 1, border1, {}, true, 0, {}},
      {"border loop, one kind 2",
       1,
       1,
       1,
       border1,
       {{1, 1, 1}, {3, 3, 2}, {5, 5, 1}},
       false,
       1,
       {}},
      {"border loop, no stones", 1, 1, 1, border1, {}, false, 0, {}},
      {"kind 2 inside", 10, 10, 10, kAroundOneCell, {{10, 10, 2}}, false, 1, {}},
      {"kind 1 inside", 10, 10, 10, kAroundOneCell, {{10, 10, 1}}, false, 0, {}},
      {"kind 2 outside", 10, 10, 10, kAroundOneCell, {{10, 10, 1}, {1, 1, 2}}, false, 0, {}},
      {"kind 1 outside in the corners",
       10,
       10,
       10,
       kAroundOneCell,
       {{10, 10, 1}, {1, 1, 1}, {23, 23, 1}, {1, 23, 1}, {23, 1, 2}},
       false,
       1,
       {{1, 1}, {23, 23}, {1, 23}}},
      {"kind 1 and kind 2 misplaced at level 1",
       1,
       1,
       1,
       kAroundOneCell,
       {{1, 1, 2}, {5, 5, 1}, {2, 2, 1}},
       false,
       1,
       {{5, 5}, {2, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoardGame b(c.level);
    TForm1& f = b.Form;
    const int n = f.BoardSize();
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        f.CellGrid[i][j] = c.allKindOne && (i + j) % 2 == 0 ? 1 : 0;
      }
    }
    for (const Stone& s : c.stones) f.CellGrid[s.i][s.j] = s.kind;
    DrawPath(f, c.startX, c.startY, c.steps, true);
    f.JudgeLoop();
    EXPECT_EQ(f.Missed, c.missed);
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        bool wanted = false;
        for (const auto& m : c.markers) wanted = wanted || (m.first == i && m.second == j);
        EXPECT_EQ(HasMarker(f, i, j), wanted) << "cell " << i << "," << j;
      }
    }
  }
}

// The inside of a loop that touches or crosses itself at a vertex, read at every cell centre.
TEST(Judging, TouchingAndCrossingLoopsEncloseBothLobes) {
  struct Case {
    std::string name;
    int level, startX, startY;
    std::vector<std::int32_t> steps;
    std::vector<std::pair<int, int>> inside;
  };
  const std::vector<Case> cases = {
      {"touching at (7, 8)",
       4,
       6,
       6,
       {CmdLeft, CmdDown, CmdDown, CmdRight, CmdRight, CmdDown, CmdRight, CmdUp, CmdLeft, CmdUp,
        CmdLeft, CmdUp},
       {{5, 6}, {5, 7}, {6, 7}, {7, 8}}},
      {"crossing at (2, 3)",
       1,
       3,
       3,
       {CmdUp, CmdUp, CmdLeft, CmdDown, CmdDown, CmdDown, CmdLeft, CmdUp, CmdRight, CmdRight},
       {{2, 1}, {2, 2}, {1, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoardGame b(c.level);
    TForm1& f = b.Form;
    const int n = f.BoardSize();
    // Every cell a stone: kind 1 where it must be inside, kind 2 elsewhere.
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) f.CellGrid[i][j] = 2;
    }
    for (const auto& cell : c.inside) f.CellGrid[cell.first][cell.second] = 1;
    DrawPath(f, c.startX, c.startY, c.steps, true);
    f.JudgeLoop();
    EXPECT_EQ(f.Missed, 0);
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        const TColor centre =
            f.PathLayer.GetPixel(f.Margin() + 16 * i + 8, f.Margin() + 16 * j + 8);
        EXPECT_EQ(centre, f.CellGrid[i][j] == 1 ? clWhite : clBlack) << "cell " << i << "," << j;
      }
    }
  }
}

// Rectangular loops anywhere on boards of every level, with stones of random kinds in every
// cell: the verdict and the markers must agree with which cells the rectangle holds.
TEST(Judging, RandomRectangleLoopsAgreeWithTheCellsTheyHold) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    BoardGame b(1);
    TForm1& f = b.Form;
    for (int round = 0; round < 60; ++round) {
      const int level = pick(1, 10);
      b.SetUp(level);
      const int last = 2 * level + 4;  // the last vertex
      const int x1 = pick(1, last - 1), x2 = pick(x1 + 1, last);
      const int y1 = pick(1, last - 1), y2 = pick(y1 + 1, last);
      std::vector<std::int32_t> steps;
      steps.insert(steps.end(), x2 - x1, CmdRight);
      steps.insert(steps.end(), y2 - y1, CmdDown);
      steps.insert(steps.end(), x2 - x1, CmdLeft);
      steps.insert(steps.end(), y2 - y1, CmdUp);
      const int n = f.BoardSize();
      int missed = 0;
      for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
          f.CellGrid[i][j] = pick(0, 2);
          const bool inside = i >= x1 && i < x2 && j >= y1 && j < y2;
          if ((f.CellGrid[i][j] == 1 && !inside) || (f.CellGrid[i][j] == 2 && inside)) missed = 1;
        }
      }
      DrawPath(f, x1, y1, steps, true);
      f.JudgeLoop();
      SCOPED_TRACE("level " + std::to_string(level) + " rectangle " + std::to_string(x1) + "," +
                   std::to_string(y1) + " to " + std::to_string(x2) + "," + std::to_string(y2));
      EXPECT_EQ(f.Missed, missed);
      for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
          const bool inside = i >= x1 && i < x2 && j >= y1 && j < y2;
          EXPECT_EQ(HasMarker(f, i, j), f.CellGrid[i][j] == 1 && !inside)
              << "cell " << i << "," << j;
        }
      }
      if (HasFailure()) break;
    }
  }
}

}  // namespace
}  // namespace enclova::testing
