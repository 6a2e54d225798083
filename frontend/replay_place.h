// SPDX-License-Identifier: MIT
// Where a recorded round can be played back: the data directories the replay may belong to,
// each tried with the game itself, and the first whose sprite sheet is the recorded one.
#pragma once

#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

class Typeface;
namespace replay {
struct Replay;
}

// The directories a replay may have been recorded in, in the order they are tried: `chosen`
// (where the game would play here), then, for a file in a "replays" folder, the folder that
// holds it, where the round that wrote it played. Relative paths are taken from `working`; a
// directory is named once.
std::vector<std::string> ReplayDirectories(const std::string& chosen, const std::string& replay,
                                           const std::string& working);

struct ReplayPlace {
  std::string Directory;  // where to play; empty when no directory fits
  std::string Account;    // when none fits: what was looked for and where, one English line
};

// Starts the game on each directory in turn and keeps the first whose sprite sheet hashes as
// the replay's "sheet" line says. Only reads: the ranking the game sees is the replay's own.
ReplayPlace FindReplayPlace(const replay::Replay& recorded, FileSystem& files,
                            const std::vector<std::string>& directories, const Typeface* face);

}  // namespace enclova
