// SPDX-License-Identifier: MIT
// The window's own rules, the same in every front end: which keys are the window's and what they
// do, F12's picture (its name, saving it, its line in the title), the fullscreen setting, the
// loop's next step and the error box's keys. A front end asks these and keeps only its system's
// calls: set the title, go fullscreen, wait, present, show the box. The whole scale is
// frontend/placement.h's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/civil_time.h"
#include "base/seams.h"
#include "frontend/title_notice.h"

namespace enclova {

class GameSession;

// What a key press does in the game's window.
enum class WindowKey {
  Game,              // the game's key: pass it to GameSession::Key
  Ignored,           // the window's, with nothing to do now
  ToggleFullscreen,  // F11 or Alt+Enter
  SavePicture,       // F12
};

// `key` in the game's codes (frontend/keys.h); `alt` when Alt is held; `repeat` for an
// auto-repeat. The window's keys act on their first press only, and Alt itself never reaches the
// game: it is the first half of Alt+Enter, and the game, were it its key, would leave the ranking
// screen before the Enter arrived. Every other key, repeats too, is the game's.
WindowKey WindowKeyOf(std::uint16_t key, bool alt, bool repeat);

// True for the keys that close the error box: Enter, Space and Escape.
bool ClosesErrorBox(std::uint16_t key);

// The name F12's picture is saved under at a local time, before ".png": "enclova-2026-12-11-
// 134502", so that a listing sorts by date.
std::string PictureStem(const CivilTime& local);

// The window's icon, size x size pixels, each 0xAABBGGRR (R in the lowest byte).
std::vector<std::uint32_t> WindowIcon(int size);

// The loop's next step: tick now, or wait (milliseconds; -1 for the next event).
struct LoopStep {
  bool Tick = false;
  int WaitMilliseconds = -1;
  std::optional<std::string> Title;  // the window's title to set first, when it changes back
};

// The rules that keep state: the title line F12 leaves for a while, and where the setting and the
// pictures go.
class WindowRules {
 public:
  // `settingsPath`: where fullscreen on or off is kept ("" not at all); `picturesDirectory`:
  // where F12 writes. Files go through `files`, which is not owned.
  WindowRules(FileSystem& files, std::string settingsPath, std::string picturesDirectory);

  // The window's own title.
  const std::string& Title() const { return notice_.Title(); }

  // Whether the window opens fullscreen: as it was left last time.
  bool StartsFullscreen();
  // Keeps the window's new state for the next start; a setting that cannot be saved costs one
  // line on standard error.
  void FullscreenChanged(bool on);

  // Saves `png` as a new picture named for `local` and returns the title to show with the
  // outcome, never drawn on the picture, where the next F12 would keep it. The path goes to
  // standard output, a failure's line to standard error. `now`: a monotonic clock's milliseconds.
  std::string SavePicture(const std::vector<std::uint8_t>& png, const CivilTime& local,
                          std::int64_t now);

  // The next step at `now` (a monotonic clock's milliseconds): tick when the session's plan says,
  // else wait for the sooner of its plan and the end of F12's line. `session` is null while the
  // game has no timer yet (an error box before the window). The title the line leaves comes
  // back with the step at which its time is up.
  LoopStep Step(GameSession* session, std::int64_t now);

 private:
  FileSystem& files_;
  std::string settingsPath_;
  std::string picturesDirectory_;
  TitleNotice notice_{"Enclova"};
};

}  // namespace enclova
