// The replay options of the command line, and headless playback: kept apart from the game's
// own options so that main() only asks whether a replay was requested.
#pragma once

#include <string>

#include "base/seams.h"
#include "replay/player.h"

namespace enclova {
class Typeface;
}

namespace enclova::replay {

// The lines --help shows for playback.
extern const char* const kReplayUsage;

struct ReplayOptions {
  std::string File;
  bool Headless = false;
  std::string Screenshot;  // a PNG of the final picture, when set
};

enum class ReplayRequest { None, Play, Error };

// None when --replay is not among the arguments; otherwise every argument must be a replay
// option (--replay FILE, --headless, --screenshot OUT.png), or the answer is Error with the
// reason in `error`.
ReplayRequest ParseReplayOptions(int argc, char** argv, ReplayOptions& options, std::string* error);

// Plays the file without any display, as fast as it goes, and says on standard output whether
// it matched. Returns the exit status: 0 matched, 1 differed, 2 the file was refused (one line
// on standard error).
int PlayHeadless(const ReplayOptions& options, FileSystem& real, const Typeface* face);

// After playback (headless or in the window): writes the screenshot if asked, prints the
// verdict line, and returns the exit status as above.
int FinishPlayback(const ReplayOptions& options, const Replay& replay, Player& player);

}  // namespace enclova::replay
