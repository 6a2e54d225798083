// SPDX-License-Identifier: MIT
// The browser's side of the seam: one GameSession over an in-memory file system, behind a small
// C API the page's script calls. The ranking file is written through to the page's storage as
// it is replaced, so a storage that refuses or is full is a failed file operation the game
// itself reports, and the round goes on.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/civil_time.h"
#include "base/memory_file_system.h"
#include "base/seams.h"
#include "frontend/daily_seed.h"
#include "frontend/input_mapping.h"
#include "frontend/placement.h"
#include "frontend/session.h"
#include "frontend/window_rules.h"

namespace enclova {
namespace {

constexpr const char* kDataDirectory = "/data";
constexpr const char* kRankingPath = "/data/fdata.dat";
constexpr const char* kReplayDirectory = "/data/replays";

}  // namespace
}  // namespace enclova

// The page's storage, called synchronously from inside the game's file operations.
// Returns 0 when stored, 1 when the storage is full, 2 when it refuses.
EM_JS(int, enclova_js_store_ranking, (const std::uint8_t* bytes, int size),
      { return Module.storeRanking(HEAPU8.slice(bytes, bytes + size)); });
EM_JS(void, enclova_js_log, (const char* line), { Module.logLine(UTF8ToString(line)); });
// Local time's offset from UTC in minutes, as Date tells it for now.
EM_JS(double, enclova_js_local_offset_ms, (), { return -new Date().getTimezoneOffset() * 60000; });
EM_JS(double, enclova_js_now_ms, (), { return Date.now(); });

namespace enclova {
namespace {

// The player's wall clock, as the desktop builds read it: local time in milliseconds, wrapping.
class PageClock final : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override {
    const auto local =
        static_cast<std::int64_t>(enclova_js_now_ms() + enclova_js_local_offset_ms());
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(local)));
  }
  std::uint32_t UtcMillisecondsOfDay() override {
    const auto now = static_cast<std::int64_t>(enclova_js_now_ms());
    return static_cast<std::uint32_t>(now % 86400000);
  }
};

// The memory file system, with the ranking file's replacement written through to the page's
// storage first: the rename happens only once the storage holds the new ranking, and a refusal
// is the game's own disk-full or access-denied error.
class PageFileSystem final : public MemoryFileSystem {
 public:
  bool StorageRefused = false;

  int Open(const std::string& path, OpenFlags flags, unsigned mode) override {
    if (StorageRefused && path == kRankingPath) return ResultOf(FileError::AccessDenied);
    return MemoryFileSystem::Open(path, flags, mode);
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (to == kRankingPath) {
      if (StorageRefused) return ResultOf(FileError::AccessDenied);
      const std::vector<std::uint8_t>* bytes = Contents(from);
      if (bytes) {
        const int stored = enclova_js_store_ranking(bytes->data(), static_cast<int>(bytes->size()));
        if (stored == 1) return ResultOf(FileError::NoSpace);
        if (stored != 0) return ResultOf(FileError::AccessDenied);
      }
    }
    return MemoryFileSystem::Rename(from, to);
  }
};

struct Page {
  PageFileSystem Files;
  PageClock GameClock;
  // The page's pictures go to the downloads and its fullscreen is the browser's: what it asks of
  // the rules is the keys, the picture's name, the loop's step and the scale.
  WindowRules Rules{Files, "", ""};
  std::unique_ptr<GameSession> Live;
  std::unique_ptr<GameSession> Playback;
  std::vector<std::uint32_t> Rgba = std::vector<std::uint32_t>(
      static_cast<std::size_t>(GameSession::kWidth) * GameSession::kHeight, 0xFF000000u);
  int Changed[4] = {0, 0, 0, 0};
  std::vector<std::uint8_t> Bytes;  // the last bytes asked for: a file, a PNG, a listing
  std::string Text;
  int Verdict = -1;  // the last playback's exit status, -1 while none has finished
  // A finger on the picture, and the pads: the page's buttons and the Gamepad API's, each with
  // the state it last reported, for the held direction's repeats.
  TouchDrag Touch;
  PadInput Pads[2];
  PadState PadStates[2];

  GameSession& Current() { return Playback ? *Playback : *Live; }
};

// Keys from a touch or a pad go to the live game; a playback in the canvas takes none.
int Send(Page& page, const std::vector<std::uint16_t>& keys) {
  if (page.Playback || !page.Live) return 0;
  for (std::uint16_t key : keys) page.Live->Key(key);
  return static_cast<int>(keys.size());
}

// Milliseconds until a held direction's next repeat on any pad; -1 when none repeats.
int PadWait(const Page& page, std::int64_t now) {
  int wait = -1;
  for (const PadInput& pad : page.Pads) wait = SoonerWait(wait, pad.WaitMilliseconds(now));
  return wait;
}

Page& ThePage() {
  static Page page;
  return page;
}

GameSession::Services ServicesOf(Page& page) {
  GameSession::Services services;
  services.GameClock = &page.GameClock;
  services.Files = &page.Files;
  services.WallClock = [] { return static_cast<std::int64_t>(enclova_js_now_ms()); };
  services.Log = [](const std::string& line) { enclova_js_log(line.c_str()); };
  return services;
}

const std::uint8_t* Hold(Page& page, std::vector<std::uint8_t> bytes, int* size) {
  page.Bytes = std::move(bytes);
  *size = static_cast<int>(page.Bytes.size());
  return page.Bytes.data();
}

}  // namespace
}  // namespace enclova

using enclova::GameSession;
using enclova::Page;
using enclova::ThePage;

extern "C" {

// ---- Files ----

EMSCRIPTEN_KEEPALIVE int enclova_put_file(const char* path, const std::uint8_t* bytes, int size) {
  return ThePage().Files.Put(path, std::vector<std::uint8_t>(bytes, bytes + size)) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int enclova_remove_file(const char* path) {
  return ThePage().Files.Remove(path) ? 1 : 0;
}

// The bytes of a file, or null; `size` gets their count.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* enclova_file(const char* path, int* size) {
  Page& page = ThePage();
  const std::vector<std::uint8_t>* bytes = page.Files.Contents(path);
  if (!bytes) {
    *size = 0;
    return nullptr;
  }
  return enclova::Hold(page, *bytes, size);
}

// The names of the replays now kept, one a line.
EMSCRIPTEN_KEEPALIVE const char* enclova_replay_names() {
  Page& page = ThePage();
  std::vector<std::string> names;
  page.Text.clear();
  if (page.Files.ListDirectory(enclova::kReplayDirectory, names) == 0) {
    for (const std::string& name : names) page.Text += name + "\n";
  }
  return page.Text.c_str();
}

EMSCRIPTEN_KEEPALIVE void enclova_set_storage_refused(int refused) {
  ThePage().Files.StorageRefused = refused != 0;
}

// ---- The live game ----

// The daily board's seed for the UTC day of `now` (milliseconds since 1970, as Date.now()).
EMSCRIPTEN_KEEPALIVE double enclova_daily_seed(double now) {
  return enclova::DailySeedAt(static_cast<std::int64_t>(now));
}

// Builds and starts the game on the files put so far. A seed of -1 takes the clock's.
EMSCRIPTEN_KEEPALIVE void enclova_start(double seed) {
  Page& page = ThePage();
  GameSession::Options options;
  options.DataDirectory = enclova::kDataDirectory;
  options.Title = "enclova";
  if (seed >= 0) options.Seed = static_cast<std::uint32_t>(seed);
  page.Live = std::make_unique<GameSession>(enclova::ServicesOf(page), options);
  page.Live->Start();
}

// The page's loop is over (the game asked to quit): a round still running is recorded as quit.
EMSCRIPTEN_KEEPALIVE void enclova_finish() {
  Page& page = ThePage();
  if (page.Live) page.Live->Finish();
}

EMSCRIPTEN_KEEPALIVE void enclova_key(int key) {
  ThePage().Current().Key(static_cast<std::uint16_t>(key));
}

EMSCRIPTEN_KEEPALIVE void enclova_tick() {
  ThePage().Current().Tick();
}

EMSCRIPTEN_KEEPALIVE void enclova_paint() {
  ThePage().Current().Paint();
}

// -2: tick now; -1: nothing until an event; otherwise the milliseconds to wait.
EMSCRIPTEN_KEEPALIVE int enclova_plan_timer(double now) {
  Page& page = ThePage();
  const auto at = static_cast<std::int64_t>(now);
  const enclova::LoopStep step = page.Rules.Step(&page.Current(), at);
  return step.Tick ? -2 : enclova::SoonerWait(step.WaitMilliseconds, enclova::PadWait(page, at));
}

// ---- Touch and pads (frontend/input_mapping.h): each returns how many keys it gave ----

// A finger goes down at (x, y) in device pixels of the canvas, whose picture is at `scale` from
// (left, top); a step of a drag is at least `fingerStep` device pixels.
EMSCRIPTEN_KEEPALIVE void enclova_touch_down(int x, int y, int scale, int left, int top,
                                             int fingerStep) {
  Page& page = ThePage();
  const enclova::BoardView board = page.Playback ? enclova::BoardView{} : page.Live->Board();
  page.Touch.Down(x, y, board, {{scale, left, top}, fingerStep});
}

EMSCRIPTEN_KEEPALIVE int enclova_touch_move(int x, int y) {
  Page& page = ThePage();
  return enclova::Send(page, page.Touch.Move(x, y));
}

EMSCRIPTEN_KEEPALIVE int enclova_touch_up(int x, int y) {
  Page& page = ThePage();
  return enclova::Send(page, page.Touch.Up(x, y));
}

EMSCRIPTEN_KEEPALIVE void enclova_touch_cancel() {
  ThePage().Touch.Cancel();
}

// A pad's state at `now`: `source` 0 for the page's buttons, 1 for the gamepads; `buttons` 1 up,
// 2 down, 4 left, 8 right, 16 the south button (A), 32 the east (B); the left stick from -32768
// to 32767, y downwards.
EMSCRIPTEN_KEEPALIVE int enclova_pad(int source, int buttons, int stickX, int stickY, double now) {
  Page& page = ThePage();
  if (source < 0 || source > 1) return 0;
  enclova::PadState& state = page.PadStates[source];
  state.Up = (buttons & 1) != 0;
  state.Down = (buttons & 2) != 0;
  state.Left = (buttons & 4) != 0;
  state.Right = (buttons & 8) != 0;
  state.South = (buttons & 16) != 0;
  state.East = (buttons & 32) != 0;
  state.StickX = stickX;
  state.StickY = stickY;
  return enclova::Send(page, page.Pads[source].Update(state, static_cast<std::int64_t>(now)));
}

// The held directions' repeats due at `now`.
EMSCRIPTEN_KEEPALIVE int enclova_pad_repeat(double now) {
  Page& page = ThePage();
  int sent = 0;
  for (int source = 0; source < 2; ++source) {
    sent += enclova::Send(
        page, page.Pads[source].Update(page.PadStates[source], static_cast<std::int64_t>(now)));
  }
  return sent;
}

// Milliseconds until a held direction repeats; -1 when none does.
EMSCRIPTEN_KEEPALIVE int enclova_pad_wait(double now) {
  return enclova::PadWait(ThePage(), static_cast<std::int64_t>(now));
}

// The last pad is gone: nothing it held is held any more.
EMSCRIPTEN_KEEPALIVE void enclova_pad_release(int source) {
  Page& page = ThePage();
  if (source < 0 || source > 1) return;
  page.Pads[source].Release();
  page.PadStates[source] = enclova::PadState{};
}

// ---- The window's rules ----

// What a key press does (the game's code, Alt held, an auto-repeat): 0 the game's key, 1 the
// window's with nothing to do, 2 fullscreen on or off, 3 save the picture.
EMSCRIPTEN_KEEPALIVE int enclova_window_key(int key, int alt, int repeat) {
  switch (enclova::WindowKeyOf(static_cast<std::uint16_t>(key), alt != 0, repeat != 0)) {
    case enclova::WindowKey::Game:
      return 0;
    case enclova::WindowKey::Ignored:
      return 1;
    case enclova::WindowKey::ToggleFullscreen:
      return 2;
    case enclova::WindowKey::SavePicture:
      return 3;
  }
  return 1;
}

EMSCRIPTEN_KEEPALIVE int enclova_closes_error_box(int key) {
  return enclova::ClosesErrorBox(static_cast<std::uint16_t>(key)) ? 1 : 0;
}

// The name the picture is saved under now, with ".png".
EMSCRIPTEN_KEEPALIVE const char* enclova_picture_name() {
  Page& page = ThePage();
  const auto local = static_cast<std::int64_t>(enclova_js_now_ms() + enclova_js_local_offset_ms());
  page.Text = enclova::PictureStem(enclova::CivilTimeOf(local)) + ".png";
  return page.Text.c_str();
}

// The whole scale of the picture in an area of device pixels.
EMSCRIPTEN_KEEPALIVE int enclova_fit_scale(int width, int height) {
  return enclova::FitScale(width, height, GameSession::kWidth, GameSession::kHeight);
}

// The picture as RGBA bytes for an ImageData, brought up to date in the area that changed since
// the last call (all of it when `all`); enclova_changed() then names that area.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* enclova_take_changes(int all) {
  Page& page = ThePage();
  GameSession& session = page.Current();
  const enclova::PixelArea area = session.TakeChanges(all != 0);
  page.Changed[0] = area.Left;
  page.Changed[1] = area.Top;
  page.Changed[2] = area.Right;
  page.Changed[3] = area.Bottom;
  if (!area.Empty()) {
    const std::uint32_t* pixels = session.Pixels();
    for (int y = area.Top; y < area.Bottom; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * GameSession::kWidth;
      for (int x = area.Left; x < area.Right; ++x)
        page.Rgba[row + x] = pixels[row + x] | 0xFF000000u;
    }
  }
  return page.Rgba.data();
}

// Left, top, right, bottom of the last enclova_take_changes; empty when right <= left.
EMSCRIPTEN_KEEPALIVE const int* enclova_changed() {
  return ThePage().Changed;
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* enclova_picture_png(int* size) {
  Page& page = ThePage();
  return enclova::Hold(page, page.Current().PictureAsPng(), size);
}

// ---- Errors ----

EMSCRIPTEN_KEEPALIVE const char* enclova_error_text() {
  const GameSession::ErrorMessage* error = ThePage().Current().PendingError();
  return error ? error->Text.c_str() : nullptr;
}

EMSCRIPTEN_KEEPALIVE const char* enclova_error_caption() {
  const GameSession::ErrorMessage* error = ThePage().Current().PendingError();
  return error ? error->Caption.c_str() : nullptr;
}

EMSCRIPTEN_KEEPALIVE void enclova_answer_error() {
  ThePage().Current().AnswerError();
}

EMSCRIPTEN_KEEPALIVE int enclova_quit_requested() {
  return ThePage().Current().QuitRequested() ? 1 : 0;
}

// ---- Playing a recorded round back ----

// Plays the replay file at `path` in place of the game, until enclova_end_playback(). False
// when it cannot be played (the reason logged; the verdict is then 2, or 3 when the game
// cannot start on the page's sheet).
EMSCRIPTEN_KEEPALIVE int enclova_start_playback(const char* path) {
  Page& page = ThePage();
  GameSession::Options options;
  options.DataDirectory = enclova::kDataDirectory;
  options.ReplayFile = path;
  page.Verdict = -1;
  page.Playback = std::make_unique<GameSession>(enclova::ServicesOf(page), options);
  if (!page.Playback->Start()) {
    page.Verdict = page.Playback->ExitStatus();
    page.Playback.reset();
    return 0;
  }
  return 1;
}

// Ends the playback and returns its verdict: 0 matched, 1 differed, 2 refused, 3 not playable
// here. The live game
// takes the picture back.
EMSCRIPTEN_KEEPALIVE int enclova_end_playback() {
  Page& page = ThePage();
  if (page.Playback) {
    page.Playback->Finish();
    page.Verdict = page.Playback->ExitStatus();
    page.Playback.reset();
  }
  return page.Verdict;
}

EMSCRIPTEN_KEEPALIVE int enclova_max_replay_bytes() {
  return static_cast<int>(GameSession::LargestReplayBytes());
}

EMSCRIPTEN_KEEPALIVE int enclova_playing_back() {
  return ThePage().Playback ? 1 : 0;
}

}  // extern "C"
