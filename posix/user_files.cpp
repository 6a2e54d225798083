// SPDX-License-Identifier: MIT
// The player's directories on Linux (XDG), and the settings and pictures on the process's own
// files.
#include "posix/user_files.h"

#include "base/file_io.h"
#include "posix/posix_platform.h"

namespace enclova {

namespace {

std::string Joined(const std::string& directory, const char* name) {
  return directory.empty() || directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

std::string XdgDirectory(const char* value, const std::string& home, const char* fallback) {
  if (value != nullptr && value[0] == '/') return value;
  if (home.empty() || home.front() != '/') return {};
  return Joined(home, fallback);
}

std::string UserDataDirectory(const std::string& xdgDataHome, const std::string& home) {
  const std::string data = XdgDirectory(xdgDataHome.c_str(), home, ".local/share");
  return data.empty() ? data : Joined(data, "enclova");
}

Settings LoadSettings(const std::string& path) {
  PosixFileSystem files;
  return LoadSettings(files, path);
}

bool SaveSettings(const std::string& path, const Settings& settings) {
  PosixFileSystem files;
  return SaveSettings(files, path, settings);
}

std::string PicturesDirectory(const char* variable, const std::string& home,
                              const std::string& configHome) {
  if (variable != nullptr && variable[0] == '/') return variable;
  // user-dirs.dirs holds lines such as XDG_PICTURES_DIR="$HOME/Pictures".
  PosixFileSystem files;
  const std::string key = "XDG_PICTURES_DIR=\"";
  const std::vector<std::string> lines =
      configHome.empty() ? std::vector<std::string>()
                         : LinesOfTextFile(files, Joined(configHome, "user-dirs.dirs"));
  for (const std::string& line : lines) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) {
      if (home.empty() || home.front() != '/') continue;
      value = home + value.substr(5);
    }
    if (!value.empty() && value.front() == '/') return value;
  }
  return XdgDirectory(nullptr, home, "Pictures");
}

}  // namespace enclova
