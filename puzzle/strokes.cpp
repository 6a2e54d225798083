// SPDX-License-Identifier: MIT
// The stroke and erase scripts of the path.
#include "puzzle/strokes.h"

#include "puzzle/steps.h"

namespace enclova {

PenScript FirstSegmentStroke(int tx, int ty, std::int32_t d) {
  const int ux = StepDX(d), uy = StepDY(d);
  PenScript s;
  s.Add(PenMove::kMoveTo, tx - 13 * ux, ty - 13 * uy);
  s.Add(PenMove::kLineTo, tx - 3 * ux, ty - 3 * uy);
  return s;
}

PenScript StepStroke(int tx, int ty, std::int32_t p, std::int32_t d) {
  const int ux = StepDX(d), uy = StepDY(d);
  PenScript s;
  if (p != d) {
    // P(N) + 3u(d), with N = T - 16u(d).
    s.Add(PenMove::kLineTo, tx - 13 * ux, ty - 13 * uy);
  }
  s.Add(PenMove::kLineTo, tx - 3 * ux, ty - 3 * uy);
  return s;
}

PenScript SegmentErase(int fromX, int fromY, int toX, int toY) {
  PenScript s;
  s.Add(PenMove::kMoveTo, fromX, fromY);
  s.Add(PenMove::kLineTo, toX, toY);
  return s;
}

PenScript StepErase(int ox, int oy, std::int32_t d, std::int32_t p) {
  const int ux = StepDX(d), uy = StepDY(d);
  const int nx = ox - 16 * ux, ny = oy - 16 * uy;
  PenScript s;
  s.Add(PenMove::kMoveTo, ox, oy);
  // A vertical segment is erased one pixel past N, a horizontal one stops two pixels short.
  const int reach = IsVertical(d) ? -2 : 2;
  s.Add(PenMove::kLineTo, nx + reach * ux, ny + reach * uy);

  if (p == d) {
    s.Add(IsVertical(d) ? PenMove::kMoveTo : PenMove::kLineTo, nx - 3 * ux, ny - 3 * uy);
    return s;
  }
  // The corner's diagonal but its first pixel; on the window it goes white, not the grid's
  // colour, since the diagonal crosses the inside of a cell.
  s.Add(PenMove::kMoveTo, nx + 3 * ux, ny + 3 * uy);
  s.Add(PenMove::kWhitePenOnWindow);
  s.Add(PenMove::kLineTo, nx - 3 * StepDX(p), ny - 3 * StepDY(p));
  return s;
}

}  // namespace enclova
