// SPDX-License-Identifier: MIT
// libpng and zlib as oracles, with libpng's error jumps kept inside one function.
#include "tests/kit/png_oracle.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

namespace enclova::testing {

namespace {

struct MemoryReader {
  std::span<const std::uint8_t> Bytes;
  std::size_t At = 0;
};

void OnOracleError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error != nullptr) *error = message;
  png_longjmp(png, 1);
}

void OnOracleWarning(png_structp png, png_const_charp message) {
  // A warning (a bad CRC in an ancillary chunk, data after the stream) fails the decoding too:
  // the game's files have no excuse for one.
  OnOracleError(png, message);
}

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->Bytes.size() - reader->At) png_error(png, "read past the end");
  std::memcpy(data, reader->Bytes.data() + reader->At, length);
  reader->At += length;
}

// The libpng calls, alone in a function of their own: an error jumps back to the setjmp here,
// and no local of this function changes after it, so none can be clobbered by the jump.
bool DecodeWithLibpng(png_structp png, png_infop info, png_infop end, DecodedPng& out,
                      std::vector<std::uint8_t>& rows, std::vector<png_bytep>& pointers) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_read_info(png, info);
  out.Width = static_cast<int>(png_get_image_width(png, info));
  out.Height = static_cast<int>(png_get_image_height(png, info));
  out.BitDepth = png_get_bit_depth(png, info);
  out.ColorType = png_get_color_type(png, info);
  out.Interlace = png_get_interlace_type(png, info);
  if (out.BitDepth != 8 ||
      (out.ColorType != PNG_COLOR_TYPE_RGB && out.ColorType != PNG_COLOR_TYPE_RGBA)) {
    png_error(png, "not 8-bit RGB or RGBA");
  }
  const std::size_t stride = png_get_rowbytes(png, info);
  rows.resize(stride * static_cast<std::size_t>(out.Height));
  pointers.resize(static_cast<std::size_t>(out.Height));
  for (std::size_t y = 0; y < pointers.size(); ++y) pointers[y] = rows.data() + y * stride;
  png_read_image(png, pointers.data());
  png_read_end(png, end);
  return true;
}

}  // namespace

bool DecodePng(std::span<const std::uint8_t> bytes, DecodedPng& out, std::string* error) {
  std::string message;
  MemoryReader reader{bytes};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, OnOracleError, OnOracleWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  png_infop end = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<std::uint8_t> rows;
  std::vector<png_bytep> pointers;
  bool ok = false;
  if (png != nullptr && info != nullptr && end != nullptr) {
    png_set_read_fn(png, &reader, ReadFromMemory);
    ok = DecodeWithLibpng(png, info, end, out, rows, pointers);
  }
  png_destroy_read_struct(&png, &info, &end);
  if (ok && reader.At != bytes.size()) {
    ok = false;
    message = "bytes after IEND";
  }
  if (!ok) {
    if (error != nullptr) *error = message.empty() ? "out of memory" : message;
    return false;
  }
  const std::size_t channels = out.ColorType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  out.Pixels.assign(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(out.Height), 0);
  for (std::size_t i = 0; i < out.Pixels.size(); ++i) {
    for (std::size_t c = 0; c < channels; ++c) {
      out.Pixels[i] |= std::uint32_t{rows[i * channels + c]} << (8 * c);
    }
  }
  return true;
}

bool ReadPng(const std::string& path, Surface& out, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    if (error != nullptr) *error = image.message;
    png_image_free(&image);
    return false;
  }
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);
  out = Surface(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      out.SetPixel(x, y, TColor{p[0]} | TColor{p[1]} << 8 | TColor{p[2]} << 16);
    }
  }
  return true;
}

bool Inflate(std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& out,
             std::string* error) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    if (error != nullptr) *error = "inflateInit";
    return false;
  }
  out.clear();
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  std::uint8_t buffer[16384];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    if (result == Z_BUF_ERROR && z.avail_in == 0) break;  // the stream stops short
  }
  const bool ended = result == Z_STREAM_END;
  const std::size_t left = z.avail_in;
  std::string message = z.msg != nullptr ? z.msg : ended ? "" : "the stream stops short";
  inflateEnd(&z);
  if (ended && left != 0) message = "bytes after the stream";
  if (ended && left == 0) return true;
  if (error != nullptr) *error = message;
  return false;
}

std::uint32_t ZlibCrc32(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::uint32_t ZlibAdler32(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(adler32(1, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace enclova::testing
