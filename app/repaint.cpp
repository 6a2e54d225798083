// SPDX-License-Identifier: MIT
// Rebuilds the window's picture of the current mode from the game's state.
//
// Application::Paint has already filled the part to be shown again with the button face, and the
// Canvas is clipped to that part, so only it changes. The board screen is rebuilt from state alone,
// so it differs from what the handlers drew where they drew transient things: "Go!" and the blank
// clock panel give way to ClockPanel and the held digits. The result screen is not rebuilt at all:
// its repainted part stays blank until the result ends.
#include "app/form.h"
#include "base/texts.h"

namespace enclova {

void TForm1::FormPaint() {
  if (GameMode == ModeTitle) DrawTitle();
  if (GameMode == ModeRanking) DrawRanking(LastRank);
  if (GameMode != ModePlay) return;

  const int m = Margin();
  const int n = BoardSize();

  Canvas.CopyMode = SRCCOPY;
  SolidRectangle(Canvas, clBlack, 0, 0, kPlayAreaSize, kPlayAreaSize);
  SolidRectangle(Canvas, clWhite, m, m, kPlayAreaSize - m, kPlayAreaSize - m);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      Canvas.Draw(VertexPixelX(i), VertexPixelY(j), CellSprites[CellGrid[i][j]]);
    }
  }

  // Drawn once by exclusive or, so the key handlers can take it away by drawing it again.
  ToggleCursor(DrawingStarted == 0 ? CursorIdle : CursorDrawing, CursorX, CursorY);

  Canvas.Draw(kSidePanelX, 0, SidePanel);
  Canvas.Draw(kClockPanelX, kClockPanelY, ClockPanel);
  Canvas.Draw(kSidePanelX, 0, SeparatorStrip);

  if (PlayPhase == PhaseCountdown) {
    // The font is the countdown's own, set when it showed its first text.
    Canvas.Brush.Color = clBlack;
    if (CountdownStage >= 1 && CountdownStage <= 4) {
      Canvas.TextOut(kReadyX, kCountdownY, kCountdownTexts[CountdownStage]);
    }
  } else {
    DrawClockDigits();
    // White leaves the board as it is; only the black path comes through.
    Canvas.CopyMode = SRCAND;
    Canvas.Draw(0, 0, PathLayer);
  }
  Canvas.CopyMode = SRCCOPY;
}

}  // namespace enclova
