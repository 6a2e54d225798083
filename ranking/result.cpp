// The round result: the verdict panel 2.5 s after the loop closed, the ranking entry and its
// save, then the ranking screen or the title 7.5 s after.
#include <cstdint>
#include <string>

#include "app/form.h"

namespace enclova {

namespace {

std::string Ordinal(std::int32_t rank) {
  switch (rank) {
    case 1:
      return "1st";
    case 2:
      return "2nd";
    case 3:
      return "3rd";
    default:
      return std::to_string(rank) + "th";
  }
}

}  // namespace

void TForm1::ResultStep() {
  if (ResultStage == 0) {
    ResultStage = 1;
    ReferenceTime = CurrentMilliseconds();
  }
  ElapsedTime = MillisecondsSinceReference();

  if (ResultStage == 1 && ElapsedTime > 2500) {
    ResultStage = 2;
    Canvas.Pen.Color = clBlack;
    Canvas.Brush.Color = clBlack;
    Canvas.Rectangle(405, 150, 594, 264);

    // The verdict keeps the font the countdown left: height 48, light grey.
    if (Missed == 0) Canvas.TextOut(420, 158, "Ｇｏｏｄ!");
    if (Missed == 1) Canvas.TextOut(420, 158, "Ｍｉｓｓ!");

    Canvas.Font.Height = 16;
    Canvas.TextOut(440, 210,
                   "Time : " + std::to_string(ClockMinutes) + "' " + std::to_string(ClockTens) +
                       std::to_string(ClockUnits) + "\"");

    LastRank = kNoRank;
    if (Missed == 0) LastRank = RankOf(Ranking, Level, TimeScore);
    if (LastRank < kNoRank) Canvas.TextOut(440, 232, "Rank in " + Ordinal(LastRank));

    // Everything above is on screen before the save, which may throw; the table keeps the
    // new entry either way.
    if (LastRank < kNoRank) {
      InsertRank(Ranking, LastRank, TimeScore, Level);
      SaveRanking(files_, RecordFilePath(), Ranking);
    }
  }

  if (ResultStage == 2 && ElapsedTime > 7500) {
    Canvas.CopyMode = SRCCOPY;  // the judging left it at SRCAND
    if (Missed == 0) {
      GameMode = ModeRanking;
      DrawRanking(LastRank);
    } else {
      GameMode = ModeTitle;
      DrawTitle();
    }
  }
}

}  // namespace enclova
