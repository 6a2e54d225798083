// Program entry: the command line, the real seams, start-up, then the window's event loop.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/application.h"
#include "app/form.h"
#include "app/game_typeface.h"
#include "base/errors.h"
#include "platform/posix_platform.h"
#include "platform/sdl_window.h"
#include "platform/shared_clock.h"
#include "replay/command_line.h"
#include "replay/recorder.h"

namespace {

constexpr const char* kUsage =
    "Usage: enclova [--seed N]\n"
    "       enclova --replay FILE [--headless] [--screenshot OUT.png]\n"
    "Trace a loop along the grid lines so that every stone of the first kind ends inside it\n"
    "and every stone of the second kind outside. The game reads fgra.bmp and fdata.dat from\n"
    "the current directory and rewrites fdata.dat when a round earns a place in the ranking.\n"
    "Every round is recorded under replays/ there (ranked rounds and the last 50 are kept).\n"
    "\n"
    "Keys:\n"
    "  Left, Right         choose the level on the title screen\n"
    "  Z                   start a round; in a round, start the path, or close it into a\n"
    "                      loop on its start vertex\n"
    "  X                   show the ranking from the title; in a round, take a step back\n"
    "  arrow keys          move the cursor and trace the path (keypad 2, 4, 6, 8 too)\n"
    "  any key             leave the ranking screen\n"
    "  Escape              quit\n"
    "\n"
    "Options:\n"
    "  --seed N            fix the random source (0 to 4294967295), so the boards repeat\n"
    "%s"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n";

// A whole decimal number of 0..4294967295, digits only.
std::optional<std::uint32_t> ParseSeed(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// The error box's caption comes from the executable's own name, wherever it was started from.
std::string ExecutablePath(const char* argv0) {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
  return argv0 != nullptr ? argv0 : "enclova";
}

// --replay: headless needs no display at all; in the window the round plays at its pace.
int PlayReplay(const enclova::replay::ReplayOptions& options) {
  enclova::PosixFileSystem files;
  std::string error;
  std::unique_ptr<enclova::Typeface> face = enclova::OpenGameTypeface(&error);
  if (!face) std::fprintf(stderr, "enclova: text cannot be drawn: %s\n", error.c_str());
  if (options.Headless) return enclova::replay::PlayHeadless(options, files, face.get());

  const auto replay = enclova::replay::LoadReplay(files, options.File, &error);
  if (!replay) {
    std::fprintf(stderr, "enclova: %s: refused: %s\n", options.File.c_str(), error.c_str());
    return 2;
  }
  enclova::replay::Player player(*replay, files, face.get());
  if (!player.Start(&error)) {
    std::fprintf(stderr, "enclova: %s: %s\n", options.File.c_str(), error.c_str());
    return 2;
  }
  if (!enclova::SdlWindow::InitVideo(&error)) {
    std::fprintf(stderr, "enclova: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  enclova::SdlWindow window(face.get());
  if (!window.RunReplay(player, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  return enclova::replay::FinishPlayback(options, *replay, player);
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();

  enclova::replay::ReplayOptions replayOptions;
  std::string replayError;
  switch (enclova::replay::ParseReplayOptions(argc, argv, replayOptions, &replayError)) {
    case enclova::replay::ReplayRequest::Play:
      return PlayReplay(replayOptions);
    case enclova::replay::ReplayRequest::Error:
      std::fprintf(stderr, "enclova: %s (try --help)\n", replayError.c_str());
      return 2;
    case enclova::replay::ReplayRequest::None:
      break;
  }

  std::optional<std::uint32_t> seed;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::printf(kUsage, enclova::replay::kReplayUsage);
      return 0;
    }
    if (arg == "--version") {
      std::puts("enclova " ENCLOVA_VERSION);
      return 0;
    }
    if (arg == "--seed") {
      if (i + 1 >= argc) {
        std::fputs("enclova: --seed needs a number (0 to 4294967295)\n", stderr);
        return 2;
      }
      seed = ParseSeed(argv[++i]);
      if (!seed) {
        std::fprintf(stderr, "enclova: --seed: not a number from 0 to 4294967295: %s\n", argv[i]);
        return 2;
      }
      continue;
    }
    std::fprintf(stderr, "enclova: unknown option %s (try --help)\n", argv[i]);
    return 2;
  }

  std::string error;
  if (!enclova::SdlWindow::InitVideo(&error)) {
    std::fprintf(stderr, "enclova: cannot open the display: %s\n", error.c_str());
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
  enclova::PosixFileSystem files;
  // The title needs no text, so start-up does not wait for fonts: they are looked for on a
  // thread of their own once the first frame is on the screen (so that they cannot delay it),
  // and the first text, a second into the first round at the earliest, only waits for what is
  // left of that. A cold font cache costs a scan of every font.
  const std::unique_ptr<enclova::Typeface> face = enclova::OpenGameTypeface();

  enclova::SdlWindow window(face.get());
  const bool trace = std::getenv("ENCLOVA_TRACE_FIRST_FRAME") != nullptr;
  if (trace) window.TraceFirstFrame(start);
  window.AfterFirstFrame([&face, trace, start] {
    face->PrepareInBackground([trace, start](bool loaded) {
      if (!trace) return;
      const std::chrono::duration<double, std::milli> after =
          std::chrono::steady_clock::now() - start;
      std::fprintf(stderr, "enclova: typeface %s %.2f ms after start\n",
                   loaded ? "ready" : "missing", after.count());
    });
  });
  if (sharedClock) window.SleepThroughQuietTicks(false);
  enclova::replay::PosixReplayStore replays;
  enclova::replay::Recorder recorder(*clock, files, replays);
  enclova::TForm1 form(recorder.GameClock(), recorder.GameFiles(), window, face.get());
  enclova::Application app(form, window, enclova::ApplicationTitle(ExecutablePath(argv[0])));
  recorder.Attach(form, app);

  if (seed) form.FixSeed(*seed);
  // Start-up runs before the window is shown; an error box it raises comes first.
  app.Create();
  if (!window.Run(form, app, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  recorder.Finish();
  return 0;
}
