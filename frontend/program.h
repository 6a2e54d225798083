// SPDX-License-Identifier: MIT
// The program every desktop front end runs: the command line, a replay played headless or in
// the window, the data directory chosen, and the game's session handed to the window. A front
// end's main() builds its DesktopSystem and calls RunProgram.
#pragma once

#include <string>

#include "base/seams.h"
#include "frontend/data_directory.h"
#include "frontend/session.h"
#include "frontend/world.h"

namespace enclova {

// What a desktop front end gives the program.
class DesktopSystem {
 public:
  virtual ~DesktopSystem() = default;

  virtual Clock& GameClock() = 0;
  // True when a test steps the game's clock by hand (no quiet-timer sleeping then).
  virtual bool ClockIsStepped() const { return false; }
  virtual FileSystem& Files() = 0;
  // The error box's caption is made from this path's file name.
  virtual std::string ExecutablePath() = 0;
  // Where the game plays: `requested` is --data-dir or "" (frontend/data_directory.h's rule).
  // With `onlyLook` (for a playback) nothing is made, seeded, set aside or removed.
  virtual DataDirectoryChoice DataDirectory(const std::string& requested, bool onlyLook) = 0;

  // Makes ready to open windows; false with a one-line reason (no display).
  virtual bool OpenDisplay(std::string* error) = 0;
  // Shows a started session in a window at `scale` (0: chosen from the display) until it ends.
  // False with a reason when no window can be opened.
  virtual bool RunWindow(GameSession& session, int scale, std::string* error) = 0;

  // Where the world ranking's settings are kept (frontend/world.h); "": nowhere.
  virtual std::string WorldSettingsPath() { return ""; }
  // The build's way to the ranking server; none where the build has no HTTP client.
  virtual WorldClient* World() { return nullptr; }
};

// Returns the process's exit status: 0; 1 when no window could be opened; 2 for a bad command
// line or a replay file that was refused; 3 for a replay no data directory here can play (none
// holds the sheet it was recorded with); else a replay's verdict (0 matched, 1 differed).
int RunProgram(int argc, const char* const* argv, DesktopSystem& desktop, const char* version);

}  // namespace enclova
