// SPDX-License-Identifier: MIT
// The step rule, the closing clears and the straight-passage test.
#include "puzzle/step_rule.h"

#include "puzzle/board_geometry.h"
#include "puzzle/steps.h"

namespace enclova {

namespace {

struct LatticeOffset {
  int I;
  int J;
};

// What the step rule reads for each direction, relative to the vertex C stepped from: the edge
// the step would use, and the four entries whose sum must stay below 2 (the target's two side
// edges, the target itself and the vertex one beyond it). The edge leaving the target straight
// ahead is deliberately not summed: that is what lets the path turn where it touched itself.
struct StepRuleEntries {
  std::int32_t Direction;
  LatticeOffset Edge;
  LatticeOffset Summed[4];
};

constexpr StepRuleEntries kStepRule[] = {
    {CmdDown, {0, +1}, {{-1, +2}, {+1, +2}, {0, +2}, {0, +4}}},
    {CmdUp, {0, -1}, {{-1, -2}, {+1, -2}, {0, -2}, {0, -4}}},
    {CmdRight, {+1, 0}, {{+2, -1}, {+2, +1}, {+2, 0}, {+4, 0}}},
    {CmdLeft, {-1, 0}, {{-2, -1}, {-2, +1}, {-2, 0}, {-4, 0}}},
};

constexpr LatticeOffset kClosingClears[] = {
    {-1, 0}, {+1, 0}, {0, -1},  {0, +1},  {-2, 0},  {+2, 0},
    {0, -2}, {0, +2}, {-2, +1}, {+2, -1}, {-1, -2}, {+1, +2},
};

}  // namespace

bool StepAllowed(const PathLatticeArray& lattice, std::int32_t level, int x, int y,
                 std::int32_t d) {
  const int last = LastVertex(level);
  const bool inBounds = (d == CmdDown && y < last) || (d == CmdUp && y > 1) ||
                        (d == CmdRight && x < last) || (d == CmdLeft && x > 1);
  if (!inBounds) return false;
  const int ci = 2 * x;
  const int cj = 2 * y;
  for (const StepRuleEntries& rule : kStepRule) {
    if (rule.Direction != d) continue;
    if (LatticeEntry(lattice, ci + rule.Edge.I, cj + rule.Edge.J) != 0) return false;
    std::int32_t sum = 0;
    for (const LatticeOffset& o : rule.Summed) sum += LatticeEntry(lattice, ci + o.I, cj + o.J);
    return sum < 2;
  }
  return false;
}

void ClearAroundStart(PathLatticeArray& lattice, int x, int y) {
  for (const LatticeOffset& o : kClosingClears) LatticeEntry(lattice, 2 * x + o.I, 2 * y + o.J) = 0;
}

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

}  // namespace enclova
