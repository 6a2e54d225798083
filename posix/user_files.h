// SPDX-License-Identifier: MIT
// Where the game keeps its files on a Linux player's system (the XDG directories), and the
// settings and pictures on the process's own files. No window system here, so the tests link it.
#pragma once

#include <string>

#include "frontend/data_directory.h"

namespace enclova {

// An XDG base directory: the variable's `value` when it is absolute (the rules ignore a
// relative one), else `fallback` under `home`; "" when `home` is not absolute either (unset,
// empty or relative is no home: nothing is made under the working directory).
std::string XdgDirectory(const char* value, const std::string& home, const char* fallback);

// The player's own folder for the game's data: $XDG_DATA_HOME/enclova (~/.local/share/enclova);
// "" when there is none.
std::string UserDataDirectory(const std::string& xdgDataHome, const std::string& home);

// The settings ($XDG_CONFIG_HOME/enclova/settings) on the process's own files.
Settings LoadSettings(const std::string& path);
bool SaveSettings(const std::string& path, const Settings& settings);

// The player's pictures folder: $XDG_PICTURES_DIR, else the one user-dirs.dirs names, else
// ~/Pictures; "" when none is absolute. `variable` is $XDG_PICTURES_DIR (may be null).
std::string PicturesDirectory(const char* variable, const std::string& home,
                              const std::string& configHome);

}  // namespace enclova
