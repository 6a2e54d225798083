// SPDX-License-Identifier: MIT
// The game's key codes: one set for every front end. Their numbers are the virtual-key codes
// the game's key handler tests and every recorded round stores, so a front end that speaks
// them needs no table of the game's own. A key that types a Latin letter has that letter's
// code (uppercase ASCII), whatever its place; a letter key of another script and every other
// key have the code of their place.
#pragma once

#include <cstdint>

namespace enclova::keys {

inline constexpr std::uint16_t kBackspace = 0x08;
inline constexpr std::uint16_t kTab = 0x09;
inline constexpr std::uint16_t kReturn = 0x0D;
inline constexpr std::uint16_t kShift = 0x10;
inline constexpr std::uint16_t kControl = 0x11;
inline constexpr std::uint16_t kAlt = 0x12;
inline constexpr std::uint16_t kEscape = 0x1B;
inline constexpr std::uint16_t kSpace = 0x20;
inline constexpr std::uint16_t kLeft = 0x25;
inline constexpr std::uint16_t kUp = 0x26;
inline constexpr std::uint16_t kRight = 0x27;
inline constexpr std::uint16_t kDown = 0x28;
inline constexpr std::uint16_t kNumpad0 = 0x60;  // to kNumpad0 + 9, whatever NumLock says
inline constexpr std::uint16_t kF1 = 0x70;       // to kF1 + 23
inline constexpr std::uint16_t kF11 = 0x7A;
inline constexpr std::uint16_t kF12 = 0x7B;
// A key with no code of its own; it still reaches the game, which ignores it.
inline constexpr std::uint16_t kWithoutCode = 0xFF;

// 'a'..'z' and 'A'..'Z' give the letter's code; anything else kWithoutCode.
constexpr std::uint16_t Letter(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<std::uint16_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c);
  return kWithoutCode;
}

// The digit row's 0..9.
constexpr std::uint16_t Digit(int d) {
  return d >= 0 && d <= 9 ? static_cast<std::uint16_t>('0' + d) : kWithoutCode;
}

constexpr std::uint16_t Numpad(int d) {
  return d >= 0 && d <= 9 ? static_cast<std::uint16_t>(kNumpad0 + d) : kWithoutCode;
}

}  // namespace enclova::keys
