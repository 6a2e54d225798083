// SPDX-License-Identifier: MIT
// Game controllers on SDL, and the watch on /dev/input that wakes the loop when one comes.
#include "sdl/sdl_pads.h"

#include <SDL.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace enclova {

namespace {

constexpr std::int64_t kLookForMilliseconds = 3000;
constexpr std::int64_t kLookEveryMilliseconds = 250;

// A joystick's device node in /dev/input: the joystick driver's js*, or the link udev makes for
// one in by-id.
bool PadLikely() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/input", ignored)) {
    if (entry.path().filename().string().rfind("js", 0) == 0) return true;
  }
  for (const auto& entry : std::filesystem::directory_iterator("/dev/input/by-id", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 9 && name.compare(name.size() - 9, 9, "-joystick") == 0) return true;
  }
  return false;
}

// Blocks on inotify and posts `type` for every change of /dev/input: no wake-up otherwise.
void WatchDevices(std::uint32_t type) {
  const int fd = inotify_init1(IN_CLOEXEC);
  if (fd < 0) return;
  if (inotify_add_watch(fd, "/dev/input", IN_CREATE | IN_ATTRIB | IN_DELETE) < 0) {
    close(fd);
    return;
  }
  std::thread([fd, type] {
    alignas(inotify_event) char buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
      SDL_Event event{};
      event.type = type;
      SDL_PushEvent(&event);
    }
  }).detach();
}

}  // namespace

void SdlPads::Start(std::int64_t now) {
  wakeEvent_ = SDL_RegisterEvents(1);
  if (wakeEvent_ != static_cast<std::uint32_t>(-1)) WatchDevices(wakeEvent_);
  if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0 || PadLikely()) {
    StartSubsystem();
    lookUntil_ = now + kLookForMilliseconds;
    nextLook_ = now;
  }
}

void SdlPads::StartSubsystem() {
  if (started_) return;
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
  started_ = true;
  // Read by the loop, never as events: see the header.
  SDL_JoystickEventState(SDL_IGNORE);
  SDL_GameControllerEventState(SDL_IGNORE);
}

bool SdlPads::Woken(const SDL_Event& event, std::int64_t now) {
  if (wakeEvent_ == 0 || event.type != wakeEvent_) return false;
  StartSubsystem();
  lookUntil_ = now + kLookForMilliseconds;
  nextLook_ = now;
  return true;
}

std::vector<std::uint16_t> SdlPads::Read(std::int64_t now) {
  if (!started_) return {};
  const bool looking = now < lookUntil_ && now >= nextLook_;
  if (open_.empty() && !looking) return {};
  if (looking) nextLook_ = now + kLookEveryMilliseconds;
  SDL_GameControllerUpdate();
  // Pads that went, then pads that came.
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [](SDL_GameController* pad) {
                               if (SDL_GameControllerGetAttached(pad)) return false;
                               SDL_GameControllerClose(pad);
                               return true;
                             }),
              open_.end());
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (!SDL_IsGameController(i)) continue;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
    const bool known = std::any_of(open_.begin(), open_.end(), [id](SDL_GameController* pad) {
      return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id;
    });
    if (known) continue;
    if (SDL_GameController* pad = SDL_GameControllerOpen(i)) {
      open_.push_back(pad);
      // Read again at once: a new pad's state is known only after the next update.
      SDL_GameControllerUpdate();
    }
  }
  if (open_.empty()) {
    input_.Release();
    return {};
  }
  // Every pad together, as if one: a button held on any is held; the stick furthest pushed.
  PadState state;
  for (SDL_GameController* pad : open_) {
    auto held = [pad](SDL_GameControllerButton b) {
      return SDL_GameControllerGetButton(pad, b) != 0;
    };
    state.Up = state.Up || held(SDL_CONTROLLER_BUTTON_DPAD_UP);
    state.Down = state.Down || held(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    state.Left = state.Left || held(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    state.Right = state.Right || held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    state.South = state.South || held(SDL_CONTROLLER_BUTTON_A);
    state.East = state.East || held(SDL_CONTROLLER_BUTTON_B);
    const int x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    const int y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    if (std::max(std::abs(x), std::abs(y)) >
        std::max(std::abs(state.StickX), std::abs(state.StickY))) {
      state.StickX = x;
      state.StickY = y;
    }
  }
  return input_.Update(state, now);
}

int SdlPads::WaitMilliseconds(std::int64_t now) const {
  if (!open_.empty()) return kPadReadMilliseconds;
  if (started_ && now < lookUntil_) {
    return static_cast<int>(std::max<std::int64_t>(0, nextLook_ - now));
  }
  return -1;
}

}  // namespace enclova
