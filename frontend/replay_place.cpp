// SPDX-License-Identifier: MIT
// The data directory a replay plays in, chosen by the sprite sheet it was recorded with.
#include "frontend/replay_place.h"

#include <algorithm>
#include <string_view>

#include "base/file_io.h"
#include "frontend/data_directory_files.h"
#include "replay/player.h"
#include "replay/replay_file.h"

namespace enclova {

namespace {

// "C:/..." and "C:\...": a Windows path, whose root is its drive.
bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// An absolute path without "." or ".." components: the game names its files from its data
// directory and takes no other spelling of it for its own. Windows paths (the game's own use
// '/', a command line may use '\') keep their drive as their root.
std::string NormalAbsolutePath(std::string path, const std::string& working) {
  if (path.empty()) return path;
  if (HasDrive(working) || HasDrive(path)) std::replace(path.begin(), path.end(), '\\', '/');
  if (path.front() != '/' && !HasDrive(path)) path = working + "/" + path;
  const std::string root = HasDrive(path) ? path.substr(0, 2) : std::string();
  std::vector<std::string> parts;
  for (std::size_t at = root.size(); at <= path.size();) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    const std::string part = path.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string result = root;
  for (const std::string& part : parts) result += "/" + part;
  return parts.empty() ? result + "/" : result;
}

// The folder holding an absolute path's last component; the root holds itself.
std::string Parent(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return path;
  return path.substr(0, slash == 0 || (slash == 2 && HasDrive(path)) ? slash + 1 : slash);
}

}  // namespace

std::vector<std::string> ReplayDirectories(const std::string& chosen, const std::string& replay,
                                           const std::string& working) {
  std::vector<std::string> directories;
  auto add = [&](const std::string& directory) {
    const std::string d = NormalAbsolutePath(directory, working);
    if (!d.empty() && std::find(directories.begin(), directories.end(), d) == directories.end()) {
      directories.push_back(d);
    }
  };
  add(chosen);
  const std::string folder = Parent(NormalAbsolutePath(replay, working));
  if (NameOf(folder) == "replays") add(Parent(folder));
  return directories;
}

ReplayPlace FindReplayPlace(const replay::Replay& recorded, FileSystem& files,
                            const std::vector<std::string>& directories, const Typeface* face) {
  std::string looked;
  for (const std::string& directory : directories) {
    DataDirectoryFileSystem here(files, directory);
    replay::Player player(recorded, here, face);
    std::string why;
    if (player.Start(&why)) {
      if (player.SheetHash() == recorded.Sheet) return {directory, {}};
      why = "its fgra.bmp is another sheet (" + player.SheetHash() + ")";
    } else {
      // The game's message is for its error box; the file system's account names the file and
      // what the system said of it.
      constexpr std::string_view kPrefix = "enclova: ";
      why = here.Explain(player.StartMessage());
      if (why.rfind(kPrefix, 0) == 0) why.erase(0, kPrefix.size());
    }
    looked += (looked.empty() ? "" : "; ") + directory + ": " + why;
  }
  return {{},
          "no data directory holds the sprite sheet it was recorded with (sheet " + recorded.Sheet +
              "); looked in " + (looked.empty() ? "no directory" : looked)};
}

}  // namespace enclova
