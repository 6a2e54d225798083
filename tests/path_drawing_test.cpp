// SPDX-License-Identifier: MIT
// Path drawing: the cursor toggle, the strokes and the erases, pixel by pixel on both surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "tests/board_fixture.h"

namespace enclova::testing {
namespace {

constexpr TColor kNeutral = 0x00123456;  // neither a pen colour nor black or white

struct PixelRun {
  int x, y, dx, dy, count;
};

void Paint(Raster& r, const std::vector<PixelRun>& runs, TColor c) {
  for (const PixelRun& run : runs) r.Run(run.x, run.y, run.dx, run.dy, run.count, c);
}

// What the extension of the path draws around one step: the cursor off, the Cursor moved, the
// cursor on again (not after the closing step), the window pen black, the stroke.
void TakeStep(TForm1& f, std::int32_t previous, std::int32_t d, bool closing = false) {
  f.ToggleCursor(f.CursorDrawing, f.CursorX, f.CursorY);
  f.CursorX += DirX(d);
  f.CursorY += DirY(d);
  if (!closing) f.ToggleCursor(f.CursorDrawing, f.CursorX, f.CursorY);
  f.Canvas.Pen.Color = clBlack;
  if (previous == 0) {
    f.DrawPen(FirstSegmentStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), d));
  } else {
    f.DrawPen(StepStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), previous, d));
  }
}

// Level 10, cursor sprites as the game would leave them: CursorIdle moved from its first vertex
// to (10, 10), pixel (160, 160), and drawing started there.
struct WorkedExample : ::testing::Test {
  WorkedExample() : b(10), f(b.Form), window(f.Canvas) {
    window.Xor(189, 189, f.CursorIdle);  // the first toggle removes the set-up's cursor
    f.ToggleCursor(f.CursorIdle, f.CursorX, f.CursorY);
    f.CursorX = 10;
    f.CursorY = 10;
    f.ToggleCursor(f.CursorIdle, 10, 10);
    f.ToggleCursor(f.CursorIdle, 10, 10);
    f.ToggleCursor(f.CursorDrawing, 10, 10);
    window.Xor(157, 157, f.CursorDrawing);
  }
  void ExpectPens(TPoint at) {
    EXPECT_EQ(f.Canvas.PenPos, at);
    EXPECT_EQ(f.PathLayer.PenPos, at);
  }
  BoardGame b;
  TForm1& f;
  Raster window;
  Raster path{400, 400, clWhite};
};

TEST_F(WorkedExample, StepsRightDownDownDrawOnBothSurfacesWithThePenWaitingShort) {
  ASSERT_TRUE(SamePixels(window, f.Canvas));

  TakeStep(f, 0, CmdRight);
  window.Xor(157, 157, f.CursorDrawing);
  window.Xor(173, 157, f.CursorDrawing);
  for (Raster* r : {&window, &path}) r->Run(163, 160, 1, 0, 10, clBlack);
  EXPECT_TRUE(SamePixels(window, f.Canvas));
  EXPECT_TRUE(SamePixels(path, f.PathLayer));
  ExpectPens({173, 160});

  TakeStep(f, CmdRight, CmdDown);
  window.Xor(173, 157, f.CursorDrawing);
  window.Xor(173, 173, f.CursorDrawing);
  for (Raster* r : {&window, &path}) {
    Paint(*r, {{173, 160, 1, 1, 3}, {176, 163, 0, 1, 10}}, clBlack);
  }
  EXPECT_TRUE(SamePixels(window, f.Canvas));
  EXPECT_TRUE(SamePixels(path, f.PathLayer));
  EXPECT_EQ(f.PathLayer.GetPixel(176, 160), clWhite);
  ExpectPens({176, 173});

  TakeStep(f, CmdDown, CmdDown);
  window.Xor(173, 173, f.CursorDrawing);
  window.Xor(173, 189, f.CursorDrawing);
  for (Raster* r : {&window, &path}) r->Run(176, 173, 0, 1, 16, clBlack);
  EXPECT_TRUE(SamePixels(window, f.Canvas));
  EXPECT_TRUE(SamePixels(path, f.PathLayer));
  ExpectPens({176, 189});
}

TEST_F(WorkedExample, ClosedSquareLoopHasCutCornersAndNoCursorLeft) {
  TakeStep(f, 0, CmdRight);
  TakeStep(f, CmdRight, CmdDown);
  TakeStep(f, CmdDown, CmdLeft);
  TakeStep(f, CmdLeft, CmdUp);
  TakeStep(f, CmdUp, CmdRight, /*closing=*/true);

  window.Xor(157, 157, f.CursorDrawing);  // the start's cursor; every later one came and went
  const std::vector<PixelRun> loop = {
      {163, 160, 1, 0, 11}, {163, 176, 1, 0, 11}, {160, 163, 0, 1, 11},  {176, 163, 0, 1, 11},
      {173, 160, 1, 1, 3},  {176, 173, -1, 1, 3}, {163, 176, -1, -1, 3}, {160, 163, 1, -1, 3},
  };
  Paint(window, loop, clBlack);
  Paint(path, loop, clBlack);
  EXPECT_TRUE(SamePixels(window, f.Canvas));
  EXPECT_TRUE(SamePixels(path, f.PathLayer));
  ExpectPens({173, 160});
}

// Every pair of successive directions, from vertex N = (10, 10) at level 10, pixel (160, 160),
// with the pen where the previous stroke left it.
struct StrokeCase {
  std::int32_t p, d;
  TPoint penBefore;
  std::vector<PixelRun> painted;
  TPoint penAfter;
};

const std::vector<StrokeCase>& StrokeCases() {
  static const std::vector<StrokeCase> cases = {
      {CmdDown, CmdDown, {160, 157}, {{160, 157, 0, 1, 16}}, {160, 173}},
      {CmdUp, CmdUp, {160, 163}, {{160, 163, 0, -1, 16}}, {160, 147}},
      {CmdRight, CmdRight, {157, 160}, {{157, 160, 1, 0, 16}}, {173, 160}},
      {CmdLeft, CmdLeft, {163, 160}, {{163, 160, -1, 0, 16}}, {147, 160}},
      {CmdRight, CmdDown, {157, 160}, {{157, 160, 1, 1, 3}, {160, 163, 0, 1, 10}}, {160, 173}},
      {CmdLeft, CmdDown, {163, 160}, {{163, 160, -1, 1, 3}, {160, 163, 0, 1, 10}}, {160, 173}},
      {CmdRight, CmdUp, {157, 160}, {{157, 160, 1, -1, 3}, {160, 157, 0, -1, 10}}, {160, 147}},
      {CmdLeft, CmdUp, {163, 160}, {{163, 160, -1, -1, 3}, {160, 157, 0, -1, 10}}, {160, 147}},
      {CmdDown, CmdRight, {160, 157}, {{160, 157, 1, 1, 3}, {163, 160, 1, 0, 10}}, {173, 160}},
      {CmdUp, CmdRight, {160, 163}, {{160, 163, 1, -1, 3}, {163, 160, 1, 0, 10}}, {173, 160}},
      {CmdDown, CmdLeft, {160, 157}, {{160, 157, -1, 1, 3}, {157, 160, -1, 0, 10}}, {147, 160}},
      {CmdUp, CmdLeft, {160, 163}, {{160, 163, -1, -1, 3}, {157, 160, -1, 0, 10}}, {147, 160}},
  };
  return cases;
}

TEST(PathDrawing, EveryStepStrokePaintsItsPixelsOnBothSurfaces) {
  BoardGame b(10);
  TForm1& f = b.Form;
  for (const StrokeCase& c : StrokeCases()) {
    SCOPED_TRACE(DirName(c.p) + " then " + DirName(c.d));
    b.SetUp(10);
    Raster window(f.Canvas);
    Raster path(400, 400, clWhite);
    f.CursorX = 10 + DirX(c.d);
    f.CursorY = 10 + DirY(c.d);
    f.Canvas.Pen.Color = clBlack;
    f.Canvas.PenPos = c.penBefore;
    f.PathLayer.PenPos = c.penBefore;
    f.DrawPen(StepStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), c.p, c.d));
    Paint(window, c.painted, clBlack);
    Paint(path, c.painted, clBlack);
    EXPECT_TRUE(SamePixels(window, f.Canvas));
    EXPECT_TRUE(SamePixels(path, f.PathLayer));
    EXPECT_EQ(f.Canvas.PenPos, c.penAfter);
    EXPECT_EQ(f.PathLayer.PenPos, c.penAfter);
    EXPECT_EQ(f.CursorX, 10 + DirX(c.d));
    EXPECT_EQ(f.CursorY, 10 + DirY(c.d));
  }
}

TEST(PathDrawing, FirstSegmentStrokeLeavesTheStartVertexAndItsNeighboursUnpainted) {
  struct Case {
    std::int32_t d;
    PixelRun painted;
    TPoint penAfter;
  };
  const Case cases[] = {
      {CmdDown, {160, 163, 0, 1, 10}, {160, 173}},
      {CmdUp, {160, 157, 0, -1, 10}, {160, 147}},
      {CmdRight, {163, 160, 1, 0, 10}, {173, 160}},
      {CmdLeft, {157, 160, -1, 0, 10}, {147, 160}},
  };
  BoardGame b(10);
  TForm1& f = b.Form;
  for (const Case& c : cases) {
    SCOPED_TRACE(DirName(c.d));
    b.SetUp(10);
    Raster window(f.Canvas);
    Raster path(400, 400, clWhite);
    f.Canvas.PenPos = {3, 3};  // wherever an earlier path left it
    f.PathLayer.PenPos = {5, 5};
    f.CursorX = 10 + DirX(c.d);
    f.CursorY = 10 + DirY(c.d);
    f.Canvas.Pen.Color = clBlack;
    f.DrawPen(FirstSegmentStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), c.d));
    Paint(window, {c.painted}, clBlack);
    Paint(path, {c.painted}, clBlack);
    EXPECT_TRUE(SamePixels(window, f.Canvas));
    EXPECT_TRUE(SamePixels(path, f.PathLayer));
    EXPECT_EQ(f.Canvas.PenPos, c.penAfter);
    EXPECT_EQ(f.PathLayer.PenPos, c.penAfter);
  }
}

// Every retraction of a step d that followed a step p, from O = N + u(d) back to N = (10, 10)
// at level 10, pixel (160, 160), on surfaces of one neutral colour so every painted pixel shows.
// The mint runs are painted first, the white (corner) runs over them.
struct EraseCase {
  std::int32_t d, p;
  std::vector<PixelRun> mint;
  std::vector<PixelRun> white;
  TPoint penAfter;
};

TEST(PathDrawing, EveryStepErasePaintsItsPixelsInTheEraseColours) {
  const std::vector<EraseCase> cases = {
      {CmdDown, CmdDown, {{160, 176, 0, -1, 18}}, {}, {160, 157}},
      {CmdDown, CmdRight, {{160, 176, 0, -1, 18}}, {{160, 163, -1, -1, 3}}, {157, 160}},
      {CmdDown, CmdLeft, {{160, 176, 0, -1, 18}}, {{160, 163, 1, -1, 3}}, {163, 160}},
      {CmdUp, CmdUp, {{160, 144, 0, 1, 18}}, {}, {160, 163}},
      {CmdUp, CmdRight, {{160, 144, 0, 1, 18}}, {{160, 157, -1, 1, 3}}, {157, 160}},
      {CmdUp, CmdLeft, {{160, 144, 0, 1, 18}}, {{160, 157, 1, 1, 3}}, {163, 160}},
      {CmdRight, CmdRight, {{176, 160, -1, 0, 19}}, {}, {157, 160}},
      {CmdRight, CmdDown, {{176, 160, -1, 0, 14}}, {{163, 160, -1, -1, 3}}, {160, 157}},
      {CmdRight, CmdUp, {{176, 160, -1, 0, 14}}, {{163, 160, -1, 1, 3}}, {160, 163}},
      {CmdLeft, CmdLeft, {{144, 160, 1, 0, 19}}, {}, {163, 160}},
      {CmdLeft, CmdDown, {{144, 160, 1, 0, 14}}, {{157, 160, 1, -1, 3}}, {160, 157}},
      {CmdLeft, CmdUp, {{144, 160, 1, 0, 14}}, {{157, 160, 1, 1, 3}}, {160, 163}},
  };
  BoardGame b(10);
  TForm1& f = b.Form;
  for (const EraseCase& c : cases) {
    SCOPED_TRACE("back " + DirName(c.d) + " after " + DirName(c.p));
    f.Canvas.Fill(kNeutral);
    f.PathLayer.Fill(kNeutral);
    f.Canvas.PenPos = {0, 0};
    f.PathLayer.PenPos = {0, 0};
    f.Canvas.Pen.Color = kEraseMint;
    f.PathLayer.Pen.Color = clWhite;
    f.CursorX = 10 + DirX(c.d);
    f.CursorY = 10 + DirY(c.d);
    f.DrawPen(StepErase(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), c.d, c.p));

    Raster window(600, 400, kNeutral), path(400, 400, kNeutral);
    Paint(window, c.mint, kEraseMint);
    Paint(window, c.white, clWhite);
    Paint(path, c.mint, clWhite);
    Paint(path, c.white, clWhite);
    EXPECT_TRUE(SamePixels(window, f.Canvas));
    EXPECT_TRUE(SamePixels(path, f.PathLayer));
    EXPECT_EQ(f.Canvas.PenPos, c.penAfter);
    EXPECT_EQ(f.PathLayer.PenPos, c.penAfter);
    // Only the window's pen turns white for a corner; the Cursor is the caller's to move.
    EXPECT_EQ(f.Canvas.Pen.Color, c.white.empty() ? kEraseMint : clWhite);
    EXPECT_EQ(f.PathLayer.Pen.Color, clWhite);
    EXPECT_EQ(f.CursorX, 10 + DirX(c.d));
    EXPECT_EQ(f.CursorY, 10 + DirY(c.d));
  }
}

TEST(PathDrawing, SegmentErasePaintsFromTheAbandonedVertexUpToTheStart) {
  struct Case {
    std::int32_t d;
    PixelRun painted;
  };
  const Case cases[] = {
      {CmdDown, {160, 176, 0, -1, 16}},
      {CmdUp, {160, 144, 0, 1, 16}},
      {CmdRight, {176, 160, -1, 0, 16}},
      {CmdLeft, {144, 160, 1, 0, 16}},
  };
  BoardGame b(10);
  TForm1& f = b.Form;
  for (const Case& c : cases) {
    SCOPED_TRACE(DirName(c.d));
    f.Canvas.Fill(kNeutral);
    f.PathLayer.Fill(kNeutral);
    f.Canvas.Pen.Color = kEraseMint;
    f.PathLayer.Pen.Color = clWhite;
    f.CursorX = 10 + DirX(c.d);
    f.CursorY = 10 + DirY(c.d);
    f.DrawPen(SegmentErase(f.VertexPixelX(10 + DirX(c.d)), f.VertexPixelY(10 + DirY(c.d)),
                           f.VertexPixelX(10), f.VertexPixelY(10)));
    Raster window(600, 400, kNeutral), path(400, 400, kNeutral);
    Paint(window, {c.painted}, kEraseMint);
    Paint(path, {c.painted}, clWhite);
    EXPECT_TRUE(SamePixels(window, f.Canvas));
    EXPECT_TRUE(SamePixels(path, f.PathLayer));
    EXPECT_EQ(f.Canvas.PenPos, (TPoint{160, 160}));
    EXPECT_EQ(f.PathLayer.PenPos, (TPoint{160, 160}));
  }
}

// After the first segment p into N = (10, 10) and a step d out of it, taking d back leaves on
// PathLayer the first segment and the pen pixel P(N) - 3u(p) (and, after a vertical straight
// passage, the pixel between it and N too); on the window a turn leaves P(N) + 3u(d) white.
// Taking the same step again then gives exactly the fresh drawing of the two steps.
TEST(PathDrawing, AnEraseLeavesOnlyThePenPixelsAndTheSameStepRedrawsTheFreshPath) {
  const std::int32_t dirs[] = {CmdDown, CmdUp, CmdRight, CmdLeft};
  BoardGame b(10);
  TForm1& f = b.Form;
  for (std::int32_t p : dirs) {
    for (std::int32_t d : dirs) {
      if (p + d == 10) continue;  // a step never follows its opposite
      SCOPED_TRACE(DirName(p) + " then " + DirName(d));
      b.SetUp(10);
      DrawPath(f, 10 - DirX(p), 10 - DirY(p), {p}, false);
      const Raster firstSegment(f.PathLayer);
      DrawPath(f, 10 - DirX(p), 10 - DirY(p), {p, d}, false);
      const Raster fresh(f.PathLayer);

      f.Canvas.Pen.Color = kEraseMint;
      f.PathLayer.Pen.Color = clWhite;
      f.DrawPen(StepErase(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), d, p));
      f.Canvas.Pen.Color = clBlack;
      f.PathLayer.Pen.Color = clBlack;
      f.CursorX = 10;
      f.CursorY = 10;

      Raster left = firstSegment;
      left.Set(160 - 3 * DirX(p), 160 - 3 * DirY(p), clBlack);
      const bool verticalStraight = p == d && DirX(d) == 0;
      if (verticalStraight) left.Set(160 - 2 * DirX(p), 160 - 2 * DirY(p), clBlack);
      EXPECT_TRUE(SamePixels(left, f.PathLayer));
      EXPECT_EQ(f.Canvas.GetPixel(160 - 3 * DirX(p), 160 - 3 * DirY(p)), clBlack);
      if (p != d) {
        EXPECT_EQ(f.Canvas.GetPixel(160 + 3 * DirX(d), 160 + 3 * DirY(d)), clWhite);
      }

      f.CursorX = 10 + DirX(d);
      f.CursorY = 10 + DirY(d);
      f.DrawPen(StepStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), p, d));
      EXPECT_TRUE(SamePixels(fresh, f.PathLayer));
    }
  }
}

TEST(PathDrawing, ToggleCursorTwiceRestoresTheWindowAndLeavesCopyModeSrccopy) {
  struct Case {
    int level, x, y, left, top;
  };
  const Case cases[] = {
      {1, 1, 1, 157, 157}, {1, 6, 6, 237, 237}, {10, 24, 1, 381, 13}, {10, 1, 24, 13, 381}};
  for (const Case& c : cases) {
    SCOPED_TRACE("level " + std::to_string(c.level) + " vertex " + std::to_string(c.x) + "," +
                 std::to_string(c.y));
    BoardGame b(c.level);
    TForm1& f = b.Form;
    const Raster before(f.Canvas);
    Raster shown = before;
    shown.Xor(c.left, c.top, f.CursorDrawing);
    f.ToggleCursor(f.CursorDrawing, c.x, c.y);
    EXPECT_TRUE(SamePixels(shown, f.Canvas));
    EXPECT_EQ(f.Canvas.CopyMode, SRCCOPY);
    f.ToggleCursor(f.CursorDrawing, c.x, c.y);
    EXPECT_TRUE(SamePixels(before, f.Canvas));
    EXPECT_EQ(f.Canvas.CopyMode, SRCCOPY);
  }
}

}  // namespace
}  // namespace enclova::testing
