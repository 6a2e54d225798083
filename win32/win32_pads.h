// SPDX-License-Identifier: MIT
// Game controllers on Windows through XInput, read while one is connected and turned into the
// game's keys by frontend/input_mapping.h.
//
// XInput tells nobody when a pad comes: the window looks once as it opens, and again for a few
// seconds after the system says its devices changed (WM_DEVICECHANGE); once a pad is there it
// is read every kPadReadMilliseconds, and with none the loop sleeps as before. XInput's slots
// are asked only while the system lists a game controller among its input devices: the first
// call into XInput may start a thread of its own that wakes on its own (Wine's does, about three
// times a second), which an idle title without a pad must not pay for. xinput1_4.dll is loaded
// at run time, at that first call, so the game starts where it is missing. This header names
// nothing of <windows.h>, so a test can drive the rules with slots of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "frontend/input_mapping.h"

namespace enclova {

inline constexpr int kXInputSlots = 4;
inline constexpr int kPadReadMilliseconds = 16;
inline constexpr int kLookForMilliseconds = 3000;

// One slot's state as XInput reports it: its buttons (XINPUT_GAMEPAD_*) and left stick, y up.
struct XInputPad {
  bool Connected = false;
  std::uint16_t Buttons = 0;
  std::int16_t ThumbLX = 0;
  std::int16_t ThumbLY = 0;
};

// The seam: whether a game controller is attached, and a slot's state. The system's reader
// lists the raw input devices for the first and calls XInputGetState for the second.
class XInputReader {
 public:
  virtual ~XInputReader() = default;
  virtual bool PadAttached() = 0;
  virtual XInputPad Read(int slot) = 0;
};

// The system's reader; xinput1_4.dll is loaded at its first Read (a slot reads as empty where
// the library is missing).
std::unique_ptr<XInputReader> SystemXInput();

// A slot's state as the game's pad: the d-pad, A, B and the stick, y turned downwards.
PadState PadStateOf(const XInputPad& pad);

class Win32Pads {
 public:
  // `reader` may be null (no XInput): then no pad is ever read. Not owned.
  explicit Win32Pads(XInputReader* reader) : reader_(reader) {}

  // The system's devices changed: the slots are looked at now and every quarter of a second for
  // three seconds, since a new pad answers a little after it is seen. The window's opening looks
  // once (`forMilliseconds` 1): a pad plugged in already answers at once.
  void LookForPads(std::int64_t now, int forMilliseconds = kLookForMilliseconds);
  // The keys the pads gave since the last call at `now`.
  std::vector<std::uint16_t> Read(std::int64_t now);
  // How long the loop may sleep before the pads are read again; -1 while none is connected and
  // none is looked for.
  int WaitMilliseconds(std::int64_t now) const;

 private:
  XInputReader* reader_;
  bool connected_[kXInputSlots] = {};
  std::int64_t lookUntil_ = 0;
  std::int64_t nextLook_ = 0;
  PadInput input_;
};

}  // namespace enclova
