// SPDX-License-Identifier: MIT
// The pen moves that draw and erase the path: for each stroke and erase, the exact sequence of
// MoveTo and LineTo points in window pixels. The game plays a script on the window and on
// PathLayer alike; the scripts themselves know no surface.
//
// The line always stops three pixels short of the vertex a step reached and the pen waits
// there, so the next stroke continues from the pen and no stroke paints under the XOR cursor.
#pragma once

#include <cstdint>

namespace enclova {

struct PenMove {
  enum Kind : std::uint8_t {
    kMoveTo,
    kLineTo,
    kWhitePenOnWindow,  // the window's pen turns white; PathLayer's erase pen is white already
  };
  Kind Op = kMoveTo;
  int X = 0;
  int Y = 0;
};

struct PenScript {
  static constexpr int kCapacity = 5;
  int Count = 0;
  PenMove Moves[kCapacity];

  void Add(PenMove::Kind op, int x = 0, int y = 0) { Moves[Count++] = {op, x, y}; }
  const PenMove* begin() const { return Moves; }
  const PenMove* end() const { return Moves + Count; }
};

// The first step d, which reached the vertex at pixel (tx, ty): P(S) + 3u .. P(S) + 12u. The
// start vertex and its two neighbours on the segment are painted only when the loop closes.
PenScript FirstSegmentStroke(int tx, int ty, std::int32_t d);

// Step d after step p, which reached the vertex at pixel (tx, ty); the pen stands at
// P(N) - 3u(p). Straight on, the line runs through P(N); at a turn a three-pixel diagonal
// replaces P(N) and its neighbours, so that a flood fill that moves between edge neighbours
// cannot slip through the corner.
PenScript StepStroke(int tx, int ty, std::int32_t p, std::int32_t d);

// Covers the pixels from (fromX, fromY) up to, not including, (toX, toY) in the erase colours.
PenScript SegmentErase(int fromX, int fromY, int toX, int toY);

// Takes back step d (after step p), which had reached the vertex at pixel (ox, oy): removes what
// its stroke painted and leaves the pen at P(N) - 3u(p), where the stroke of step p had left
// it. The pen pixel itself (and, after a vertical straight passage, the pixel between it and N)
// stays painted; the next stroke from N paints it again anyway.
PenScript StepErase(int ox, int oy, std::int32_t d, std::int32_t p);

}  // namespace enclova
