// A PNG writer with stored deflate blocks: no compression library needed.
#include "gfx/png.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace enclova {

namespace {

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, std::string_view type,
           const std::vector<std::uint8_t>& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<std::uint8_t> EncodePng(const Surface& surface) {
  const auto width = static_cast<std::uint32_t>(surface.Width());
  const auto height = static_cast<std::uint32_t>(surface.Height());

  // The raw image: each row a filter byte (0, none) and its pixels' red, green, blue.
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * std::size_t{width}));
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const TColor c = surface.Pixels()[std::size_t{y} * width + x];
      raw.push_back(static_cast<std::uint8_t>(c));
      raw.push_back(static_cast<std::uint8_t>(c >> 8));
      raw.push_back(static_cast<std::uint8_t>(c >> 16));
    }
  }

  // zlib: header, stored blocks of at most 65535 bytes, Adler-32 of the raw image.
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  } while (at < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian32(z, (b << 16) | a);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBigEndian32(header, width);
  PutBigEndian32(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filters, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace enclova
