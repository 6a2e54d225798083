// SPDX-License-Identifier: MIT
// Pictures under test: the synthetic sprite sheet, the one builder of expected pictures, and the
// one comparison of a surface against what a test expects.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "app/sheet_regions.h"
#include "gfx/surface.h"

namespace enclova::testing {

// The named colours the game's pictures use, as the tests write them.
constexpr TColor kRed = 0x000000FF;
constexpr TColor kGreen = 0x00008000;
constexpr TColor kBlue = 0x00FF0000;
constexpr TColor kOlive = 0x00008080;
constexpr TColor kGrey = 0x00808080;

// An 800x417 sheet in which every pixel has its own colour, neither black nor white:
// SheetColor(x, y). Tests can then tell exactly which sheet pixel landed where. A smaller size
// gives a sheet that stops short, with the same colours where it reaches.
TColor SheetColor(int x, int y);
Surface MakeTestSheet(int width = kSheetWidth, int height = kSheetHeight);

// The colour the synthetic sheet's `region` has at the region's own (x, y).
inline TColor SheetColorIn(const SheetRegion& region, int x, int y) {
  return SheetColor(region.X + x, region.Y + y);
}
// The colour cell sprite `kind` of the synthetic sheet has at its own (x, y).
inline TColor CellSpriteColor(int kind, int x, int y) {
  return SheetColorIn(CellSpriteRegion(kind), x, y);
}

// The code points of a UTF-8 text: FakeTypeface draws one box for each.
int CodePoints(std::string_view utf8);

// A plain copy of a picture that a test edits into what it expects. Every drawing clips to
// the picture.
struct Picture {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Pixels;

  Picture(int width, int height, TColor color)
      : Width(width), Height(height), Pixels(static_cast<std::size_t>(width * height), color) {}
  Picture(int width, int height, std::vector<TColor> pixels)
      : Width(width), Height(height), Pixels(std::move(pixels)) {}
  Picture(int width, int height, const std::function<TColor(int, int)>& color);
  explicit Picture(const Surface& s) : Width(s.Width()), Height(s.Height()), Pixels(s.Pixels()) {}

  // A window of `width` x `height` showing `picture` as the game's window does at `scale`:
  // every pixel an N x N block, the corner at (left, top), black around it.
  static Picture Scaled(const Surface& picture, int scale, int width, int height, int left = 0,
                        int top = 0);

  TColor& At(int x, int y) { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
  TColor At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
  void Set(int x, int y, TColor c) {
    if (Contains(x, y)) At(x, y) = c;
  }
  // x1 <= x < x2, y1 <= y < y2.
  void Fill(int x1, int y1, int x2, int y2, TColor c);
  // `count` pixels from (x, y) in steps of (dx, dy).
  void Run(int x, int y, int dx, int dy, int count, TColor c);
  // An image laid with its top-left corner at (x, y), copied or XORed.
  void Copy(int x, int y, const Surface& image);
  void Xor(int x, int y, const Surface& image);
  // The synthetic sheet's `region` laid at (x, y), as a picture cut from MakeTestSheet() shows.
  void Sheet(int x, int y, const SheetRegion& region);
  // A text as FakeTypeface's boxes land with the top-left at (x, y): each code point a box of
  // height / 2 columns, background in its first column and in the top row, ink elsewhere.
  void Text(int x, int y, std::string_view utf8, int height, TColor ink, TColor background);
};

// A rectangle of pixels: x in [X, X + Width), y in [Y, Y + Height).
struct PixelRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool Contains(int x, int y) const { return x >= X && y >= Y && x < X + Width && y < Y + Height; }
};

// Which pixels a comparison looks at: all (the default), all but some rectangles, or only
// those in some rectangles.
struct Mask {
  static Mask Ignoring(std::initializer_list<PixelRect> rects) { return {false, rects}; }
  static Mask Only(std::initializer_list<PixelRect> rects) { return {true, rects}; }
  bool Compares(int x, int y) const;

  bool OnlyInside = false;
  std::vector<PixelRect> Rects;
};

// The comparison: both the same size, and every pixel the mask compares equal. Otherwise says
// how many differ, and where the first few are with the colour found and the one expected.
::testing::AssertionResult SamePicture(const Surface& actual, const Picture& expected,
                                       const Mask& mask = {});
::testing::AssertionResult SamePicture(const Surface& actual, const Surface& expected,
                                       const Mask& mask = {});
// Against a model of the picture: expected(x, y) for every pixel of the surface.
::testing::AssertionResult SamePicture(const Surface& actual,
                                       const std::function<TColor(int, int)>& expected,
                                       const Mask& mask = {});

}  // namespace enclova::testing
