// SPDX-License-Identifier: MIT
// Windows BMP files: the sprite sheet in, and the sheet our tool makes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace enclova {

// Decodes the BMP kinds that users' tools write: 1, 4 and 8-bit palettes, 24 and 32-bit, bottom-up
// and top-down, uncompressed (BI_RGB, and BI_BITFIELDS with the usual 8-bit masks). Every pixel
// keeps its exact colour. False for anything malformed or truncated; never reads past `size`.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Surface& out);

// A bottom-up 24-bit BMP of the whole surface, bit for bit the same for the same pixels.
std::vector<std::uint8_t> EncodeBmp24(const Surface& surface);

}  // namespace enclova
