// SPDX-License-Identifier: MIT
// Program entry: the command line, the real seams, start-up, then the window's event loop.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "app/application.h"
#include "base/errors.h"
#include "app/form.h"
#include "platform/posix_platform.h"
#include "platform/sdl_window.h"
#include "platform/user_files.h"
#include "app/game_typeface.h"

namespace {

constexpr const char* kUsage =
    "Usage: enclova [OPTION]...\n"
    "Trace a loop along the grid lines so that every stone of the first kind ends inside it\n"
    "and every stone of the second kind outside. The game plays with fgra.bmp and fdata.dat\n"
    "from the current directory when it holds either, else from --data-dir, else (installed)\n"
    "from $XDG_DATA_HOME/enclova; it rewrites fdata.dat when a round earns a place.\n"
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
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n";

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
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {"seed", required_argument, nullptr, kOptSeed},
    {"scale", required_argument, nullptr, kOptScale},
    {"data-dir", required_argument, nullptr, kOptDataDir},
    {nullptr, 0, nullptr, 0},
};

struct CommandLine {
  bool Help = false;
  bool Version = false;
  std::optional<std::uint32_t> Seed;
  int Scale = 0;  // 0: chosen from the display
  std::string DataDir;
};

// False after printing what is wrong; the exit status is then 2.
bool ParseCommandLine(int argc, char** argv, CommandLine& out) {
  std::set<int> seen;
  // Every complaint is one line of our own, so getopt_long's messages are off.
  opterr = 0;
  optind = 1;
  int code;
  while ((code = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1) {
    const char* given = argv[optind - 1];
    if (code == ':') {
      std::fprintf(stderr, "enclova: option '%s' needs a value (try --help)\n", given);
      return false;
    }
    if (code == '?') {
      if (optopt != 0) {
        std::fprintf(stderr, "enclova: unknown option '-%c' (try --help)\n", optopt);
      } else {
        std::fprintf(stderr, "enclova: unknown option '%s' (try --help)\n", given);
      }
      return false;
    }
    if (!seen.insert(code).second) {
      const char* name = "h";
      for (const option& o : kOptions) {
        if (o.name != nullptr && o.val == code) name = o.name;
      }
      std::fprintf(stderr, "enclova: option '--%s' given more than once\n", name);
      return false;
    }
    switch (code) {
      case kOptHelp:
        out.Help = true;
        break;
      case kOptVersion:
        out.Version = true;
        break;
      case kOptSeed:
        out.Seed = ParseNumber(optarg, std::numeric_limits<std::uint32_t>::max());
        if (!out.Seed) {
          std::fprintf(stderr, "enclova: --seed: not a number from 0 to 4294967295: %s\n", optarg);
          return false;
        }
        break;
      case kOptScale: {
        const auto scale = ParseNumber(optarg, enclova::kMaxScale);
        if (!scale || *scale == 0) {
          std::fprintf(stderr, "enclova: --scale: not a whole number from 1 to %d: %s\n",
                       enclova::kMaxScale, optarg);
          return false;
        }
        out.Scale = static_cast<int>(*scale);
        break;
      }
      case kOptDataDir:
        if (*optarg == '\0') {
          std::fputs("enclova: --data-dir: empty directory name\n", stderr);
          return false;
        }
        out.DataDir = optarg;
        break;
      default:
        return false;
    }
  }
  if (optind < argc) {
    std::fprintf(stderr, "enclova: unexpected argument '%s' (try --help)\n", argv[optind]);
    return false;
  }
  return true;
}

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

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();

  CommandLine options;
  if (!ParseCommandLine(argc, argv, options)) return 2;
  if (options.Help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.Version) {
    std::puts("enclova " ENCLOVA_VERSION);
    return 0;
  }

  std::string error;
  if (!enclova::SdlWindow::InitVideo(&error)) {
    std::fprintf(stderr, "enclova: %s\n", error.c_str());
    return 1;
  }

  const std::string executable = ExecutablePath(argv[0]);
  const std::string home = Environment("HOME");
  enclova::PosixFileSystem posixFiles;
  enclova::DataDirectoryRequest request;
  request.Explicit = options.DataDir;
  request.Working = posixFiles.CurrentDirectory();
  request.Installed = InstalledDataDirectory(executable);
  request.XdgDataHome = Environment("XDG_DATA_HOME");
  request.Home = home;
  const enclova::DataDirectoryChoice data = enclova::ChooseDataDirectory(request);
  if (!data.Warning.empty()) std::fprintf(stderr, "%s\n", data.Warning.c_str());
  enclova::DataDirectoryFileSystem files(posixFiles, data.Directory);

  enclova::SystemClock clock;
  // Fonts load at the first text; the title needs none, so start-up does not wait for them.
  std::unique_ptr<enclova::Typeface> face = enclova::OpenGameTypeface(&error);
  if (!face) std::fprintf(stderr, "enclova: text cannot be drawn: %s\n", error.c_str());

  const std::string configHome =
      enclova::XdgDirectory(std::getenv("XDG_CONFIG_HOME"), home, ".config");
  enclova::WindowOptions windowOptions;
  windowOptions.Scale = options.Scale;
  windowOptions.SettingsPath = configHome + "/enclova/settings";
  windowOptions.PicturesDirectory =
      enclova::PicturesDirectory(std::getenv("XDG_PICTURES_DIR"), home, configHome);
  enclova::SdlWindow window(face.get(), windowOptions);
  if (std::getenv("ENCLOVA_TRACE_FIRST_FRAME") != nullptr) window.TraceFirstFrame(start);
  if (std::getenv("ENCLOVA_TRACE_KEYS") != nullptr) window.TraceKeyLatency();
  ExplainingHost host(window, files);
  enclova::TForm1 form(clock, files, host, face.get());
  enclova::Application app(form, host, enclova::ApplicationTitle(executable));

  if (options.Seed) form.FixSeed(*options.Seed);
  // Start-up runs before the window is shown; an error box it raises comes first.
  app.Create();
  if (!window.Run(form, app, &error)) {
    std::fprintf(stderr, "enclova: cannot open the window: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
