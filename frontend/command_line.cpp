// SPDX-License-Identifier: MIT
// The command line, with every complaint one line of our own.
#include "frontend/command_line.h"

#include <limits>
#include <set>
#include <string_view>

#include "base/file_io.h"
#include "frontend/placement.h"
#include "frontend/world.h"

namespace enclova {

const char* const kUsage =
    "Usage: enclova [OPTION]...\n"
    "       enclova --replay=FILE [--headless] [--screenshot=OUT.png] [--scale=N]\n"
    "       enclova [--server=URL] [--name=NAME] [--submit=FILE | --world [LEVEL]]\n"
    "Trace a loop along the grid lines so that every stone of the first kind ends inside it\n"
    "and every stone of the second kind outside. The game plays with fgra.bmp and fdata.dat\n"
    "from --data-dir when given, else from the current directory when it holds either, else\n"
    "(installed) from $XDG_DATA_HOME/enclova with the installed sheet; it rewrites fdata.dat\n"
    "when a round earns a place. Every round is recorded under replays/ beside them (ranked\n"
    "rounds and the last 50 are kept).\n"
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
    "  --daily             play the day's boards: the same for everyone in the UTC day\n"
    "  --scale=N           show each pixel as an N x N block (1 to 16) in this run\n"
    "  --data-dir=DIR      read and write the data files in DIR\n"
    "  --replay=FILE       play a recorded round back in the window, at its recorded pace\n"
    "                      (Escape ends it); says whether picture and ranking matched.\n"
    "                      The sheet is the recorded one from where the game would play\n"
    "                      (as above) or from the folder holding the file's replays/\n"
    "  --headless          with --replay: no display, as fast as possible\n"
    "  --screenshot=PNG    with --replay: write the final picture as a PNG file\n"
    "  --server=URL        the world ranking's server (http://host:port), kept for later\n"
    "                      runs; none is set at first, and nothing is sent anywhere until\n"
    "                      one is. With a server and a name, each good round's replay is\n"
    "                      sent in the background (queued under outbox/ beside replays/\n"
    "                      while the server cannot be reached). --server=none forgets it\n"
    "  --name=NAME         your name in the world ranking, kept for later runs\n"
    "  --submit=FILE       send one replay file to the server now and say the verdict\n"
    "  --world [LEVEL]     print the world ranking of a level (1 to 10; 1 by default)\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  success; with --replay, the round played as recorded\n"
    "  1  no window could be opened; with --replay, the round played differently\n"
    "  2  a bad command line; a replay file that cannot be read or is malformed, or a\n"
    "     screenshot that cannot be written\n"
    "  3  a replay that cannot be played here: no data directory tried holds the sprite\n"
    "     sheet it was recorded with\n"
    "  With --submit: 0 accepted, 1 refused, 2 a file that cannot be read, 4 no answer\n"
    "  from the server (or no server set, or this build cannot reach one)\n";

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

enum class Option {
  Help,
  Version,
  Seed,
  Daily,
  Scale,
  DataDir,
  Replay,
  Headless,
  Screenshot,
  Server,
  Name,
  Submit,
  World,
};

enum class Value { None, Required, OptionalNumber };

struct OptionName {
  Option Code;
  std::string_view Name;  // after "--"
  Value Takes;
};

// A new option is a row here and a case in ParseCommandLine.
constexpr OptionName kOptions[] = {
    {Option::Help, "help", Value::None},
    {Option::Version, "version", Value::None},
    {Option::Seed, "seed", Value::Required},
    {Option::Scale, "scale", Value::Required},
    {Option::DataDir, "data-dir", Value::Required},
    {Option::Replay, "replay", Value::Required},
    {Option::Headless, "headless", Value::None},
    {Option::Screenshot, "screenshot", Value::Required},
    {Option::Daily, "daily", Value::None},
    {Option::Server, "server", Value::Required},
    {Option::Name, "name", Value::Required},
    {Option::Submit, "submit", Value::Required},
    {Option::World, "world", Value::OptionalNumber},
};

std::string NameOf(Option code) {
  for (const OptionName& o : kOptions) {
    if (o.Code == code) return "--" + std::string(o.Name);
  }
  return "-h";
}

const OptionName* FindOption(std::string_view name) {
  for (const OptionName& o : kOptions) {
    if (o.Name == name) return &o;
  }
  return nullptr;
}

}  // namespace

// Long options by their whole name, "--name=value" or "--name value"; "-h" alone among the
// short ones; "--" ends the options. The same parser serves every front end, so a player's
// command line means the same on every system.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& out, std::string* error) {
  // The line quotes what was given, which may hold any byte: a control character in it (a
  // newline, a terminal's escape) is shown as '?', so the line stays one line of plain text.
  auto fail = [error](const std::string& why) {
    if (error != nullptr) *error = PrintableLine(why);
    return false;
  };
  std::set<Option> seen;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      return fail("unexpected argument '" + std::string(arg) + "' (try --help)");
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    Option code;
    std::optional<std::string_view> given;  // the value
    if (arg[1] == '-') {
      const std::size_t equals = arg.find('=');
      const OptionName* option = FindOption(arg.substr(2, equals - 2));
      if (option == nullptr || (equals != std::string_view::npos && option->Takes == Value::None)) {
        return fail("unknown option '" + std::string(arg) + "' (try --help)");
      }
      code = option->Code;
      if (equals != std::string_view::npos) {
        given = arg.substr(equals + 1);
      } else if (option->Takes == Value::Required) {
        if (i + 1 >= argc) {
          return fail("option '" + std::string(arg) + "' needs a value (try --help)");
        }
        given = argv[++i];
      } else if (option->Takes == Value::OptionalNumber && i + 1 < argc &&
                 ParseNumber(argv[i + 1], std::numeric_limits<std::uint32_t>::max())) {
        given = argv[++i];  // a number after it is its value; anything else is an option
      }
    } else if (arg == "-h") {
      code = Option::Help;
    } else {
      return fail("unknown option '-" + std::string(1, arg[1] == 'h' ? arg[2] : arg[1]) +
                  "' (try --help)");
    }
    if (!seen.insert(code).second)
      return fail("option '" + NameOf(code) + "' given more than once");
    const std::string value(given.value_or(""));
    switch (code) {
      case Option::Help:
        out.Help = true;
        break;
      case Option::Version:
        out.Version = true;
        break;
      case Option::Seed:
        out.Seed = ParseNumber(value, std::numeric_limits<std::uint32_t>::max());
        if (!out.Seed) return fail("--seed: not a number from 0 to 4294967295: " + value);
        break;
      case Option::Daily:
        out.Daily = true;
        break;
      case Option::Scale: {
        const auto scale = ParseNumber(value, kMaxScale);
        if (!scale || *scale == 0) {
          return fail("--scale: not a whole number from 1 to " + std::to_string(kMaxScale) + ": " +
                      value);
        }
        out.Scale = static_cast<int>(*scale);
        break;
      }
      case Option::DataDir:
        if (value.empty()) return fail("--data-dir: empty directory name");
        out.DataDir = value;
        break;
      case Option::Replay:
        if (value.empty()) return fail("--replay: empty file name");
        out.Replay.File = value;
        break;
      case Option::Headless:
        out.Replay.Headless = true;
        break;
      case Option::Screenshot:
        if (value.empty()) return fail("--screenshot: empty file name");
        out.Replay.Screenshot = value;
        break;
      case Option::Server:
        if (value == "none") {
          out.Server = "";
        } else if (const auto fault = ServerFault(value)) {
          return fail("--server: " + *fault + ": " + value);
        } else {
          out.Server = value.ends_with('/') ? value.substr(0, value.size() - 1) : value;
        }
        break;
      case Option::Name:
        if (const auto fault = PlayerNameFault(value)) return fail("--name: " + *fault);
        out.Name = value;
        break;
      case Option::Submit:
        if (value.empty()) return fail("--submit: empty file name");
        out.Submit = value;
        break;
      case Option::World: {
        const auto level = given ? ParseNumber(value, 10) : std::optional<std::uint32_t>(1);
        if (!level || *level == 0) return fail("--world: not a level from 1 to 10: " + value);
        out.World = static_cast<int>(*level);
        break;
      }
    }
  }

  // A replay brings its own seed, and a headless one has no window to scale.
  const bool replay = !out.Replay.File.empty();
  for (const Option onlyWithReplay : {Option::Headless, Option::Screenshot}) {
    if (!replay && seen.count(onlyWithReplay) != 0) {
      return fail(NameOf(onlyWithReplay) + " goes with --replay");
    }
  }
  if (replay && seen.count(Option::Seed) != 0) return fail("--seed cannot go with --replay");
  if (replay && out.Daily) return fail("--daily cannot go with --replay");
  if (out.Daily && seen.count(Option::Seed) != 0) return fail("--daily cannot go with --seed");
  // A command that reaches the server does nothing else.
  const int commands = (replay ? 1 : 0) + (out.Submit.empty() ? 0 : 1) + (out.World ? 1 : 0);
  if (commands > 1) return fail("--replay, --submit and --world go one at a time");
  if (!out.Submit.empty() || out.World) {
    for (const Option playing : {Option::Seed, Option::Daily, Option::Scale}) {
      if (seen.count(playing) != 0) return fail(NameOf(playing) + " goes with playing only");
    }
  }
  if (out.Replay.Headless && seen.count(Option::Scale) != 0) {
    return fail("--scale cannot go with --headless");
  }
  return true;
}

}  // namespace enclova
