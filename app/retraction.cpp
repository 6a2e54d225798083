// SPDX-License-Identifier: MIT
// Taking the path back one step at a time, and cancelling its start.
#include "app/form.h"

namespace enclova {

void TForm1::Retract() {
  PathLayer.Pen.Color = clWhite;

  if (StepCount == 1) {
    // Nothing traced yet: cancel the start and let the cursor roam again.
    StepCount = 0;
    DrawingStarted = 0;
    Lattice(2 * CursorX, 2 * CursorY) = 0;
    ToggleCursor(CursorDrawing, CursorX, CursorY);
    ToggleCursor(CursorIdle, CursorX, CursorY);
  } else {
    ToggleCursor(CursorDrawing, CursorX, CursorY);
    Canvas.Pen.Color = kGridColor;
    if (StepCount == 2) {
      // The only step. Its segment erase cannot open any other passage: once it is gone the
      // path has no step left.
      Lattice(2 * CursorX, 2 * CursorY) = 0;
      StepCount = 1;
      const std::int32_t d = MoveHistory[1];
      Lattice(2 * CursorX - StepDX(d), 2 * CursorY - StepDY(d)) = 0;
      const int startX = CursorX - StepDX(d);
      const int startY = CursorY - StepDY(d);
      DrawPen(SegmentErase(VertexPixelX(CursorX), VertexPixelY(CursorY), VertexPixelX(startX),
                           VertexPixelY(startY)));
      CursorX = startX;
      CursorY = startY;
      ToggleCursor(CursorDrawing, CursorX, CursorY);
    } else {
      --StepCount;
      const std::int32_t d = MoveHistory[StepCount];
      const std::int32_t p = MoveHistory[StepCount - 1];
      Lattice(2 * CursorX - StepDX(d), 2 * CursorY - StepDY(d)) = 0;
      const int leftX = CursorX;
      const int leftY = CursorY;
      DrawPen(StepErase(VertexPixelX(CursorX), VertexPixelY(CursorY), d, p));
      CursorX -= StepDX(d);
      CursorY -= StepDY(d);
      // The erase runs through the vertex pixels of the vertex left and the vertex returned to.
      // Where the remaining path crosses straight through one of them, that pixel belongs to
      // the earlier passage: a crossing taken back must not open the loop, so it is painted
      // again, before the cursor sprite goes back over it.
      const int ends[2][2] = {{leftX, leftY}, {CursorX, CursorY}};
      for (const auto& v : ends) {
        if (PassesStraightThrough(MoveHistory, StepCount - 1, CursorX, CursorY, v[0], v[1])) {
          Canvas.SetPixel(VertexPixelX(v[0]), VertexPixelY(v[1]), clBlack);
          PathLayer.SetPixel(VertexPixelX(v[0]), VertexPixelY(v[1]), clBlack);
        }
      }
      ToggleCursor(CursorDrawing, CursorX, CursorY);
    }
  }

  PathLayer.Pen.Color = clBlack;
  Canvas.Pen.Color = clBlack;
}

}  // namespace enclova
