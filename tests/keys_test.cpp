// SPDX-License-Identifier: MIT
// Key presses to the game's key codes: letters by the letter they type in the layout in force,
// every other key by its place.
#include <SDL_keycode.h>
#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "sdl/sdl_window.h"

namespace enclova {
namespace {

TEST(VirtualKeyOf, LettersByWhatTheyTypeEverythingElseByItsPlace) {
  struct Case {
    const char* what;
    int scancode;
    int keycode;
    std::uint16_t want;
  };
  const Case cases[] = {
      {"US Z", SDL_SCANCODE_Z, SDLK_z, 0x5A},
      {"US X", SDL_SCANCODE_X, SDLK_x, 0x58},
      {"French: z where US has W", SDL_SCANCODE_W, SDLK_z, 0x5A},
      {"French: w where US has Z", SDL_SCANCODE_Z, SDLK_w, 0x57},
      {"French: m where US has ;", SDL_SCANCODE_SEMICOLON, SDLK_m, 0x4D},
      {"French: comma where US has M", SDL_SCANCODE_M, SDLK_COMMA, 0xBC},
      {"French: & on the 1 key", SDL_SCANCODE_1, SDLK_AMPERSAND, 0x31},
      {"German: z where US has Y", SDL_SCANCODE_Y, SDLK_z, 0x5A},
      {"German: y where US has Z", SDL_SCANCODE_Z, SDLK_y, 0x59},
      {"Dvorak: semicolon where US has Z", SDL_SCANCODE_Z, SDLK_SEMICOLON, 0xBA},
      {"Dvorak: z where US has /", SDL_SCANCODE_SLASH, SDLK_z, 0x5A},
      {"Dvorak: apostrophe where US has Q", SDL_SCANCODE_Q, SDLK_QUOTE, 0xDE},
      {"a digit in a letter's place", SDL_SCANCODE_A, SDLK_2, 0x32},
      {"other punctuation in a letter's place", SDL_SCANCODE_A, SDLK_LESS, 0xFF},
      {"Russian: я where US has Z", SDL_SCANCODE_Z, 0x44F, 0x5A},
      {"Greek: χ where US has X", SDL_SCANCODE_X, 0x3C7, 0x58},
      {"a letter key SDL gives no keycode", SDL_SCANCODE_Z, SDLK_UNKNOWN, 0x5A},
      {"Left", SDL_SCANCODE_LEFT, SDLK_LEFT, 0x25},
      {"Up", SDL_SCANCODE_UP, SDLK_UP, 0x26},
      {"Right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0x27},
      {"Down", SDL_SCANCODE_DOWN, SDLK_DOWN, 0x28},
      {"keypad 2", SDL_SCANCODE_KP_2, SDLK_KP_2, 0x62},
      {"keypad 4", SDL_SCANCODE_KP_4, SDLK_KP_4, 0x64},
      {"keypad 6", SDL_SCANCODE_KP_6, SDLK_KP_6, 0x66},
      {"keypad 8", SDL_SCANCODE_KP_8, SDLK_KP_8, 0x68},
      {"Escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0x1B},
      {"Space", SDL_SCANCODE_SPACE, SDLK_SPACE, 0x20},
      {"Shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, 0x10},
      {"F5", SDL_SCANCODE_F5, SDLK_F5, 0x74},
      {"a key without a code of its own", SDL_SCANCODE_APP1, SDLK_APP1, 0xFF},
      {"no key at all", SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VirtualKeyOf(c.scancode, c.keycode), c.want) << c.what;
  }
}

}  // namespace
}  // namespace enclova
