// SPDX-License-Identifier: MIT
// The four step directions and their unit vectors, shared by every rule of the path.
#pragma once

#include <cstdint>

namespace enclova {

// The directions are the keypad's digits, so opposite directions add up to 10. They double as
// the game's direction commands and as the entries of MoveHistory.
constexpr std::int32_t CmdDown = 2;
constexpr std::int32_t CmdLeft = 4;
constexpr std::int32_t CmdRight = 6;
constexpr std::int32_t CmdUp = 8;

// Column and row change of one step in direction d; 0 for anything that is not a direction.
// The same vectors serve vertices, lattice entries and pixels.
constexpr int StepDX(std::int32_t d) {
  return d == CmdRight ? 1 : d == CmdLeft ? -1 : 0;
}
constexpr int StepDY(std::int32_t d) {
  return d == CmdDown ? 1 : d == CmdUp ? -1 : 0;
}

constexpr bool IsDirection(std::int32_t d) {
  return d == CmdDown || d == CmdLeft || d == CmdRight || d == CmdUp;
}

constexpr bool IsVertical(std::int32_t d) {
  return d == CmdDown || d == CmdUp;
}

}  // namespace enclova
