// SPDX-License-Identifier: MIT
// Helpers for the ranking screen and result tests: a typeface that remembers what it was asked
// to draw, a model of the screen as the fake glyphs paint it, and a whole-surface comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gfx/surface.h"
#include "tests/fakes.h"

namespace enclova::testing {

// FakeTypeface's boxes, plus the list of every text and height rendered, in order.
class RecordingTypeface : public FakeTypeface {
 public:
  GlyphRun Render(std::string_view utf8, int height) const override {
    Texts.emplace_back(utf8);
    Heights.push_back(height);
    return FakeTypeface::Render(utf8, height);
  }
  mutable std::vector<std::string> Texts;
  mutable std::vector<int> Heights;
};

inline int CodePoints(std::string_view utf8) {
  int count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

// The pixels a test expects, painted the way FakeTypeface's boxes land: each code point a box
// of height / 2 columns, background in its first column and in the top row, ink elsewhere.
struct ExpectedPicture {
  int Width;
  int Height;
  std::vector<TColor> Pixels;

  ExpectedPicture(int width, int height, TColor color)
      : Width(width), Height(height), Pixels(static_cast<std::size_t>(width * height), color) {}
  explicit ExpectedPicture(const Surface& s)
      : Width(s.Width()), Height(s.Height()), Pixels(s.Pixels()) {}

  void Set(int x, int y, TColor c) {
    if (x >= 0 && y >= 0 && x < Width && y < Height)
      Pixels[static_cast<std::size_t>(y * Width + x)] = c;
  }
  void Box(int x1, int y1, int x2, int y2, TColor c) {
    for (int y = y1; y < y2; ++y) {
      for (int x = x1; x < x2; ++x) Set(x, y, c);
    }
  }
  void Text(int x, int y, std::string_view utf8, int height, TColor ink, TColor background) {
    const int advance = height / 2;
    const int width = advance * CodePoints(utf8);
    for (int dy = 0; dy < height; ++dy) {
      for (int dx = 0; dx < width; ++dx) {
        Set(x + dx, y + dy, dx % advance != 0 && dy != 0 ? ink : background);
      }
    }
  }
};

// Every pixel of the surface against the picture; names the first few that differ.
inline ::testing::AssertionResult SamePixels(const Surface& actual,
                                             const ExpectedPicture& expected) {
  if (actual.Width() != expected.Width || actual.Height() != expected.Height) {
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height();
  }
  int differing = 0;
  std::ostringstream first;
  for (int y = 0; y < expected.Height; ++y) {
    for (int x = 0; x < expected.Width; ++x) {
      const TColor want = expected.Pixels[static_cast<std::size_t>(y * expected.Width + x)];
      const TColor got = actual.GetPixel(x, y);
      if (got != want && ++differing <= 8) {
        first << std::hex << " (" << std::dec << x << "," << y << ") 0x" << std::hex << got
              << " not 0x" << want;
      }
    }
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " pixels differ:" << first.str();
}

}  // namespace enclova::testing
