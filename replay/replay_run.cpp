// SPDX-License-Identifier: MIT
// Playing a replay file from the command line.
#include "replay/replay_run.h"

#include <cstdio>

#include "gfx/png.h"

namespace enclova::replay {

int FinishPlayback(const ReplayOptions& options, const Replay& replay, Player& player) {
  const PlaybackResult result = player.Result();
  int status = result.Matches() ? 0 : 1;
  if (!options.Screenshot.empty()) {
    std::string error;
    if (!WritePng(options.Screenshot, player.Form().Canvas, &error)) {
      std::fprintf(stderr, "enclova: cannot write the screenshot %s: %s\n",
                   options.Screenshot.c_str(), error.c_str());
      status = 2;
    }
  }
  std::printf("%s: %s\n", options.File.c_str(), DescribeResult(replay, result).c_str());
  std::fflush(stdout);
  return status;
}

int PlayHeadless(const ReplayOptions& options, FileSystem& real, const Typeface* face) {
  std::string error;
  const std::optional<Replay> replay = LoadReplay(real, options.File, &error);
  if (!replay) {
    std::fprintf(stderr, "enclova: %s: refused: %s\n", options.File.c_str(), error.c_str());
    return 2;
  }
  Player player(*replay, real, face);
  if (!player.Start(&error)) {
    std::fprintf(stderr, "enclova: %s: %s\n", options.File.c_str(), error.c_str());
    return 2;
  }
  while (!player.Done()) player.Step(true);
  return FinishPlayback(options, *replay, player);
}

}  // namespace enclova::replay
