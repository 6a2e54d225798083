// Taking the path back one step at a time, and cancelling its start.
#include "app/form.h"
#include "puzzle/path_steps.h"

namespace enclova {

namespace {

constexpr TColor kSegmentEraseColor = 0x00C0FF98;  // the grid lines' colour on the window

// True when the path's steps 1..lastStep, ending at vertex (endX, endY), pass straight through
// vertex (x, y): two consecutive steps in the same direction meet there.
bool PassesStraightThrough(const std::int32_t* history, std::int32_t lastStep, int endX, int endY,
                           int x, int y) {
  // Walk back from the end: (vx, vy) is where step k ended.
  int vx = endX;
  int vy = endY;
  for (std::int32_t k = lastStep; k >= 1; --k) {
    if (k < lastStep && vx == x && vy == y && history[k] == history[k + 1]) return true;
    vx -= StepDX(history[k]);
    vy -= StepDY(history[k]);
  }
  return false;
}

void PaintBlack(Surface& surface, int px, int py) {
  if (px < 0 || py < 0 || px >= surface.Width() || py >= surface.Height()) return;
  surface.Pixels()[static_cast<std::size_t>(py * surface.Width() + px)] = clBlack;
  surface.MarkChanged();
}

}  // namespace

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
    Canvas.Pen.Color = kSegmentEraseColor;
    if (StepCount == 2) {
      // The only step. Its segment erase cannot open any other passage: once it is gone the
      // path has no step left.
      Lattice(2 * CursorX, 2 * CursorY) = 0;
      StepCount = 1;
      const std::int32_t d = MoveHistory[1];
      Lattice(2 * CursorX - StepDX(d), 2 * CursorY - StepDY(d)) = 0;
      const int startX = CursorX - StepDX(d);
      const int startY = CursorY - StepDY(d);
      SegmentErase(CursorX, CursorY, startX, startY);
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
      StepErase(d, p);
      CursorX -= StepDX(d);
      CursorY -= StepDY(d);
      // The erase runs through the vertex pixels of the vertex left and the vertex returned to.
      // Where the remaining path crosses straight through one of them, that pixel belongs to
      // the earlier passage: a crossing taken back must not open the loop, so it is painted
      // again, before the cursor sprite goes back over it.
      const int ends[2][2] = {{leftX, leftY}, {CursorX, CursorY}};
      for (const auto& v : ends) {
        if (PassesStraightThrough(MoveHistory, StepCount - 1, CursorX, CursorY, v[0], v[1])) {
          PaintBlack(Canvas, VertexPixelX(v[0]), VertexPixelY(v[1]));
          PaintBlack(PathLayer, VertexPixelX(v[0]), VertexPixelY(v[1]));
        }
      }
      ToggleCursor(CursorDrawing, CursorX, CursorY);
    }
  }

  PathLayer.Pen.Color = clBlack;
  Canvas.Pen.Color = clBlack;
}

}  // namespace enclova
