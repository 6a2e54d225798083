// SPDX-License-Identifier: MIT
// Key presses to the Windows virtual-key codes the game's key handler expects: letters by the
// letter they type, every other key by its place.
#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include <cstdint>

#include "frontend/keys.h"
#include "sdl/sdl_window.h"

namespace enclova {

namespace {

// Every key outside the runs of letters, digits and function keys, with the code Windows gives it.
struct KeyCode {
  int Scancode;
  std::uint16_t VirtualKey;
};
constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_0, 0x30},
    {SDL_SCANCODE_KP_0, 0x60},
    {SDL_SCANCODE_BACKSPACE, 0x08},
    {SDL_SCANCODE_TAB, 0x09},
    {SDL_SCANCODE_RETURN, 0x0D},
    {SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDL_SCANCODE_LSHIFT, 0x10},
    {SDL_SCANCODE_RSHIFT, 0x10},
    {SDL_SCANCODE_LCTRL, 0x11},
    {SDL_SCANCODE_RCTRL, 0x11},
    {SDL_SCANCODE_LALT, 0x12},
    {SDL_SCANCODE_RALT, 0x12},
    {SDL_SCANCODE_PAUSE, 0x13},
    {SDL_SCANCODE_CAPSLOCK, 0x14},
    {SDL_SCANCODE_ESCAPE, 0x1B},
    {SDL_SCANCODE_SPACE, 0x20},
    {SDL_SCANCODE_PAGEUP, 0x21},
    {SDL_SCANCODE_PAGEDOWN, 0x22},
    {SDL_SCANCODE_END, 0x23},
    {SDL_SCANCODE_HOME, 0x24},
    {SDL_SCANCODE_LEFT, 0x25},
    {SDL_SCANCODE_UP, 0x26},
    {SDL_SCANCODE_RIGHT, 0x27},
    {SDL_SCANCODE_DOWN, 0x28},
    {SDL_SCANCODE_PRINTSCREEN, 0x2C},
    {SDL_SCANCODE_INSERT, 0x2D},
    {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_LGUI, 0x5B},
    {SDL_SCANCODE_RGUI, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0x5D},
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_PLUS, 0x6B},
    {SDL_SCANCODE_KP_MINUS, 0x6D},
    {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_DIVIDE, 0x6F},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90},
    {SDL_SCANCODE_SCROLLLOCK, 0x91},
    {SDL_SCANCODE_SEMICOLON, 0xBA},
    {SDL_SCANCODE_EQUALS, 0xBB},
    {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},
    {SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_NONUSHASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_INTERNATIONAL1, 0xE2},  // the Japanese "ro" key
    {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
    {SDL_SCANCODE_INTERNATIONAL2, 0xF2},  // katakana/hiragana
    {SDL_SCANCODE_INTERNATIONAL3, 0xDC},  // the Japanese yen key
    {SDL_SCANCODE_INTERNATIONAL4, 0x1C},  // henkan
    {SDL_SCANCODE_INTERNATIONAL5, 0x1D},  // muhenkan
    {SDL_SCANCODE_LANG1, 0x15},
    {SDL_SCANCODE_LANG2, 0x19},
    {SDL_SCANCODE_MUTE, 0xAD},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xAF},
    {SDL_SCANCODE_AUDIONEXT, 0xB0},
    {SDL_SCANCODE_AUDIOPREV, 0xB1},
    {SDL_SCANCODE_AUDIOSTOP, 0xB2},
    {SDL_SCANCODE_AUDIOPLAY, 0xB3},
};

// The punctuation a key in a letter's place may type in a Latin layout (AZERTY's comma where a
// US keyboard has M, Dvorak's semicolon in Z's place), by the code the punctuation key has.
struct CharCode {
  char Typed;
  std::uint16_t VirtualKey;
};
constexpr CharCode kPunctuation[] = {
    {';', 0xBA}, {'=', 0xBB}, {',', 0xBC},  {'-', 0xBD}, {'.', 0xBE},  {'/', 0xBF},
    {'`', 0xC0}, {'[', 0xDB}, {'\\', 0xDC}, {']', 0xDD}, {'\'', 0xDE},
};

}  // namespace

std::uint16_t VirtualKeyOf(int scancode, int keycode) {
  // The keycode is what the key types, unshifted, in the layout in force: on a French keyboard
  // the key labelled Z (where a US keyboard has W) types z.
  if (keycode >= SDLK_a && keycode <= SDLK_z) {
    return static_cast<std::uint16_t>(0x41 + (keycode - SDLK_a));
  }
  // A letter's place that types something else: in a Latin layout a digit or punctuation, which
  // must not pass for the letter whose place it has; in a layout without Latin letters
  // (Cyrillic, Greek) a letter of its own, which goes by its place below, as the digits do.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z && keycode > 0 && keycode < 0x80) {
    if (keycode >= '0' && keycode <= '9') return static_cast<std::uint16_t>(keycode);
    for (const CharCode& c : kPunctuation) {
      if (c.Typed == keycode) return c.VirtualKey;
    }
    return keys::kWithoutCode;
  }
  // Scancodes name positions on a US keyboard, so every other key keeps its code whatever the
  // layout, and the keypad's digits keep theirs whatever NumLock says (Windows would send the
  // arrows' codes for keypad 2/4/6/8 with NumLock off, but the game treats both alike).
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return static_cast<std::uint16_t>(0x41 + (scancode - SDL_SCANCODE_A));
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return static_cast<std::uint16_t>(0x31 + (scancode - SDL_SCANCODE_1));
  }
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    return static_cast<std::uint16_t>(0x61 + (scancode - SDL_SCANCODE_KP_1));
  }
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
    return static_cast<std::uint16_t>(0x70 + (scancode - SDL_SCANCODE_F1));
  }
  if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) {
    return static_cast<std::uint16_t>(0x7C + (scancode - SDL_SCANCODE_F13));
  }
  if (scancode == SDL_SCANCODE_UNKNOWN) return 0;  // SDL sends no such key-down
  for (const KeyCode& key : kKeyCodes) {
    if (key.Scancode == scancode) return key.VirtualKey;
  }
  // A key Windows has no code for still reaches the game, so that "any key" means any key;
  // 0xFF is the code Windows itself gives such keys.
  return keys::kWithoutCode;
}

}  // namespace enclova
