// SPDX-License-Identifier: MIT
// Where the game plays and what it remembers, by the same rules on every system: the data
// directory chosen and seeded, and the settings file. A platform gives the facts (the working
// directory, the installation, the player's own folder); the choice is made here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

struct DataDirectoryRequest {
  std::string Explicit;   // --data-dir, or empty
  std::string Working;    // the current directory, absolute
  std::string Installed;  // the installed sheet and empty ranking, or empty when not installed
  // The player's own folder for the game's data, by the platform's rules; empty when the player
  // has none (no usable home).
  std::string UserDirectory;
  std::string WhyNoUserDirectory;  // when UserDirectory is empty: what the player can set
  // Milliseconds since 1970 UTC: the date in the name a damaged ranking is kept under.
  std::int64_t NowMilliseconds = 0;
  // Only where the game would play, for a playback, which changes no file: the player's own
  // folder is named as it is, never made, probed, seeded, set aside or tidied.
  bool OnlyLook = false;
};

struct DataDirectoryChoice {
  std::string Directory;  // where the game reads and writes fgra.bmp and fdata.dat
  // The installed game's own folder (or its stand-in in memory), where a start-up failure's box
  // names the file and the cause in English beneath the game's text.
  bool OwnFolder = false;
  // Read in place of Directory's fgra.bmp while the folder holds none: the installation's sheet.
  std::string InstalledSheet;
  // The folder cannot be used: the game plays on a copy in memory of InstalledSheet and
  // InstalledRanking under Directory's name, and keeps nothing.
  bool InMemory = false;
  std::string InstalledRanking;
  // What the player is told once: the folder could not be used, a damaged ranking was set aside.
  std::vector<std::string> Notices;
};

// --data-dir wins; else a working directory that holds either data file; else, for an
// installed game, the player's own folder, with its ranking seeded from the installation when
// missing and the installation's sheet read in place. A ranking there that the game cannot read
// as one (shorter than a ranking) is kept under a dated name and a fresh one seeded; a folder
// that cannot be made or written is left for a game in memory. Otherwise the working directory.
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
