// SPDX-License-Identifier: MIT
// The SDL front end with a game controller, in its own process under Xvfb: a virtual pad (SDL's
// own, SDL_JoystickAttachVirtual) plays a ranked round on the real clock, which is stored,
// recorded and plays back to its digests; and with no pad the controller subsystem never starts,
// so the idle title has nothing to read.
#include <SDL.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frontend/keys.h"
#include "frontend/session.h"
#include "posix/posix_platform.h"
#include "sdl/sdl_pads.h"
#include "sdl/sdl_window.h"
#include "tests/kit/fakes.h"
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The keys of the golden ranked round of level 1 (seed 1, the empty ranking), after the Z that
// starts it.
std::vector<std::uint16_t> GoldenRoundKeys() {
  std::istringstream lines(
      ReadText(fs::path(ENCLOVA_SOURCE_DIR) / "tests/replays/good-ranked-level1.replay"));
  std::vector<std::uint16_t> keys;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("k 0 ", 0) == 0)
      keys.push_back(static_cast<std::uint16_t>(std::stoi(line.substr(4), nullptr, 16)));
  }
  keys.erase(keys.begin());
  return keys;
}

// With no pad plugged in, SDL's controller subsystem stays down: nothing to read, no wake-up.
// (First, and without a display of its own: the round below leaves SDL's joysticks and video up
// in this process.)
TEST(SdlPads, WithNoPadTheControllerSubsystemNeverStarts) {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator("/dev/input", ignored)) {
    if (entry.path().filename().string().rfind("js", 0) == 0) {
      GTEST_SKIP() << "a joystick is plugged into this machine";
    }
  }
  SdlPads pads;
  pads.Start(0);
  EXPECT_FALSE(pads.Started());
  EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK), 0u);
  EXPECT_TRUE(pads.Read(10).empty());
  EXPECT_EQ(pads.WaitMilliseconds(10), -1) << "the loop may sleep until an event";
}

TEST(SdlPads, ARoundPlayedWithAVirtualPadIsRankedRecordedAndPlaysBack) {
  XServer server;
  setenv("DISPLAY", server.DisplayName().c_str(), 1);
  unsetenv("SDL_VIDEODRIVER");
  std::string error;
  ASSERT_TRUE(SdlWindow::InitVideo(&error)) << error;
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  const int index = SDL_JoystickAttachVirtual(
      SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  ASSERT_NE(pad, nullptr);

  testing::TempDir dir;
  fs::copy_file(fs::path(ENCLOVA_SOURCE_DIR) / "assets/fgra.bmp",
                fs::path(dir.Path()) / "fgra.bmp");
  fs::copy_file(fs::path(ENCLOVA_SOURCE_DIR) / "assets/fdata.dat",
                fs::path(dir.Path()) / "fdata.dat");
  SystemClock clock;
  PosixFileSystem files;
  GameSession::Services services;
  services.GameClock = &clock;
  services.Files = &files;
  GameSession::Options options;
  options.DataDirectory = dir.Path();
  options.Seed = 1;
  GameSession session(services, options);
  ASSERT_TRUE(session.Start());
  SdlWindow window(nullptr, files, WindowOptions{1, "", dir.Path()});

  // The player: each button held a few readings long, well short of the repeat's delay.
  std::thread player([pad] {
    auto press = [pad](SDL_GameControllerButton button) {
      SDL_JoystickSetVirtualButton(pad, button, 1);
      std::this_thread::sleep_for(milliseconds(80));
      SDL_JoystickSetVirtualButton(pad, button, 0);
      std::this_thread::sleep_for(milliseconds(80));
    };
    auto push = [pad](int x, int y) {
      SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(x));
      SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, static_cast<Sint16>(y));
      std::this_thread::sleep_for(milliseconds(80));
      SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 0);
      SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
      std::this_thread::sleep_for(milliseconds(80));
    };
    std::this_thread::sleep_for(milliseconds(1500));
    press(SDL_CONTROLLER_BUTTON_A);  // Z: the round starts
    std::this_thread::sleep_for(milliseconds(6500));
    bool pathStarted = false;
    for (std::uint16_t key : GoldenRoundKeys()) {
      // The cursor's moves before the path with the stick, the rest with the d-pad and A.
      if (key == keys::Letter('Z')) {
        press(SDL_CONTROLLER_BUTTON_A);
        pathStarted = true;
      } else if (!pathStarted) {
        push(key == keys::kLeft    ? -30000
             : key == keys::kRight ? 30000
                                   : 0,
             key == keys::kUp     ? -30000
             : key == keys::kDown ? 30000
                                  : 0);
      } else {
        press(key == keys::kLeft    ? SDL_CONTROLLER_BUTTON_DPAD_LEFT
              : key == keys::kRight ? SDL_CONTROLLER_BUTTON_DPAD_RIGHT
              : key == keys::kUp    ? SDL_CONTROLLER_BUTTON_DPAD_UP
                                    : SDL_CONTROLLER_BUTTON_DPAD_DOWN);
      }
    }
    std::this_thread::sleep_for(milliseconds(9000));  // the result, the save, the ranking
    // Nothing on a pad quits; B leaves the ranking screen.
    for (auto button : {SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_BACK,
                        SDL_CONTROLLER_BUTTON_GUIDE, SDL_CONTROLLER_BUTTON_B}) {
      press(button);
    }
    std::this_thread::sleep_for(milliseconds(300));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  });
  const bool ran = window.Run(session, &error);
  player.join();
  ASSERT_TRUE(ran) << error;
  EXPECT_FALSE(session.QuitRequested()) << "no button of the pad asked the game to end";
  session.Finish();

  // The ranking: one round of level 1 in first place.
  const std::string ranking = ReadText(fs::path(dir.Path()) / "fdata.dat");
  ASSERT_EQ(ranking.size(), 160u);
  EXPECT_EQ(static_cast<unsigned char>(ranking[80]), 1) << "level 1 in first place";
  EXPECT_LT(static_cast<unsigned char>(ranking[0]), 60) << "a time in seconds";

  std::vector<fs::path> replays;
  for (const auto& entry : fs::directory_iterator(fs::path(dir.Path()) / "replays")) {
    if (entry.path().extension() == ".replay") replays.push_back(entry.path());
  }
  ASSERT_EQ(replays.size(), 1u);
  EXPECT_NE(ReadText(replays[0]).find("\nend good"), std::string::npos) << replays[0];

  // Played back, as fast as it goes, to the digests it recorded.
  GameSession::Options again;
  again.DataDirectory = dir.Path();
  again.ReplayFile = replays[0].string();
  GameSession playback(services, again);
  ASSERT_TRUE(playback.Start());
  std::int64_t now = 0;
  for (int calls = 0; calls < 100000 && !playback.QuitRequested(); ++calls) {
    const GameSession::TimerPlan plan = playback.PlanTimer(now);
    if (plan.TickNow) {
      playback.Tick();
    } else if (plan.WaitMilliseconds >= 0) {
      now += plan.WaitMilliseconds;
    } else {
      break;
    }
  }
  playback.Finish();
  EXPECT_EQ(playback.ExitStatus(), 0) << "the pad's round plays back as recorded";
}

}  // namespace
}  // namespace enclova::x11
