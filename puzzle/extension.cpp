// Play keys: free cursor movement, start of drawing, the step rule, extension and closing.
#include "app/form.h"
#include "puzzle/path_steps.h"

namespace enclova {

namespace {

struct LatticeOffset {
  int I;
  int J;
};

// What the step rule reads for each direction, relative to the Cursor's vertex C: the edge the
// step would use, and the four entries whose sum must stay below 2 (the target's two side
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

// Entries cleared around the start vertex S when the loop closes, so that the closing step
// (along the first step's edge again) passes the step rule whichever way the path came home:
// the four edges at S, its four neighbours, and one side edge of each neighbour.
constexpr LatticeOffset kClosingClears[] = {
    {-1, 0}, {+1, 0}, {0, -1},  {0, +1},  {-2, 0},  {+2, 0},
    {0, -2}, {0, +2}, {-2, +1}, {+2, -1}, {-1, -2}, {+1, +2},
};

}  // namespace

// Whether a step from the Cursor in direction d keeps the path on the board, uses a free edge,
// and passes the lattice sum above. Only the start (-1) and the first vertex (+1) carry marks,
// so the sum lets the path touch itself where it turns, and cross itself only right before
// the start; the start can always be re-entered while only the first step meets it.
bool TForm1::StepAllowed(std::int32_t d) const {
  const int last = 2 * Level + 4;
  const bool inBounds = (d == CmdDown && CursorY < last) || (d == CmdUp && CursorY > 1) ||
                        (d == CmdRight && CursorX < last) || (d == CmdLeft && CursorX > 1);
  if (!inBounds) return false;
  const int ci = 2 * CursorX;
  const int cj = 2 * CursorY;
  for (const StepRuleEntries& rule : kStepRule) {
    if (rule.Direction != d) continue;
    if (Lattice(ci + rule.Edge.I, cj + rule.Edge.J) != 0) return false;
    std::int32_t sum = 0;
    for (const LatticeOffset& o : rule.Summed) sum += Lattice(ci + o.I, cj + o.J);
    return sum < 2;
  }
  return false;
}

// One key of a running round, in five stages, each seeing what the stages before it changed:
// the closing check turns Command into the first step's direction, so that the extension then
// takes the closing step and judges the loop; judging clears Command, which stops the rest.
void TForm1::PlayKey() {
  const int last = 2 * Level + 4;

  // Stage 1: free cursor movement.
  if (Command != CmdAction && DrawingStarted == 0) {
    ToggleCursor(CursorIdle, CursorX, CursorY);
    if (Command == CmdDown && CursorY < last) ++CursorY;
    if (Command == CmdUp && CursorY > 1) --CursorY;
    if (Command == CmdRight && CursorX < last) ++CursorX;
    if (Command == CmdLeft && CursorX > 1) --CursorX;
    ToggleCursor(CursorIdle, CursorX, CursorY);
  }

  // Stage 2: the closing check. The closing step itself is taken by stage 3 below.
  if (Command == CmdAction && StepCount > 2 && Lattice(2 * CursorX, 2 * CursorY) == StartMark) {
    Command = MoveHistory[1];
    LoopClosed = 1;
    for (const LatticeOffset& o : kClosingClears) Lattice(2 * CursorX + o.I, 2 * CursorY + o.J) = 0;
  }

  // Stage 3: extension, including the closing step.
  if (Command != CmdBack && DrawingStarted == 1) {
    ToggleCursor(CursorDrawing, CursorX, CursorY);
    StepTaken = 0;
    // Ordinary steps stop one short of the history's end, so the closing step always has its
    // entry and no path can write past the array.
    const bool roomForStep = LoopClosed == 1 || StepCount < kMoveHistorySize;
    if (IsDirection(Command) && roomForStep && StepAllowed(Command)) {
      const std::int32_t d = Command;
      Lattice(2 * CursorX + StepDX(d), 2 * CursorY + StepDY(d)) = 1;
      CursorX += StepDX(d);
      CursorY += StepDY(d);
      MoveHistory[StepCount] = d;
      ++StepCount;
      StepTaken = 1;
    }
    if (LoopClosed == 0) ToggleCursor(CursorDrawing, CursorX, CursorY);
    if (StepTaken == 1) {
      Canvas.Pen.Color = clBlack;
      if (StepCount == 2) {
        FirstSegmentStroke(MoveHistory[1]);
        Lattice(2 * CursorX, 2 * CursorY) = FirstVertexMark;
        return;
      }
      StepStroke(MoveHistory[StepCount - 2], MoveHistory[StepCount - 1]);
      if (LoopClosed == 1) JudgeLoop();
    }
  }

  // Stage 4: taking back.
  if (Command == CmdBack && DrawingStarted == 1) Retract();

  // Stage 5: start of drawing.
  if (Command == CmdAction && DrawingStarted == 0) {
    DrawingStarted = 1;
    ToggleCursor(CursorIdle, CursorX, CursorY);
    ToggleCursor(CursorDrawing, CursorX, CursorY);
    Lattice(2 * CursorX, 2 * CursorY) = StartMark;
    StepCount = 1;
  }
}

}  // namespace enclova
