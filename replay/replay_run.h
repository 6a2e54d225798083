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

// A playback's exit statuses.
constexpr int kPlaybackMatched = 0;
constexpr int kPlaybackDiffered = 1;
constexpr int kPlaybackRefused = 2;  // the file cannot be read or is no replay we can read
// No data directory tried holds the sprite sheet the round was recorded with, or the game
// cannot start there: the file may be good, but its pictures cannot be made here.
constexpr int kPlaybackNotHere = 3;

// Plays the file without any display, as fast as it goes, against the sheet of `real`'s
// current directory, and says on standard output whether it matched. Returns the exit status
// (one line on standard error unless it played).
int PlayHeadless(const ReplayOptions& options, FileSystem& real, const Typeface* face);

// Whether the screenshot can be written at `path`: false with the reason when something other
// than a regular file is there (a FIFO would hold the writer until a reader came).
bool ScreenshotPathUsable(FileSystem& files, const std::string& path, std::string* error);

// After playback (headless or in the window): writes the screenshot if asked, through `files`,
// prints the verdict line, and returns the exit status as above.
int FinishPlayback(const ReplayOptions& options, const Replay& replay, Player& player,
                   FileSystem& files);

}  // namespace enclova::replay
