// SPDX-License-Identifier: MIT
// The picture on an SDL surface: each game pixel an N x N block, black around it; and the new
// surface's memory readied. SDL alone, so the tests and the benchmarks can use it without a
// window.
#include <SDL.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "sdl/sdl_window.h"

namespace enclova {

namespace {

// Our 0x00BBGGRR as the 0x00RRGGBB most X servers use.
std::uint32_t SwapRedBlue(std::uint32_t c) {
  return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

}  // namespace

void CopyScaled(const std::uint32_t* source, int sourcePitch, int x0, int y0, int x1, int y1,
                const Placement& at, SDL_Surface* target, std::vector<std::uint32_t>& row) {
  const int n = at.Scale;
  // The visible part of the blocks of source columns x0..x1-1 and rows y0..y1-1.
  const int left = std::max(at.X + x0 * n, 0);
  const int right = std::min(at.X + x1 * n, target->w);
  const int top = std::max(at.Y + y0 * n, 0);
  const int bottom = std::min(at.Y + y1 * n, target->h);
  if (left >= right || top >= bottom) return;
  const int width = right - left;
  // The source columns with a visible part; the first and last may show only part of a block.
  const int first = (left - at.X) / n;
  const int count = (right - 1 - at.X) / n - first + 1;
  const int bytes = target->format->BytesPerPixel;
  const Uint32 format = target->format->format;
  const bool swap = format == SDL_PIXELFORMAT_XRGB8888;
  // Our own format and its mirror, the X server's usual, are written directly; others are made
  // in ours and converted by SDL a row at a time (an alpha channel then comes out opaque).
  const bool direct = swap || format == SDL_PIXELFORMAT_XBGR8888;
  row.resize(static_cast<std::size_t>(count) + (direct ? 0 : static_cast<std::size_t>(width)));
  std::uint32_t* colours = row.data();
  auto* pixels = static_cast<std::uint8_t*>(target->pixels);
  const auto rowBytes = static_cast<std::size_t>(width) * bytes;

  for (int y = (top - at.Y) / n; y < y1; ++y) {
    const int rowTop = std::max(at.Y + y * n, top);
    const int rowBottom = std::min(at.Y + (y + 1) * n, bottom);
    if (rowTop >= rowBottom) break;
    const std::uint32_t* line = source + static_cast<std::ptrdiff_t>(y) * sourcePitch + first;
    for (int i = 0; i < count; ++i) colours[i] = swap ? SwapRedBlue(line[i]) : line[i];
    // The first target row of the block is built in place, the others are copies of it: each
    // pixel is worked out once and written n times, the least a whole present can do.
    std::uint8_t* out = pixels + static_cast<std::ptrdiff_t>(rowTop) * target->pitch +
                        static_cast<std::ptrdiff_t>(left) * bytes;
    std::uint32_t* built = direct ? reinterpret_cast<std::uint32_t*>(out) : colours + count;
    if (n == 1) {
      std::memcpy(built, colours, static_cast<std::size_t>(count) * 4);
    } else {
      std::uint32_t* o = built;
      const int blocksLeft = at.X + first * n;
      for (int i = 0; i < count; ++i) {
        const int from = std::max(blocksLeft + i * n, left);
        const int to = std::min(blocksLeft + (i + 1) * n, right);
        o = std::fill_n(o, to - from, colours[i]);
      }
    }
    if (!direct) {
      SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_XBGR8888, built, width * 4, format, out,
                        static_cast<int>(rowBytes));
    }
    for (int ty = rowTop + 1; ty < rowBottom; ++ty) {
      std::memcpy(pixels + static_cast<std::ptrdiff_t>(ty) * target->pitch +
                      static_cast<std::ptrdiff_t>(left) * bytes,
                  out, rowBytes);
    }
  }
}

void DrawWholePicture(const std::uint32_t* picture, int width, int height, const Placement& at,
                      SDL_Surface* target, std::vector<std::uint32_t>& row) {
  // Black only around the picture: under it every pixel is written once, by the copy. A fill
  // of the whole first would write a 3x window's 8.6 MB twice.
  const int n = at.Scale;
  const int w = target->w, h = target->h;
  const int left = std::clamp(at.X, 0, w), right = std::clamp(at.X + width * n, 0, w);
  const int top = std::clamp(at.Y, 0, h), bottom = std::clamp(at.Y + height * n, 0, h);
  const SDL_Rect around[] = {{0, 0, w, top},
                             {0, bottom, w, h - bottom},
                             {0, top, left, bottom - top},
                             {right, top, w - right, bottom - top}};
  const Uint32 black = SDL_MapRGB(target->format, 0, 0, 0);
  for (const SDL_Rect& band : around) {
    if (band.w > 0 && band.h > 0) SDL_FillRect(target, &band, black);
  }
  CopyScaled(picture, width, 0, 0, width, height, at, target, row);
}

void ReadyMemoryFromTheEnd(std::uint8_t* start, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  constexpr std::uintptr_t kChunk = 256 * 1024;
  // Whole pages only: a page beyond either end may not be mapped, and madvise would refuse all.
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + size) / page * page;
  for (std::uintptr_t to = end; to > first;) {
    const std::uintptr_t from = to - first > kChunk ? (to - kChunk) / page * page : first;
    // Fails on a kernel without it (before 5.14), or when the surface has gone already.
    if (madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) return;
    to = from;
  }
#else
  (void)start;
  (void)size;
#endif
}

}  // namespace enclova
