// Path drawing: the cursor toggle and the strokes and erases of the path, on the window and on
// PathLayer alike.
//
// Contract with the callers (the extension and the retraction of the path):
//  * These procedures only draw. They never move the Cursor, never touch the lattice or the
//    history, and set no pen colour except the one the corner erase needs; the caller sets the
//    pen colours before and moves the Cursor itself.
//  * FirstSegmentStroke(d) and StepStroke(p, d) are called with the Cursor already on the
//    vertex T that the step reached.
//  * SegmentErase(O, S) takes both vertices as arguments; the caller may move the Cursor to S
//    before or after.
//  * StepErase(d, p) is called with the Cursor still on the vertex O that the step being taken
//    back had reached; it works out the vertex returned to, N = O - u(d), by itself, and the
//    caller moves the Cursor to N afterwards.
//
// Every stroke and erase does each of its operations on the window first and then on PathLayer.
// The line always stops three pixels short of the Cursor's vertex and the pen waits there, so
// the next stroke continues from the pen and no stroke paints under the XOR cursor sprite.
#include "app/form.h"

namespace enclova {

namespace {

// The pixel step of a direction code: down (0, 1), up (0, -1), right (1, 0), left (-1, 0).
int DirX(std::int32_t d) {
  return d == CmdRight ? 1 : d == CmdLeft ? -1 : 0;
}
int DirY(std::int32_t d) {
  return d == CmdDown ? 1 : d == CmdUp ? -1 : 0;
}
bool IsVertical(std::int32_t d) {
  return d == CmdDown || d == CmdUp;
}

}  // namespace

void TForm1::ToggleCursor(const Surface& sprite, int x, int y) {
  Canvas.CopyMode = SRCINVERT;
  Canvas.Draw(VertexPixelX(x) - 3, VertexPixelY(y) - 3, sprite);
  Canvas.CopyMode = SRCCOPY;
}

// Paints P(S) + 3u .. P(S) + 12u; the start vertex and its two neighbours on the segment are
// painted only when the loop closes.
void TForm1::FirstSegmentStroke(std::int32_t d) {
  const int ux = DirX(d), uy = DirY(d);
  const int px = VertexPixelX(CursorX), py = VertexPixelY(CursorY);
  Canvas.MoveTo(px - 13 * ux, py - 13 * uy);
  Canvas.LineTo(px - 3 * ux, py - 3 * uy);
  PathLayer.MoveTo(px - 13 * ux, py - 13 * uy);
  PathLayer.LineTo(px - 3 * ux, py - 3 * uy);
}

// The pen stands at P(N) - 3u(p). Straight on, the line runs through the vertex pixel P(N); at
// a turn the three-pixel diagonal replaces P(N) and its neighbours, so that a flood fill that
// moves between edge neighbours cannot slip through the corner.
void TForm1::StepStroke(std::int32_t p, std::int32_t d) {
  const int ux = DirX(d), uy = DirY(d);
  const int px = VertexPixelX(CursorX), py = VertexPixelY(CursorY);
  if (p == d) {
    Canvas.LineTo(px - 3 * ux, py - 3 * uy);
    PathLayer.LineTo(px - 3 * ux, py - 3 * uy);
    return;
  }
  // P(N) + 3u(d), with N = T - 16u(d).
  const int cornerX = px - 13 * ux, cornerY = py - 13 * uy;
  Canvas.LineTo(cornerX, cornerY);
  Canvas.LineTo(px - 3 * ux, py - 3 * uy);
  PathLayer.LineTo(cornerX, cornerY);
  PathLayer.LineTo(px - 3 * ux, py - 3 * uy);
}

// Covers P(O) up to, not including, P(S) in the caller's erase colours.
void TForm1::SegmentErase(int fromX, int fromY, int toX, int toY) {
  Canvas.MoveTo(VertexPixelX(fromX), VertexPixelY(fromY));
  PathLayer.MoveTo(VertexPixelX(fromX), VertexPixelY(fromY));
  Canvas.LineTo(VertexPixelX(toX), VertexPixelY(toY));
  PathLayer.LineTo(VertexPixelX(toX), VertexPixelY(toY));
}

// Removes what the stroke of step d painted, leaving both pens at P(N) - 3u(p), where the
// stroke of step p had left them. The pen pixel itself (and, after a vertical straight passage,
// the pixel between it and N) stays painted; the next stroke from N paints it again anyway.
void TForm1::StepErase(std::int32_t d, std::int32_t p) {
  const int ux = DirX(d), uy = DirY(d);
  const int ox = VertexPixelX(CursorX), oy = VertexPixelY(CursorY);
  const int nx = ox - 16 * ux, ny = oy - 16 * uy;
  auto moveTo = [this](int x, int y) {
    Canvas.MoveTo(x, y);
    PathLayer.MoveTo(x, y);
  };
  auto lineTo = [this](int x, int y) {
    Canvas.LineTo(x, y);
    PathLayer.LineTo(x, y);
  };

  moveTo(ox, oy);
  // A vertical segment is erased one pixel past N, a horizontal one stops two pixels short.
  const int reach = IsVertical(d) ? -2 : 2;
  lineTo(nx + reach * ux, ny + reach * uy);

  if (p == d) {
    if (IsVertical(d)) {
      moveTo(nx - 3 * ux, ny - 3 * uy);
    } else {
      lineTo(nx - 3 * ux, ny - 3 * uy);
    }
    return;
  }
  // The corner's diagonal but its first pixel; on the window it goes white, not the grid's
  // mint, since the diagonal crosses the inside of a cell. PathLayer's pen is white already.
  moveTo(nx + 3 * ux, ny + 3 * uy);
  Canvas.Pen.Color = clWhite;
  lineTo(nx - 3 * DirX(p), ny - 3 * DirY(p));
}

}  // namespace enclova
