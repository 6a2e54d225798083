// SPDX-License-Identifier: MIT
// Playing a replay file from the command line: headless, or after the window, the verdict.
#pragma once

#include <string>

#include "base/seams.h"
#include "replay/player.h"

namespace enclova {
class Typeface;
}

namespace enclova::replay {

struct ReplayOptions {
  std::string File;  // none asked for when empty
  bool Headless = false;
  std::string Screenshot;  // a PNG of the final picture, when set
};

// Plays the file without any display, as fast as it goes, and says on standard output whether
// it matched. Returns the exit status: 0 matched, 1 differed, 2 the file was refused (one line
// on standard error).
int PlayHeadless(const ReplayOptions& options, FileSystem& real, const Typeface* face);

// After playback (headless or in the window): writes the screenshot if asked, prints the
// verdict line, and returns the exit status as above.
int FinishPlayback(const ReplayOptions& options, const Replay& replay, Player& player);

}  // namespace enclova::replay
