// SPDX-License-Identifier: MIT
// The rules of the path on its lattice: which step may be taken, what closing the loop clears,
// and where a path passes straight through a vertex. Pure functions over the game's arrays.
#pragma once

#include <cstdint>

namespace enclova {

// PathLattice holds the board at double resolution: vertex (x, y) is entry (2x, 2y), the edge to
// its right (2x + 1, 2y), the edge below it (2x, 2y + 1). Coordinates run from -2 to 51, so the
// rule may look two vertices past the board's edge; LatticeEntry maps them onto the array.
constexpr int kLatticeLow = -2;
constexpr int kLatticeSide = 54;
using PathLatticeArray = std::int32_t[kLatticeSide][kLatticeSide];

inline std::int32_t& LatticeEntry(PathLatticeArray& lattice, int i, int j) {
  return lattice[i - kLatticeLow][j - kLatticeLow];
}
inline std::int32_t LatticeEntry(const PathLatticeArray& lattice, int i, int j) {
  return lattice[i - kLatticeLow][j - kLatticeLow];
}

// PathLattice vertex marks; an edge a path uses holds 1.
constexpr std::int32_t StartMark = -1;
constexpr std::int32_t FirstVertexMark = 1;

// Whether a step from vertex (x, y) in direction d keeps the path on the board of `level`, uses
// a free edge, and keeps the lattice sum ahead below 2. Only the start (-1) and the first vertex
// (+1) carry marks, so the sum lets the path touch itself where it turns, and cross itself only
// right before the start; the start can always be re-entered while only the first step meets it.
bool StepAllowed(const PathLatticeArray& lattice, std::int32_t level, int x, int y, std::int32_t d);

// Clears the entries round the start vertex (x, y) when the loop closes, so that the closing
// step (along the first step's edge again) passes the step rule whichever way the path came
// home: the four edges at the start, its four neighbours, and one side edge of each neighbour.
void ClearAroundStart(PathLatticeArray& lattice, int x, int y);

// True when the path's steps history[1..lastStep], ending at vertex (endX, endY), pass straight
// through vertex (x, y): two consecutive steps in the same direction meet there.
bool PassesStraightThrough(const std::int32_t* history, std::int32_t lastStep, int endX, int endY,
                           int x, int y);

}  // namespace enclova
