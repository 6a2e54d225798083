// SPDX-License-Identifier: MIT
// The data directory's choice and seeding, and the settings file, over the file seam.
#include "frontend/data_directory.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/civil_time.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "gfx/bmp.h"
#include "ranking/ranking_table.h"

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

std::string Joined(const std::string& directory, const char* name) {
  return directory.empty() || directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string Absolute(const std::string& path, const std::string& base) {
  if (path.empty() || path.front() == '/') return path;
  return Joined(base, path.c_str());
}

DataDirectoryChoice In(const std::string& directory) {
  DataDirectoryChoice choice;
  choice.Directory = directory;
  return choice;
}

// The probe's name is none of the ranking's temporary names: another copy's save removes those
// it finds as stale and takes their names for its new file, so a probe there could remove that
// file before the save renames it. Nothing needs a probe once it is made, so the probes a start
// killed midway are removed by the next one whoever else is probing.
constexpr const char* kProbeName = ".write-test";

// 0 when a file can be created in `directory`: a read-only file system or a folder the player
// may not write in shows here, before the game starts on it.
int ProbeWritable(FileSystem& files, const std::string& directory) {
  const std::string target = Joined(directory, kProbeName);
  RemoveStaleTemporaries(files, target);
  std::string probe;
  const int fd = CreateTemporary(files, target, 0600, probe);
  if (fd < 0) return fd;
  files.Close(fd);
  files.Unlink(probe);
  return 0;
}

// The game's own reading of its ranking decides: a file it reads to the end before a whole
// ranking is a damaged one. A file it cannot open or read at all is left to the game, whose
// error box says why.
bool HoldsTooLittleForARanking(FileSystem& files, const std::string& path) {
  RankingTable scratch;
  try {
    LoadRanking(files, path, scratch);
  } catch (const EInOutError& e) {
    return e.ErrorCode == kErrReadPastEnd;
  }
  return false;
}

// Renames `path` to a dated name beside it that nothing holds yet; that name, or "" when the
// rename failed.
std::string SetAside(FileSystem& files, const std::string& path, std::int64_t now) {
  const CivilTime t = CivilTimeOf(now);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, ".damaged-%04lld%02d%02d-%02d%02d%02d",
                static_cast<long long>(t.Year), t.Month, t.Day, t.Hour, t.Minute, t.Second);
  std::string aside = path + stamp;
  for (int i = 2; Exists(files, aside); ++i) aside = path + stamp + "-" + std::to_string(i);
  return files.Rename(path, aside) == 0 ? aside : std::string();
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
  if (!request.Explicit.empty()) return In(Absolute(request.Explicit, request.Working));
  const bool workingHoldsData = Exists(files, Joined(request.Working, kSheetName)) ||
                                Exists(files, Joined(request.Working, kRankingName));
  if (workingHoldsData || request.Installed.empty()) return In(request.Working);
  const std::string installedSheet = Joined(request.Installed, kSheetName);
  const std::string installedRanking = Joined(request.Installed, kRankingName);
  const WholeFile seed = ReadWholeFile(files, installedRanking, kMaxRankingSeedBytes);
  FileInfo info;
  if (!seed.Ok() || files.Stat(installedSheet, info, true) != 0 ||
      info.Type != FileInfo::Kind::Regular) {
    return In(request.Working);
  }

  DataDirectoryChoice choice;
  choice.OwnFolder = true;
  choice.InstalledSheet = installedSheet;
  const std::string& own = request.UserDirectory;
  // Nowhere to keep anything: the game plays from the installation, its ranking in memory, and
  // never in the working directory, which may be anything.
  auto inMemory = [&](const std::string& why) {
    choice.Directory = own.empty() ? request.Installed : own;
    choice.InMemory = true;
    choice.InstalledRanking = installedRanking;
    choice.Notices.push_back("enclova: " + why + "; playing from " + request.Installed +
                             " with the ranking in memory: records will not be kept");
    return choice;
  };
  if (own.empty()) {
    return inMemory(
        "no folder to keep the records in" +
        (request.WhyNoUserDirectory.empty() ? "" : " (" + request.WhyNoUserDirectory + ")"));
  }
  if (request.OnlyLook) {
    choice.Directory = own;
    return choice;
  }
  if (const int e = MakeDirectories(files, own); e < 0) {
    return inMemory("cannot create " + own + " (" + DescribeFileError(ErrorIn(e)) + ")");
  }
  if (const int e = ProbeWritable(files, own); e < 0) {
    return inMemory("cannot write in " + own + " (" + DescribeFileError(ErrorIn(e)) + ")");
  }
  choice.Directory = own;

  const std::string ownRanking = Joined(own, kRankingName);
  {
    // Another copy of the game may be seeding or saving the same ranking right now.
    RankingLock lock(files, ownRanking);
    bool seedIt = !Exists(files, ownRanking);
    // An installation whose own ranking is short would have every start set the player's aside.
    const bool seedIsARanking = seed.Bytes.size() >= kRecordFileSize;
    if (!seedIt && seedIsARanking && HoldsTooLittleForARanking(files, ownRanking)) {
      const std::string aside = SetAside(files, ownRanking, request.NowMilliseconds);
      if (!aside.empty()) {
        choice.Notices.push_back("enclova: " + ownRanking +
                                 " could not be read as a ranking; it is kept as " + aside +
                                 " and a new ranking was started");
        seedIt = true;
      }
    }
    if (seedIt) {
      if (const int e =
              ReplaceWholeFileThroughLinks(files, ownRanking, seed.Bytes.data(), seed.Bytes.size());
          e < 0) {
        return inMemory("cannot write " + ownRanking + " (" + DescribeFileError(ErrorIn(e)) + ")");
      }
    }
  }

  // Earlier versions copied the sheet into every player's folder; a copy that is still the
  // installation's own is removed, so that it neither outlives the installation nor shadows a
  // newer sheet. A sheet the player changed stays and wins.
  const std::string ownSheet = Joined(own, kSheetName);
  if (Exists(files, ownSheet)) {
    const WholeFile mine = ReadWholeFile(files, ownSheet, kMaxBmpFileSize);
    const WholeFile installed = ReadWholeFile(files, installedSheet, kMaxBmpFileSize);
    if (mine.Ok() && installed.Ok() && mine.Bytes == installed.Bytes) files.Unlink(ownSheet);
  }
  return choice;
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
  return ReplaceWholeFileThroughLinks(files, path, text.data(), text.size()) == 0;
}

}  // namespace enclova
