// The ranking screen: the twenty places on white, one row optionally in red.
#include <cstdint>
#include <string>

#include "app/form.h"

namespace enclova {

namespace {

constexpr TColor kHeadingGreen = 0x00008000;
constexpr TColor kRankOlive = 0x00008080;
constexpr TColor kHighlightRed = 0x000000FF;
constexpr TColor kEmptyGrey = 0x00808080;
constexpr TColor kFooterBlue = 0x00FF0000;

int RowTop(int i) {
  return 17 * i + 6;
}

// m' tu" with division toward zero. A crafted file may hold any 32-bit time; in 64 bits none
// of these steps can overflow, and a negative time prints the (negative) digits it yields.
std::string TimeText(std::int32_t time) {
  const std::int64_t t = time;
  const std::int64_t minutes = t / 100;
  const std::int64_t tens = (t - 100 * minutes) / 10;
  const std::int64_t units = t % 10;
  return std::to_string(minutes) + "' " + std::to_string(tens) + std::to_string(units) + "\"";
}

}  // namespace

void TForm1::DrawRanking(std::int32_t Highlight) {
  Canvas.Pen.Color = clWhite;
  Canvas.Brush.Color = clWhite;
  Canvas.Rectangle(0, 0, kClientWidth, kClientHeight);

  Canvas.Font.Height = 16;
  Canvas.Font.Color = kHeadingGreen;
  Canvas.TextOut(116, 2, "Rank");
  Canvas.TextOut(200, 2, "Level");
  Canvas.TextOut(316, 2, "Time");

  for (int i = 1; i <= kRankingEntries; ++i) {
    Canvas.Font.Color = i == Highlight ? kHighlightRed : kRankOlive;
    Canvas.TextOut(123, RowTop(i), std::to_string(i));
  }

  for (int i = 1; i <= kRankingEntries; ++i) {
    if (Ranking.RankLevels[i] < 0) {
      Canvas.Font.Color = kEmptyGrey;
      Canvas.TextOut(191, RowTop(i), "-------    No Entry    -------");
    } else {
      Canvas.Font.Color = i == Highlight ? kHighlightRed : clBlack;
      Canvas.TextOut(216, RowTop(i), std::to_string(Ranking.RankLevels[i]));
      Canvas.TextOut(316, RowTop(i), TimeText(Ranking.RankTimes[i]));
    }
  }

  // Three ideographic spaces on each side of the words.
  Canvas.Font.Color = kFooterBlue;
  Canvas.TextOut(100, 374, "########\u3000\u3000\u3000Press any key\u3000\u3000\u3000########");

  Canvas.Pen.Color = clBlack;
  Canvas.MoveTo(61, 21);
  Canvas.LineTo(446, 21);
}

}  // namespace enclova
