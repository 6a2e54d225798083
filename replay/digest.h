// SPDX-License-Identifier: MIT
// Digests of pictures and files: SHA-256 for what a replay promises at its end, and a fast
// 64-bit hash for the pictures it checks along the way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "gfx/surface.h"

namespace enclova::replay {

// SHA-256 (FIPS 180-4), fed in pieces.
class Sha256 {
 public:
  // `allowHardware`: use the processor's SHA instructions where it has them (same digests,
  // several times faster); false keeps to the portable code.
  explicit Sha256(bool allowHardware = true);
  void Update(const void* data, std::size_t size);
  std::array<std::uint8_t, 32> Final();

  // Whether this processor has the SHA instructions the fast path uses.
  static bool HardwareAvailable();

 private:
  void Blocks(const std::uint8_t* data, std::size_t count);

  bool hardware_;
  std::uint32_t state_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes
};

std::string Hex(const std::uint8_t* bytes, std::size_t size);
std::string Sha256Hex(const void* data, std::size_t size);

// SHA-256 of the picture as its pixels' red, green and blue bytes, row by row (a PPM's body).
std::string PictureSha256(const Surface& picture);

// A 64-bit hash of the picture's pixels, much faster than SHA-256 and plenty to tell whether a
// played picture left the recorded one; 16 hex digits.
std::string PictureHash64(const Surface& picture);

}  // namespace enclova::replay
