// SPDX-License-Identifier: MIT
// Key-down dispatch, timer dispatch and the title screen.
#include <algorithm>

#include "app/form.h"
#include "base/texts.h"

namespace enclova {

namespace {

// The direction a key stands for; any other key is CmdNone.
std::int32_t TranslateKey(std::uint16_t key) {
  switch (key) {
    case VK_DOWN:
    case VK_NUMPAD2:
      return CmdDown;
    case VK_LEFT:
    case VK_NUMPAD4:
      return CmdLeft;
    case VK_RIGHT:
    case VK_NUMPAD6:
      return CmdRight;
    case VK_UP:
    case VK_NUMPAD8:
      return CmdUp;
    default:
      return CmdNone;
  }
}

// What the title shows when start-up ended before the pictures were cut: the error box has
// already named the failing file, so this only tells the player why the window is plain and
// which keys still work. The whole window is covered, as the title picture would be, and the
// canvas's drawing state is put back as it was, since later drawing relies on what it holds.
void DrawStartupFailureNotice(Surface& canvas) {
  const TPen pen = canvas.Pen;
  const TBrush brush = canvas.Brush;
  const TFont font = canvas.Font;
  const TPoint penPos = canvas.PenPos;

  SolidRectangle(canvas, clBtnFace, 0, 0, kClientWidth, kClientHeight);
  canvas.Font.Height = kSmallFontHeight;
  canvas.Font.Color = clBlack;
  canvas.TextOut(24, 160, kStartupFailureLines[0]);
  canvas.TextOut(24, 184, kStartupFailureLines[1]);
  canvas.TextOut(24, 216, kStartupFailureLines[2]);

  canvas.Pen = pen;
  canvas.Brush = brush;
  canvas.Font = font;
  canvas.PenPos = penPos;
}

}  // namespace

// The steps run in a fixed order within one press, each seeing what the steps before it
// changed: Z on the title sets up the board further down in the same press, and a key that
// leaves the ranking screen is then handled as a title key.
void TForm1::FormKeyDown(std::uint16_t key) {
  Command = TranslateKey(key);

  // Without the pictures a board cannot be set up, so Z stays on the title.
  if (KeyStartsRound(key)) {
    GameMode = ModePlay;
    PlayPhase = PhaseSetup;
  }
  if (GameMode == ModeTitle && key == VK_X) GameMode = ModeRankingRequested;
  if (GameMode == ModePlay && key == VK_Z) Command = CmdAction;
  if (GameMode == ModePlay && key == VK_X) Command = CmdBack;
  if (GameMode == ModeRanking) {
    GameMode = ModeTitle;
    DrawTitle();
  }
  // The program ends after this handler returns; the rest of the press still runs.
  if (key == VK_ESCAPE) host_->Terminate();

  if (GameMode == ModeTitle) {
    if (Command == CmdLeft) {
      Level = Level - 1;
      if (Level == 0) Level = 1;
      Canvas.Draw(kLevelSpriteX, kLevelSpriteY, LevelSprites[Level]);
    }
    if (Command == CmdRight) {
      Level = Level + 1;
      if (Level == kLevels + 1) Level = kLevels;
      Canvas.Draw(kLevelSpriteX, kLevelSpriteY, LevelSprites[Level]);
    }
  }

  // The reversal rule runs in every mode; only a running round acts on its CmdBack.
  if (StepCount > 1 && StepCount - 1 <= kMoveHistorySize &&
      MoveHistory[StepCount - 1] + Command == 10) {
    Command = CmdBack;
  }

  if (GameMode == ModePlay) {
    if (PlayPhase == PhaseRunning) PlayKey();
    if (PlayPhase == PhaseSetup) SetUpBoard();
  }
  if (GameMode == ModeRankingRequested) {
    DrawRanking(kNoRank);
    GameMode = ModeRanking;
  }
}

// Four checks in a fixed order, each seeing what the checks before it changed: the clock runs
// in the very tick in which the countdown reached "Go!".
void TForm1::Timer1Timer() {
  if (GameMode == ModeTitle && PlayPhase == 0) {
    PlayPhase = 1;
    if (TitleImage.Exists()) {
      Canvas.Draw(0, 0, TitleImage);  // the level sprite waits for the next repaint or key
    } else {
      DrawTitle();
    }
  }
  if (GameMode == ModePlay && PlayPhase == PhaseCountdown) CountdownStep();
  if (GameMode == ModePlay && PlayPhase == PhaseRunning) ClockStep();
  // The result step ends the result itself, with the title or the ranking screen.
  if (GameMode == ModeResult) ResultStep();
}

void TForm1::DrawTitle() {
  if (TitleImage.Exists()) {
    Canvas.Draw(0, 0, TitleImage);
  } else {
    DrawStartupFailureNotice(Canvas);
  }
  Canvas.Draw(kLevelSpriteX, kLevelSpriteY, LevelSprites[Level]);
}

void TForm1::PutOnTitle(std::int32_t level, std::int32_t lastRank, std::uint32_t seed,
                        const RecordFileStamp& ranking) {
  RankingStamp = ranking;
  Level = level;
  LastRank = lastRank;
  RandSeed = seed;
  GameMode = ModeTitle;
  // The title's first tick has drawn it already.
  PlayPhase = PhaseRunning;
  DrawTitle();
}

bool TForm1::PassQuietTick() {
  if (QuietMilliseconds() <= 0) return false;
  ElapsedTime = MillisecondsSinceReference();
  return true;
}

bool TForm1::TimerIsIdle() const {
  return (GameMode == ModeTitle && PlayPhase != 0) || GameMode == ModeRanking;
}

std::int32_t TForm1::QuietMilliseconds() {
  // Every timed stage acts on the first tick whose elapsed time exceeds a threshold; until
  // then a tick only recomputes ElapsedTime. `threshold` is that bound for the current stage.
  std::int32_t threshold;
  if (GameMode == ModePlay && PlayPhase == PhaseCountdown && CountdownStage < 5) {
    threshold = CountdownThreshold(CountdownStage + 1);
  } else if (GameMode == ModePlay && PlayPhase == PhaseRunning && CountdownStage == 5) {
    threshold = kGoShownFor;
  } else if (GameMode == ModePlay && PlayPhase == PhaseRunning && CountdownStage == 0 &&
             ShownSecond >= 0 && ShownSecond < 100000) {
    threshold = ClockSecondThreshold(ShownSecond);
  } else if (GameMode == ModeResult && ResultStage == 1) {
    threshold = kVerdictAfter;
  } else if (GameMode == ModeResult && ResultStage == 2) {
    threshold = kResultEndsAfter;
  } else {
    return 0;
  }
  const std::int64_t elapsed = MillisecondsSinceReference();
  // A clock set back would promise a long quiet; a second at most keeps the loop honest.
  const std::int64_t quiet = std::clamp<std::int64_t>(threshold + 1 - elapsed, 0, 1000);
  return static_cast<std::int32_t>(quiet);
}

}  // namespace enclova
