// SPDX-License-Identifier: MIT
// PNG files read back through libpng and zlib: decoders we did not write, to check the files and
// streams the game writes with its own encoder (gfx/png, gfx/deflate).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace enclova::testing {

// A PNG as libpng reads it: the header's fields, and the pixels as 0xAABBGGRR.
struct DecodedPng {
  int Width = 0;
  int Height = 0;
  int BitDepth = 0;
  int ColorType = 0;  // 2 RGB, 6 RGBA
  int Interlace = 0;
  std::vector<std::uint32_t> Pixels;
};

// Decodes `bytes` with libpng, every chunk's CRC checked. False with libpng's reason.
bool DecodePng(std::span<const std::uint8_t> bytes, DecodedPng& out, std::string* error);

// Reads any PNG file into a surface, as 8-bit RGB (transparency dropped). False with a reason.
bool ReadPng(const std::string& path, Surface& out, std::string* error);

// Inflates a zlib stream with zlib itself, its Adler-32 checked and nothing allowed after its
// end. False with zlib's reason.
bool Inflate(std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& out,
             std::string* error);

// zlib's own checksums.
std::uint32_t ZlibCrc32(std::span<const std::uint8_t> bytes);
std::uint32_t ZlibAdler32(std::span<const std::uint8_t> bytes);

}  // namespace enclova::testing
