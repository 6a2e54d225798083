// SPDX-License-Identifier: MIT
// Board set-up: the drawn board to the pixel, the random checkerboard, and a clean new round.
#include <gtest/gtest.h>

#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

// The window as a freshly set-up board must look, built from the sheet's colours and the
// board's CellGrid alone.
Picture ExpectedWindow(const TForm1& form) {
  const int level = form.Level;
  const int m = 16 * (10 - level);
  const int n = 2 * level + 3;
  Picture r(kClientWidth, kClientHeight, clBtnFace);
  r.Fill(0, 0, 400, 400, clBlack);
  r.Fill(m, m, 400 - m, 400 - m, clWhite);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
          r.Set(m + 16 * i + x, m + 16 * j + y, CellSpriteColor(form.CellGrid[i][j], x, y));
        }
      }
    }
  }
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) r.At(189 + x, 189 + y) ^= SheetColorIn(kCursorIdleRegion, x, y);
  }
  r.Sheet(kSidePanelX, 0, kSidePanelRegion);
  r.Fill(kClockAreaLeft, kClockAreaTop, kClockAreaRight, kClockAreaBottom, clBlack);
  r.Run(kSidePanelX, 0, 0, 1, kClientHeight, kSeparatorGrey);
  r.Run(kSidePanelX + 1, 0, 0, 1, kClientHeight, kSeparatorSilver);
  return r;
}

Picture ExpectedJudgeLayer(const TForm1& form) {
  const int m = 16 * (10 - form.Level);
  const int n = 2 * form.Level + 3;
  Picture r(400, 400, clWhite);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
          r.Set(m + 16 * i + x, m + 16 * j + y, CellSpriteColor(form.CellGrid[i][j] + 3, x, y));
        }
      }
    }
  }
  return r;
}

class BoardAtEveryLevel : public ::testing::TestWithParam<int> {};

TEST_P(BoardAtEveryLevel, WindowAndLayersAreDrawnToThePixel) {
  BoardGame b(GetParam());
  EXPECT_TRUE(SamePicture(b.Form.Canvas, ExpectedWindow(b.Form)));
  EXPECT_TRUE(SamePicture(b.Form.JudgeLayer, ExpectedJudgeLayer(b.Form)));
  EXPECT_TRUE(SamePicture(b.Form.PathLayer, Picture(400, 400, clWhite)));
}

TEST_P(BoardAtEveryLevel, StonesLieOnTheCheckerboardWhereColumnPlusRowIsEven) {
  const int level = GetParam();
  BoardGame b(level);
  const int n = 2 * level + 3;
  int stones = 0;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      const int kind = b.Form.CellGrid[i][j];
      if ((i + j) % 2 == 1) {
        EXPECT_EQ(kind, 0) << "cell " << i << "," << j;
      } else {
        EXPECT_TRUE(kind == 1 || kind == 2) << "cell " << i << "," << j << " holds " << kind;
        ++stones;
      }
    }
  }
  EXPECT_EQ(stones, (n * n + 1) / 2);
  EXPECT_NE(b.Form.CellGrid[1][1], 0);
  EXPECT_NE(b.Form.CellGrid[n][n], 0);
  EXPECT_NE(b.Form.CellGrid[level + 2][level + 2], 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, BoardAtEveryLevel, ::testing::Range(1, 11));

// Landmarks of the smallest and the largest board, stated in pixels rather than rebuilt.
TEST(Board, SmallestAndLargestBoardsSitWhereTheyShould) {
  struct Probe {
    int x, y;
    enum { Black, White, Sprite } what;
    int cellX = 0, cellY = 0, spriteX = 0, spriteY = 0;
  };
  struct Case {
    int level;
    std::vector<Probe> probes;
  };
  const std::vector<Case> cases = {
      {1,
       {{143, 200, Probe::Black},
        {144, 200, Probe::White},
        {200, 143, Probe::Black},
        {200, 144, Probe::White},
        {255, 200, Probe::White},
        {256, 200, Probe::Black},
        {200, 255, Probe::White},
        {200, 256, Probe::Black},
        {159, 159, Probe::White},
        {160, 160, Probe::Sprite, 1, 1, 0, 0},
        {240, 240, Probe::Sprite, 5, 5, 16, 16},
        {241, 241, Probe::White},
        {0, 0, Probe::Black},
        {399, 399, Probe::Black}}},
      {10,
       {{0, 0, Probe::White},
        {399, 399, Probe::White},
        {15, 15, Probe::White},
        {16, 16, Probe::Sprite, 1, 1, 0, 0},
        {384, 384, Probe::Sprite, 23, 23, 16, 16},
        {385, 385, Probe::White},
        {399, 0, Probe::White},
        {0, 399, Probe::White}}},
  };
  for (const Case& c : cases) {
    BoardGame b(c.level);
    for (const Probe& p : c.probes) {
      TColor want = clBlack;
      if (p.what == Probe::White) want = clWhite;
      if (p.what == Probe::Sprite) {
        want = CellSpriteColor(b.Form.CellGrid[p.cellX][p.cellY], p.spriteX, p.spriteY);
      }
      EXPECT_EQ(b.Form.Canvas.GetPixel(p.x, p.y), want)
          << "level " << c.level << " pixel " << p.x << "," << p.y;
    }
  }
}

TEST(Board, CursorCoversPixels189To195AtEveryLevel) {
  for (int level = 1; level <= 10; ++level) {
    BoardGame b(level);
    for (int y = 188; y <= 196; ++y) {
      for (int x = 188; x <= 196; ++x) {
        // The cell sprite under the cursor: column and row of the cell that was drawn last there.
        const int m = 16 * (10 - level);
        int ci = (x - m) / 16, cj = (y - m) / 16;
        const TColor under =
            CellSpriteColor(b.Form.CellGrid[ci][cj], x - m - 16 * ci, y - m - 16 * cj);
        const bool covered = x >= 189 && x <= 195 && y >= 189 && y <= 195;
        const TColor want =
            covered ? under ^ SheetColorIn(kCursorIdleRegion, x - 189, y - 189) : under;
        EXPECT_EQ(b.Form.Canvas.GetPixel(x, y), want) << "level " << level << " " << x << "," << y;
      }
    }
    EXPECT_EQ(b.Form.CursorX, level + 2);
    EXPECT_EQ(b.Form.CursorY, level + 2);
    EXPECT_EQ(b.Form.VertexPixelX(b.Form.CursorX), 192);
  }
}

// Random(2) after the seed 12345, worked out by hand from the generator: the stones of level 1
// in the order they are drawn, column by column, top to bottom.
TEST(Board, StonesFollowTheSeedInDrawingOrder) {
  BoardGame b(1, 12345);
  struct Cell {
    int i, j, kind;
  };
  const Cell expected[] = {{1, 1, 1}, {1, 3, 1}, {1, 5, 1}, {2, 2, 2}, {2, 4, 2},
                           {3, 1, 1}, {3, 3, 1}, {3, 5, 1}, {4, 2, 1}, {4, 4, 2},
                           {5, 1, 2}, {5, 3, 1}, {5, 5, 1}};
  for (const Cell& c : expected) {
    EXPECT_EQ(b.Form.CellGrid[c.i][c.j], c.kind) << "cell " << c.i << "," << c.j;
  }
}

TEST(Board, SameSeedGivesTheSameBoardAndAnotherSeedAnother) {
  BoardGame first(10, 777), second(10, 777), other(10, 778);
  bool allSame = true, anyDifferent = false;
  for (int i = 1; i <= 23; ++i) {
    for (int j = 1; j <= 23; ++j) {
      allSame = allSame && first.Form.CellGrid[i][j] == second.Form.CellGrid[i][j];
      anyDifferent = anyDifferent || first.Form.CellGrid[i][j] != other.Form.CellGrid[i][j];
    }
  }
  EXPECT_TRUE(allSame);
  EXPECT_TRUE(anyDifferent);
}

TEST(Board, SecondRoundAtAnotherLevelLeavesNoTraceOfTheFirst) {
  BoardGame b(10);
  TForm1& f = b.Form;
  // A first round played to its end: a path, a judged loop, marks all over the lattice.
  DrawPath(f, 2, 2, {CmdRight, CmdRight, CmdDown, CmdDown, CmdLeft, CmdLeft, CmdUp, CmdUp}, true);
  f.JudgeLoop();
  for (int i = 0; i <= 49; ++i) {
    for (int j = 0; j <= 49; ++j) f.Lattice(i, j) = (i + j) % 3 - 1;
  }
  f.CursorX = 3;
  f.CursorY = 20;
  f.DrawingStarted = 1;
  f.StepCount = 9;
  f.LoopClosed = 1;
  f.CountdownStage = 5;
  f.ResultStage = 4;
  const int staleCorner = f.CellGrid[23][23];

  b.SetUp(1);
  EXPECT_TRUE(SamePicture(f.Canvas, ExpectedWindow(f)));
  EXPECT_TRUE(SamePicture(f.JudgeLayer, ExpectedJudgeLayer(f)));
  EXPECT_TRUE(SamePicture(f.PathLayer, Picture(400, 400, clWhite)));
  int marked = 0;
  for (int i = 0; i <= 49; ++i) {
    for (int j = 0; j <= 49; ++j) marked += f.Lattice(i, j) != 0;
  }
  EXPECT_EQ(marked, 0);
  EXPECT_EQ(f.CursorX, 3);
  EXPECT_EQ(f.CursorY, 3);
  EXPECT_EQ(f.DrawingStarted, 0);
  EXPECT_EQ(f.StepCount, 0);
  EXPECT_EQ(f.LoopClosed, 0);
  EXPECT_EQ(f.CountdownStage, 0);
  EXPECT_EQ(f.ResultStage, 0);
  // Cells beyond the new board keep what the old one left; nothing reads them.
  EXPECT_EQ(f.CellGrid[23][23], staleCorner);
}

TEST(Board, SetUpStartsTheCountdownAndKeepsTheLastVerdict) {
  GameHarness game;
  TForm1& f = game.Form;
  f.GameMode = ModePlay;
  f.Level = 3;
  f.Missed = 1;
  f.TimeScore = 321;
  f.StepTaken = 1;
  f.MoveHistory[1] = CmdUp;
  f.MoveHistory[576] = CmdLeft;
  game.Clock.Local = 4'000'123;
  f.SetUpBoard();
  EXPECT_EQ(f.PlayPhase, PhaseCountdown);
  EXPECT_EQ(f.GameMode, ModePlay);
  EXPECT_EQ(f.ReferenceTime, 4'000'123);
  EXPECT_EQ(f.Missed, 1);
  EXPECT_EQ(f.TimeScore, 321);
  EXPECT_EQ(f.StepTaken, 1);
  EXPECT_EQ(f.MoveHistory[1], CmdUp);
  EXPECT_EQ(f.MoveHistory[576], CmdLeft);
  // The drawing state the strokes and the countdown texts rely on.
  EXPECT_EQ(f.PathLayer.Pen.Color, clBlack);
  EXPECT_EQ(f.Canvas.Pen.Color, clWhite);
  EXPECT_EQ(f.Canvas.Brush.Color, clWhite);
  EXPECT_EQ(f.Canvas.CopyMode, SRCCOPY);
}

// The clock draws its first digits two seconds after "Go!"; until then the digits must read
// this round's zero, not the last round's time.
TEST(Board, SetUpClearsTheLastRoundsClockDigits) {
  BoardGame b(2);
  TForm1& f = b.Form;
  f.ClockMinutes = 1;
  f.ClockTens = 2;
  f.ClockUnits = 3;
  b.SetUp(2);
  EXPECT_EQ(f.ClockMinutes, 0);
  EXPECT_EQ(f.ClockTens, 0);
  EXPECT_EQ(f.ClockUnits, 0);
  DrawPath(f, 4, 4, {CmdRight, CmdDown, CmdLeft, CmdUp}, true);
  f.JudgeLoop();
  EXPECT_EQ(f.TimeScore, 0);
}

// The same through the keys: a loop closed right after "Go!" of a second round scores 0 s.
TEST(Board, LoopClosedRightAfterGoIsNotScoredWithTheLastRoundsTime) {
  GameHarness game;
  auto closeLoopAroundCursorCell = [&game] {
    game.Keys({VK_Z, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_Z});
    ASSERT_EQ(game.Form.GameMode, ModeResult);
  };
  game.StartRound(1);
  game.Run(83'500);
  closeLoopAroundCursorCell();
  EXPECT_EQ(game.Form.TimeScore, 123);

  game.Run(8'000);  // past the result, to the ranking or the title
  if (game.Form.GameMode == ModeRanking) game.Key(VK_X);
  ASSERT_EQ(game.Form.GameMode, ModeTitle);
  game.StartRound(1);
  closeLoopAroundCursorCell();
  EXPECT_EQ(game.Form.TimeScore, 0);
}

TEST(Board, SidePanelClockAreaIsBlackedOnThePictureItself) {
  BoardGame b(5);
  const Surface& panel = b.Form.SidePanel;
  Picture want(kSidePanelRegion.Width, kSidePanelRegion.Height, clWhite);
  want.Sheet(0, 0, kSidePanelRegion);
  want.Fill(kClockAreaLeft - kSidePanelX, kClockAreaTop, kClockAreaRight - kSidePanelX,
            kClockAreaBottom, clBlack);
  EXPECT_TRUE(SamePicture(panel, want));
  Picture strip(2, 400, kSeparatorGrey);
  strip.Run(1, 0, 0, 1, 400, kSeparatorSilver);
  EXPECT_TRUE(SamePicture(b.Form.SeparatorStrip, strip));
}

}  // namespace
}  // namespace enclova::testing
