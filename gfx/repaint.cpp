// Rebuilds the window's picture of the current mode from the game's state.
//
// The platform has already filled the window with the button face. The board screen is rebuilt
// from state alone, so it differs from what the handlers drew where they drew transient things:
// "Go!" and the blank clock panel give way to ClockPanel and the held digits. The result screen
// is not rebuilt at all and stays blank until the result ends.
#include "app/form.h"

namespace enclova {

void TForm1::FormPaint() {
  if (GameMode == ModeTitle) DrawTitle();
  if (GameMode == ModeRanking) DrawRanking(LastRank);
  if (GameMode != ModePlay) return;

  const int m = Margin();
  const int n = BoardSize();

  Canvas.CopyMode = SRCCOPY;
  Canvas.Pen.Color = clBlack;
  Canvas.Brush.Color = clBlack;
  Canvas.Rectangle(0, 0, 400, 400);
  Canvas.Pen.Color = clWhite;
  Canvas.Brush.Color = clWhite;
  Canvas.Rectangle(m, m, 400 - m, 400 - m);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) Canvas.Draw(m + 16 * i, m + 16 * j, CellSprites[CellGrid[i][j]]);
  }

  // Drawn once by exclusive or, so the key handlers can take it away by drawing it again.
  Canvas.CopyMode = SRCINVERT;
  Canvas.Draw(m + 16 * CursorX - 3, m + 16 * CursorY - 3,
              DrawingStarted == 0 ? CursorIdle : CursorDrawing);
  Canvas.CopyMode = SRCCOPY;

  Canvas.Draw(400, 0, SidePanel);
  Canvas.Draw(405, 150, ClockPanel);
  Canvas.Draw(400, 0, SeparatorStrip);

  if (PlayPhase == PhaseCountdown) {
    // The font is the countdown's own, set when it showed its first text.
    Canvas.Brush.Color = clBlack;
    if (CountdownStage >= 1 && CountdownStage <= 4) {
      static const char* const kReadyTexts[] = {"", "Ready", "Ready.", "Ready..", "Ready..."};
      Canvas.TextOut(424, 183, kReadyTexts[CountdownStage]);
    }
  } else {
    Canvas.Draw(460, 218, DigitSprites[ClockMinutes]);
    Canvas.Draw(482, 218, DigitSprites[ClockTens]);
    Canvas.Draw(493, 218, DigitSprites[ClockUnits]);
    // White leaves the board as it is; only the black path comes through.
    Canvas.CopyMode = SRCAND;
    Canvas.Draw(0, 0, PathLayer);
  }
  Canvas.CopyMode = SRCCOPY;
}

}  // namespace enclova
