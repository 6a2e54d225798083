// SPDX-License-Identifier: MIT
// Pictures under test: the synthetic sheet, the expected-picture builder and the comparison.
#include "tests/kit/pictures.h"

#include <sstream>

namespace enclova::testing {

TColor SheetColor(int x, int y) {
  // 800 x 417 positions fit in 19 bits; spread them so no pixel is black or white.
  const std::uint32_t index = static_cast<std::uint32_t>(y * kSheetWidth + x) + 1;
  return (index * 37u) & 0x00FFFFFE ? (index * 37u) & 0x00FFFFFE : 0x00123456;
}

Surface MakeTestSheet(int width, int height) {
  Surface sheet(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) sheet.SetPixel(x, y, SheetColor(x, y));
  }
  return sheet;
}

int CodePoints(std::string_view utf8) {
  int count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

Picture::Picture(int width, int height, const std::function<TColor(int, int)>& color)
    : Picture(width, height, clBlack) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) At(x, y) = color(x, y);
  }
}

void Picture::Fill(int x1, int y1, int x2, int y2, TColor c) {
  for (int y = y1; y < y2; ++y) {
    for (int x = x1; x < x2; ++x) Set(x, y, c);
  }
}

void Picture::Run(int x, int y, int dx, int dy, int count, TColor c) {
  for (int k = 0; k < count; ++k) Set(x + k * dx, y + k * dy, c);
}

void Picture::Copy(int x, int y, const Surface& image) {
  for (int iy = 0; iy < image.Height(); ++iy) {
    for (int ix = 0; ix < image.Width(); ++ix) Set(x + ix, y + iy, image.GetPixel(ix, iy));
  }
}

void Picture::Xor(int x, int y, const Surface& image) {
  for (int iy = 0; iy < image.Height(); ++iy) {
    for (int ix = 0; ix < image.Width(); ++ix) {
      if (Contains(x + ix, y + iy)) At(x + ix, y + iy) ^= image.GetPixel(ix, iy);
    }
  }
}

void Picture::Sheet(int x, int y, const SheetRegion& region) {
  for (int dy = 0; dy < region.Height; ++dy) {
    for (int dx = 0; dx < region.Width; ++dx) Set(x + dx, y + dy, SheetColorIn(region, dx, dy));
  }
}

void Picture::Text(int x, int y, std::string_view utf8, int height, TColor ink, TColor background) {
  const int advance = height / 2;
  const int width = advance * CodePoints(utf8);
  for (int dy = 0; dy < height; ++dy) {
    for (int dx = 0; dx < width; ++dx) {
      Set(x + dx, y + dy, dx % advance != 0 && dy != 0 ? ink : background);
    }
  }
}

bool Mask::Compares(int x, int y) const {
  for (const PixelRect& r : Rects) {
    if (r.Contains(x, y)) return OnlyInside;
  }
  return !OnlyInside;
}

Picture Picture::Scaled(const Surface& picture, int scale, int width, int height, int left,
                        int top) {
  Picture window(width, height, clBlack);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      window.Fill(left + x * scale, top + y * scale, left + (x + 1) * scale, top + (y + 1) * scale,
                  picture.GetPixel(x, y));
    }
  }
  return window;
}

namespace {

constexpr int kReported = 8;

::testing::AssertionResult Compare(const std::vector<TColor>& got, int gotWidth, int gotHeight,
                                   const std::vector<TColor>& want, int wantWidth, int wantHeight,
                                   const Mask& mask) {
  if (gotWidth != wantWidth || gotHeight != wantHeight) {
    return ::testing::AssertionFailure() << "size " << gotWidth << "x" << gotHeight << ", expected "
                                         << wantWidth << "x" << wantHeight;
  }
  const auto area = static_cast<std::size_t>(wantWidth) * static_cast<std::size_t>(wantHeight);
  if (got.size() != area || want.size() != area) {
    return ::testing::AssertionFailure() << got.size() << " and " << want.size() << " pixels for "
                                         << wantWidth << "x" << wantHeight;
  }
  int differing = 0;
  std::ostringstream first;
  for (int y = 0; y < wantHeight; ++y) {
    for (int x = 0; x < wantWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * wantWidth + x);
      if (got[i] == want[i] || !mask.Compares(x, y)) continue;
      if (++differing <= kReported) {
        first << " (" << x << "," << y << ") is 0x" << std::hex << got[i] << " not 0x" << want[i]
              << std::dec << ";";
      }
    }
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixels differ:" << first.str();
}

}  // namespace

::testing::AssertionResult SamePicture(const Surface& actual, const Picture& expected,
                                       const Mask& mask) {
  return Compare(actual.Pixels(), actual.Width(), actual.Height(), expected.Pixels, expected.Width,
                 expected.Height, mask);
}

::testing::AssertionResult SamePicture(const Surface& actual, const Surface& expected,
                                       const Mask& mask) {
  return Compare(actual.Pixels(), actual.Width(), actual.Height(), expected.Pixels(),
                 expected.Width(), expected.Height(), mask);
}

::testing::AssertionResult SamePicture(const Surface& actual,
                                       const std::function<TColor(int, int)>& expected,
                                       const Mask& mask) {
  return SamePicture(actual, Picture(actual.Width(), actual.Height(), expected), mask);
}

}  // namespace enclova::testing
