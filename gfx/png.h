// SPDX-License-Identifier: MIT
// PNG files: screenshots of the game's picture and the desktop icons out, and in for checks.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/surface.h"

namespace enclova {

// Writes an 8-bit RGB PNG of the whole surface, every pixel exact. False with a reason on
// failure; a file left half-written is removed.
bool WritePng(const std::string& path, const Surface& surface, std::string* error);

// Writes an 8-bit RGBA PNG of `width` x `height` pixels 0xAABBGGRR (alpha in the top byte).
bool WritePngRgba(const std::string& path, int width, int height, const std::uint32_t* pixels,
                  std::string* error);

// Reads any PNG into a surface, as 8-bit RGB (transparency dropped). False with a reason.
bool ReadPng(const std::string& path, Surface& out, std::string* error);

}  // namespace enclova
