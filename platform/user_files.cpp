// SPDX-License-Identifier: MIT
// Plain POSIX file handling for the player's directories.
#include "platform/user_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace enclova {

namespace {

constexpr const char* kSheetName = "fgra.bmp";
constexpr const char* kRankingName = "fdata.dat";

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool ReadAll(const std::string& path, std::vector<char>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Writes a whole file through a temporary one renamed over it, so no reader sees half of it.
bool WriteAllAtomically(const std::string& path, const std::vector<char>& bytes) {
  const std::string temporary = path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string Joined(const std::string& directory, const char* name) {
  return directory.empty() || directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string Absolute(const std::string& path, const std::string& base) {
  if (path.empty() || path.front() == '/') return path;
  return Joined(base, path.c_str());
}

}  // namespace

bool MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string XdgDirectory(const char* value, const std::string& home, const char* fallback) {
  if (value != nullptr && value[0] == '/') return value;
  return Joined(home, fallback);
}

DataDirectoryChoice ChooseDataDirectory(const DataDirectoryRequest& request) {
  if (!request.Explicit.empty()) return {Absolute(request.Explicit, request.Working), {}};
  const bool workingHoldsData =
      Exists(Joined(request.Working, kSheetName)) || Exists(Joined(request.Working, kRankingName));
  std::vector<char> sheet, ranking;
  if (workingHoldsData || request.Installed.empty() ||
      !ReadAll(Joined(request.Installed, kSheetName), &sheet) ||
      !ReadAll(Joined(request.Installed, kRankingName), &ranking)) {
    return {request.Working, {}};
  }

  const std::string own =
      XdgDirectory(request.XdgDataHome.c_str(), request.Home, ".local/share") + "/enclova";
  auto failed = [&](const std::string& what) -> DataDirectoryChoice {
    return {request.Working, "enclova: cannot " + what + " (" + std::strerror(errno) +
                                 "); looking for the data files in " + request.Working};
  };
  if (!MakeDirectories(own)) return failed("create " + own);
  // A ranking the player has is never replaced; only a missing one is seeded.
  const std::string ownRanking = Joined(own, kRankingName);
  if (!Exists(ownRanking) && !WriteAllAtomically(ownRanking, ranking)) {
    return failed("write " + ownRanking);
  }
  // The sheet follows the installation, rewritten only when it differs.
  const std::string ownSheet = Joined(own, kSheetName);
  std::vector<char> current;
  if ((!ReadAll(ownSheet, &current) || current != sheet) && !WriteAllAtomically(ownSheet, sheet)) {
    return failed("write " + ownSheet);
  }
  return {own, {}};
}

Settings LoadSettings(const std::string& path) {
  Settings settings;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line == "fullscreen=1") settings.Fullscreen = true;
    if (line == "fullscreen=0") settings.Fullscreen = false;
  }
  return settings;
}

bool SaveSettings(const std::string& path, const Settings& settings) {
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) {
    return false;
  }
  const std::string text = std::string("fullscreen=") + (settings.Fullscreen ? "1" : "0") + "\n";
  return WriteAllAtomically(path, std::vector<char>(text.begin(), text.end()));
}

std::string PicturesDirectory(const char* variable, const std::string& home,
                              const std::string& configHome) {
  if (variable != nullptr && variable[0] == '/') return variable;
  // user-dirs.dirs holds lines such as XDG_PICTURES_DIR="$HOME/Pictures".
  std::ifstream in(Joined(configHome, "user-dirs.dirs"));
  std::string line;
  const std::string key = "XDG_PICTURES_DIR=\"";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return Joined(home, "Pictures");
}

}  // namespace enclova
