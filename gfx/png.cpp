// SPDX-License-Identifier: MIT
// PNG through libpng, with its error jumps kept inside one function.
#include "gfx/png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace enclova {

namespace {

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error != nullptr) *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The libpng calls, alone in a function of their own: an error jumps back to the setjmp here,
// and no local of this function changes after it, so none can be clobbered by the jump.
bool Encode(png_structp png, png_infop info, std::FILE* file, int width, int height, bool alpha,
            png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  // Fast rather than small: a screenshot must not hold up the game's timer.
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_rows(png, rows, static_cast<png_uint_32>(height));
  png_write_end(png, info);
  return true;
}

// `rows` holds `height` rows of `width` pixels, 3 or 4 bytes each.
bool WriteRows(const std::string& path, int width, int height, bool alpha,
               const std::vector<std::uint8_t>& rows, std::string* error) {
  std::string message;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    if (error != nullptr) *error = std::strerror(errno);
    return false;
  }
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const std::size_t stride = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
  std::vector<png_bytep> pointers(static_cast<std::size_t>(height));
  for (std::size_t y = 0; y < pointers.size(); ++y) {
    pointers[y] = const_cast<png_bytep>(rows.data() + y * stride);
  }
  bool ok = png != nullptr && info != nullptr &&
            Encode(png, info, file, width, height, alpha, pointers.data());
  if (!ok && message.empty()) message = "out of memory";
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    message = std::strerror(errno);
  }
  if (!ok) {
    std::remove(path.c_str());
    if (error != nullptr) *error = message;
  }
  return ok;
}

}  // namespace

bool WritePng(const std::string& path, const Surface& surface, std::string* error) {
  if (!surface.Exists()) {
    if (error != nullptr) *error = "no picture";
    return false;
  }
  std::vector<std::uint8_t> rows;
  rows.reserve(surface.Pixels().size() * 3);
  for (TColor c : surface.Pixels()) {
    rows.push_back(static_cast<std::uint8_t>(c));
    rows.push_back(static_cast<std::uint8_t>(c >> 8));
    rows.push_back(static_cast<std::uint8_t>(c >> 16));
  }
  return WriteRows(path, surface.Width(), surface.Height(), false, rows, error);
}

bool WritePngRgba(const std::string& path, int width, int height, const std::uint32_t* pixels,
                  std::string* error) {
  std::vector<std::uint8_t> rows;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  rows.reserve(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      rows.push_back(static_cast<std::uint8_t>(pixels[i] >> shift));
    }
  }
  return WriteRows(path, width, height, true, rows, error);
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

}  // namespace enclova
