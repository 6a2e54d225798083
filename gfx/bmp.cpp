// SPDX-License-Identifier: MIT
// Windows BMP files: a strict, bounds-checked reader of the uncompressed kinds, and a 24-bit
// writer.
#include "gfx/bmp.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace enclova {
namespace {

constexpr std::int64_t kMaxSide = 16384;
// The decoded surface may not outgrow this, whatever the header claims (256 MB of pixels).
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
static_assert(kMaxPixels * 4 + (1 << 20) <= static_cast<std::int64_t>(kMaxBmpFileSize),
              "a file of the most pixels of the widest kind stays within the size bound");

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

// Little-endian reads from a buffer whose bounds the caller has checked.
std::uint32_t U16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t U32(const std::uint8_t* p) {
  return U16(p) | U16(p + 2) << 16;
}
std::int32_t S32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(U32(p));
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

TColor Bgr(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Surface& out) {
  if (data == nullptr || size < kFileHeaderSize + 4) return false;
  if (size > kMaxBmpFileSize) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const std::uint64_t pixelOffset = U32(data + 10);
  const std::uint32_t headerSize = U32(data + 14);
  const bool core = headerSize == kCoreHeaderSize;
  // The info header and its later versions (V2, V3, V4, V5) share their first 40 bytes.
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return false;
  }
  if (size < std::uint64_t{kFileHeaderSize} + headerSize) return false;
  const std::uint8_t* h = data + kFileHeaderSize;

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t planes = 0;
  std::uint32_t bitCount = 0;
  std::uint32_t compression = BI_RGB;
  std::uint32_t colorsUsed = 0;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    planes = U16(h + 8);
    bitCount = U16(h + 10);
  } else {
    width = S32(h + 4);
    height = S32(h + 8);  // negative: rows run top-down
    planes = U16(h + 12);
    bitCount = U16(h + 14);
    compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;  // 64 bits, so even INT_MIN negates safely
  if (planes != 1) return false;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (width * height > kMaxPixels) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return false;
  }

  // Where the headers end; the masks of a plain info header follow it as a block of their own.
  std::uint64_t headersEnd = std::uint64_t{kFileHeaderSize} + headerSize;
  if (compression == BI_BITFIELDS) {
    if (bitCount != 32) return false;
    const std::uint8_t* masks = h + kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize) {
      if (size < headersEnd + 12) return false;
      masks = data + headersEnd;
      headersEnd += 12;
    }
    // Only the usual 8-bit channels are read; any other layout would need real mask decoding.
    if (U32(masks) != 0x00FF0000 || U32(masks + 4) != 0x0000FF00 || U32(masks + 8) != 0x000000FF) {
      return false;
    }
  } else if (compression != BI_RGB) {
    return false;  // run-length and embedded formats are not read
  }

  // The palette, expanded to colours; an index beyond it makes the file invalid.
  std::vector<TColor> palette;
  if (bitCount <= 8) {
    const std::uint32_t maxColors = 1u << bitCount;
    std::uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
    if (count > maxColors) count = maxColors;  // entries past the last index cannot be used
    const std::uint32_t entrySize = core ? 3 : 4;
    const std::uint64_t paletteEnd = headersEnd + std::uint64_t{count} * entrySize;
    if (paletteEnd > size) return false;
    palette.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* e = data + headersEnd + std::uint64_t{i} * entrySize;
      palette.push_back(Bgr(e[0], e[1], e[2]));
    }
    headersEnd = paletteEnd;
  }

  // Rows are padded to 4 bytes; the last row's padding may be missing, as some tools write it.
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
  const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(width) * bitCount + 7) / 8;
  if (pixelOffset < headersEnd) return false;
  if (pixelOffset + rowBytes * static_cast<std::uint64_t>(height - 1) + lastRowBytes > size) {
    return false;
  }

  const int w = static_cast<int>(width);
  const int rows = static_cast<int>(height);
  std::vector<TColor> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    const std::uint8_t* src = data + pixelOffset + rowBytes * static_cast<std::uint64_t>(r);
    const int y = topDown ? r : rows - 1 - r;
    TColor* dst = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    switch (bitCount) {
      case 32:
        for (int x = 0; x < w; ++x, src += 4) dst[x] = Bgr(src[0], src[1], src[2]);
        break;
      case 24:
        for (int x = 0; x < w; ++x, src += 3) dst[x] = Bgr(src[0], src[1], src[2]);
        break;
      default: {
        // Palette indices are packed from the most significant bits of each byte.
        const std::uint32_t perByte = 8 / bitCount;
        const std::uint32_t mask = (1u << bitCount) - 1;
        for (int x = 0; x < w; ++x) {
          const std::uint32_t ux = static_cast<std::uint32_t>(x);
          const std::uint32_t shift = 8 - bitCount * (ux % perByte + 1);
          const std::uint32_t index = (src[ux / perByte] >> shift) & mask;
          if (index >= palette.size()) return false;
          dst[x] = palette[index];
        }
        break;
      }
    }
  }

  // The picture is replaced; the drawing state set on `out` stays in force.
  Surface decoded(w, rows, std::move(pixels));
  decoded.Pen = out.Pen;
  decoded.Brush = out.Brush;
  decoded.Font = out.Font;
  decoded.CopyMode = out.CopyMode;
  decoded.PenPos = out.PenPos;
  decoded.Face = out.Face;
  out = std::move(decoded);
  return true;
}

std::vector<std::uint8_t> EncodeBmp24(const Surface& surface) {
  if (!surface.Exists()) return {};  // a BMP cannot be empty
  const std::uint32_t width = static_cast<std::uint32_t>(surface.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(surface.Height());
  const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
  const std::uint32_t imageSize = rowBytes * height;
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

  std::vector<std::uint8_t> out;
  out.reserve(offset + imageSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  Put32(out, kInfoHeaderSize);
  Put32(out, width);
  Put32(out, height);  // positive: bottom-up
  Put16(out, 1);       // planes
  Put16(out, 24);
  Put32(out, BI_RGB);
  Put32(out, imageSize);
  Put32(out, kPixelsPerMetre);
  Put32(out, kPixelsPerMetre);
  Put32(out, 0);  // colours used
  Put32(out, 0);  // colours important

  const std::vector<TColor>& pixels = surface.Pixels();
  for (std::uint32_t r = 0; r < height; ++r) {
    const std::size_t y = height - 1 - r;
    for (std::uint32_t x = 0; x < width; ++x) {
      const TColor c = pixels[y * width + x];
      out.push_back(static_cast<std::uint8_t>(c >> 16));  // blue
      out.push_back(static_cast<std::uint8_t>(c >> 8));   // green
      out.push_back(static_cast<std::uint8_t>(c));        // red
    }
    for (std::uint32_t p = width * 3; p < rowBytes; ++p) out.push_back(0);
  }
  return out;
}

}  // namespace enclova
