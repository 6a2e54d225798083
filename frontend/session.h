// SPDX-License-Identifier: MIT
// The one type a front end drives: the whole game, live or a recorded round played back at its
// pace, behind plain types. A front end (SDL, Win32, a web page) turns its system's events into
// these calls and shows the picture; it holds no rule of the game. This header and those it
// includes name nothing that <windows.h> defines as a macro, so a front end can include both.
//
// What a front end does, in order (ARCHITECTURE.md says it at length):
//   1. Build the session with the platform's services and the options; Start() it.
//   2. Show any PendingError() before the window (a start-up failure), and when answered call
//      AnswerError().
//   3. Open the window at a whole scale (frontend/placement.h); on its first showing and on
//      every uncovering call Paint() with the uncovered area in picture pixels.
//   4. Loop: PlanTimer(now) says whether to Tick() now or how long to wait for an event; pass
//      every key-down and auto-repeat to Key() (frontend/keys.h codes), except the window's own
//      keys (fullscreen, screenshot); after every call present TakeChanges().
//   5. Whenever PendingError() is set, show it without blocking the loop: ticks and paints go
//      on, keys belong to the box; AnswerError() when the player closes it.
//   6. End when QuitRequested() or the window is closed; then Finish().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/seams.h"
#include "frontend/input_mapping.h"
#include "frontend/placement.h"

namespace enclova {

class Surface;

class GameSession {
 public:
  // The picture's size in pixels.
  static constexpr int kWidth = 600;
  static constexpr int kHeight = 400;

  // What the platform gives. The references must outlive the session.
  struct Services {
    Clock* GameClock = nullptr;  // the game's milliseconds of local time
    FileSystem* Files = nullptr;
    // Milliseconds since 1970 UTC, for a replay's date and name; empty: the system clock.
    std::function<std::int64_t()> WallClock;
    // One line for a player who started the game from a terminal; empty: standard error.
    std::function<void(const std::string&)> Log;
  };

  struct Options {
    std::string DataDirectory;      // where fgra.bmp and fdata.dat are (frontend/data_directory.h)
    std::string Title = "enclova";  // the error box's caption
    std::optional<std::uint32_t> Seed;
    bool RecordReplays = true;
    // False when a test steps the game's clock by hand: every tick is then delivered.
    bool SleepThroughQuiet = true;
    // A replay file to play back instead of the game: each recorded call at its recorded delay,
    // read against the sheet in DataDirectory; Escape ends it. A front end drives it as it
    // drives the game: Tick() plays the calls that are due, and Paint() calls nothing.
    std::string ReplayFile;
    std::string Screenshot;  // with ReplayFile: the final picture as a PNG file

    // The installed game's own folder (frontend/data_directory.h's choice). Every field left as
    // it is keeps the game exactly as in any other directory.
    // Read in place of DataDirectory's fgra.bmp while the folder holds none.
    std::string InstalledSheet;
    // DataDirectory is made in memory from InstalledSheet and this empty ranking, and nothing
    // is kept: no ranking, no replays.
    bool FilesInMemory = false;
    std::string InstalledRanking;
    // Error boxes show the English line (file and cause) beneath the game's text.
    bool DetailInBox = false;
    // Told once, in a box of their own after any start-up failure's, and as lines.
    std::vector<std::string> Notices;
  };

  struct TimerPlan {
    bool TickNow = false;
    int WaitMilliseconds = -1;  // when not ticking: how long to wait; -1 until the next event
  };

  struct ErrorMessage {
    std::string Caption;
    std::string Text;    // the game's own words; a notice's English lines
    std::string Detail;  // one English line naming the file and the cause, "" when none
    bool DetailInBox = false;
    bool FromGame = true;  // false for a notice of the session's own, which the game never sees
  };
  // What a box shows: the game's text, and the English line beneath it where that was asked for.
  static std::string BoxText(const ErrorMessage& message);
  // The largest files the session reads, for a front end that reads them itself first (a page
  // refuses a larger dropped replay by its size, unread): a sprite sheet and a replay.
  static std::size_t LargestSheetBytes();
  static std::size_t LargestReplayBytes();

  GameSession(const Services& services, const Options& options);
  ~GameSession();
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // Start-up: reads the data files; a failure leaves an error pending. False only when a replay
  // cannot be played here (the reason logged): the front end then ends with ExitStatus().
  bool Start();

  void Key(std::uint16_t key);  // ignored while an error is pending: the keys are the box's
  void Tick();
  void Paint(const PixelArea& area);  // in picture pixels
  void Paint() { Paint(PixelArea{0, 0, kWidth, kHeight}); }

  // What the timer should do at `nowMilliseconds` of a monotonic clock. Ticks run every 33 ms
  // from a deadline; ticks the game promises would do nothing are slept through; on the title
  // and the ranking screen no tick is needed until an event comes.
  TimerPlan PlanTimer(std::int64_t nowMilliseconds);

  // kWidth x kHeight pixels, row by row, 0x00BBGGRR.
  const std::uint32_t* Pixels() const;
  // The part of the picture that differs from what was taken last (empty when nothing does),
  // and takes it; the whole picture the first time and when `all`.
  PixelArea TakeChanges(bool all = false);
  // The picture as a PNG file's bytes, the same on every platform.
  std::vector<std::uint8_t> PictureAsPng() const;

  // What a touch needs of the game when a finger goes down (frontend/input_mapping.h): whether a
  // round takes steps, and where its cursor is. A playback and a pending error take none.
  BoardView Board() const;

  const ErrorMessage* PendingError() const { return error_ ? &*error_ : nullptr; }
  void AnswerError();

  bool QuitRequested() const;
  // The front end's loop is over: a round still running is recorded as quit; a playback says
  // whether it matched.
  void Finish();
  // The process's exit status once finished: 0, or for a playback 0 matched, 1 differed, 2 the
  // file was refused, 3 it cannot be played with the sheet here.
  int ExitStatus() const { return exitStatus_; }

 private:
  struct Live;
  struct Playback;
  void AfterCall();
  void ShowNextNotice();
  const Surface& Canvas() const;

  std::unique_ptr<Live> live_;
  std::unique_ptr<Playback> playback_;
  int exitStatus_ = 0;
  std::optional<ErrorMessage> error_;
  std::size_t errorsSeen_ = 0;
  std::string title_;
  bool detailInBox_ = false;
  std::vector<std::string> notices_;  // still to show
  std::vector<std::uint32_t> taken_;
  std::uint64_t takenChange_ = 0;
};

}  // namespace enclova
