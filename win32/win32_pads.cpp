// SPDX-License-Identifier: MIT
// XInput's pads, loaded at run time.
#include "win32/win32_pads.h"

#include <windows.h>
#include <xinput.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace enclova {

namespace {

constexpr std::int64_t kLookEveryMilliseconds = 250;

class SystemReader final : public XInputReader {
 public:
  bool PadAttached() override {
    UINT count = 0;
    if (GetRawInputDeviceList(nullptr, &count, sizeof(RAWINPUTDEVICELIST)) != 0 || count == 0) {
      return false;
    }
    std::vector<RAWINPUTDEVICELIST> devices(count);
    count = GetRawInputDeviceList(devices.data(), &count, sizeof(RAWINPUTDEVICELIST));
    if (count == static_cast<UINT>(-1)) return false;
    for (UINT i = 0; i < count; ++i) {
      if (devices[i].dwType != RIM_TYPEHID) continue;
      RID_DEVICE_INFO info{};
      info.cbSize = sizeof info;
      UINT size = sizeof info;
      if (GetRawInputDeviceInfoW(devices[i].hDevice, RIDI_DEVICEINFO, &info, &size) ==
          static_cast<UINT>(-1)) {
        continue;
      }
      // The generic desktop page's joystick and game pad.
      if (info.hid.usUsagePage == 0x01 && (info.hid.usUsage == 0x04 || info.hid.usUsage == 0x05)) {
        return true;
      }
    }
    return false;
  }

  XInputPad Read(int slot) override {
    XInputPad pad;
    if (!loaded_) Load();
    if (getState_ == nullptr) return pad;
    XINPUT_STATE state{};
    if (getState_(static_cast<DWORD>(slot), &state) != ERROR_SUCCESS) return pad;
    pad.Connected = true;
    pad.Buttons = state.Gamepad.wButtons;
    pad.ThumbLX = state.Gamepad.sThumbLX;
    pad.ThumbLY = state.Gamepad.sThumbLY;
    return pad;
  }

 private:
  using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

  void Load() {
    loaded_ = true;
    // From the system's folder only, never from beside the game or the working directory.
    HMODULE library = LoadLibraryExW(L"xinput1_4.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) return;
    getState_ = reinterpret_cast<GetState>(
        reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
  }

  bool loaded_ = false;
  GetState getState_ = nullptr;
};

}  // namespace

std::unique_ptr<XInputReader> SystemXInput() {
  return std::make_unique<SystemReader>();
}

PadState PadStateOf(const XInputPad& pad) {
  PadState state;
  state.Up = (pad.Buttons & XINPUT_GAMEPAD_DPAD_UP) != 0;
  state.Down = (pad.Buttons & XINPUT_GAMEPAD_DPAD_DOWN) != 0;
  state.Left = (pad.Buttons & XINPUT_GAMEPAD_DPAD_LEFT) != 0;
  state.Right = (pad.Buttons & XINPUT_GAMEPAD_DPAD_RIGHT) != 0;
  state.South = (pad.Buttons & XINPUT_GAMEPAD_A) != 0;
  state.East = (pad.Buttons & XINPUT_GAMEPAD_B) != 0;
  state.StickX = pad.ThumbLX;
  // XInput's y runs up; -32768 up is 32767 down, a whole push either way.
  state.StickY = -1 - pad.ThumbLY;
  return state;
}

void Win32Pads::LookForPads(std::int64_t now, int forMilliseconds) {
  if (reader_ == nullptr) return;
  lookUntil_ = now + std::max(1, forMilliseconds);
  nextLook_ = now;
}

std::vector<std::uint16_t> Win32Pads::Read(std::int64_t now) {
  if (reader_ == nullptr) return {};
  bool looking = now < lookUntil_ && now >= nextLook_;
  if (looking) {
    nextLook_ = now + kLookEveryMilliseconds;
    // No controller among the system's devices: XInput is not asked at all.
    looking = reader_->PadAttached();
  }
  // An empty slot is slow to ask: only those with a pad, but all while looking.
  bool any = false;
  PadState state;
  for (int slot = 0; slot < kXInputSlots; ++slot) {
    if (!connected_[slot] && !looking) continue;
    const XInputPad pad = reader_->Read(slot);
    connected_[slot] = pad.Connected;
    if (!pad.Connected) continue;
    any = true;
    // Every pad together, as if one: a button held on any is held; the stick furthest pushed.
    const PadState one = PadStateOf(pad);
    state.Up = state.Up || one.Up;
    state.Down = state.Down || one.Down;
    state.Left = state.Left || one.Left;
    state.Right = state.Right || one.Right;
    state.South = state.South || one.South;
    state.East = state.East || one.East;
    if (std::max(std::abs(one.StickX), std::abs(one.StickY)) >
        std::max(std::abs(state.StickX), std::abs(state.StickY))) {
      state.StickX = one.StickX;
      state.StickY = one.StickY;
    }
  }
  if (!any) {
    input_.Release();
    return {};
  }
  return input_.Update(state, now);
}

int Win32Pads::WaitMilliseconds(std::int64_t now) const {
  if (std::any_of(std::begin(connected_), std::end(connected_), [](bool c) { return c; })) {
    return kPadReadMilliseconds;
  }
  if (now < lookUntil_ && nextLook_ < lookUntil_) {
    return static_cast<int>(std::max<std::int64_t>(0, nextLook_ - now));
  }
  return -1;
}

}  // namespace enclova
