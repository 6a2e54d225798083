// Unit vectors of the four step directions, shared by the growing and the taking back of a path.
#pragma once

#include <cstdint>

#include "app/form.h"

namespace enclova {

// Column and row change of one step in direction d (a direction command code); 0 for anything
// that is not a direction. The same vectors serve vertices, lattice entries and pixels.
constexpr int StepDX(std::int32_t d) {
  return d == CmdRight ? 1 : d == CmdLeft ? -1 : 0;
}
constexpr int StepDY(std::int32_t d) {
  return d == CmdDown ? 1 : d == CmdUp ? -1 : 0;
}

constexpr bool IsDirection(std::int32_t d) {
  return d == CmdDown || d == CmdLeft || d == CmdRight || d == CmdUp;
}

}  // namespace enclova
