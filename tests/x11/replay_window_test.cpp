// SPDX-License-Identifier: MIT
// A round played through the real window is recorded, and its replay plays back headless, with
// no display, to the very picture the window showed.
#include <X11/keysym.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/form.h"
#include "replay/digest.h"
#include "replay/replay_file.h"
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

// The one replay in `dir`, or "" while there is none.
std::string ReplayIn(const std::string& dir) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
    if (entry.path().extension() == ".replay") return entry.path().string();
  }
  return "";
}

// Runs `command` through the shell; its exit status and what it printed.
std::pair<int, std::string> RunShell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// The round runs on the stepped clock: the replay records the game's clock readings, which
// the test sets, so it plays back as exactly as one played on real seconds.
class ReplayWindowTest : public RealAndHeadless {
 protected:
  // Keys to both games.
  void Tap(KeySym keysym, std::uint16_t code) {
    X.Tap(keysym);
    Headless->Key(code);
  }
};

TEST_F(ReplayWindowTest, RoundPlayedInTheWindowReplaysHeadlessToTheSamePicture) {
  testing::GameHarness::Options options;
  options.Seed = 4242;
  Launch(options, {"--seed", "4242"}, true);
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  ASSERT_TRUE(TitleIsUp());

  // Z, then the keys once "Go!" is up: a loop round the empty cell (1, 2), a missed round.
  Tap(XK_z, VK_Z);
  RoundStarted();
  ASSERT_TRUE(ShowsHeadless()) << "the new board";
  AdvanceRoundTo(5300);
  ASSERT_EQ(Headless->Form.PlayPhase, PhaseRunning);
  ASSERT_TRUE(ShowsHeadless()) << "\"Go!\"";
  for (int k = 0; k < 2; ++k) Tap(XK_Left, VK_LEFT);  // to vertex (1, 3)
  Tap(XK_Up, VK_UP);                                  // (1, 2)
  for (const auto& [key, code] :
       {std::pair{XK_z, VK_Z}, std::pair{XK_Right, VK_RIGHT}, std::pair{XK_Down, VK_DOWN},
        std::pair{XK_Left, VK_LEFT}, std::pair{XK_Up, VK_UP}, std::pair{XK_z, VK_Z}}) {
    Tap(key, code);
  }
  ASSERT_EQ(Headless->Form.GameMode, ModeResult);
  ASSERT_EQ(Headless->Form.Missed, 1);
  ASSERT_TRUE(ShowsHeadless()) << "the keys are handled before the clock moves on";

  // The result ends on the title about 7.5 s later; the replay is written then.
  AdvanceRoundTo(RoundMs() + 8000);
  ASSERT_EQ(Headless->Form.GameMode, ModeTitle);
  EXPECT_TRUE(ShowsHeadless()) << "the title after the missed round";
  const std::string replays = Dir->File("replays");
  ASSERT_TRUE(WaitFor([&] { return !ReplayIn(replays).empty(); })) << Game->Stderr();
  const std::string file = ReplayIn(replays);
  EXPECT_NE(file.find("_L01_miss_"), std::string::npos) << file;

  // What the window shows now is the recorded final picture.
  const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(file);
  std::string error;
  const auto replay = replay::ParseReplay(std::string(bytes.begin(), bytes.end()), &error);
  ASSERT_TRUE(replay.has_value()) << error;
  EXPECT_GT(replay->Calls.size(), 10u);
  EXPECT_TRUE(WaitFor([&] {
    const Surface shown = X.Capture(Main);
    return shown.Exists() && replay::PictureSha256(shown) == replay->PictureSha256;
  })) << "the window does not show the recorded final picture";
  X.Tap(XK_Escape);
  EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();

  // Headless, with no display at all.
  const auto [status, output] = RunShell("cd '" + Dir->Path() + "' && env -u DISPLAY '" +
                                         GameBinary() + "' --replay '" + file + "' --headless");
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find(": match: picture and ranking as recorded"), std::string::npos) << output;
}

// A made-up replay of the most calls a file may hold, none with a gap: the window plays it behind
// its pace, holds its last picture, and ends by itself, as it does for a real round (a loop that
// waited for an event once the hold was over waited for ever).
TEST(ReplayInTheWindow, AMadeUpReplayOfTheMostCallsEndsByItself) {
  XServer& x = SharedServer();
  testing::TempDir dir;
  const std::vector<std::uint8_t> golden =
      testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay");
  std::string text(golden.begin(), golden.end());
  text.resize(text.find("\ncalls\n") + 7);
  text += "k 0 5a @1000000\n";
  // Ticks through the countdown and the clock's seconds, each a second on.
  for (std::size_t i = 1; i < replay::kMaxCalls; ++i) {
    text += "t 0 @" + std::to_string(1'000'000 + 1000 * static_cast<std::int64_t>(i)) + "\n";
  }
  text +=
      "end quit 0 21\npicture " + std::string(64, '0') + "\nranking " + std::string(64, '0') + "\n";
  const std::string file = dir.File("made.replay");
  testing::WriteFileBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));

  GameProcess game(x, dir.Path(), {"--replay", file, "--data-dir", ENCLOVA_SOURCE_DIR "/assets"});
  ASSERT_NE(x.WaitForWindow("Enclova", game.Pid()), 0u) << game.Stderr();
  const std::optional<int> status = game.WaitExit();
  ASSERT_TRUE(status.has_value()) << "the window did not end after the playback";
  EXPECT_EQ(*status, 1);
  EXPECT_NE(game.Stdout().find("made.replay: MISMATCH"), std::string::npos) << game.Stdout();
}

}  // namespace
}  // namespace enclova::x11
