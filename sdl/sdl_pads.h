// SPDX-License-Identifier: MIT
// Game controllers on SDL: opened as they come, closed as they go, read while one is connected
// and turned into the game's keys by frontend/input_mapping.h.
//
// SDL's controller subsystem starts only once a pad may be there: one is plugged in at start, or
// /dev/input changes later (a thread blocked on inotify wakes the loop then, and only then).
// SDL's joystick events stay off: with them on, SDL_WaitEvent would poll every millisecond while
// a pad is connected. The loop reads the pads itself instead, every kPadReadMilliseconds.
#pragma once

#include <cstdint>
#include <vector>

#include "frontend/input_mapping.h"

union SDL_Event;
struct _SDL_GameController;

namespace enclova {

inline constexpr int kPadReadMilliseconds = 16;

class SdlPads {
 public:
  SdlPads() = default;
  SdlPads(const SdlPads&) = delete;
  SdlPads& operator=(const SdlPads&) = delete;

  // Call once SDL's video is up: starts the subsystem when a pad may be there (or when SDL's
  // joysticks are up already, as a program that made a virtual pad has them), and watches
  // /dev/input for pads that come later.
  void Start(std::int64_t now);
  // True for the watch's wake-up, which starts the subsystem and looks for new pads a while.
  bool Woken(const SDL_Event& event, std::int64_t now);
  // The keys the pads gave since the last call.
  std::vector<std::uint16_t> Read(std::int64_t now);
  // How long the loop may sleep before the pads are read again; -1 while none is connected.
  int WaitMilliseconds(std::int64_t now) const;
  // Whether SDL's controller subsystem was started.
  bool Started() const { return started_; }

 private:
  void StartSubsystem();

  bool started_ = false;
  std::uint32_t wakeEvent_ = 0;
  // After /dev/input changed: until then the pads are looked for every few tenths of a second,
  // since the system reports a new device a little after its node appears.
  std::int64_t lookUntil_ = 0;
  std::int64_t nextLook_ = 0;
  std::vector<_SDL_GameController*> open_;
  PadInput input_;
};

}  // namespace enclova
