// SPDX-License-Identifier: MIT
// The Ready countdown after a board is set up, and the round clock from "Go!" on.
#include <algorithm>
#include <cstdint>

#include "app/form.h"
#include "base/texts.h"
#include "ranking/clock_digits.h"

namespace enclova {

// Each test sees the stage the test before it may have just set, so a late tick draws every
// text it passed, one over the other, and still starts the clock on time.
void TForm1::CountdownStep() {
  ElapsedTime = MillisecondsSinceReference();
  if (CountdownStage == 0 && ElapsedTime > CountdownThreshold(1)) {
    CountdownStage = 1;
    // Left in force: later stages and the result's verdict write in this font on this brush.
    Canvas.Font.Height = kCountdownFontHeight;
    Canvas.Font.Color = kCountdownTextColor;
    Canvas.Brush.Color = clBlack;
    Canvas.TextOut(kReadyX, kCountdownY, kCountdownTexts[1]);
  }
  for (std::int32_t stage = 2; stage <= 4; ++stage) {
    if (CountdownStage == stage - 1 && ElapsedTime > CountdownThreshold(stage)) {
      CountdownStage = stage;
      Canvas.TextOut(kReadyX, kCountdownY, kCountdownTexts[stage]);
    }
  }
  if (CountdownStage == 4 && ElapsedTime > CountdownThreshold(5)) {
    CountdownStage = 5;
    Canvas.TextOut(kGoX, kCountdownY, kCountdownTexts[5]);
    ReferenceTime = CurrentMilliseconds();
    PlayPhase = PhaseRunning;
  }
}

// CountdownStage 5 means "Go!" is still shown; 0 means the clock runs. ShownSecond starts at 1,
// so the first digits (0, 0, 2) appear two seconds after "Go!".
void TForm1::ClockStep() {
  ElapsedTime = MillisecondsSinceReference();
  if (CountdownStage == 5 && ElapsedTime > kGoShownFor) {
    CountdownStage = 0;
    ShownSecond = 1;
    Canvas.Draw(kClockPanelX, kClockPanelY, ClockPanelBlank);
  }
  if (CountdownStage == 0) {
    const std::int32_t s = ElapsedTime / 1000;
    if (s > ShownSecond) {
      ShownSecond = s;
      // A tick held up past 9:59 (a suspended machine, a clock stepped forward) still stops the
      // clock at 9:59, and the round is scored so; once there, the digits need no redrawing.
      const ClockDigits digits = DigitsOfSecond(std::min(s, kLastShownSecond));
      if (s <= kLastShownSecond || digits.Minutes != ClockMinutes || digits.Tens != ClockTens ||
          digits.Units != ClockUnits) {
        ClockMinutes = digits.Minutes;
        ClockTens = digits.Tens;
        ClockUnits = digits.Units;
        DrawClockDigits();
      }
    }
  }
}

void TForm1::DrawClockDigits() {
  Canvas.Draw(kMinutesX, kDigitY, DigitSprites[ClockMinutes]);
  Canvas.Draw(kTensX, kDigitY, DigitSprites[ClockTens]);
  Canvas.Draw(kUnitsX, kDigitY, DigitSprites[ClockUnits]);
}

}  // namespace enclova
