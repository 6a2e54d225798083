// SPDX-License-Identifier: MIT
// Where the game plays and what it remembers, by the same rules on every system: the data
// directory chosen and seeded, and the settings file. A platform gives the facts (the working
// directory, the installation, the player's own folder); the choice is made here.
#pragma once

#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

struct DataDirectoryRequest {
  std::string Explicit;   // --data-dir, or empty
  std::string Working;    // the current directory, absolute
  std::string Installed;  // the installed sheet and empty ranking, or empty when not installed
  std::string
      UserDirectory;  // the player's own folder for the game's data, by the platform's rules
};

struct DataDirectoryChoice {
  std::string Directory;  // where the game reads and writes fgra.bmp and fdata.dat
  std::string Warning;    // a line for standard error when the player's own copy failed
};

// --data-dir wins; else a working directory that holds either data file; else, for an
// installed game, the player's own folder, seeded from the installation: the ranking only when
// absent, the sheet when absent or different. Otherwise the working directory, as always.
// The installation is only read.
DataDirectoryChoice ChooseDataDirectory(FileSystem& files, const DataDirectoryRequest& request);

// Settings kept across runs.
struct Settings {
  bool Fullscreen = false;
};
// The defaults where the file is missing, unreadable, or no small regular file (a FIFO there
// does not hold up the start).
Settings LoadSettings(FileSystem& files, const std::string& path);
// Replaces the file whole (ReplaceWholeFile), making its directory when missing; a link there is
// written through, and the file keeps its permission bits.
bool SaveSettings(FileSystem& files, const std::string& path, const Settings& settings);

// The lines of a small text file; none when it cannot be read whole.
std::vector<std::string> LinesOfTextFile(FileSystem& files, const std::string& path);

}  // namespace enclova
