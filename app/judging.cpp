// SPDX-License-Identifier: MIT
// Loop judging: the time score, the verdict read off the drawn loop, and the judged board.
#include "app/form.h"
#include "ranking/clock_digits.h"

namespace enclova {

// Runs in the key press whose closing step completed the loop on both surfaces. The verdict is
// read off the raster, not the lattice: filling the outside of PathLayer black leaves white
// exactly inside the loop, since the drawn loop's cut corners stop a fill that moves between
// edge neighbours only. Pixel (0, 0) is always outside: every path pixel lies within 16..384.
void TForm1::JudgeLoop() {
  TimeScore = TimeScoreOf({ClockMinutes, ClockTens, ClockUnits});

  // Nothing later in this key press may act on it; the result display takes over.
  Command = CmdNone;
  GameMode = ModeResult;

  // The loop over the cells' judging pictures, then everything outside it white again.
  JudgeLayer.CopyMode = SRCAND;
  JudgeLayer.Draw(0, 0, PathLayer);
  JudgeLayer.CopyMode = SRCCOPY;
  JudgeLayer.Brush.Color = clWhite;
  JudgeLayer.FloodFill(0, 0, clBlack);

  PathLayer.Brush.Color = clBlack;
  PathLayer.FloodFill(0, 0, clBlack);

  // Every cell is looked at, so that every stone of kind 1 left outside gets its marker.
  Missed = 0;
  const int n = BoardSize();
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      const TColor c = PathLayer.GetPixel(VertexPixelX(i) + 8, VertexPixelY(j) + 8);
      if (CellGrid[i][j] == 1 && c == clBlack) {
        JudgeLayer.Draw(VertexPixelX(i) + 1, VertexPixelY(j) + 1, MissMarker);
        Missed = 1;
      } else if (CellGrid[i][j] == 2 && c == clWhite) {
        Missed = 1;
      }
    }
  }

  // White leaves the board as it is; inside the loop the judging pictures combine with it.
  // The copy mode stays SRCAND: the result display sets it back before its next picture.
  Canvas.CopyMode = SRCAND;
  Canvas.Draw(0, 0, JudgeLayer);
}

}  // namespace enclova
