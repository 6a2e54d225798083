// SPDX-License-Identifier: MIT
// The command line through getopt_long, with every complaint one line of our own.
#include "platform/command_line.h"

#include <getopt.h>

#include <limits>
#include <set>
#include <string_view>

#include "platform/sdl_window.h"

namespace enclova {

const char* const kUsage =
    "Usage: enclova [OPTION]...\n"
    "       enclova --replay=FILE [--headless] [--screenshot=OUT.png] [--scale=N]\n"
    "Trace a loop along the grid lines so that every stone of the first kind ends inside it\n"
    "and every stone of the second kind outside. The game plays with fgra.bmp and fdata.dat\n"
    "from the current directory when it holds either, else from --data-dir, else (installed)\n"
    "from $XDG_DATA_HOME/enclova; it rewrites fdata.dat when a round earns a place. Every\n"
    "round is recorded under replays/ beside them (ranked rounds and the last 50 are kept).\n"
    "\n"
    "Keys:\n"
    "  Left, Right         choose the level on the title screen\n"
    "  Z                   start a round; in a round, start the path, or close it into a\n"
    "                      loop on its start vertex\n"
    "  X                   show the ranking from the title; in a round, take a step back\n"
    "  arrow keys          move the cursor and trace the path (keypad 2, 4, 6, 8 too)\n"
    "  any key             leave the ranking screen\n"
    "  Escape              quit\n"
    "  Alt+Enter, F11      fullscreen on or off (remembered)\n"
    "  F12                 save the picture as a PNG file in the pictures folder\n"
    "\n"
    "Options:\n"
    "  --seed=N            fix the random source (0 to 4294967295), so the boards repeat\n"
    "  --scale=N           show each pixel as an N x N block (1 to 16) in this run\n"
    "  --data-dir=DIR      read and write the data files in DIR\n"
    "  --replay=FILE       play a recorded round back in the window, at its recorded pace\n"
    "                      (Escape ends it); says whether picture and ranking matched\n"
    "  --headless          with --replay: no display, as fast as possible; exit 0 when\n"
    "                      the round matched, 1 when it differed, 2 for a bad file; the\n"
    "                      sheet is read from --data-dir, or else the current directory\n"
    "  --screenshot=PNG    with --replay: write the final picture as a PNG file\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n";

namespace {

// A whole decimal number of 0..max, digits only.
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > max) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// Long options without a short form get codes above any character. A new option is a code
// here, a row in kOptions and a case in ParseCommandLine.
enum OptionCode : int {
  kOptHelp = 'h',
  kOptVersion = 256,
  kOptSeed,
  kOptScale,
  kOptDataDir,
  kOptReplay,
  kOptHeadless,
  kOptScreenshot,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {"seed", required_argument, nullptr, kOptSeed},
    {"scale", required_argument, nullptr, kOptScale},
    {"data-dir", required_argument, nullptr, kOptDataDir},
    {"replay", required_argument, nullptr, kOptReplay},
    {"headless", no_argument, nullptr, kOptHeadless},
    {"screenshot", required_argument, nullptr, kOptScreenshot},
    {nullptr, 0, nullptr, 0},
};

std::string NameOf(int code) {
  for (const option& o : kOptions) {
    if (o.name != nullptr && o.val == code) return std::string("--") + o.name;
  }
  return "-h";
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string* error) {
  auto fail = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  std::set<int> seen;
  opterr = 0;  // getopt_long's own messages would be a second voice
  optind = 0;  // 0, not 1: getopt starts afresh, so the parser can run more than once
  int code;
  while ((code = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1) {
    const std::string given = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    if (code == ':') return fail("option '" + given + "' needs a value (try --help)");
    if (code == '?') {
      if (optopt != 0)
        return fail(std::string("unknown option '-") + char(optopt) + "' (try --help)");
      return fail("unknown option '" + given + "' (try --help)");
    }
    if (!seen.insert(code).second)
      return fail("option '" + NameOf(code) + "' given more than once");
    switch (code) {
      case kOptHelp:
        out.Help = true;
        break;
      case kOptVersion:
        out.Version = true;
        break;
      case kOptSeed:
        out.Seed = ParseNumber(optarg, std::numeric_limits<std::uint32_t>::max());
        if (!out.Seed)
          return fail(std::string("--seed: not a number from 0 to 4294967295: ") + optarg);
        break;
      case kOptScale: {
        const auto scale = ParseNumber(optarg, kMaxScale);
        if (!scale || *scale == 0) {
          return fail("--scale: not a whole number from 1 to " + std::to_string(kMaxScale) + ": " +
                      optarg);
        }
        out.Scale = static_cast<int>(*scale);
        break;
      }
      case kOptDataDir:
        if (*optarg == '\0') return fail("--data-dir: empty directory name");
        out.DataDir = optarg;
        break;
      case kOptReplay:
        if (*optarg == '\0') return fail("--replay: empty file name");
        out.Replay.File = optarg;
        break;
      case kOptHeadless:
        out.Replay.Headless = true;
        break;
      case kOptScreenshot:
        if (*optarg == '\0') return fail("--screenshot: empty file name");
        out.Replay.Screenshot = optarg;
        break;
      default:
        return fail("unknown option (try --help)");
    }
  }
  if (optind < argc)
    return fail(std::string("unexpected argument '") + argv[optind] + "' (try --help)");

  // A replay brings its own seed, and a headless one has no window to scale.
  const bool replay = !out.Replay.File.empty();
  for (const int onlyWithReplay : {kOptHeadless, kOptScreenshot}) {
    if (!replay && seen.count(onlyWithReplay) != 0) {
      return fail(NameOf(onlyWithReplay) + " goes with --replay");
    }
  }
  if (replay && seen.count(kOptSeed) != 0) return fail("--seed cannot go with --replay");
  if (out.Replay.Headless && seen.count(kOptScale) != 0) {
    return fail("--scale cannot go with --headless");
  }
  return true;
}

}  // namespace enclova
