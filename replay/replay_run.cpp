// SPDX-License-Identifier: MIT
// Playing a replay file from the command line.
#include "replay/replay_run.h"

#include <cstdio>

#include "base/file_io.h"
#include "gfx/png.h"

namespace enclova::replay {

bool ScreenshotPathUsable(FileSystem& files, const std::string& path, std::string* error) {
  std::string target;
  std::optional<FileInfo> found;
  if (const int e = FollowLinks(files, path, target, &found); e < 0) {
    if (error != nullptr) *error = DescribeFileError(ErrorIn(e));
    return false;
  }
  if (found && found->Type != FileInfo::Kind::Regular) {
    if (error != nullptr) *error = "not a regular file";
    return false;
  }
  return true;
}

namespace {

// The whole picture replaced at once through the file seam, never opened where something
// other than a regular file stands; a link is written through, and a file there keeps its
// permission bits.
bool WriteScreenshot(FileSystem& files, const std::string& path, const Surface& canvas,
                     std::string* error) {
  if (!ScreenshotPathUsable(files, path, error)) return false;
  const std::vector<std::uint8_t> png = EncodePng(canvas);
  if (const int e = ReplaceWholeFileThroughLinks(files, path, png.data(), png.size()); e < 0) {
    if (error != nullptr) *error = DescribeFileError(ErrorIn(e));
    return false;
  }
  return true;
}

}  // namespace

int FinishPlayback(const ReplayOptions& options, const Replay& replay, Player& player,
                   FileSystem& files) {
  const PlaybackResult result = player.Result();
  int status = result.Matches() ? kPlaybackMatched : kPlaybackDiffered;
  if (!options.Screenshot.empty()) {
    std::string error;
    if (!WriteScreenshot(files, options.Screenshot, player.Form().Canvas, &error)) {
      std::fprintf(
          stderr, "%s\n",
          PrintableLine("enclova: cannot write the screenshot " + options.Screenshot + ": " + error)
              .c_str());
      status = kPlaybackRefused;
    }
  }
  std::printf("%s\n", PrintableLine(options.File + ": " + DescribeResult(replay, result)).c_str());
  std::fflush(stdout);
  return status;
}

int PlayHeadless(const ReplayOptions& options, FileSystem& real, const Typeface* face) {
  std::string error;
  const std::optional<Replay> replay = LoadReplay(real, options.File, &error);
  if (!replay) {
    std::fprintf(stderr, "%s\n",
                 PrintableLine("enclova: " + options.File + ": refused: " + error).c_str());
    return kPlaybackRefused;
  }
  Player player(*replay, real, face);
  if (!player.Start(&error)) {
    std::fprintf(
        stderr, "%s\n",
        PrintableLine("enclova: " + options.File + ": cannot be played here: " + error).c_str());
    return kPlaybackNotHere;
  }
  while (!player.Done()) player.Step(true);
  return FinishPlayback(options, *replay, player, real);
}

}  // namespace enclova::replay
