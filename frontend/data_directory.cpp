// SPDX-License-Identifier: MIT
// The data directory's choice and seeding, and the settings file, over the file seam.
#include "frontend/data_directory.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "gfx/bmp.h"

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

std::vector<std::string> LinesOfTextFile(FileSystem& files, const std::string& path) {
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

DataDirectoryChoice ChooseDataDirectory(FileSystem& files, const DataDirectoryRequest& request) {
  if (!request.Explicit.empty()) return {Absolute(request.Explicit, request.Working), {}};
  const bool workingHoldsData = Exists(files, Joined(request.Working, kSheetName)) ||
                                Exists(files, Joined(request.Working, kRankingName));
  if (workingHoldsData || request.Installed.empty()) return {request.Working, {}};
  const WholeFile sheet =
      ReadWholeFile(files, Joined(request.Installed, kSheetName), kMaxBmpFileSize);
  if (!sheet.Ok()) return {request.Working, {}};
  const WholeFile ranking =
      ReadWholeFile(files, Joined(request.Installed, kRankingName), kMaxRankingSeedBytes);
  if (!ranking.Ok()) return {request.Working, {}};

  const std::string& own = request.UserDirectory;
  if (own.empty()) return {request.Working, {}};
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
  for (const std::string& line : LinesOfTextFile(files, path)) {
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

}  // namespace enclova
