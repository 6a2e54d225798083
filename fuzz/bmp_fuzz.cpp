// SPDX-License-Identifier: MIT
// The sheet reader on any bytes: it must never read outside the input nor fail a sanitizer, and
// a picture it accepts must come back pixel for pixel through our own writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly `size` bytes, so AddressSanitizer catches a read one past the end.
  const std::vector<std::uint8_t> input(data, data + size);
  enclova::Surface sheet;
  if (!enclova::DecodeBmp(input.data(), input.size(), sheet)) return 0;
  if (!sheet.Exists()) std::abort();

  const std::vector<std::uint8_t> written = enclova::EncodeBmp24(sheet);
  enclova::Surface again;
  if (!enclova::DecodeBmp(written.data(), written.size(), again)) std::abort();
  if (again.Width() != sheet.Width() || again.Height() != sheet.Height()) std::abort();
  if (again.Pixels() != sheet.Pixels()) std::abort();
  return 0;
}
