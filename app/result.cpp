// SPDX-License-Identifier: MIT
// The round result: the verdict panel 2.5 s after the loop closed, the ranking entry and its
// save, then the ranking screen or the title 7.5 s after.
#include <cstdint>
#include <optional>
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

    // Another copy of the game may have saved a round since this one read the file. Under the
    // lock the table is read again if so, and the round is ranked and saved against that, so
    // the rank shown is the rank saved and no record is written over. The lock is released
    // when this block ends, the save's error included.
    std::optional<RankingLock> lock;
    if (LastRank < kNoRank) {
      lock.emplace(*files_, RecordFilePath());
      if (RefreshRanking(*files_, RecordFilePath(), Ranking, RankingStamp)) {
        LastRank = RankOf(Ranking, Level, TimeScore);
      }
    }
    if (LastRank < kNoRank) {
      Canvas.TextOut(kResultTextX, kResultRankY, std::string(kRankLabel) + Ordinal(LastRank));
    }

    // Everything above is on screen before the save, which may throw; the table keeps the
    // new entry either way.
    if (LastRank < kNoRank) {
      InsertRank(Ranking, LastRank, TimeScore, Level);
      SaveRanking(*files_, RecordFilePath(), Ranking, &RankingStamp, lock->Held());
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
