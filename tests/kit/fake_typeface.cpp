// SPDX-License-Identifier: MIT
// A typeface for tests that draws boxes instead of glyphs.
#include "tests/kit/fake_typeface.h"

#include <cstddef>

namespace enclova::testing {

GlyphRun FakeTypeface::Render(std::string_view utf8, int height) const {
  const int cell = height > 0 ? height : -height;
  const int advance = cell / 2 < 2 ? 2 : cell / 2;
  int count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;  // one box per code point
  }
  GlyphRun run;
  run.Width = advance * count;
  run.Height = cell;
  run.Coverage.assign(static_cast<std::size_t>(run.Width * run.Height), 0);
  for (int y = 1; y < run.Height; ++y) {
    for (int x = 0; x < run.Width; ++x) {
      if (x % advance != 0) run.Coverage[static_cast<std::size_t>(y * run.Width + x)] = 255;
    }
  }
  return run;
}

}  // namespace enclova::testing
