// SPDX-License-Identifier: MIT
// The cursor toggle, and the path's stroke and erase scripts played on the window and on
// PathLayer alike.
//
// Contract with the callers (the extension and the retraction of the path): the scripts only
// draw. They never move the Cursor, never touch the lattice or the history, and set no pen
// colour except the white of a corner's erase on the window; the caller sets the pen colours
// before and moves the Cursor itself.
#include "app/form.h"

namespace enclova {

void TForm1::ToggleCursor(const Surface& sprite, int x, int y) {
  Canvas.CopyMode = SRCINVERT;
  Canvas.Draw(VertexPixelX(x) - kCursorSpriteOffset, VertexPixelY(y) - kCursorSpriteOffset, sprite);
  Canvas.CopyMode = SRCCOPY;
}

// Each move goes to the window first, then to PathLayer, so both pens travel together.
void TForm1::DrawPen(const PenScript& script) {
  for (const PenMove& move : script) {
    switch (move.Op) {
      case PenMove::kMoveTo:
        Canvas.MoveTo(move.X, move.Y);
        PathLayer.MoveTo(move.X, move.Y);
        break;
      case PenMove::kLineTo:
        Canvas.LineTo(move.X, move.Y);
        PathLayer.LineTo(move.X, move.Y);
        break;
      case PenMove::kWhitePenOnWindow:
        Canvas.Pen.Color = clWhite;
        break;
    }
  }
}

}  // namespace enclova
