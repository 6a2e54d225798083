// SPDX-License-Identifier: MIT
// The program, from the command line to the end of the session.
#include "frontend/program.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/game_typeface.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "frontend/command_line.h"
#include "frontend/data_directory_files.h"
#include "frontend/replay_place.h"
#include "replay/replay_run.h"

namespace enclova {

namespace {

// Reads the replay and finds where it can be played: the directory play would use here, or
// the one whose replays/ folder holds the file, whichever has the sheet it was recorded with.
// Returns 0 with `directory` set, or the exit status after one line on standard error. The
// screenshot's path is checked first too, so that no playback runs for a picture that cannot
// be written.
int ChooseReplayDirectory(const CommandLine& options, DesktopSystem& desktop,
                          std::string& directory) {
  const std::string& file = options.Replay.File;
  std::string error;
  const std::optional<replay::Replay> recorded = replay::LoadReplay(desktop.Files(), file, &error);
  if (!recorded) {
    std::fprintf(stderr, "%s\n", PrintableLine("enclova: " + file + ": refused: " + error).c_str());
    return replay::kPlaybackRefused;
  }
  if (const std::string& shot = options.Replay.Screenshot;
      !shot.empty() && !replay::ScreenshotPathUsable(desktop.Files(), shot, &error)) {
    std::fprintf(
        stderr, "%s\n",
        PrintableLine("enclova: cannot write the screenshot " + shot + ": " + error).c_str());
    return replay::kPlaybackRefused;
  }
  const std::string working = desktop.Files().CurrentDirectory();
  // Playback changes no file: the player's own folder is only looked at, never made or seeded.
  const DataDirectoryChoice data = desktop.DataDirectory(options.DataDir, true);
  std::vector<std::string> directories = ReplayDirectories(data.Directory, file, working);
  // The installed game's own folder reads the installation's sheet while it holds none.
  if (const std::string installed = DirectoryOf(data.InstalledSheet);
      !data.InstalledSheet.empty() &&
      std::find(directories.begin(), directories.end(), installed) == directories.end()) {
    directories.insert(directories.begin() + (directories.empty() ? 0 : 1), installed);
  }
  const std::unique_ptr<Typeface> face = OpenGameTypeface();
  const ReplayPlace place = FindReplayPlace(*recorded, desktop.Files(), directories, face.get());
  if (place.Directory.empty()) {
    std::fprintf(
        stderr, "%s\n",
        PrintableLine("enclova: " + file + ": cannot be played here: " + place.Account).c_str());
    return replay::kPlaybackNotHere;
  }
  directory = place.Directory;
  return 0;
}

void UseDataDirectory(const DataDirectoryChoice& data, GameSession::Options& session) {
  session.DataDirectory = data.Directory;
  session.InstalledSheet = data.InstalledSheet;
  session.FilesInMemory = data.InMemory;
  session.InstalledRanking = data.InstalledRanking;
  session.DetailInBox = data.OwnFolder;
  session.Notices = data.Notices;
}

}  // namespace

int RunProgram(int argc, const char* const* argv, DesktopSystem& desktop, const char* version) {
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
  std::string directory;
  if (replay) {
    const int refused = ChooseReplayDirectory(options, desktop, directory);
    if (refused != 0) return refused;
  }
  if (replay && options.Replay.Headless) {
    // No display at all: as fast as it goes.
    DataDirectoryFileSystem files(desktop.Files(), directory);
    const std::unique_ptr<Typeface> face = OpenGameTypeface();
    replay::ReplayOptions run;
    run.File = options.Replay.File;
    run.Headless = true;
    run.Screenshot = options.Replay.Screenshot;
    return replay::PlayHeadless(run, files, face.get());
  }

  GameSession::Services services;
  services.GameClock = &desktop.GameClock();
  services.Files = &desktop.Files();
  GameSession::Options session;
  session.Title = ApplicationTitle(desktop.ExecutablePath());
  session.SleepThroughQuiet = !desktop.ClockIsStepped();
  if (replay) {
    session.DataDirectory = directory;
    session.ReplayFile = options.Replay.File;
    session.Screenshot = options.Replay.Screenshot;
  } else {
    // Without a display nothing else is worth doing.
    if (!desktop.OpenDisplay(&error)) {
      std::fprintf(stderr, "enclova: %s\n", error.c_str());
      return 1;
    }
    UseDataDirectory(desktop.DataDirectory(options.DataDir, false), session);
    session.Seed = options.Seed;
  }
  GameSession game(services, session);
  // A replay that cannot be played is refused before any window; the game's own start-up
  // failures are error boxes, shown by the window.
  if (!game.Start()) return game.ExitStatus();
  if (replay && !desktop.OpenDisplay(&error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 1;
  }
  if (!desktop.RunWindow(game, options.Scale, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  game.Finish();
  return game.ExitStatus();
}

}  // namespace enclova
