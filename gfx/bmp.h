// SPDX-License-Identifier: MIT
// Windows BMP files: the sprite sheet in, and the sheet our tool makes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace enclova {

// The largest file DecodeBmp accepts. Its pixels may not outnumber 2^26 (whatever the sides), so
// their rows take at most 256 MiB (32 bits a pixel; narrower kinds take less, padding included);
// the headers, masks, palette and any gap a tool leaves before the pixels get 1 MiB on top.
// A bigger file is refused whole, so a reader can refuse it by its size before reading it.
constexpr std::size_t kMaxBmpFileSize = (std::size_t{256} << 20) + (std::size_t{1} << 20);

// Decodes the BMP kinds that users' tools write: 1, 4 and 8-bit palettes, 24 and 32-bit, bottom-up
// and top-down, uncompressed (BI_RGB, and BI_BITFIELDS with the usual 8-bit masks). Every pixel
// keeps its exact colour. False for anything malformed or truncated, or larger than
// kMaxBmpFileSize; never reads past `size`.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Surface& out);

// A bottom-up 24-bit BMP of the whole surface, bit for bit the same for the same pixels.
std::vector<std::uint8_t> EncodeBmp24(const Surface& surface);

}  // namespace enclova
