// SPDX-License-Identifier: MIT
// The main window object: all game state, all surfaces and the four handlers.
//
// The handlers run one at a time, each to its end. Any of them may throw GameError; the caller
// (app/application.h) shows it in the error box and carries on with the next event. State is
// kept in plain 32-bit integers with the game's own names, since the handlers rely on exact
// values and on what each other left behind.
//
// The methods are the handlers' steps, a file per concern, all in app/. They apply the rules of
// puzzle/ and ranking/, which are pure functions over these same integers:
//   app/form.cpp            construction, FormCreate, Random
//   app/dispatch.cpp        FormKeyDown, Timer1Timer, the title screen, the quiet-timer promise
//   app/board_setup.cpp     SetUpBoard
//   app/play_keys.cpp       PlayKey and the growing of the path
//   app/retraction.cpp      Retract
//   app/path_drawing.cpp    the cursor toggle, and the stroke scripts played on both surfaces
//   app/judging.cpp         JudgeLoop
//   app/countdown_clock.cpp CountdownStep, ClockStep
//   app/result.cpp          ResultStep
//   app/ranking_screen.cpp  DrawRanking
//   app/repaint.cpp         FormPaint
#pragma once

#include <cstdint>
#include <string>

#include "app/screen_layout.h"
#include "base/seams.h"
#include "gfx/surface.h"
#include "puzzle/board_geometry.h"
#include "puzzle/step_rule.h"
#include "puzzle/steps.h"
#include "puzzle/strokes.h"
#include "ranking/ranking_table.h"

namespace enclova {

class Typeface;

// GameMode
constexpr std::int32_t ModeTitle = 0;
constexpr std::int32_t ModePlay = 1;
constexpr std::int32_t ModeResult = 2;
constexpr std::int32_t ModeRankingRequested = -2;
constexpr std::int32_t ModeRanking = -3;

// PlayPhase
constexpr std::int32_t PhaseSetup = 0;
constexpr std::int32_t PhaseCountdown = -1;
constexpr std::int32_t PhaseRunning = 1;

// Command: CmdNone, the four directions of puzzle/steps.h, and these two.
constexpr std::int32_t CmdNone = 0;
constexpr std::int32_t CmdBack = 99;
constexpr std::int32_t CmdAction = 100;

// Virtual-key codes the game tests.
constexpr std::uint16_t VK_ESCAPE = 0x1B;
constexpr std::uint16_t VK_LEFT = 0x25;
constexpr std::uint16_t VK_UP = 0x26;
constexpr std::uint16_t VK_RIGHT = 0x27;
constexpr std::uint16_t VK_DOWN = 0x28;
constexpr std::uint16_t VK_NUMPAD2 = 0x62;
constexpr std::uint16_t VK_NUMPAD4 = 0x64;
constexpr std::uint16_t VK_NUMPAD6 = 0x66;
constexpr std::uint16_t VK_NUMPAD8 = 0x68;
constexpr std::uint16_t VK_X = 0x58;
constexpr std::uint16_t VK_Z = 0x5A;

// The data files' directory for the directory the files seam calls current, ending in one "/".
// An unreadable working directory ("") leaves the files to be looked for where the process
// stands.
std::string DataDirectoryOf(std::string currentDirectory);

class TForm1 {
 public:
  // `face` may be null (text then draws nothing); none of the references is owned.
  TForm1(Clock& clock, FileSystem& files, Host& host, const Typeface* face);

  // The four handlers. May throw GameError.
  void FormCreate();
  void FormKeyDown(std::uint16_t key);
  void Timer1Timer();
  void FormPaint();

  // True when a timer tick provably does nothing in the current state, so the event loop may
  // sleep until the next event.
  bool TimerIsIdle() const;

  // How many milliseconds of the game's clock from now the timer ticks will certainly do
  // nothing: 0 when the next tick may act, at most a second. The event loop sleeps through
  // those ticks and wakes for the first one that may act, at its usual time.
  std::int32_t QuietMilliseconds();

  // A start-up that ended early leaves surfaces missing; a round then cannot be set up.
  bool StartupComplete() const { return startupComplete_; }

  // ---- Rounds, as recording and playback see them ----
  // True when `key`, pressed now, starts a round: Z on the title once the pictures are loaded.
  bool KeyStartsRound(std::uint16_t key) const {
    return GameMode == ModeTitle && key == VK_Z && startupComplete_;
  }
  // True from a round's set-up to the end of its result; a round leaves only through its result.
  bool InRound() const { return GameMode == ModePlay || GameMode == ModeResult; }
  // The title as a round finds it, drawn: the level chosen, the place the last round earned, the
  // random source and the ranking file as the game last saw it. Everything else a round reads,
  // the board set-up starts afresh.
  void PutOnTitle(std::int32_t level, std::int32_t lastRank, std::uint32_t seed,
                  const RecordFileStamp& ranking);
  // Takes the time a tick would take when the quiet-timer promise says the tick does nothing
  // else (QuietMilliseconds() > 0), and returns true; false, with nothing done, when it may act.
  bool PassQuietTick();

  // Replaces the clock seed that FormCreate takes (--seed, and tests); call before FormCreate.
  void FixSeed(std::uint32_t seed) {
    seedFixed_ = true;
    RandSeed = seed;
  }

  // The game's one random source: 0..n-1.
  std::int32_t Random(std::int32_t n);

  // ---- Game flow ----
  std::int32_t GameMode = ModeTitle;
  std::int32_t PlayPhase = PhaseSetup;
  std::int32_t Command = CmdNone;
  std::int32_t Level = 0;
  std::uint32_t RandSeed = 0;
  std::string DataDirectory;  // ends in exactly one "/"

  // ---- Board (CellGrid[column][row], each 1..23) ----
  std::int32_t CellGrid[kMaxCells + 1][kMaxCells + 1] = {};

  // ---- Path ----
  std::int32_t CursorX = 0;
  std::int32_t CursorY = 0;
  std::int32_t DrawingStarted = 0;
  std::int32_t StepCount = 0;
  std::int32_t MoveHistory[kMoveHistorySize + 1] = {};  // entries 1..576
  std::int32_t LoopClosed = 0;
  std::int32_t StepTaken = 0;
  // Lattice coordinates run from -2 to 51; use Lattice(i, j).
  PathLatticeArray PathLattice = {};
  std::int32_t& Lattice(int i, int j) { return LatticeEntry(PathLattice, i, j); }
  std::int32_t Lattice(int i, int j) const { return LatticeEntry(PathLattice, i, j); }

  // ---- Judging ----
  std::int32_t Missed = 0;
  std::int32_t TimeScore = 0;

  // ---- Countdown, clock and result ----
  std::int32_t ReferenceTime = 0;
  std::int32_t ElapsedTime = 0;
  std::int32_t CountdownStage = 0;
  std::int32_t ShownSecond = 0;
  std::int32_t ClockMinutes = 0;
  std::int32_t ClockTens = 0;
  std::int32_t ClockUnits = 0;
  std::int32_t ResultStage = 0;
  std::int32_t LastRank = 0;

  // ---- Ranking ----
  RankingTable Ranking;
  RecordFileStamp RankingStamp;  // the ranking file as this game last read or wrote it

  // ---- Surfaces ----
  Surface Canvas;  // the window's client area
  Surface SpriteSheet;
  Surface ClockPanel;
  Surface TitleImage;
  Surface SidePanel;
  Surface ClockPanelBlank;
  Surface PathLayer;
  Surface JudgeLayer;
  Surface SeparatorStrip;
  Surface LevelSprites[kLevels + 1];  // 1..kLevels
  Surface DigitSprites[10];
  Surface CellSprites[6];
  Surface MissMarker;
  Surface CursorIdle;
  Surface CursorDrawing;

  // ---- Title (app/dispatch.cpp) ----
  void DrawTitle();  // TitleImage at (0, 0), then LevelSprites[Level] at (315, 251)

  // ---- Board set-up (app/board_setup.cpp) ----
  void SetUpBoard();

  // ---- Play handling (app/play_keys.cpp, app/retraction.cpp) ----
  void PlayKey();  // the five stages, with Command
  void Retract();

  // ---- Path drawing (app/path_drawing.cpp) ----
  // Vertex (x, y) of the current level in pixels.
  int VertexPixelX(int x) const { return VertexPixel(Level, x); }
  int VertexPixelY(int y) const { return VertexPixel(Level, y); }
  int Margin() const { return enclova::Margin(Level); }
  int BoardSize() const { return enclova::BoardSize(Level); }
  void ToggleCursor(const Surface& sprite, int x, int y);  // vertex (x, y)
  // Plays a stroke or erase on the window, then on PathLayer, move by move.
  void DrawPen(const PenScript& script);

  // ---- Judging (app/judging.cpp) ----
  void JudgeLoop();

  // ---- Countdown and clock (app/countdown_clock.cpp) ----
  void CountdownStep();
  void ClockStep();
  void DrawClockDigits();  // the three held digits, at their places on the clock panel
  std::int32_t CurrentMilliseconds() { return clock_->CurrentMilliseconds(); }
  // CurrentMilliseconds - ReferenceTime on the wrapping count: taken unsigned, where wrapping
  // is defined, and read back signed, so a round across the wrap or local midnight keeps
  // counting and a clock set back gives a negative time at which nothing advances.
  std::int32_t MillisecondsSinceReference() {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(CurrentMilliseconds()) -
                                     static_cast<std::uint32_t>(ReferenceTime));
  }

  // ---- Result and ranking screen (app/result.cpp, app/ranking_screen.cpp) ----
  void ResultStep();
  void DrawRanking(std::int32_t Highlight);

  std::string RecordFilePath() const { return DataDirectory + "fdata.dat"; }
  std::string SpriteSheetPath() const { return DataDirectory + "fgra.bmp"; }

 private:
  // Pointers, not references, so that a game can be assigned over another without reallocating
  // its surfaces; never null.
  Clock* clock_;
  FileSystem* files_;
  Host* host_;
  bool startupComplete_ = false;
  bool seedFixed_ = false;
};

}  // namespace enclova
