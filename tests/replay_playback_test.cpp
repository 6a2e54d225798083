// SPDX-License-Identifier: MIT
// Playing replay files from the command line: the bounds that keep any file's playback short
// and small, the paint area's check, FIFOs where files are named, and the data directory a
// replay is played in, found by its sheet wherever the player stands.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "frontend/data_directory.h"
#include "frontend/program.h"
#include "frontend/replay_place.h"
#include "posix/posix_platform.h"
#include "replay/replay_run.h"
#include "tests/kit/child.h"
#include "tests/replay_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define ENCLOVA_TESTS_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ENCLOVA_TESTS_UNDER_ASAN 1
#endif
#endif

namespace enclova::testing {
namespace {

const std::string kGolden = ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay";
const std::string kAssets = ENCLOVA_SOURCE_DIR "/assets";

std::string TextOf(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return {bytes.begin(), bytes.end()};
}

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A file made from a real one: its start up to "calls", then `calls`, one a line, then an end.
// The digests are of nothing; such a file plays to a mismatch, which is all a bound needs.
std::string WithCalls(const std::string& real, const std::vector<std::string>& calls) {
  std::string text = real.substr(0, real.find("\ncalls\n") + 7);
  text.reserve(text.size() + calls.size() * 24);
  for (const std::string& c : calls) text += c + "\n";
  return text + "end quit 0 21\npicture " + std::string(64, '0') + "\nranking " +
         std::string(64, '0') + "\n";
}

std::vector<std::string> Repeated(const std::string& line, std::size_t n) {
  std::vector<std::string> calls{"k 0 5a @1000000"};
  calls.resize(n, line);
  return calls;
}

// ---- The paint area ----

// Each side against what is left of the window: areas whose sums overflow an int are refused
// (a sanitizer build aborted on them, a Release build let them through), and the whole window
// and its last pixel are still a paint.
TEST(ReplayBounds, PaintAreasAreCheckedAgainstTheWindowWithoutOverflow) {
  const std::string golden = TextOf(kGolden);
  const struct {
    const char* paint;
    bool accepted;
  } cases[] = {
      {"p 0 0 0 600 400", true},
      {"p 0 599 399 1 1", true},
      {"p 0 0 0 601 400", false},
      {"p 0 0 0 600 401", false},
      {"p 0 1 0 600 400", false},
      {"p 0 0 1 600 400", false},
      {"p 0 600 0 1 1", false},
      {"p 0 10 10 2147483647 2147483647", false},
      {"p 0 100 100 2147483600 2147483600", false},
      {"p 0 2147483647 0 1 1", false},
      {"p 0 0 2147483647 1 1", false},
      {"p 0 -1 0 10 10", false},
      {"p 0 0 0 -600 400", false},
      {"p 0 -2147483648 0 600 400", false},
      {"p 0 0 0 0 400", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.paint);
    std::string error;
    const auto parsed =
        replay::ParseReplay(WithCalls(golden, {"k 0 5a @1000000", c.paint}), &error);
    EXPECT_EQ(parsed.has_value(), c.accepted) << error;
    if (!c.accepted) {
      EXPECT_NE(error.find("a paint area outside the window"), std::string::npos) << error;
    }
    if (parsed) {
      FaultyFileSystem files;
      files.Cwd = kAssets;
      replay::Player player(*parsed, files, nullptr);
      ASSERT_TRUE(player.Start(nullptr));
      while (!player.Done()) player.Step();
      EXPECT_TRUE(player.Result().Complete);
    }
  }
}

// ---- What a file may ask of playback ----

// Past what a real round can hold, a file is refused with the line at fault and what is wrong;
// exactly at each bound it is read.
TEST(ReplayBounds, FilesPastWhatARoundCanHoldAreRefusedSayingWhy) {
  const std::string golden = TextOf(kGolden);
  std::vector<std::string> readingsPerCall{"k 0 5a @1000000"};
  readingsPerCall.push_back("t 0" + [] {
    std::string r;
    for (int i = 0; i <= replay::kMaxReadingsPerCall; ++i) r += " @1";
    return r;
  }());
  // Many calls with the most readings a call may have, together past the file's bound.
  const std::string fullCall = [] {
    std::string r = "t 0";
    for (int i = 0; i < replay::kMaxReadingsPerCall; ++i) r += " @1";
    return r;
  }();
  const std::size_t callsToPassReadings = replay::kMaxReadings / replay::kMaxReadingsPerCall + 1;
  std::vector<std::string> fileResults{"k 0 5a @1000000"};
  for (std::size_t i = 0; fileResults.size() * 64 <= replay::kMaxFileResults + 64; ++i) {
    std::string call = "t 0 @1";
    for (int op = 0; op < 64; ++op) call += " !" + std::to_string(op) + ":-5";
    fileResults.push_back(call);
  }
  const std::size_t wholeWindows = static_cast<std::size_t>(
      replay::kMaxPaintedPixels / (static_cast<std::int64_t>(kClientWidth) * kClientHeight));
  const struct {
    const char* what;
    std::string text;
    const char* error;  // empty: read
  } cases[] = {
      {"the most calls", WithCalls(golden, Repeated("t 0", replay::kMaxCalls)), ""},
      {"a call too many", WithCalls(golden, Repeated("t 0", replay::kMaxCalls + 1)),
       "more calls than any round makes"},
      {"the most painting", WithCalls(golden, Repeated("p 0 0 0 600 400", wholeWindows + 1)), ""},
      {"a paint too many", WithCalls(golden, Repeated("p 0 0 0 600 400", wholeWindows + 2)),
       "more painting than any round asks for"},
      {"a call's readings too many", WithCalls(golden, readingsPerCall),
       "more clock readings than any round makes"},
      {"readings too many in all", WithCalls(golden, Repeated(fullCall, callsToPassReadings + 1)),
       "more clock readings than any round makes"},
      {"failed file operations too many", WithCalls(golden, fileResults),
       "more failed file operations than any round meets"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_LE(c.text.size(), replay::kMaxFileBytes);
    std::string error;
    const bool read = replay::ParseReplay(c.text, &error).has_value();
    EXPECT_EQ(read, *c.error == '\0') << error;
    if (*c.error != '\0') {
      EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

// A round's calls start with the key that starts it and end with its result; a file that holds
// more is played only that far. Within the bounds on calls, the title's screens shown again and
// again, or round after round, had cost a hundred times a real round.
TEST(ReplayBounds, CallsOutsideTheRoundAreNotPlayed) {
  const std::string golden = TextOf(kGolden);
  std::vector<std::string> title;  // the ranking and back, from the first call
  while (title.size() < replay::kMaxCalls) {
    title.push_back("k 0 58 @1000000");
    title.push_back("k 0 41 @1000000");
  }
  // Round after round: each closes a small loop and waits through its result.
  std::vector<std::string> rounds;
  std::int64_t t = 1'000'000;
  auto at = [&t](const std::string& call) { return call + " @" + std::to_string(t); };
  while (rounds.size() < replay::kMaxCalls) {
    rounds.push_back(at("k 0 5a"));
    t += 6000;
    rounds.push_back(at("t 0") + " @" + std::to_string(t));
    for (const char* key : {"5a", "27", "28", "25", "26", "5a"}) {
      rounds.push_back(at(std::string("k 0 ") + key));
    }
    for (int i = 0; i < 2; ++i) {
      t += 8000;
      rounds.push_back(at("t 0") + " @" + std::to_string(t));
    }
    rounds.push_back(at("k 0 41"));
  }
  rounds.resize(replay::kMaxCalls);
  const struct {
    const char* what;
    std::vector<std::string> calls;
    std::size_t played;  // calls played before the file left the round
    const char* why;     // where the first difference is this call's
  } cases[] = {
      {"the title's screens", title, 0, "the first call does not start a round"},
      // Made-up clock readings differ from the game's count on the way.
      {"round after round", rounds, 10, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    const auto parsed = replay::ParseReplay(WithCalls(golden, c.calls), &error);
    ASSERT_TRUE(parsed.has_value()) << error;
    FaultyFileSystem files;
    files.Cwd = kAssets;
    replay::Player player(*parsed, files, nullptr);
    ASSERT_TRUE(player.Start(nullptr));
    while (!player.Done()) player.Step();
    const replay::PlaybackResult result = player.Result();
    EXPECT_EQ(result.CallsPlayed, c.played);
    EXPECT_FALSE(result.Complete);
    EXPECT_FALSE(result.Matches());
    if (*c.why != '\0') {
      EXPECT_EQ(result.FirstDifferentCall, c.played + 1);
      EXPECT_NE(result.Difference.find(c.why), std::string::npos) << result.Difference;
    }
  }
}

// The costliest files that are still read, parsed and played to their end in a child that has
// little memory to spare and an alarm: calls at their bound mixing every key with ticks that
// move the round on, and the most painting. A release build plays each in well under a second;
// the alarm leaves room for the sanitizer builds.
TEST(ReplayBounds, TheCostliestFilesPlayQuicklyInLittleMemory) {
  const std::string golden = TextOf(kGolden);
  std::vector<std::string> round{"k 0 5a @1000000"};
  std::int64_t t = 1'000'000;
  while (round.size() < replay::kMaxCalls) {
    for (int i = 0; i < 8; ++i) {
      t += 1000;
      round.push_back("t 0 @" + std::to_string(t) + " @" + std::to_string(t));
    }
    for (const char* key : {"5a", "25", "26", "27", "28", "58", "27", "28", "25", "26", "58"}) {
      round.push_back(std::string("k 0 ") + key + " @" + std::to_string(t));
    }
  }
  round.resize(replay::kMaxCalls);
  const std::size_t wholeWindows = static_cast<std::size_t>(
      replay::kMaxPaintedPixels / (static_cast<std::int64_t>(kClientWidth) * kClientHeight));
  std::vector<std::string> painted = Repeated("p 0 0 0 600 400", wholeWindows + 1);
  painted.resize(replay::kMaxCalls, "t 0 @1000000");
  // The largest file: calls at their bound, each with as many readings as the size allows.
  std::vector<std::string> largest = Repeated("t 0 @1000000 @1000000 @1000000", replay::kMaxCalls);

  TempDir dir;
  const struct {
    const char* what;
    std::string text;
  } cases[] = {{"a round's keys", WithCalls(golden, round)},
               {"painting", WithCalls(golden, painted)},
               {"largest", WithCalls(golden, largest)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_LE(c.text.size(), replay::kMaxFileBytes);
    const std::string path = dir.File("crafted.replay");
    WriteText(path, c.text);
    std::fflush(stdout);  // what the child inherits must not be written twice
    const ChildReport report = RunInChild([&] {
#ifndef ENCLOVA_TESTS_UNDER_ASAN
      // Room for what the process holds now and 128 MiB more: the file's calls, the game.
      long pages = 0;
      if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
      }
      const rlim_t room = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (128u << 20);
      const rlimit limit{room, room};
      if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) return std::string("no limit set");
#endif
      alarm(60);
      if (std::freopen("/dev/null", "w", stdout) == nullptr) return std::string("no /dev/null");
      const auto start = std::chrono::steady_clock::now();
      replay::ReplayOptions options;
      options.File = path;
      FaultyFileSystem files;
      files.Cwd = kAssets;
      const std::unique_ptr<Typeface> face = OpenGameTypeface();
      int status = -1;
      try {
        status = replay::PlayHeadless(options, files, face.get());
      } catch (const std::bad_alloc&) {
        return std::string("out of memory");
      }
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
      return "status " + std::to_string(status) + " in " + std::to_string(ms) + " ms";
    });
    EXPECT_TRUE(report.Exited) << "signal " << report.Signal;
    // Played to its end: the made-up digests differ.
    EXPECT_EQ(report.Text.rfind("status 1 in ", 0), 0u) << report.Text;
    std::printf("%s: %s\n", c.what, report.Text.c_str());
  }
}

// ---- The program: FIFOs, the data directory found by the sheet, the exit statuses ----

// The Linux desktop system with a stepped clock and no display: the real files, and the data
// directory chosen by the game's own rule from an installation and a player's folder the test
// names.
class ProgramSystem final : public DesktopSystem {
 public:
  ProgramSystem(std::string installed, std::string user)
      : installed_(std::move(installed)), user_(std::move(user)) {}
  Clock& GameClock() override { return clock_; }
  bool ClockIsStepped() const override { return true; }
  FileSystem& Files() override { return files_; }
  std::string ExecutablePath() override { return "/usr/games/enclova"; }
  DataDirectoryChoice DataDirectory(const std::string& requested, bool onlyLook) override {
    DataDirectoryRequest request;
    request.Explicit = requested;
    request.OnlyLook = onlyLook;
    request.Working = files_.CurrentDirectory();
    request.Installed = installed_;
    request.UserDirectory = user_;
    return ChooseDataDirectory(files_, request);
  }
  bool OpenDisplay(std::string* error) override {
    *error = "no display in this test";
    return false;
  }
  bool RunWindow(GameSession&, int, std::string* error) override {
    *error = "no window in this test";
    return false;
  }
  // In the working directory; no HTTP client, as on a build without one.
  std::string WorldSettingsPath() override { return "world"; }

 private:
  std::string installed_, user_;
  FakeClock clock_;
  PosixFileSystem files_;
};

struct ProgramRun {
  bool Exited = false;  // false: the alarm or a crash ended it
  int Status = -1;
  std::string Errors;  // standard error
  std::string Output;  // standard output
};

// Runs the program in a child standing in `working`, with an alarm so that a wait on a FIFO
// fails the test instead of holding it.
ProgramRun RunProgramIn(const std::string& working, std::vector<std::string> arguments,
                        const std::string& installed = "", const std::string& user = "") {
  TempDir out;
  const std::string errors = out.File("stderr");
  const std::string output = out.File("stdout");
  std::fflush(stdout);
  std::fflush(stderr);
  const ChildReport report = RunInChild([&] {
    alarm(20);
    if (chdir(working.c_str()) != 0) return std::string("no chdir");
    if (std::freopen(errors.c_str(), "w", stderr) == nullptr ||
        std::freopen(output.c_str(), "w", stdout) == nullptr) {
      return std::string("no redirection");
    }
    arguments.insert(arguments.begin(), "enclova");
    std::vector<const char*> argv;
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    ProgramSystem desktop(installed, user);
    const int status = RunProgram(static_cast<int>(argv.size()), argv.data(), desktop, "test");
    std::fflush(stderr);
    std::fflush(stdout);
    return std::to_string(status);
  });
  ProgramRun run;
  run.Exited = report.Exited && !report.Text.empty();
  if (run.Exited) run.Status = std::stoi(report.Text);
  run.Errors = TextOf(errors);
  run.Output = TextOf(output);
  return run;
}

// The world ranking's options: nothing is sent without a server; the server and the name are
// kept with a token made once, which later runs keep; a build without a client says so.
TEST(ReplayProgram, WorldOptionsAreKeptAndNothingIsSentUnasked) {
  TempDir dir;
  const auto settings = [&] { return TextOf(dir.File("world")); };
  ProgramRun run = RunProgramIn(dir.Path(), {"--world"});
  EXPECT_EQ(run.Status, 4);
  EXPECT_EQ(run.Errors, "enclova: no ranking server is set (--server=URL)\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("world")));

  run = RunProgramIn(dir.Path(), {"--server=http://127.0.0.1:1/", "--name=Ada", "--world=3"});
  EXPECT_EQ(run.Status, 4);
  EXPECT_EQ(run.Errors, "enclova: this build cannot reach a ranking server\n");
  const std::string first = settings();
  ASSERT_EQ(first.rfind("server=http://127.0.0.1:1\nname=Ada\ntoken=", 0), 0u) << first;
  const std::string token = first.substr(first.find("token="));
  EXPECT_EQ(token.size(), 6 + 43 + 1u);

  run = RunProgramIn(dir.Path(), {"--name=Bea", "--server=none", "--submit=a.replay"});
  EXPECT_EQ(run.Status, 4);
  EXPECT_EQ(run.Errors, "enclova: no ranking server is set (--server=URL)\n");
  EXPECT_EQ(settings(), "name=Bea\n" + token);  // the same token: it owns the name
  run = RunProgramIn(dir.Path(), {"--name=A\x1b[2J"});
  EXPECT_EQ(run.Status, 2);
  EXPECT_EQ(settings(), "name=Bea\n" + token);
}

// A FIFO where the replay or the screenshot should be is refused at once, before any playback,
// with the reason; nothing waits for a writer or a reader.
TEST(ReplayProgram, AFifoNamedOnTheCommandLineIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir.File("named.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    const char* what;
    std::vector<std::string> arguments;
  } cases[] = {
      {"replay", {"--replay=" + fifo, "--headless", "--data-dir=" + kAssets}},
      {"replay in the window", {"--replay=" + fifo, "--data-dir=" + kAssets}},
      {"screenshot",
       {"--replay=" + kGolden, "--headless", "--screenshot=" + fifo, "--data-dir=" + kAssets}},
      {"screenshot in the window",
       {"--replay=" + kGolden, "--screenshot=" + fifo, "--data-dir=" + kAssets}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun run = RunProgramIn(dir.Path(), c.arguments);
    ASSERT_TRUE(run.Exited) << "it waited on the FIFO";
    EXPECT_EQ(run.Status, replay::kPlaybackRefused);
    EXPECT_NE(run.Errors.find("named.fifo"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("not a regular file"), std::string::npos) << run.Errors;
  }
}

// The screenshot replaces what is there whole, through a link too, keeping the file's bits, and
// the playback's verdict stands beside it.
TEST(ReplayProgram, TheScreenshotIsWrittenWholeThroughALink) {
  TempDir dir;
  WriteText(dir.File("old.png"), "not yet a picture");
  ASSERT_EQ(chmod(dir.File("old.png").c_str(), 0604), 0);
  ASSERT_EQ(symlink("old.png", dir.File("link.png").c_str()), 0);
  const ProgramRun run = RunProgramIn(
      dir.Path(),
      {"--replay=" + kGolden, "--headless", "--screenshot=link.png", "--data-dir=" + kAssets});
  ASSERT_TRUE(run.Exited);
  EXPECT_EQ(run.Status, replay::kPlaybackMatched) << run.Errors;
  const std::string png = TextOf(dir.File("old.png"));
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.png")));
  struct stat written {};
  ASSERT_EQ(stat(dir.File("old.png").c_str(), &written), 0);
  EXPECT_EQ(written.st_mode & 0777, 0604u) << "the file keeps its bits";
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// A data folder as the game leaves it: the sheet, the ranking, and a round's replay in its
// replays/ folder; an installation elsewhere, and a player's home holding nothing.
struct Layout {
  Layout() {
    std::filesystem::create_directories(Data + "/replays");
    std::filesystem::create_directories(Installed);
    std::filesystem::create_directories(Home);
    for (const std::string& to : {Data, Installed}) {
      std::filesystem::copy_file(kAssets + "/fgra.bmp", to + "/fgra.bmp");
      std::filesystem::copy_file(kAssets + "/fdata.dat", to + "/fdata.dat");
    }
    std::filesystem::copy_file(kGolden, Replay);
    // Another sheet: the test kit's, which the round was not recorded with.
    GameHarness::Options options;
    WriteGameFiles(Other, options);
  }
  TempDir Root, Other;
  std::string Data = Root.File("data");
  std::string Installed = Root.File("usr/share/games/enclova");
  std::string Home = Root.File("home");
  std::string User = Root.File("home/.local/share/enclova");
  std::string Replay = Data + "/replays/round.replay";
};

// A replay plays from anywhere when the data folder whose replays/ folder holds it has its
// sheet, or when the game's own choice here (the installed game's, the working directory's,
// --data-dir's) does; the sheet's hash picks among them.
TEST(ReplayProgram, AReplayFindsTheSheetItWasRecordedWith) {
  Layout l;
  const std::string relative = "../data/replays/round.replay";
  const struct {
    const char* what;
    std::string working;
    std::vector<std::string> arguments;
    bool installed;
  } cases[] = {
      {"from its replays folder", l.Data + "/replays", {"--replay=round.replay"}, false},
      {"from its data folder", l.Data, {"--replay=replays/round.replay"}, false},
      {"from a home holding nothing", l.Home, {"--replay=" + relative}, false},
      {"from /", "/", {"--replay=" + l.Replay}, false},
      {"from a folder with another sheet", l.Other.Path(), {"--replay=" + l.Replay}, false},
      {"moved out of its folder, installed", l.Home, {"--replay=" + kGolden}, true},
      {"moved out of its folder, --data-dir",
       "/",
       {"--replay=" + kGolden, "--data-dir=" + l.Data},
       false},
      {"in the window's path too", l.Home, {"--replay=" + relative}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> arguments = c.arguments;
    const bool window = std::string(c.what).find("window") != std::string::npos;
    if (!window) arguments.push_back("--headless");
    const ProgramRun run = RunProgramIn(c.working, arguments, c.installed ? l.Installed : "",
                                        c.installed ? l.User : "");
    ASSERT_TRUE(run.Exited);
    // The window's path finds its directory, starts the playback, then meets no display.
    EXPECT_EQ(run.Status, window ? 1 : replay::kPlaybackMatched) << run.Errors;
    if (window) {
      EXPECT_NE(run.Errors.find("no display"), std::string::npos) << run.Errors;
    }
  }
}

// Every entry under `root` with its kind, size and modification time to the nanosecond.
std::vector<std::string> ListingWithTimes(const std::string& root) {
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    if (lstat(entry.path().c_str(), &st) != 0) continue;
    lines.push_back(entry.path().string() + " " + std::to_string(st.st_mode) + " " +
                    std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Playing a replay changes no file anywhere: not the data folder, not the installed game's own
// folder, whatever state that is in (not made yet, a ranking too short to read, the copy of
// the installation's sheet that earlier versions made), headless or for the window. A game
// started there would make, seed, set aside or remove each of those.
TEST(ReplayProgram, PlaybackChangesNoFile) {
  const struct {
    const char* what;
    std::function<void(const Layout&)> arrange;
    bool window;
  } cases[] = {
      {"a fresh home", [](const Layout&) {}, false},
      {"a short ranking in the player's folder",
       [](const Layout& l) {
         std::filesystem::create_directories(l.User);
         WriteText(l.User + "/fdata.dat", "abc");
       },
       false},
      {"the installation's sheet copied into the player's folder",
       [](const Layout& l) {
         std::filesystem::create_directories(l.User);
         std::filesystem::copy_file(kAssets + "/fgra.bmp", l.User + "/fgra.bmp");
         std::filesystem::copy_file(kAssets + "/fdata.dat", l.User + "/fdata.dat");
       },
       false},
      {"a short ranking, for the window",
       [](const Layout& l) {
         std::filesystem::create_directories(l.User);
         WriteText(l.User + "/fdata.dat", "abc");
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Layout l;
    c.arrange(l);
    const std::vector<std::string> before = ListingWithTimes(l.Root.Path());
    std::vector<std::string> arguments = {"--replay=" + l.Replay};
    if (!c.window) arguments.push_back("--headless");
    const ProgramRun run = RunProgramIn(l.Home, arguments, l.Installed, l.User);
    ASSERT_TRUE(run.Exited);
    EXPECT_EQ(run.Status, c.window ? 1 : replay::kPlaybackMatched) << run.Errors;
    EXPECT_EQ(ListingWithTimes(l.Root.Path()), before);
  }
}

// A replay's or a screenshot's name may hold any byte; every line that names one shows its
// control characters (a newline, a terminal's escape, C1's CSI) as '?', as the command line's
// refusals do, so a name cannot rewrite the terminal or forge a line.
TEST(ReplayProgram, NamesReachTheTerminalWithoutTheirControlCharacters) {
  Layout l;
  const std::string odd =
      "x\x1b[2J\n\r\x07\xc2\x9b"
      "31m";
  const std::string oddReplay = l.Data + "/replays/" + odd + ".replay";
  std::filesystem::copy_file(kGolden, oddReplay);
  const std::string oddFolder = l.Root.File(odd);
  std::filesystem::create_directories(oddFolder + "/replays");
  std::filesystem::copy_file(kGolden, oddFolder + "/replays/r.replay");
  std::filesystem::create_directories(l.Data + "/" + odd + ".png");
  const struct {
    const char* what;
    std::string working;
    std::vector<std::string> arguments;
    int status;
  } cases[] = {
      {"played", l.Data, {"--replay=replays/" + odd + ".replay", "--headless"}, 0},
      {"not found", l.Data, {"--replay=" + odd, "--headless"}, replay::kPlaybackRefused},
      {"not found, for the window", l.Data, {"--replay=" + odd}, replay::kPlaybackRefused},
      {"a screenshot that is a folder",
       l.Data,
       {"--replay=replays/round.replay", "--headless", "--screenshot=" + odd + ".png"},
       replay::kPlaybackRefused},
      {"no sheet in a folder so named",
       oddFolder,
       {"--replay=replays/r.replay", "--headless"},
       replay::kPlaybackNotHere},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun run = RunProgramIn(c.working, c.arguments);
    ASSERT_TRUE(run.Exited);
    EXPECT_EQ(run.Status, c.status) << run.Errors;
    const std::string both = run.Errors + run.Output;
    EXPECT_NE(both.find("x?[2J????31m"), std::string::npos) << both;
    std::size_t lines = 0;
    for (std::size_t i = 0; i < both.size(); ++i) {
      const auto byte = static_cast<unsigned char>(both[i]);
      if (byte == '\n') {
        ++lines;
        continue;
      }
      EXPECT_FALSE(byte < 0x20 || byte == 0x7F) << "byte " << int{byte} << " at " << i;
      EXPECT_FALSE(byte == 0xC2 && i + 1 < both.size() &&
                   static_cast<unsigned char>(both[i + 1]) < 0xA0)
          << "a C1 control at " << i;
    }
    EXPECT_EQ(lines, 1u) << both;
  }
}

// Where no directory tried holds the recorded sheet, the replay cannot be played here: its
// own exit status, and one English line naming each directory and why it did not fit.
TEST(ReplayProgram, AReplayNoDirectoryCanPlaySaysWhereItLookedAndExitsWith3) {
  Layout l;
  TempDir empty;
  const std::string moved = empty.File("round.replay");
  std::filesystem::copy_file(kGolden, moved);
  const struct {
    const char* what;
    std::string working;
    std::vector<std::string> arguments;
    std::vector<std::string> said;
  } cases[] = {
      {"another sheet here",
       l.Other.Path(),
       {"--replay=" + moved, "--headless"},
       {l.Other.Path() + ": its fgra.bmp is another sheet"}},
      {"another sheet in --data-dir",
       "/",
       {"--replay=" + moved, "--headless", "--data-dir=" + l.Other.Path()},
       {l.Other.Path() + ": its fgra.bmp is another sheet"}},
      {"no sheet anywhere",
       empty.Path(),
       {"--replay=round.replay", "--headless"},
       {empty.Path() + ": cannot open " + empty.Path() + "/fgra.bmp: No such file"}},
      {"in the window", empty.Path(), {"--replay=round.replay"}, {empty.Path() + ": cannot open"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun run = RunProgramIn(c.working, c.arguments);
    ASSERT_TRUE(run.Exited);
    EXPECT_EQ(run.Status, replay::kPlaybackNotHere) << run.Errors;
    EXPECT_NE(run.Errors.find("cannot be played here: no data directory holds the sprite sheet "
                              "it was recorded with (sheet "),
              std::string::npos)
        << run.Errors;
    for (const std::string& s : c.said) {
      EXPECT_NE(run.Errors.find(s), std::string::npos) << run.Errors;
    }
  }
}

// The malformed-file status stays apart from the new one, with the reason for each refusal.
TEST(ReplayProgram, FilesThatCannotBeReadSayWhyAndExitWith2) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("folder.replay"));
  const std::string golden = TextOf(kGolden);
  WriteText(dir.File("cut.replay"), golden.substr(0, golden.find("\nend ") + 1));
  const struct {
    const char* file;
    const char* said;
  } cases[] = {
      {"missing.replay", "missing.replay: refused: not found"},
      {"folder.replay", "folder.replay: refused: not a regular file"},
      {"cut.replay", "expected a call or \"end\" (the file is truncated)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const ProgramRun run = RunProgramIn(
        dir.Path(), {std::string("--replay=") + c.file, "--headless", "--data-dir=" + kAssets});
    ASSERT_TRUE(run.Exited);
    EXPECT_EQ(run.Status, replay::kPlaybackRefused);
    EXPECT_NE(run.Errors.find(c.said), std::string::npos) << run.Errors;
  }
}

// The directories tried, in order and each once, as the game spells its paths on Linux and on
// Windows.
TEST(ReplayProgram, TheDirectoriesTriedAreThePlayersChoiceThenTheReplaysOwn) {
  const struct {
    const char* chosen;
    const char* replay;
    const char* working;
    std::vector<std::string> tried;
  } cases[] = {
      {"/w", "/d/replays/a.replay", "/w", {"/w", "/d"}},
      {"/w", "a.replay", "/w", {"/w"}},
      {"/w", "replays/a.replay", "/w", {"/w"}},
      {"/h", "replays/a.replay", "/w", {"/h", "/w"}},
      {"/w/", "/w/replays/a.replay", "/w", {"/w"}},
      {"/w", "/replays/a.replay", "/w", {"/w", "/"}},
      {"/w", "/d/replays.old/a.replay", "/w", {"/w"}},
      {"/w", "/d/replays/", "/w", {"/w"}},
      {"rel", "../d/replays/a.replay", "/w", {"/w/rel", "/d"}},
      {"./x/../y/.", "../../../replays/a.replay", "/w", {"/w/y", "/"}},
      {"C:/Users/p/Enclova",
       "C:\\games\\replays\\a.replay",
       "C:/w",
       {"C:/Users/p/Enclova", "C:/games"}},
      {"C:/w", "replays\\a.replay", "C:/w", {"C:/w"}},
      {"C:/w", "..\\..\\..\\replays\\a.replay", "C:/w/x", {"C:/w", "C:/"}},
      {"D:/data", "C:/replays/a.replay", "C:/w", {"D:/data", "C:/"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chosen) + " " + c.replay + " in " + c.working);
    EXPECT_EQ(ReplayDirectories(c.chosen, c.replay, c.working), c.tried);
  }
}

}  // namespace
}  // namespace enclova::testing
