// --replay, --headless and --screenshot.
#include "replay/command_line.h"

#include <cstdio>
#include <string_view>

#include "gfx/png.h"

namespace enclova::replay {

const char* const kReplayUsage =
    "  --replay FILE       play a recorded round back in the window, at its recorded pace\n"
    "                      (Escape ends it); says whether picture and ranking matched\n"
    "  --headless          with --replay: no display, as fast as possible; exit 0 when\n"
    "                      the round matched, 1 when it differed, 2 for a bad file\n"
    "  --screenshot PNG    with --replay: write the final picture as a PNG file\n";

ReplayRequest ParseReplayOptions(int argc, char** argv, ReplayOptions& options,
                                 std::string* error) {
  bool requested = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--replay") requested = true;
  }
  if (!requested) return ReplayRequest::None;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return ReplayRequest::Error;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--headless") {
      options.Headless = true;
    } else if (arg == "--replay" || arg == "--screenshot") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return fail(std::string(arg) + " needs a file");
      (arg == "--replay" ? options.File : options.Screenshot) = argv[++i];
    } else {
      return fail("with --replay, only --headless and --screenshot may be given, not " +
                  std::string(arg));
    }
  }
  return ReplayRequest::Play;
}

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
