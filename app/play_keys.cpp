// SPDX-License-Identifier: MIT
// Play keys: free cursor movement, start of drawing, the step rule, extension and closing.
#include "app/form.h"

namespace enclova {

// One key of a running round, in five stages, each seeing what the stages before it changed:
// the closing check turns Command into the first step's direction, so that the extension then
// takes the closing step and judges the loop; judging clears Command, which stops the rest.
void TForm1::PlayKey() {
  const int last = LastVertex(Level);

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
    ClearAroundStart(PathLattice, CursorX, CursorY);
  }

  // Stage 3: extension, including the closing step.
  if (Command != CmdBack && DrawingStarted == 1) {
    ToggleCursor(CursorDrawing, CursorX, CursorY);
    StepTaken = 0;
    // Ordinary steps stop one short of the history's end, so the closing step always has its
    // entry and no path can write past the array.
    const bool roomForStep = LoopClosed == 1 || StepCount < kMoveHistorySize;
    if (IsDirection(Command) && roomForStep &&
        StepAllowed(PathLattice, Level, CursorX, CursorY, Command)) {
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
        DrawPen(FirstSegmentStroke(VertexPixelX(CursorX), VertexPixelY(CursorY), MoveHistory[1]));
        Lattice(2 * CursorX, 2 * CursorY) = FirstVertexMark;
        return;
      }
      DrawPen(StepStroke(VertexPixelX(CursorX), VertexPixelY(CursorY), MoveHistory[StepCount - 2],
                         MoveHistory[StepCount - 1]));
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
