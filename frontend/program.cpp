// SPDX-License-Identifier: MIT
// The program, from the command line to the end of the session.
#include "frontend/program.h"

#include <cstdio>

#include "app/game_typeface.h"
#include "base/errors.h"
#include "frontend/command_line.h"
#include "frontend/data_directory_files.h"
#include "replay/replay_run.h"

namespace enclova {

namespace {

void UseDataDirectory(const DataDirectoryChoice& data, GameSession::Options& session) {
  session.DataDirectory = data.Directory;
  session.InstalledSheet = data.InstalledSheet;
  session.FilesInMemory = data.InMemory;
  session.InstalledRanking = data.InstalledRanking;
  session.DetailInBox = data.OwnFolder;
  session.Notices = data.Notices;
}

}  // namespace

int RunProgram(int argc, const char* const* argv, Platform& platform, const char* version) {
  CommandLine options;
  std::string error;
  if (!ParseCommandLine(argc, argv, options, &error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("enclova %s\n", version);
    return 0;
  }

  const bool replay = !options.Replay.File.empty();
  // A replay is played against the sheet of --data-dir, or else of the working directory.
  const std::string directory =
      replay ? (options.DataDir.empty() ? platform.Files().CurrentDirectory() : options.DataDir)
             : std::string();
  if (replay && options.Replay.Headless) {
    // No display at all: as fast as it goes.
    DataDirectoryFileSystem files(platform.Files(), directory);
    const std::unique_ptr<Typeface> face = OpenGameTypeface();
    return replay::PlayHeadless(options.Replay, files, face.get());
  }

  GameSession::Services services;
  services.GameClock = &platform.GameClock();
  services.Files = &platform.Files();
  GameSession::Options session;
  session.Title = ApplicationTitle(platform.ExecutablePath());
  session.SleepThroughQuiet = !platform.ClockIsStepped();
  if (replay) {
    session.DataDirectory = directory;
    session.ReplayFile = options.Replay.File;
    session.Screenshot = options.Replay.Screenshot;
  } else {
    // Without a display nothing else is worth doing.
    if (!platform.OpenDisplay(&error)) {
      std::fprintf(stderr, "enclova: %s\n", error.c_str());
      return 1;
    }
    UseDataDirectory(platform.DataDirectory(options.DataDir), session);
    session.Seed = options.Seed;
  }
  GameSession game(services, session);
  // A replay that cannot be played is refused before any window; the game's own start-up
  // failures are error boxes, shown by the window.
  if (!game.Start()) return game.ExitStatus();
  if (replay && !platform.OpenDisplay(&error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 1;
  }
  if (!platform.RunWindow(game, options.Scale, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  game.Finish();
  return game.ExitStatus();
}

}  // namespace enclova
