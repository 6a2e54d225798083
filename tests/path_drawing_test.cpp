// SPDX-License-Identifier: MIT
// Path drawing: the cursor toggle, the strokes and the erases, pixel by pixel on both surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

constexpr TColor kNeutral = 0x00123456;  // neither a pen colour nor black or white

struct PixelRun {
  int x, y, dx, dy, count;
};

void Paint(Picture& r, const std::vector<PixelRun>& runs, TColor c) {
  for (const PixelRun& run : runs) r.Run(run.x, run.y, run.dx, run.dy, run.count, c);
}

// What the extension of the path draws around one step: the cursor off, the Cursor moved, the
// cursor on again (not after the closing step), the window pen black, the stroke.
void TakeStep(TForm1& f, std::int32_t previous, std::int32_t d, bool closing = false) {
  f.ToggleCursor(f.CursorDrawing, f.CursorX, f.CursorY);
  f.CursorX += StepDX(d);
  f.CursorY += StepDY(d);
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
  Picture window;
  Picture path{400, 400, clWhite};
};

TEST_F(WorkedExample, StepsRightDownDownDrawOnBothSurfacesWithThePenWaitingShort) {
  ASSERT_TRUE(SamePicture(f.Canvas, window));

  TakeStep(f, 0, CmdRight);
  window.Xor(157, 157, f.CursorDrawing);
  window.Xor(173, 157, f.CursorDrawing);
  for (Picture* r : {&window, &path}) r->Run(163, 160, 1, 0, 10, clBlack);
  EXPECT_TRUE(SamePicture(f.Canvas, window));
  EXPECT_TRUE(SamePicture(f.PathLayer, path));
  ExpectPens({173, 160});

  TakeStep(f, CmdRight, CmdDown);
  window.Xor(173, 157, f.CursorDrawing);
  window.Xor(173, 173, f.CursorDrawing);
  for (Picture* r : {&window, &path}) {
    Paint(*r, {{173, 160, 1, 1, 3}, {176, 163, 0, 1, 10}}, clBlack);
  }
  EXPECT_TRUE(SamePicture(f.Canvas, window));
  EXPECT_TRUE(SamePicture(f.PathLayer, path));
  EXPECT_EQ(f.PathLayer.GetPixel(176, 160), clWhite);
  ExpectPens({176, 173});

  TakeStep(f, CmdDown, CmdDown);
  window.Xor(173, 173, f.CursorDrawing);
  window.Xor(173, 189, f.CursorDrawing);
  for (Picture* r : {&window, &path}) r->Run(176, 173, 0, 1, 16, clBlack);
  EXPECT_TRUE(SamePicture(f.Canvas, window));
  EXPECT_TRUE(SamePicture(f.PathLayer, path));
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
  EXPECT_TRUE(SamePicture(f.Canvas, window));
  EXPECT_TRUE(SamePicture(f.PathLayer, path));
  ExpectPens({173, 160});
}

// Every stroke into vertex N + u(d) from N = (10, 10) at level 10, pixel (160, 160): the first
// segment of a path (p 0), which leaves the start vertex and its neighbours unpainted, with the
// pens wherever an earlier path left them; and every pair of successive directions p, d, with
// the pens where the previous stroke left them.
struct StrokeCase {
  std::int32_t p, d;
  TPoint windowPenBefore, layerPenBefore;
  std::vector<PixelRun> painted;
  TPoint penAfter;
};

TEST(PathDrawing, EveryStrokePaintsItsPixelsOnBothSurfaces) {
  const StrokeCase cases[] = {
      // clang-format off
      {0, CmdDown,  {3, 3}, {5, 5}, {{160, 163, 0, 1, 10}},  {160, 173}},
      {0, CmdUp,    {3, 3}, {5, 5}, {{160, 157, 0, -1, 10}}, {160, 147}},
      {0, CmdRight, {3, 3}, {5, 5}, {{163, 160, 1, 0, 10}},  {173, 160}},
      {0, CmdLeft,  {3, 3}, {5, 5}, {{157, 160, -1, 0, 10}}, {147, 160}},
      {CmdDown,  CmdDown,  {160, 157}, {160, 157}, {{160, 157, 0, 1, 16}},  {160, 173}},
      {CmdUp,    CmdUp,    {160, 163}, {160, 163}, {{160, 163, 0, -1, 16}}, {160, 147}},
      {CmdRight, CmdRight, {157, 160}, {157, 160}, {{157, 160, 1, 0, 16}},  {173, 160}},
      {CmdLeft,  CmdLeft,  {163, 160}, {163, 160}, {{163, 160, -1, 0, 16}}, {147, 160}},
      {CmdRight, CmdDown,  {157, 160}, {157, 160}, {{157, 160, 1, 1, 3}, {160, 163, 0, 1, 10}},
       {160, 173}},
      {CmdLeft,  CmdDown,  {163, 160}, {163, 160}, {{163, 160, -1, 1, 3}, {160, 163, 0, 1, 10}},
       {160, 173}},
      {CmdRight, CmdUp,    {157, 160}, {157, 160}, {{157, 160, 1, -1, 3}, {160, 157, 0, -1, 10}},
       {160, 147}},
      {CmdLeft,  CmdUp,    {163, 160}, {163, 160}, {{163, 160, -1, -1, 3}, {160, 157, 0, -1, 10}},
       {160, 147}},
      {CmdDown,  CmdRight, {160, 157}, {160, 157}, {{160, 157, 1, 1, 3}, {163, 160, 1, 0, 10}},
       {173, 160}},
      {CmdUp,    CmdRight, {160, 163}, {160, 163}, {{160, 163, 1, -1, 3}, {163, 160, 1, 0, 10}},
       {173, 160}},
      {CmdDown,  CmdLeft,  {160, 157}, {160, 157}, {{160, 157, -1, 1, 3}, {157, 160, -1, 0, 10}},
       {147, 160}},
      {CmdUp,    CmdLeft,  {160, 163}, {160, 163}, {{160, 163, -1, -1, 3}, {157, 160, -1, 0, 10}},
       {147, 160}},
      // clang-format on
  };
  BoardGame b(10);
  TForm1& f = b.Form;
  for (const StrokeCase& c : cases) {
    SCOPED_TRACE(c.p == 0 ? "first segment " + DirName(c.d)
                          : DirName(c.p) + " then " + DirName(c.d));
    b.SetUp(10);
    Picture window(f.Canvas);
    Picture path(400, 400, clWhite);
    f.CursorX = 10 + StepDX(c.d);
    f.CursorY = 10 + StepDY(c.d);
    f.Canvas.Pen.Color = clBlack;
    f.Canvas.PenPos = c.windowPenBefore;
    f.PathLayer.PenPos = c.layerPenBefore;
    const int tx = f.VertexPixelX(f.CursorX), ty = f.VertexPixelY(f.CursorY);
    f.DrawPen(c.p == 0 ? FirstSegmentStroke(tx, ty, c.d) : StepStroke(tx, ty, c.p, c.d));
    Paint(window, c.painted, clBlack);
    Paint(path, c.painted, clBlack);
    EXPECT_TRUE(SamePicture(f.Canvas, window));
    EXPECT_TRUE(SamePicture(f.PathLayer, path));
    EXPECT_EQ(f.Canvas.PenPos, c.penAfter);
    EXPECT_EQ(f.PathLayer.PenPos, c.penAfter);
    EXPECT_EQ(f.CursorX, 10 + StepDX(c.d));
    EXPECT_EQ(f.CursorY, 10 + StepDY(c.d));
  }
}

// Every retraction from O = N + u(d) back to N = (10, 10) at level 10, pixel (160, 160), on
// surfaces of one neutral colour so every painted pixel shows: of a step d that followed a step
// p, and of the first segment (p 0), which is painted from O up to the start. The grid-colour
// runs are painted first, the white (corner) runs over them.
struct EraseCase {
  std::int32_t d, p;
  std::vector<PixelRun> grid;
  std::vector<PixelRun> white;
  TPoint penAfter;
};

TEST(PathDrawing, EveryErasePaintsItsPixelsInTheEraseColours) {
  const std::vector<EraseCase> cases = {
      {CmdDown, 0, {{160, 176, 0, -1, 16}}, {}, {160, 160}},
      {CmdUp, 0, {{160, 144, 0, 1, 16}}, {}, {160, 160}},
      {CmdRight, 0, {{176, 160, -1, 0, 16}}, {}, {160, 160}},
      {CmdLeft, 0, {{144, 160, 1, 0, 16}}, {}, {160, 160}},
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
    SCOPED_TRACE(c.p == 0 ? "first segment " + DirName(c.d)
                          : "back " + DirName(c.d) + " after " + DirName(c.p));
    f.Canvas.Fill(kNeutral);
    f.PathLayer.Fill(kNeutral);
    f.Canvas.PenPos = {0, 0};
    f.PathLayer.PenPos = {0, 0};
    f.Canvas.Pen.Color = kGridColor;
    f.PathLayer.Pen.Color = clWhite;
    f.CursorX = 10 + StepDX(c.d);
    f.CursorY = 10 + StepDY(c.d);
    const int ox = f.VertexPixelX(f.CursorX), oy = f.VertexPixelY(f.CursorY);
    f.DrawPen(c.p == 0 ? SegmentErase(ox, oy, f.VertexPixelX(10), f.VertexPixelY(10))
                       : StepErase(ox, oy, c.d, c.p));

    Picture window(600, 400, kNeutral), path(400, 400, kNeutral);
    Paint(window, c.grid, kGridColor);
    Paint(window, c.white, clWhite);
    Paint(path, c.grid, clWhite);
    Paint(path, c.white, clWhite);
    EXPECT_TRUE(SamePicture(f.Canvas, window));
    EXPECT_TRUE(SamePicture(f.PathLayer, path));
    EXPECT_EQ(f.Canvas.PenPos, c.penAfter);
    EXPECT_EQ(f.PathLayer.PenPos, c.penAfter);
    // Only the window's pen turns white for a corner; the Cursor is the caller's to move.
    EXPECT_EQ(f.Canvas.Pen.Color, c.white.empty() ? kGridColor : clWhite);
    EXPECT_EQ(f.PathLayer.Pen.Color, clWhite);
    EXPECT_EQ(f.CursorX, 10 + StepDX(c.d));
    EXPECT_EQ(f.CursorY, 10 + StepDY(c.d));
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
      DrawPath(f, 10 - StepDX(p), 10 - StepDY(p), {p}, false);
      const Picture firstSegment(f.PathLayer);
      DrawPath(f, 10 - StepDX(p), 10 - StepDY(p), {p, d}, false);
      const Picture fresh(f.PathLayer);

      f.Canvas.Pen.Color = kGridColor;
      f.PathLayer.Pen.Color = clWhite;
      f.DrawPen(StepErase(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), d, p));
      f.Canvas.Pen.Color = clBlack;
      f.PathLayer.Pen.Color = clBlack;
      f.CursorX = 10;
      f.CursorY = 10;

      Picture left = firstSegment;
      left.Set(160 - 3 * StepDX(p), 160 - 3 * StepDY(p), clBlack);
      const bool verticalStraight = p == d && StepDX(d) == 0;
      if (verticalStraight) left.Set(160 - 2 * StepDX(p), 160 - 2 * StepDY(p), clBlack);
      EXPECT_TRUE(SamePicture(f.PathLayer, left));
      EXPECT_EQ(f.Canvas.GetPixel(160 - 3 * StepDX(p), 160 - 3 * StepDY(p)), clBlack);
      if (p != d) {
        EXPECT_EQ(f.Canvas.GetPixel(160 + 3 * StepDX(d), 160 + 3 * StepDY(d)), clWhite);
      }

      f.CursorX = 10 + StepDX(d);
      f.CursorY = 10 + StepDY(d);
      f.DrawPen(StepStroke(f.VertexPixelX(f.CursorX), f.VertexPixelY(f.CursorY), p, d));
      EXPECT_TRUE(SamePicture(f.PathLayer, fresh));
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
    const Picture before(f.Canvas);
    Picture shown = before;
    shown.Xor(c.left, c.top, f.CursorDrawing);
    f.ToggleCursor(f.CursorDrawing, c.x, c.y);
    EXPECT_TRUE(SamePicture(f.Canvas, shown));
    EXPECT_EQ(f.Canvas.CopyMode, SRCCOPY);
    f.ToggleCursor(f.CursorDrawing, c.x, c.y);
    EXPECT_TRUE(SamePicture(f.Canvas, before));
    EXPECT_EQ(f.Canvas.CopyMode, SRCCOPY);
  }
}

}  // namespace
}  // namespace enclova::testing
