// SPDX-License-Identifier: MIT
// PNG files of our own making: screenshots of the game's picture and the desktop icons.
//
// The encoder is a pure function of the pixels (the same bytes on every platform); the file
// writers are thin, so another way of writing can take the bytes instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace enclova {

// The PNG of the whole surface, 8-bit RGB, every pixel exact. Empty for a surface that does
// not exist.
std::vector<std::uint8_t> EncodePng(const Surface& surface);

// The PNG of `width` x `height` pixels 0xAABBGGRR (alpha in the top byte), 8-bit RGBA. Empty
// when either side is not positive.
std::vector<std::uint8_t> EncodePngRgba(int width, int height, const std::uint32_t* pixels);

// EncodePng into a file. False with a reason on failure; a file left half-written is removed.
bool WritePng(const std::string& path, const Surface& surface, std::string* error);

// EncodePngRgba into a file, as WritePng.
bool WritePngRgba(const std::string& path, int width, int height, const std::uint32_t* pixels,
                  std::string* error);

}  // namespace enclova
