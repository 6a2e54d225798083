// SPDX-License-Identifier: MIT
// The ranking screen: the twenty places on white, one row optionally in red.
#include <cstdint>
#include <string>

#include "app/form.h"
#include "base/texts.h"
#include "ranking/clock_digits.h"

namespace enclova {

namespace {

constexpr TColor kHeadingGreen = 0x00008000;
constexpr TColor kRankOlive = 0x00008080;
constexpr TColor kHighlightRed = 0x000000FF;
constexpr TColor kEmptyGrey = 0x00808080;
constexpr TColor kFooterBlue = 0x00FF0000;

constexpr int kHeadingY = 2;
constexpr int kRankHeadingX = 116;
constexpr int kLevelHeadingX = 200;
constexpr int kTimeColumnX = 316;  // the heading and every time
constexpr int kPlaceX = 123;
constexpr int kNoEntryX = 191;
constexpr int kLevelX = 216;
constexpr int kFooterX = 100;
constexpr int kFooterY = 374;

constexpr int RowTop(int i) {
  return 17 * i + 6;
}

}  // namespace

void TForm1::DrawRanking(std::int32_t Highlight) {
  SolidRectangle(Canvas, clWhite, 0, 0, kClientWidth, kClientHeight);

  Canvas.Font.Height = kSmallFontHeight;
  Canvas.Font.Color = kHeadingGreen;
  Canvas.TextOut(kRankHeadingX, kHeadingY, kRankHeading);
  Canvas.TextOut(kLevelHeadingX, kHeadingY, kLevelHeading);
  Canvas.TextOut(kTimeColumnX, kHeadingY, kTimeHeading);

  for (int i = 1; i <= kRankingEntries; ++i) {
    Canvas.Font.Color = i == Highlight ? kHighlightRed : kRankOlive;
    Canvas.TextOut(kPlaceX, RowTop(i), std::to_string(i));
  }

  for (int i = 1; i <= kRankingEntries; ++i) {
    if (Ranking.RankLevels[i] < 0) {
      Canvas.Font.Color = kEmptyGrey;
      Canvas.TextOut(kNoEntryX, RowTop(i), kNoEntry);
    } else {
      Canvas.Font.Color = i == Highlight ? kHighlightRed : clBlack;
      Canvas.TextOut(kLevelX, RowTop(i), std::to_string(Ranking.RankLevels[i]));
      Canvas.TextOut(kTimeColumnX, RowTop(i), RankingTimeText(Ranking.RankTimes[i]));
    }
  }

  Canvas.Font.Color = kFooterBlue;
  Canvas.TextOut(kFooterX, kFooterY, kPressAnyKey);

  Canvas.Pen.Color = clBlack;
  Canvas.MoveTo(61, 21);
  Canvas.LineTo(446, 21);
}

}  // namespace enclova
