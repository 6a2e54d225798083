// PNG files of a surface, for screenshots: 8-bit RGB, the image data stored uncompressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace enclova {

// CRC-32 as PNG chunks and zlib use it (polynomial 0xEDB88320, reflected), continued from `crc`.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

// The whole surface as a PNG: colour type 2, no interlace, every row with filter 0, the zlib
// stream in stored deflate blocks. Bigger than a compressed file, but exact and readable by
// every PNG reader.
std::vector<std::uint8_t> EncodePng(const Surface& surface);

}  // namespace enclova
