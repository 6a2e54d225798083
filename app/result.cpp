// SPDX-License-Identifier: MIT
// The round result: the verdict panel 2.5 s after the loop closed, the ranking entry and its
// save, then the ranking screen or the title 7.5 s after.
#include <cstdint>
#include <string>

#include "app/form.h"
#include "base/texts.h"
#include "ranking/clock_digits.h"

namespace enclova {

void TForm1::ResultStep() {
  if (ResultStage == 0) {
    ResultStage = 1;
    ReferenceTime = CurrentMilliseconds();
  }
  ElapsedTime = MillisecondsSinceReference();

  if (ResultStage == 1 && ElapsedTime > kVerdictAfter) {
    ResultStage = 2;
    SolidRectangle(Canvas, clBlack, kClockAreaLeft, kClockAreaTop, kClockAreaRight,
                   kClockAreaBottom);

    // The verdict keeps the font the countdown left: height 48, light grey.
    if (Missed == 0) Canvas.TextOut(kVerdictX, kVerdictY, kGoodVerdict);
    if (Missed == 1) Canvas.TextOut(kVerdictX, kVerdictY, kMissVerdict);

    Canvas.Font.Height = kSmallFontHeight;
    Canvas.TextOut(kResultTextX, kResultTimeY,
                   ResultTimeText({ClockMinutes, ClockTens, ClockUnits}));

    LastRank = kNoRank;
    if (Missed == 0) LastRank = RankOf(Ranking, Level, TimeScore);
    if (LastRank < kNoRank) {
      Canvas.TextOut(kResultTextX, kResultRankY, std::string(kRankLabel) + Ordinal(LastRank));
    }

    // Everything above is on screen before the save, which may throw; the table keeps the
    // new entry either way.
    if (LastRank < kNoRank) {
      InsertRank(Ranking, LastRank, TimeScore, Level);
      SaveRanking(files_, RecordFilePath(), Ranking);
    }
  }

  if (ResultStage == 2 && ElapsedTime > kResultEndsAfter) {
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
