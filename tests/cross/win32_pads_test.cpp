// SPDX-License-Identifier: MIT
// The Windows pads under Wine: XInput's slots read only while a pad is there or looked for,
// its buttons and stick as the game's keys, a pad that comes and goes, and xinput1_4.dll loaded
// from the system.
#include "win32/win32_pads.h"

#include <windows.h>
#include <xinput.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frontend/keys.h"

namespace {

using enclova::XInputPad;

int failures = 0;

void Check(bool ok, const char* what, const std::string& got = "") {
  std::printf("%s  %s", ok ? "ok  " : "FAIL", what);
  if (!ok && !got.empty()) std::printf(" (got %s)", got.c_str());
  std::printf("\n");
  if (!ok) ++failures;
}

std::string Spelled(const std::vector<std::uint16_t>& keys) {
  std::string s;
  for (std::uint16_t key : keys) {
    if (key == enclova::keys::kRight)
      s += 'R';
    else if (key == enclova::keys::kLeft)
      s += 'L';
    else if (key == enclova::keys::kUp)
      s += 'U';
    else if (key == enclova::keys::kDown)
      s += 'D';
    else
      s += static_cast<char>(key < 0x80 ? key : '?');
  }
  return s;
}

// Slots the test sets, counting every read; a controller is attached when the test says.
class FakeXInput final : public enclova::XInputReader {
 public:
  XInputPad Slots[enclova::kXInputSlots];
  bool Attached = false;
  int Reads = 0;
  bool PadAttached() override { return Attached; }
  XInputPad Read(int slot) override {
    ++Reads;
    return Slots[slot];
  }
};

void Keys(enclova::Win32Pads& pads, std::int64_t now, const char* want, const char* what) {
  const std::string got = Spelled(pads.Read(now));
  Check(got == want, what, got);
}

}  // namespace

int main() {
  {
    // The window opens: one look, then sleep.
    FakeXInput xinput;
    enclova::Win32Pads pads(&xinput);
    pads.LookForPads(0, 1);
    Keys(pads, 0, "", "no controller as the window opens: no key");
    Check(xinput.Reads == 0 && pads.WaitMilliseconds(0) == -1,
          "XInput is not asked at all, and the loop sleeps", std::to_string(xinput.Reads));
    xinput.Attached = true;
    enclova::Win32Pads attached(&xinput);
    attached.LookForPads(0, 1);
    Keys(attached, 0, "", "a controller that no slot answers for: no key");
    Check(xinput.Reads == 4 && attached.WaitMilliseconds(0) == -1,
          "its four slots are looked at once, and the loop sleeps", std::to_string(xinput.Reads));
    xinput.Slots[1].Connected = true;
    xinput.Slots[1].Buttons = XINPUT_GAMEPAD_A;
    enclova::Win32Pads plugged(&xinput);
    plugged.LookForPads(0, 1);
    Keys(plugged, 0, "Z", "a pad plugged in already is read at once");
    Check(plugged.WaitMilliseconds(0) == enclova::kPadReadMilliseconds, "and every 16 ms");
  }
  {
    // A controller is attached whose slot answers only later, as a new one does.
    FakeXInput xinput;
    xinput.Attached = true;
    enclova::Win32Pads pads(&xinput);
    pads.LookForPads(0);
    Keys(pads, 0, "", "no pad at the start: no key");
    Check(xinput.Reads == 4, "the four slots are looked at once", std::to_string(xinput.Reads));
    Check(pads.WaitMilliseconds(0) == 250, "and again a quarter of a second later");
    Keys(pads, 100, "", "not before");
    Check(xinput.Reads == 4, "no slot read between the looks", std::to_string(xinput.Reads));
    for (std::int64_t t = 250; t < 3000; t += 250) pads.Read(t);
    Check(pads.WaitMilliseconds(3000) == -1, "three seconds on, with no pad, the loop sleeps");
    const int before = xinput.Reads;
    for (std::int64_t t = 3000; t < 60000; t += 1000) pads.Read(t);
    Check(xinput.Reads == before, "and no slot is read any more",
          std::to_string(xinput.Reads - before));

    // A pad comes in slot 2; the system says its devices changed.
    xinput.Slots[2].Connected = true;
    pads.LookForPads(60000);
    Keys(pads, 60000, "", "a new pad is found, holding nothing");
    Check(pads.WaitMilliseconds(60000) == enclova::kPadReadMilliseconds,
          "with a pad connected it is read every 16 ms");
    xinput.Slots[2].Buttons = XINPUT_GAMEPAD_A;
    Keys(pads, 60016, "Z", "A is Z");
    xinput.Slots[2].Buttons = XINPUT_GAMEPAD_B | XINPUT_GAMEPAD_DPAD_RIGHT;
    Keys(pads, 60032, "RX", "B is X, the d-pad an arrow");
    Keys(pads, 60048 + enclova::kRepeatDelayMilliseconds, "R",
         "a held d-pad repeats as a held key does");
    xinput.Slots[2].Buttons = XINPUT_GAMEPAD_START | XINPUT_GAMEPAD_BACK;
    Keys(pads, 61000, "", "Start and Back are nothing: no button quits");
    xinput.Slots[2].Buttons = 0;
    xinput.Slots[2].ThumbLY = 32767;
    Keys(pads, 61016, "U", "the stick pushed up is Up (XInput's y runs up)");
    xinput.Slots[2].ThumbLY = -32768;
    Keys(pads, 61032, "D", "pulled down is Down");
    xinput.Slots[2].ThumbLY = 0;
    xinput.Slots[2].ThumbLX = -20000;
    Keys(pads, 61048, "L", "pushed left is Left");
    xinput.Slots[2].ThumbLX = 0;

    // A second pad: both are one.
    xinput.Slots[0].Connected = true;
    xinput.Slots[0].Buttons = XINPUT_GAMEPAD_DPAD_DOWN;
    pads.LookForPads(62000);
    Keys(pads, 62000, "D", "a second pad's d-pad");
    xinput.Slots[0] = XInputPad{};
    xinput.Slots[2] = XInputPad{};
    Keys(pads, 62016, "", "both gone");
    for (std::int64_t t = 62250; t <= 65000; t += 250) pads.Read(t);
    Check(pads.WaitMilliseconds(65000) == -1, "the pads gone, the loop sleeps again");
  }
  {
    enclova::Win32Pads pads(nullptr);
    pads.LookForPads(0);
    Check(pads.Read(0).empty() && pads.WaitMilliseconds(0) == -1,
          "without XInput nothing is read and nothing waits");
  }
  {
    auto xinput = enclova::SystemXInput();
    Check(!xinput->PadAttached(), "the system lists no game controller here");
    Check(!xinput->Read(0).Connected, "xinput1_4.dll, loaded from the system, reports no pad");
  }
  std::printf(failures == 0 ? "all passed\n" : "%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
