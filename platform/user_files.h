// SPDX-License-Identifier: MIT
// Where the game keeps its files on a player's system: the data directory it plays in, its
// settings, and the folder for screenshots. No window system here, so the tests link it.
#pragma once

#include <string>

#include "base/seams.h"

namespace enclova {

struct DataDirectoryRequest {
  std::string Explicit;     // --data-dir, or empty
  std::string Working;      // the current directory, absolute
  std::string Installed;    // the installed sheet and empty ranking, or empty when not installed
  std::string XdgDataHome;  // $XDG_DATA_HOME as given (may be empty or relative: then ignored)
  std::string Home;         // $HOME
};

struct DataDirectoryChoice {
  std::string Directory;  // where the game reads and writes fgra.bmp and fdata.dat
  std::string Warning;    // a line for standard error when the player's own copy failed
};

// --data-dir wins; else a working directory that holds either data file; else, for an
// installed game, $XDG_DATA_HOME/enclova, seeded from the installation: the ranking only when
// absent, the sheet when absent or different. Otherwise the working directory, as always.
// The installation is only read.
DataDirectoryChoice ChooseDataDirectory(const DataDirectoryRequest& request);

// An XDG base directory: the variable's `value` when it is absolute (the rules ignore a
// relative one), else `fallback` under `home`.
std::string XdgDirectory(const char* value, const std::string& home, const char* fallback);

// Settings kept across runs, in $XDG_CONFIG_HOME/enclova/settings.
struct Settings {
  bool Fullscreen = false;
};
// The defaults where the file is missing, unreadable, or no small regular file (a FIFO there
// does not hold up the start).
Settings LoadSettings(FileSystem& files, const std::string& path);
// Replaces the file whole (ReplaceWholeFile), making its directory when missing; a link there is
// written through, and the file keeps its permission bits.
bool SaveSettings(FileSystem& files, const std::string& path, const Settings& settings);
// The same on the process's own files.
Settings LoadSettings(const std::string& path);
bool SaveSettings(const std::string& path, const Settings& settings);

// The player's pictures folder: $XDG_PICTURES_DIR, else the one user-dirs.dirs names, else
// ~/Pictures. `variable` is $XDG_PICTURES_DIR (may be null).
std::string PicturesDirectory(const char* variable, const std::string& home,
                              const std::string& configHome);

// Creates the directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path);

}  // namespace enclova
