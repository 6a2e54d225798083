// SPDX-License-Identifier: MIT
// Where each picture of the game is cut from the sprite sheet: the one table that start-up, the
// sprite tool and the tests all read.
#pragma once

namespace enclova {

struct SheetRegion {
  int X;
  int Y;
  int Width;
  int Height;
};

// The sheet is at least this large; every region lies inside it.
constexpr int kSheetWidth = 800;
constexpr int kSheetHeight = 417;

constexpr SheetRegion kTitleRegion{0, 0, 600, 400};
constexpr SheetRegion kSidePanelRegion{600, 0, 200, 400};
// The clock panel with its digits' frame; the blank panel is the same place, five pixels
// narrower.
constexpr SheetRegion kClockPanelRegion{605, 150, 195, 115};
constexpr SheetRegion kClockPanelBlankRegion{605, 150, 190, 115};
constexpr SheetRegion kMissMarkerRegion{303, 401, 15, 15};
constexpr SheetRegion kCursorIdleRegion{181, 401, 7, 7};
constexpr SheetRegion kCursorDrawingRegion{189, 401, 7, 7};

// Level numbers 1..10 along the bottom strip.
constexpr SheetRegion LevelSpriteRegion(int level) {
  return {18 * (level - 1), 400, 18, 12};
}
// Cell sprites 0..5: the window's empty cell, stone 1, stone 2, then the same three as the
// judging pictures that are ANDed over the board.
constexpr SheetRegion CellSpriteRegion(int k) {
  return {200 + 17 * k, 400, 17, 17};
}
// Clock digits 0..9.
constexpr SheetRegion DigitSpriteRegion(int d) {
  return {320 + 11 * d, 402, 9, 13};
}

}  // namespace enclova
