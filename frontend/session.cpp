// SPDX-License-Identifier: MIT
// The session: the game with its recorder and the files of its data directory, or a recorded
// round played back; the timer's schedule and what the front end has been shown.
#include "frontend/session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/game.h"
#include "app/game_typeface.h"
#include "base/file_io.h"
#include "base/memory_file_system.h"
#include "frontend/data_directory_files.h"
#include "frontend/keys.h"
#include "frontend/tick_schedule.h"
#include "gfx/bmp.h"
#include "gfx/png.h"
#include "replay/player.h"
#include "replay/recorder.h"
#include "replay/replay_file.h"
#include "replay/replay_run.h"

namespace enclova {

// The key codes front ends send are the ones the game tests.
static_assert(keys::kEscape == VK_ESCAPE && keys::kLeft == VK_LEFT && keys::kUp == VK_UP &&
              keys::kRight == VK_RIGHT && keys::kDown == VK_DOWN && keys::Numpad(2) == VK_NUMPAD2 &&
              keys::Numpad(4) == VK_NUMPAD4 && keys::Numpad(6) == VK_NUMPAD6 &&
              keys::Numpad(8) == VK_NUMPAD8 && keys::Letter('z') == VK_Z &&
              keys::Letter('X') == VK_X);
static_assert(GameSession::kWidth == kClientWidth && GameSession::kHeight == kClientHeight);

namespace {

// Every English line starts with the program's name on a terminal; a box has its caption
// instead.
std::string InBox(const std::string& line) {
  const std::string prefix = "enclova: ";
  return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line;
}

// How long the last picture of a playback stays, so the end of the round can be seen.
constexpr std::int64_t kPlaybackHoldMilliseconds = 1500;
// A playback that is behind its pace (calls recorded without a gap, a slow machine) plays this
// many calls in a row at most before the plan lets the front end take its events: Escape and a
// closed window are seen however the file was made.
constexpr int kCallsBetweenEvents = 16;
// The longest wait between two played calls. A live round calls the game at least once a
// second, so a longer gap is a machine that slept, shown shortened; and a made-up delay of
// days cannot hold the window.
constexpr std::int64_t kLongestGapMilliseconds = 2000;

std::int64_t GapBefore(const replay::RecordedCall& call) {
  return std::min<std::int64_t>(call.DelayMs, kLongestGapMilliseconds);
}

std::function<void(const std::string&)> LogOf(const GameSession::Services& services) {
  if (services.Log) return services.Log;
  // Lines name files, whose names may hold any byte.
  return [](const std::string& line) { std::fprintf(stderr, "%s\n", PrintableLine(line).c_str()); };
}

replay::Recorder::Options RecorderOptions(const GameSession::Services& services) {
  replay::Recorder::Options options;
  options.WallClock = services.WallClock;
  options.Warn = LogOf(services);
  return options;
}

}  // namespace

struct GameSession::Live {
  Live(const Services& services, const Options& options)
      : Log(LogOf(services)),
        Memory(options.FilesInMemory
                   ? InstalledFilesInMemory(*services.Files, options.DataDirectory,
                                            options.InstalledSheet, options.InstalledRanking)
                   : nullptr),
        Files(Memory ? *Memory : *services.Files, options.DataDirectory,
              Memory ? std::string() : options.InstalledSheet),
        Replays(*services.Files),
        Recorder(*services.GameClock, Files, Replays, RecorderOptions(services)),
        Face(OpenGameTypeface()),
        Running(Recorder.GameClock(), Recorder.GameFiles(), Face.get(), options.Title),
        Seed(options.Seed),
        SleepThroughQuiet(options.SleepThroughQuiet) {
    if (options.RecordReplays && !Memory) Recorder.Attach(Running.Form, Running.App);
  }

  std::function<void(const std::string&)> Log;
  std::unique_ptr<MemoryFileSystem> Memory;
  DataDirectoryFileSystem Files;
  replay::FileReplayStore Replays;
  replay::Recorder Recorder;
  std::unique_ptr<Typeface> Face;
  Game Running;
  std::optional<std::uint32_t> Seed;
  bool SleepThroughQuiet;
  std::optional<TickSchedule> Schedule;
  bool Idle = false;
};

struct GameSession::Playback {
  Playback(const Services& services, const Options& options)
      : Log(LogOf(services)),
        Files(*services.Files, options.DataDirectory),
        Face(OpenGameTypeface()) {
    Run.File = options.ReplayFile;
    Run.Screenshot = options.Screenshot;
  }

  std::function<void(const std::string&)> Log;
  DataDirectoryFileSystem Files;
  std::unique_ptr<Typeface> Face;
  replay::ReplayOptions Run;
  std::optional<replay::Replay> Recorded;
  std::unique_ptr<replay::Player> Player;
  std::optional<std::int64_t> Due;  // when the next call is due, from the first plan on
  int CallsInARow = 0;              // played since the front end last waited
  bool Stopped = false;             // Escape, or the end held long enough
};

GameSession::GameSession(const Services& services, const Options& options) : title_(options.Title) {
  if (options.ReplayFile.empty()) {
    live_ = std::make_unique<Live>(services, options);
    detailInBox_ = options.DetailInBox;
    notices_ = options.Notices;
  } else {
    playback_ = std::make_unique<Playback>(services, options);
  }
}

GameSession::~GameSession() = default;

bool GameSession::Start() {
  if (live_) {
    live_->Running.Create(live_->Seed);
    for (const std::string& line : notices_) live_->Log(line);
    AfterCall();
    return true;
  }
  Playback& p = *playback_;
  std::string error;
  p.Recorded = replay::LoadReplay(p.Files, p.Run.File, &error);
  if (!p.Recorded) {
    p.Log("enclova: " + p.Run.File + ": refused: " + error);
    exitStatus_ = replay::kPlaybackRefused;
    return false;
  }
  p.Player = std::make_unique<replay::Player>(*p.Recorded, p.Files, p.Face.get());
  if (!p.Player->Start(&error)) {
    p.Log("enclova: " + p.Run.File + ": cannot be played here: " + error);
    p.Player.reset();
    exitStatus_ = replay::kPlaybackNotHere;
    return false;
  }
  return true;
}

BoardView GameSession::Board() const {
  BoardView board;
  if (!live_ || error_) return board;
  const TForm1& form = live_->Running.Form;
  board.TakesSteps = form.GameMode == ModePlay && form.PlayPhase == PhaseRunning;
  board.Level = form.Level;
  board.CursorX = form.CursorX;
  board.CursorY = form.CursorY;
  return board;
}

void GameSession::Key(std::uint16_t key) {
  if (error_) return;
  if (playback_) {
    if (key == keys::kEscape) playback_->Stopped = true;
    return;
  }
  live_->Running.Key(key);
  AfterCall();
}

void GameSession::Tick() {
  if (playback_) {
    Playback& p = *playback_;
    if (p.Player && !p.Player->Done()) {
      p.Player->Step();
      if (p.Due && !p.Player->Done()) *p.Due += GapBefore(p.Player->NextCall());
    }
    return;
  }
  live_->Running.Tick();
  AfterCall();
}

void GameSession::Paint(const PixelArea& area) {
  // A repaint through the played game would be a call the round never had: the front end shows
  // the picture as it stands.
  if (playback_) return;
  live_->Running.Paint(TRect{area.Left, area.Top, area.Right, area.Bottom});
  AfterCall();
}

// Every error box the handlers asked for gets its English line, the one the box is shown with
// and those raised while a box was open alike; only one box waits at a time.
void GameSession::AfterCall() {
  GameHost& host = live_->Running.Host;
  for (; errorsSeen_ < host.Errors.size(); ++errorsSeen_) {
    const std::string detail = live_->Files.Explain(host.Errors[errorsSeen_].second);
    live_->Log(detail);
    if (!error_ && host.Pending()) {
      error_ = ErrorMessage{host.Pending()->first, host.Pending()->second, detail, detailInBox_};
    }
  }
  ShowNextNotice();
}

// Notices wait for the game's own boxes: a start-up failure is the first thing to answer.
void GameSession::ShowNextNotice() {
  if (error_ || notices_.empty() || live_->Running.Host.Pending()) return;
  std::string text;
  for (const std::string& line : notices_) {
    if (!text.empty()) text.push_back('\n');
    text += InBox(line);
  }
  notices_.clear();
  error_ = ErrorMessage{title_, text, "", false, false};
}

void GameSession::AnswerError() {
  const bool fromGame = error_ && error_->FromGame;
  error_.reset();
  if (!live_) return;
  if (fromGame) live_->Running.Host.Answer();
  ShowNextNotice();
}

std::size_t GameSession::LargestSheetBytes() {
  return kMaxBmpFileSize;
}

std::size_t GameSession::LargestReplayBytes() {
  return replay::kMaxFileBytes;
}

std::string GameSession::BoxText(const ErrorMessage& message) {
  if (!message.DetailInBox || message.Detail.empty()) return message.Text;
  return message.Text + "\n" + InBox(message.Detail);
}

GameSession::TimerPlan GameSession::PlanTimer(std::int64_t now) {
  if (playback_) {
    Playback& p = *playback_;
    if (!p.Player || p.Stopped) return {};
    if (!p.Due) p.Due = now + (p.Player->Done() ? 0 : GapBefore(p.Player->NextCall()));
    if (p.Player->Done()) {
      const std::int64_t until = *p.Due + kPlaybackHoldMilliseconds;
      if (now >= until) {
        // A loop that waited for an event now might never look at QuitRequested again.
        p.Stopped = true;
        return {false, 0};
      }
      return {false, static_cast<int>(until - now)};
    }
    if (now >= *p.Due && p.CallsInARow < kCallsBetweenEvents) {
      ++p.CallsInARow;
      return {true, 0};
    }
    p.CallsInARow = 0;
    return {false, static_cast<int>(std::max<std::int64_t>(*p.Due - now, 0))};
  }

  Live& l = *live_;
  const TickSchedule::Time at{std::chrono::milliseconds(now)};
  if (!l.Schedule) l.Schedule.emplace(at);
  TForm1& form = l.Running.Form;
  if (form.TimerIsIdle()) {
    l.Idle = true;
    return {};
  }
  // A deadline that passed while the timer slept starts afresh.
  if (l.Idle) l.Schedule->Resync(at);
  l.Idle = false;
  // Between the countdown's stages, the clock's seconds and the result's stages the ticks
  // certainly do nothing; the schedule sleeps through them.
  const std::chrono::milliseconds quiet(l.SleepThroughQuiet ? form.QuietMilliseconds() : 0);
  const TickPlan plan = l.Schedule->Plan(at, quiet);
  return {plan.Tick, static_cast<int>(plan.Wait.count())};
}

const Surface& GameSession::Canvas() const {
  return live_ ? live_->Running.Form.Canvas : playback_->Player->Form().Canvas;
}

const std::uint32_t* GameSession::Pixels() const {
  return Canvas().Pixels().data();
}

PixelArea GameSession::TakeChanges(bool all) {
  if (playback_ && !playback_->Player) return {};
  const Surface& canvas = Canvas();
  const std::vector<std::uint32_t>& pixels = canvas.Pixels();
  const bool first = taken_.size() != pixels.size();
  if (!all && !first && canvas.ChangeCount() == takenChange_) return {};
  takenChange_ = canvas.ChangeCount();
  if (all || first) {
    taken_ = pixels;
    return {0, 0, kWidth, kHeight};
  }
  // Only the rectangle that differs from what was taken is sent on: a key press changes a few
  // cells, and at 3x the whole picture is 8.6 MB to scale and present.
  PixelArea changed{kWidth, kHeight, 0, 0};
  for (int y = 0; y < kHeight; ++y) {
    const std::uint32_t* now = pixels.data() + static_cast<std::ptrdiff_t>(y) * kWidth;
    std::uint32_t* was = taken_.data() + static_cast<std::ptrdiff_t>(y) * kWidth;
    if (std::memcmp(now, was, static_cast<std::size_t>(kWidth) * 4) == 0) continue;
    int l = 0, r = kWidth;
    while (now[l] == was[l]) ++l;
    while (now[r - 1] == was[r - 1]) --r;
    std::memcpy(was + l, now + l, static_cast<std::size_t>(r - l) * 4);
    changed.Left = std::min(changed.Left, l);
    changed.Right = std::max(changed.Right, r);
    changed.Top = std::min(changed.Top, y);
    changed.Bottom = y + 1;
  }
  return changed.Empty() ? PixelArea{} : changed;
}

std::vector<std::uint8_t> GameSession::PictureAsPng() const {
  return EncodePng(Canvas());
}

bool GameSession::QuitRequested() const {
  if (playback_) return playback_->Stopped || !playback_->Player;
  return live_->Running.QuitRequested();
}

void GameSession::Finish() {
  if (live_) {
    live_->Recorder.Finish();
    return;
  }
  Playback& p = *playback_;
  if (p.Player) exitStatus_ = replay::FinishPlayback(p.Run, *p.Recorded, *p.Player, p.Files);
}

}  // namespace enclova
