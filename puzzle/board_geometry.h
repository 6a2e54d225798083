// SPDX-License-Identifier: MIT
// Where a level's board lies on the window: its size, its margin and its vertices in pixels.
#pragma once

#include <cstdint>

namespace enclova {

constexpr int kLevels = 10;            // levels 1 to 10, from 5x5 cells to 23x23
constexpr int kMaxCells = 23;          // the board's side at level kLevels
constexpr int kMoveHistorySize = 576;  // MoveHistory's entries 1..576
constexpr int kCellPitch = 16;         // cell sprites are 17 wide and share their grid line
constexpr int kPlayAreaSize = 400;     // the board's black square at the window's left

// N cells a side, numbered from 1; N + 1 vertices.
constexpr int BoardSize(std::int32_t level) {
  return 2 * level + 3;
}
static_assert(BoardSize(kLevels) == kMaxCells);
// The black border round the white board square.
constexpr int Margin(std::int32_t level) {
  return kCellPitch * (kLevels - level);
}
// Vertex (x, y) lies at pixel (VertexPixel(level, x), VertexPixel(level, y)); so does the
// top-left corner of cell (x, y).
constexpr int VertexPixel(std::int32_t level, int v) {
  return Margin(level) + kCellPitch * v;
}
// The largest vertex coordinate a cursor may reach.
constexpr int LastVertex(std::int32_t level) {
  return 2 * level + 4;
}

}  // namespace enclova
