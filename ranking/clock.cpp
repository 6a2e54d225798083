// The Ready countdown after a board is set up, and the round clock from "Go!" on.
#include <cstdint>

#include "app/form.h"

namespace enclova {

namespace {

constexpr TColor kCountdownTextColor = 0x00E6E6E6;
constexpr int kCountdownFontHeight = 48;
constexpr int kReadyX = 424;
constexpr int kGoX = 416;
constexpr int kCountdownY = 183;
constexpr int kClockPanelX = 405;
constexpr int kClockPanelY = 150;
constexpr int kDigitY = 218;
constexpr int kMinutesX = 460;
constexpr int kTensX = 482;
constexpr int kUnitsX = 493;
constexpr std::int32_t kLastShownSecond = 599;  // 9:59; the digits stop there

}  // namespace

// Each test sees the stage the test before it may have just set, so a late tick draws every
// text it passed, one over the other, and still starts the clock on time.
void TForm1::CountdownStep() {
  ElapsedTime = MillisecondsSinceReference();
  if (CountdownStage == 0 && ElapsedTime > 1000) {
    CountdownStage = 1;
    // Left in force: later stages and the result's verdict write in this font on this brush.
    Canvas.Font.Height = kCountdownFontHeight;
    Canvas.Font.Color = kCountdownTextColor;
    Canvas.Brush.Color = clBlack;
    Canvas.TextOut(kReadyX, kCountdownY, "Ready");
  }
  if (CountdownStage == 1 && ElapsedTime > 2000) {
    CountdownStage = 2;
    Canvas.TextOut(kReadyX, kCountdownY, "Ready.");
  }
  if (CountdownStage == 2 && ElapsedTime > 3000) {
    CountdownStage = 3;
    Canvas.TextOut(kReadyX, kCountdownY, "Ready..");
  }
  if (CountdownStage == 3 && ElapsedTime > 4000) {
    CountdownStage = 4;
    Canvas.TextOut(kReadyX, kCountdownY, "Ready...");
  }
  if (CountdownStage == 4 && ElapsedTime > 5000) {
    CountdownStage = 5;
    Canvas.TextOut(kGoX, kCountdownY, "   Go!       ");
    ReferenceTime = CurrentMilliseconds();
    PlayPhase = PhaseRunning;
  }
}

// CountdownStage 5 means "Go!" is still shown; 0 means the clock runs. ShownSecond starts at 1,
// so the first digits (0, 0, 2) appear two seconds after "Go!".
void TForm1::ClockStep() {
  ElapsedTime = MillisecondsSinceReference();
  if (CountdownStage == 5 && ElapsedTime > 999) {
    CountdownStage = 0;
    ShownSecond = 1;
    Canvas.Draw(kClockPanelX, kClockPanelY, ClockPanelBlank);
  }
  if (CountdownStage == 0) {
    const std::int32_t s = ElapsedTime / 1000;
    if (s > ShownSecond) {
      ShownSecond = s;
      if (s <= kLastShownSecond) {
        ClockMinutes = s / 60;
        ClockTens = (s % 60) / 10;
        ClockUnits = s % 10;
        Canvas.Draw(kMinutesX, kDigitY, DigitSprites[ClockMinutes]);
        Canvas.Draw(kTensX, kDigitY, DigitSprites[ClockTens]);
        Canvas.Draw(kUnitsX, kDigitY, DigitSprites[ClockUnits]);
      }
    }
  }
}

}  // namespace enclova
