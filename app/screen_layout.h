// SPDX-License-Identifier: MIT
// Where things sit on the 600x400 window, and the moments the timed stages change. The
// handlers, the repaint and the quiet-timer promise all read them here.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

namespace enclova {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;
constexpr TColor clBtnFace = 0x00F0F0F0;  // the window's background, RGB 240, 240, 240

// The title's level number.
constexpr int kLevelSpriteX = 315;
constexpr int kLevelSpriteY = 251;

// The board screen's right-hand side: the side panel and its separator at x 400, the clock
// panel inside it, and the clock area that the countdown and the result write over.
constexpr int kSidePanelX = 400;
constexpr int kClockPanelX = 405;
constexpr int kClockPanelY = 150;
constexpr int kClockAreaLeft = 405;  // window pixels 405..593 x 150..263
constexpr int kClockAreaTop = 150;
constexpr int kClockAreaRight = 594;
constexpr int kClockAreaBottom = 264;
constexpr int kCursorSpriteOffset = 3;     // the 7x7 cursor sprite is centred on its vertex
constexpr TColor kGridColor = 0x00C0FF98;  // the board's grid lines; erased path goes this colour
constexpr TColor kSeparatorGrey = 0x00808080;
constexpr TColor kSeparatorSilver = 0x00C0C0C0;

// The countdown's texts, and the font they leave for the result.
constexpr int kReadyX = 424;
constexpr int kGoX = 416;
constexpr int kCountdownY = 183;
constexpr int kCountdownFontHeight = 48;
constexpr TColor kCountdownTextColor = 0x00E6E6E6;

// The clock's three digits.
constexpr int kDigitY = 218;
constexpr int kMinutesX = 460;
constexpr int kTensX = 482;
constexpr int kUnitsX = 493;

// The result panel.
constexpr int kVerdictX = 420;
constexpr int kVerdictY = 158;
constexpr int kResultTextX = 440;
constexpr int kResultTimeY = 210;
constexpr int kResultRankY = 232;
constexpr int kSmallFontHeight = 16;

// Timed stages act on the first tick whose elapsed time is more than their threshold.
constexpr std::int32_t CountdownThreshold(std::int32_t stage) {
  return 1000 * stage;
}  // 1..5
constexpr std::int32_t kGoShownFor = 999;  // "Go!" gives way to the blank clock
// The clock shows second s on the first tick at or after s seconds, that is more than
// 1000 x (s - 1) + 999 milliseconds.
constexpr std::int32_t ClockSecondThreshold(std::int32_t shownSecond) {
  return 1000 * shownSecond + 999;
}
constexpr std::int32_t kVerdictAfter = 2500;
constexpr std::int32_t kResultEndsAfter = 7500;

}  // namespace enclova
