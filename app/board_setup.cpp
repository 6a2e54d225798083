// SPDX-License-Identifier: MIT
// Board set-up: a fresh random board, wiped layers, the side panel, and the countdown's start.
#include "app/form.h"

namespace enclova {

// Runs in the key press that leaves the title (ModePlay, PhaseSetup) and ends in PhaseCountdown,
// so it runs exactly once per round. The order of the steps is visible on the window and in
// the drawing state each surface keeps, so it is kept as it is.
void TForm1::SetUpBoard() {
  const int m = Margin();
  const int n = BoardSize();

  // PathLayer's pen stays black from here on: the strokes of a growing path rely on it.
  SolidRectangle(PathLayer, clWhite, 0, 0, kPlayAreaSize, kPlayAreaSize);
  PathLayer.Pen.Color = clBlack;

  SolidRectangle(JudgeLayer, clWhite, 0, 0, kPlayAreaSize, kPlayAreaSize);

  // The play area goes black, then the white board square one cell wider than the outermost
  // vertices on every side. The window's pen and brush are left white.
  SolidRectangle(Canvas, clBlack, 0, 0, kPlayAreaSize, kPlayAreaSize);
  SolidRectangle(Canvas, clWhite, m, m, kPlayAreaSize - m, kPlayAreaSize - m);

  // Stones on every other cell of a checkerboard, column by column and top to bottom within a
  // column; that order fixes which cell each Random(2) belongs to, and which of two
  // neighbouring sprites shows on their shared grid line.
  Canvas.CopyMode = SRCCOPY;
  JudgeLayer.CopyMode = SRCCOPY;
  std::int32_t cellCounter = 0;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      CellGrid[i][j] = cellCounter % 2 == 0 ? 1 + Random(2) : 0;
      const int kind = CellGrid[i][j];
      Canvas.Draw(VertexPixelX(i), VertexPixelY(j), CellSprites[kind]);
      JudgeLayer.Draw(VertexPixelX(i), VertexPixelY(j), CellSprites[kind + 3]);
      ++cellCounter;
    }
  }

  // The cursor's first vertex (Level + 2, Level + 2) lies at pixel (192, 192) at every level.
  ToggleCursor(CursorIdle, Level + 2, Level + 2);

  // The clock area is blacked on SidePanel itself, for good: the countdown texts go there.
  SolidRectangle(SidePanel, clBlack, kClockAreaLeft - kSidePanelX, kClockAreaTop,
                 kClockAreaRight - kSidePanelX, kClockAreaBottom);
  Canvas.Draw(kSidePanelX, 0, SidePanel);

  SeparatorStrip.Pen.Color = kSeparatorGrey;
  SeparatorStrip.MoveTo(0, 0);
  SeparatorStrip.LineTo(0, kClientHeight);
  SeparatorStrip.Pen.Color = kSeparatorSilver;
  SeparatorStrip.MoveTo(1, 0);
  SeparatorStrip.LineTo(1, kClientHeight);
  Canvas.Draw(kSidePanelX, 0, SeparatorStrip);

  // Lattice coordinates 0..49 cover every entry play writes at any level.
  for (int i = 0; i <= 49; ++i) {
    for (int j = 0; j <= 49; ++j) Lattice(i, j) = 0;
  }

  CursorX = Level + 2;
  CursorY = Level + 2;
  DrawingStarted = 0;
  StepCount = 0;
  LoopClosed = 0;
  CountdownStage = 0;
  ResultStage = 0;
  // The clock shows its first digits only two seconds after "Go!"; a loop closed before that
  // would otherwise be scored, and a repaint would show, the previous round's time.
  ClockMinutes = 0;
  ClockTens = 0;
  ClockUnits = 0;
  PlayPhase = PhaseCountdown;
  ReferenceTime = CurrentMilliseconds();
}

}  // namespace enclova
