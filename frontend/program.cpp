// SPDX-License-Identifier: MIT
// The program, from the command line to the end of the session.
#include "frontend/program.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/game_typeface.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "frontend/command_line.h"
#include "frontend/daily_seed.h"
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

// --server and --name kept, a token made on first use, and --submit or --world run. Returns the
// exit status of a command, or nothing to go on and play.
std::optional<int> RunWorldOptions(const CommandLine& options, DesktopSystem& desktop,
                                   WorldSettings& settings) {
  const std::string path = desktop.WorldSettingsPath();
  if (!path.empty()) settings = LoadWorldSettings(desktop.Files(), path);
  const bool command = !options.Submit.empty() || options.World;
  if (!options.Server && !options.Name && !command) return std::nullopt;
  bool changed = false;
  if (options.Server) {
    changed = settings.Server != *options.Server;
    settings.Server = *options.Server;
  }
  if (options.Name) {
    changed = changed || settings.Name != *options.Name;
    settings.Name = *options.Name;
  }
  if (!settings.Server.empty() && !settings.Name.empty() && settings.Token.empty()) {
    settings.Token = MakeToken();  // it owns the name from its first accepted round on
    changed = true;
  }
  if (changed && (path.empty() || !SaveWorldSettings(desktop.Files(), path, settings))) {
    std::fprintf(stderr, "enclova: the world ranking's settings cannot be kept%s%s\n",
                 path.empty() ? "" : " in ", path.c_str());
    if (command || !settings.Token.empty()) return 2;  // a token not kept loses the name
  }
  if (!command) {
    std::fprintf(stderr, "enclova: world ranking: %s%s%s\n",
                 settings.Server.empty() ? "no server (nothing is sent)" : settings.Server.c_str(),
                 settings.Name.empty() ? ", no name (nothing is sent)" : ", name ",
                 settings.Name.c_str());
    return std::nullopt;
  }
  if (settings.Server.empty()) {
    std::fprintf(stderr, "enclova: no ranking server is set (--server=URL)\n");
    return kWorldNoAnswer;
  }
  WorldClient* world = desktop.World();
  if (world == nullptr) {
    std::fprintf(stderr, "enclova: this build cannot reach a ranking server\n");
    return kWorldNoAnswer;
  }
  if (!options.Submit.empty() && settings.Name.empty()) {
    std::fprintf(stderr, "enclova: --submit needs your name (--name=NAME)\n");
    return 2;
  }
  const WorldAnswer answer = options.World ? world->Ranking(settings, *options.World)
                                           : world->Submit(settings, options.Submit);
  std::fputs(answer.Text.c_str(), answer.Status == kWorldAccepted ? stdout : stderr);
  return answer.Status;
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

  WorldSettings world;
  if (const std::optional<int> status = RunWorldOptions(options, desktop, world)) return *status;

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

  std::unique_ptr<WorldClient::Sending> sending;
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
    const DataDirectoryChoice data = desktop.DataDirectory(options.DataDir, false);
    UseDataDirectory(data, session);
    // Opted in: good rounds go to the server from a thread of their own, which the game never
    // waits for. A game in memory keeps no replays to send.
    if (desktop.World() != nullptr && !world.Server.empty() && !world.Name.empty() &&
        !world.Token.empty() && !data.InMemory) {
      sending = desktop.World()->StartSending(world, data.Directory);
    }
    session.Seed = options.Seed;
    if (options.Daily) {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      session.Seed =
          DailySeedAt(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
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
