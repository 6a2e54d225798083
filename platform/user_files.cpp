// SPDX-License-Identifier: MIT
// The player's directories and files, through the file system seam on the process's own files.
#include "platform/user_files.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "gfx/bmp.h"
#include "platform/posix_platform.h"

namespace enclova {

namespace {

constexpr const char* kSheetName = "fgra.bmp";
constexpr const char* kRankingName = "fdata.dat";

// Bounds for the small files read here, far beyond what each holds: a FIFO, a device or a huge
// file under such a name costs nothing.
constexpr std::uint64_t kMaxTextFileBytes = 64 << 10;
constexpr std::uint64_t kMaxRankingSeedBytes = 1 << 20;

bool Exists(FileSystem& files, const std::string& path) {
  FileInfo info;
  return files.Stat(path, info, false) == 0;
}

// The lines of a small text file; none when it cannot be read whole.
std::vector<std::string> LinesOf(FileSystem& files, const std::string& path) {
  const WholeFile file = ReadWholeFile(files, path, kMaxTextFileBytes);
  std::vector<std::string> lines;
  std::string line;
  for (const std::uint8_t byte : file.Bytes) {
    if (byte == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(byte));
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

// Writes a whole file so that no reader sees half of it and nothing planted under a temporary
// name is written through. A symbolic link at `path` is written through and stays a link, and an
// existing file keeps its permission bits.
int WriteWholeFile(FileSystem& files, const std::string& path,
                   const std::vector<std::uint8_t>& bytes) {
  std::string target;
  std::optional<FileInfo> old;
  if (const int e = FollowLinks(files, path, target, &old); e < 0) return e;
  ReplaceOptions options;
  if (old && old->Type == FileInfo::Kind::Regular) {
    options.Mode = old->Mode & 0777;
    options.SetMode = true;
  }
  return ReplaceWholeFile(files, target, bytes.data(), bytes.size(), options);
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
  PosixFileSystem files;
  return MakeDirectories(files, path) == 0;
}

std::string XdgDirectory(const char* value, const std::string& home, const char* fallback) {
  if (value != nullptr && value[0] == '/') return value;
  return Joined(home, fallback);
}

DataDirectoryChoice ChooseDataDirectory(const DataDirectoryRequest& request) {
  if (!request.Explicit.empty()) return {Absolute(request.Explicit, request.Working), {}};
  PosixFileSystem files;
  const bool workingHoldsData = Exists(files, Joined(request.Working, kSheetName)) ||
                                Exists(files, Joined(request.Working, kRankingName));
  if (workingHoldsData || request.Installed.empty()) return {request.Working, {}};
  const WholeFile sheet =
      ReadWholeFile(files, Joined(request.Installed, kSheetName), kMaxBmpFileSize);
  if (!sheet.Ok()) return {request.Working, {}};
  const WholeFile ranking =
      ReadWholeFile(files, Joined(request.Installed, kRankingName), kMaxRankingSeedBytes);
  if (!ranking.Ok()) return {request.Working, {}};

  const std::string own =
      XdgDirectory(request.XdgDataHome.c_str(), request.Home, ".local/share") + "/enclova";
  auto failed = [&](const std::string& what, int result) -> DataDirectoryChoice {
    return {request.Working, "enclova: cannot " + what + " (" + DescribeFileError(ErrorIn(result)) +
                                 "); looking for the data files in " + request.Working};
  };
  if (const int e = MakeDirectories(files, own); e < 0) return failed("create " + own, e);
  // A ranking the player has is never replaced; only a missing one is seeded.
  const std::string ownRanking = Joined(own, kRankingName);
  if (!Exists(files, ownRanking)) {
    if (const int e = WriteWholeFile(files, ownRanking, ranking.Bytes); e < 0) {
      return failed("write " + ownRanking, e);
    }
  }
  // The sheet follows the installation, rewritten only when it differs.
  const std::string ownSheet = Joined(own, kSheetName);
  const WholeFile current = ReadWholeFile(files, ownSheet, kMaxBmpFileSize);
  if (!current.Ok() || current.Bytes != sheet.Bytes) {
    if (const int e = WriteWholeFile(files, ownSheet, sheet.Bytes); e < 0) {
      return failed("write " + ownSheet, e);
    }
  }
  return {own, {}};
}

Settings LoadSettings(FileSystem& files, const std::string& path) {
  Settings settings;
  for (const std::string& line : LinesOf(files, path)) {
    if (line == "fullscreen=1") settings.Fullscreen = true;
    if (line == "fullscreen=0") settings.Fullscreen = false;
  }
  return settings;
}

bool SaveSettings(FileSystem& files, const std::string& path, const Settings& settings) {
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 &&
      MakeDirectories(files, path.substr(0, slash)) < 0) {
    return false;
  }
  const std::string text = std::string("fullscreen=") + (settings.Fullscreen ? "1" : "0") + "\n";
  return WriteWholeFile(files, path, std::vector<std::uint8_t>(text.begin(), text.end())) == 0;
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
  for (const std::string& line : LinesOf(files, Joined(configHome, "user-dirs.dirs"))) {
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return Joined(home, "Pictures");
}

}  // namespace enclova
