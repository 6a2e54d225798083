// SPDX-License-Identifier: MIT
// Program entry: the command line, the real seams, start-up, then the window's event loop.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/form.h"
#include "app/game_typeface.h"
#include "base/errors.h"
#include "fonts/game_fonts.h"
#include "platform/command_line.h"
#include "platform/posix_platform.h"
#include "platform/sdl_window.h"
#include "platform/shared_clock.h"
#include "platform/user_files.h"
#include "replay/recorder.h"
#include "replay/replay_run.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The installed sheet and empty ranking, found from the binary's own place; empty in a build
// tree, which has none beside it.
std::string InstalledDataDirectory(const std::string& executable) {
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string dir = executable.substr(0, slash + 1) + ENCLOVA_DATA_FROM_BINARY;
  struct stat st {};
  return stat((dir + "/fgra.bmp").c_str(), &st) == 0 ? dir : std::string();
}

// The error box's caption comes from the executable's own name, wherever it was started from.
std::string ExecutablePath(const char* argv0) {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
  return argv0 != nullptr ? argv0 : "enclova";
}

// What the command line and the player's settings ask of the window.
enclova::WindowOptions WindowOptionsFor(const enclova::CommandLine& options) {
  const std::string home = Environment("HOME");
  const std::string configHome =
      enclova::XdgDirectory(std::getenv("XDG_CONFIG_HOME"), home, ".config");
  enclova::WindowOptions window;
  window.Scale = options.Scale;
  window.SettingsPath = configHome + "/enclova/settings";
  window.PicturesDirectory =
      enclova::PicturesDirectory(std::getenv("XDG_PICTURES_DIR"), home, configHome);
  return window;
}

// The window as the game's host, with a plain English line on standard error before each error
// box, naming the file with its full path: the box's own text stays as the game words it.
class ExplainingHost final : public enclova::Host {
 public:
  ExplainingHost(enclova::Host& window, enclova::DataDirectoryFileSystem& files)
      : window_(window), files_(files) {}
  void Terminate() override { window_.Terminate(); }
  void ShowError(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s\n", files_.Explain(text).c_str());
    window_.ShowError(caption, text);
  }

 private:
  enclova::Host& window_;
  enclova::DataDirectoryFileSystem& files_;
};

// The game's text is built in: nothing is looked for, and nothing can be missing, at start-up.
std::unique_ptr<enclova::AtlasTypeface> OpenFace() {
  std::string error;
  std::unique_ptr<enclova::AtlasTypeface> face = enclova::OpenGameTypeface(&error);
  if (!face) std::fprintf(stderr, "enclova: text cannot be drawn: %s\n", error.c_str());
  return face;
}

// An error box names files, whose names may hold characters beyond the game's own: those are
// drawn from the installed fonts, loaded only for such a box.
std::unique_ptr<enclova::Typeface> ErrorBoxFace(const enclova::AtlasTypeface* face) {
  if (face == nullptr) return enclova::OpenGameFreeTypeface();
  return enclova::OpenErrorBoxTypeface(*face);
}

// --replay: headless needs no display at all; in the window the round plays at its pace.
int PlayReplay(const enclova::CommandLine& options) {
  const enclova::replay::ReplayOptions& replayOptions = options.Replay;
  enclova::PosixFileSystem posixFiles;
  enclova::DataDirectoryFileSystem files(
      posixFiles, options.DataDir.empty() ? posixFiles.CurrentDirectory() : options.DataDir);
  std::string error;
  const std::unique_ptr<enclova::AtlasTypeface> face = OpenFace();
  if (replayOptions.Headless)
    return enclova::replay::PlayHeadless(replayOptions, files, face.get());

  const auto replay = enclova::replay::LoadReplay(files, replayOptions.File, &error);
  if (!replay) {
    std::fprintf(stderr, "enclova: %s: refused: %s\n", replayOptions.File.c_str(), error.c_str());
    return 2;
  }
  enclova::replay::Player player(*replay, files, face.get());
  if (!player.Start(&error)) {
    std::fprintf(stderr, "enclova: %s: %s\n", replayOptions.File.c_str(), error.c_str());
    return 2;
  }
  if (!enclova::SdlWindow::InitVideo(&error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 1;
  }
  const std::unique_ptr<enclova::Typeface> boxFace = ErrorBoxFace(face.get());
  enclova::SdlWindow window(boxFace.get(), WindowOptionsFor(options));
  if (!window.RunReplay(player, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  return enclova::replay::FinishPlayback(replayOptions, *replay, player);
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();

  enclova::CommandLine options;
  std::string error;
  if (!enclova::ParseCommandLine(argc, argv, options, &error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(enclova::kUsage, stdout);
    return 0;
  }
  if (options.Version) {
    std::puts("enclova " ENCLOVA_VERSION);
    return 0;
  }
  if (!options.Replay.File.empty()) return PlayReplay(options);

  if (!enclova::SdlWindow::InitVideo(&error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 1;
  }

  enclova::PrepareProcessForFiles();
  enclova::SystemClock systemClock;
  enclova::Clock* clock = &systemClock;
  // Tests of the real binary step the game's time themselves (tests/x11).
  std::unique_ptr<enclova::SharedClock> sharedClock;
  if (const char* path = std::getenv("ENCLOVA_TEST_CLOCK"); path != nullptr) {
    sharedClock = enclova::SharedClock::Open(path, &error);
    if (!sharedClock) {
      std::fprintf(stderr, "enclova: ENCLOVA_TEST_CLOCK: %s\n", error.c_str());
      return 2;
    }
    clock = sharedClock.get();
  }

  const std::string executable = ExecutablePath(argv[0]);
  enclova::PosixFileSystem posixFiles;
  enclova::DataDirectoryRequest request;
  request.Explicit = options.DataDir;
  request.Working = posixFiles.CurrentDirectory();
  request.Installed = InstalledDataDirectory(executable);
  request.XdgDataHome = Environment("XDG_DATA_HOME");
  request.Home = Environment("HOME");
  const enclova::DataDirectoryChoice data = enclova::ChooseDataDirectory(request);
  if (!data.Warning.empty()) std::fprintf(stderr, "%s\n", data.Warning.c_str());
  enclova::DataDirectoryFileSystem files(posixFiles, data.Directory);

  const std::unique_ptr<enclova::AtlasTypeface> face = OpenFace();
  const std::unique_ptr<enclova::Typeface> boxFace = ErrorBoxFace(face.get());

  enclova::SdlWindow window(boxFace.get(), WindowOptionsFor(options));
  if (std::getenv("ENCLOVA_TRACE_FIRST_FRAME") != nullptr) window.TraceFirstFrame(start);
  if (std::getenv("ENCLOVA_TRACE_KEYS") != nullptr) window.TraceKeyLatency();
  if (sharedClock) window.SleepThroughQuietTicks(false);
  ExplainingHost host(window, files);
  enclova::replay::PosixReplayStore replays;
  enclova::replay::Recorder recorder(*clock, files, replays);
  enclova::TForm1 form(recorder.GameClock(), recorder.GameFiles(), host, face.get());
  enclova::Application app(form, host, enclova::ApplicationTitle(executable));
  recorder.Attach(form, app);

  if (options.Seed) form.FixSeed(*options.Seed);
  // Start-up runs before the window is shown; an error box it raises comes first.
  app.Create();
  if (!window.Run(form, app, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  recorder.Finish();
  return 0;
}
