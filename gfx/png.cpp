// SPDX-License-Identifier: MIT
// PNG encoding: the rows filtered, deflated by gfx/deflate, and wrapped in chunks.
#include "gfx/png.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <utility>

#include "gfx/deflate.h"

namespace enclova {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kColorTypeRgb = 2;
constexpr int kColorTypeRgba = 6;
// The image data goes out in chunks of at most 64 KiB; decoders join them whatever the split.
constexpr std::size_t kIdatSize = std::size_t{1} << 16;

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
              std::span<const std::uint8_t> data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, Crc32(std::span(out).subspan(start)));
}

int Distance(int a, int b) {
  return a < b ? b - a : a - b;
}

// The predictor of filter 4: whichever of left, above and upper left is nearest to
// left + above - upper left, ties in that order.
int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = Distance(p, a);
  const int pb = Distance(p, b);
  const int pc = Distance(p, c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Row `row` under filter `Type` (0 none, 1 sub, 2 up, 3 average, 4 Paeth), given the row
// above (zeros above the first), `bpp` bytes a pixel. Returns how far the result is from all
// zeros, each byte read as signed: the usual guess at which filter compresses best.
template <int Type>
std::uint64_t FilterRow(std::span<const std::uint8_t> row, std::span<const std::uint8_t> above,
                        std::size_t bpp, std::uint8_t* out) {
  std::uint64_t weight = 0;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = above[i];
    const int c = i >= bpp ? above[i - bpp] : 0;
    int predicted = 0;
    if constexpr (Type == 1) predicted = a;
    if constexpr (Type == 2) predicted = b;
    if constexpr (Type == 3) predicted = (a + b) / 2;
    if constexpr (Type == 4) predicted = Paeth(a, b, c);
    const auto value = static_cast<std::uint8_t>(row[i] - predicted);
    out[i] = value;
    weight += value < 128 ? value : 256 - value;
  }
  return weight;
}

// The scanlines of `pixels` (`rows` rows of `stride` bytes, `bpp` a pixel) as the image data
// holds them, each after its filter byte: with no filter at all, or with each row's filter
// chosen by the usual guess.
std::vector<std::uint8_t> FilterRows(const std::vector<std::uint8_t>& pixels, std::size_t rows,
                                     std::size_t stride, std::size_t bpp, bool adaptive) {
  std::vector<std::uint8_t> filtered(rows * (stride + 1));
  const std::vector<std::uint8_t> zeros(stride, 0);
  std::vector<std::uint8_t> trial(stride);
  for (std::size_t y = 0; y < rows; ++y) {
    const std::span<const std::uint8_t> row(pixels.data() + y * stride, stride);
    const std::span<const std::uint8_t> above =
        y > 0 ? std::span<const std::uint8_t>(pixels.data() + (y - 1) * stride, stride)
              : std::span<const std::uint8_t>(zeros);
    std::uint8_t* line = filtered.data() + y * (stride + 1);
    line[0] = 0;
    std::uint64_t best = FilterRow<0>(row, above, bpp, line + 1);
    if (!adaptive) continue;
    // Each filter in turn; the lightest result so far stays in the line.
    auto consider = [&](int type, std::uint64_t weight) {
      if (weight >= best) return;
      best = weight;
      line[0] = static_cast<std::uint8_t>(type);
      std::copy(trial.begin(), trial.end(), line + 1);
    };
    consider(1, FilterRow<1>(row, above, bpp, trial.data()));
    consider(2, FilterRow<2>(row, above, bpp, trial.data()));
    consider(3, FilterRow<3>(row, above, bpp, trial.data()));
    consider(4, FilterRow<4>(row, above, bpp, trial.data()));
  }
  return filtered;
}

// The PNG of `height` rows of `width` pixels, `channels` bytes each, packed in `pixels`.
std::vector<std::uint8_t> EncodeRows(int width, int height, int channels,
                                     const std::vector<std::uint8_t>& pixels) {
  const auto bpp = static_cast<std::size_t>(channels);
  const std::size_t stride = static_cast<std::size_t>(width) * bpp;
  const auto rows = static_cast<std::size_t>(height);
  // Flat pictures (the game's screens) compress best unfiltered, where whole rows repeat as
  // they are; shaded ones (the icons) with the filters: both are tried, the smaller kept.
  std::vector<std::uint8_t> data = ZlibCompress(FilterRows(pixels, rows, stride, bpp, false));
  std::vector<std::uint8_t> filtered = ZlibCompress(FilterRows(pixels, rows, stride, bpp, true));
  if (filtered.size() < data.size()) data = std::move(filtered);

  std::array<std::uint8_t, 13> header{};
  for (int i = 0; i < 4; ++i) {
    header[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    header[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  header[8] = 8;  // bits per channel
  header[9] = static_cast<std::uint8_t>(channels == 4 ? kColorTypeRgba : kColorTypeRgb);
  // header[10..12]: deflate, adaptive filters, no interlacing

  std::vector<std::uint8_t> png(kPngSignature.begin(), kPngSignature.end());
  png.reserve(data.size() + data.size() / kIdatSize * 12 + 64);
  PutChunk(png, "IHDR", header);
  for (std::size_t at = 0; at < data.size(); at += kIdatSize) {
    PutChunk(png, "IDAT", std::span(data).subspan(at, std::min(kIdatSize, data.size() - at)));
  }
  PutChunk(png, "IEND", {});
  return png;
}

// Writes `bytes` to `path`; on any failure removes what was written and says why.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    if (error != nullptr) *error = std::strerror(errno);
    return false;
  }
  errno = 0;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int failure = errno;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok) return true;
  std::remove(path.c_str());
  if (error != nullptr) *error = failure != 0 ? std::strerror(failure) : "short write";
  return false;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Surface& surface) {
  if (!surface.Exists()) return {};
  std::vector<std::uint8_t> rgb;
  rgb.reserve(surface.Pixels().size() * 3);
  for (TColor c : surface.Pixels()) {
    rgb.push_back(static_cast<std::uint8_t>(c));
    rgb.push_back(static_cast<std::uint8_t>(c >> 8));
    rgb.push_back(static_cast<std::uint8_t>(c >> 16));
  }
  return EncodeRows(surface.Width(), surface.Height(), 3, rgb);
}

std::vector<std::uint8_t> EncodePngRgba(int width, int height, const std::uint32_t* pixels) {
  if (width <= 0 || height <= 0) return {};
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> rgba;
  rgba.reserve(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      rgba.push_back(static_cast<std::uint8_t>(pixels[i] >> shift));
    }
  }
  return EncodeRows(width, height, 4, rgba);
}

bool WritePng(const std::string& path, const Surface& surface, std::string* error) {
  if (!surface.Exists()) {
    if (error != nullptr) *error = "no picture";
    return false;
  }
  return WriteWholeFile(path, EncodePng(surface), error);
}

bool WritePngRgba(const std::string& path, int width, int height, const std::uint32_t* pixels,
                  std::string* error) {
  if (width <= 0 || height <= 0) {
    if (error != nullptr) *error = "no picture";
    return false;
  }
  return WriteWholeFile(path, EncodePngRgba(width, height, pixels), error);
}

}  // namespace enclova
