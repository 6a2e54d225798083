// SPDX-License-Identifier: MIT
// Pixel tests of the raster surfaces: every case scans a whole small surface against a model.
#include "gfx/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/sheet_regions.h"
#include "gfx/typeface.h"
#include "tests/kit/fake_typeface.h"
#include "tests/kit/pictures.h"
#include "tests/kit/seed.h"

namespace enclova {
namespace {

using testing::FakeTypeface;
using testing::kBlue;
using testing::kGreen;
using testing::kRed;
using testing::MakeTestSheet;
using testing::Picture;
using testing::SamePicture;
using testing::SeedNote;
using testing::SheetColor;
using testing::SheetColorIn;
using testing::TestSeeds;

constexpr TColor kLightGreen = 0x00C0FF98;

// A 16x16 surface whose pixels are all distinct and neither black nor white.
TColor Pattern(int x, int y) {
  return static_cast<TColor>(0x00102030 + y * 16 + x);
}
Surface PatternSurface(int w = 16, int h = 16) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, Pattern(x, y));
  }
  return s;
}

// An image whose pixels differ from the pattern and from each other.
TColor ImageColor(int x, int y) {
  return static_cast<TColor>(0x00A05000 + y * 256 + x * 3);
}
Surface MakeImage(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, ImageColor(x, y));
  }
  return s;
}

TEST(CombinePixel, AppliesEachCopyModeBitwiseAndKeepsTheTopByteClear) {
  struct Case {
    TCopyMode mode;
    TColor target, image, want;
  };
  const Case cases[] = {
      {SRCCOPY, 0x00123456, 0x00ABCDEF, 0x00ABCDEF},
      {SRCCOPY, 0x00123456, 0xFFABCDEF, 0x00ABCDEF},
      {SRCINVERT, 0x00F0F0F0, 0x00FF00FF, 0x000FF00F},
      {SRCINVERT, 0x00123456, 0x00123456, 0x00000000},
      {SRCINVERT, 0x00000000, 0xFF00000F, 0x0000000F},
      {SRCAND, 0x00123456, clWhite, 0x00123456},
      {SRCAND, 0x00123456, clBlack, clBlack},
      {SRCAND, 0x00F0F0F0, 0x00FF00FF, 0x00F000F0},
      {static_cast<TCopyMode>(0x42), 0x00123456, 0x00ABCDEF, 0x00ABCDEF},  // unknown modes copy
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombinePixel(c.mode, c.target, c.image), c.want)
        << std::hex << "mode 0x" << c.mode << " target 0x" << c.target << " image 0x" << c.image;
  }
}

TEST(SurfaceCreation, StartsWhiteWithTheDefaultDrawingState) {
  const Surface s(7, 5);
  EXPECT_TRUE(s.Exists());
  EXPECT_EQ(s.Width(), 7);
  EXPECT_EQ(s.Height(), 5);
  EXPECT_TRUE(SamePicture(s, [](int, int) { return clWhite; }));
  EXPECT_EQ(s.Pen.Color, clBlack);
  EXPECT_EQ(s.Brush.Color, clWhite);
  EXPECT_EQ(s.CopyMode, SRCCOPY);
  EXPECT_EQ(s.PenPos, (TPoint{0, 0}));
}

TEST(SurfaceCreation, SizesWithoutPixelsMakeASurfaceThatDoesNotExist) {
  const std::pair<int, int> sizes[] = {{0, 0}, {0, 5}, {5, 0}, {-3, 4}, {4, -3}, {INT_MIN, 1}};
  for (auto [w, h] : sizes) {
    const Surface s(w, h);
    EXPECT_FALSE(s.Exists()) << w << "x" << h;
    EXPECT_EQ(s.Width() * s.Height(), 0) << w << "x" << h;
    EXPECT_TRUE(s.Pixels().empty()) << w << "x" << h;
  }
  EXPECT_FALSE(Surface().Exists());
}

TEST(GetPixel, AnswersInvalidOutsideTheSurfaceAndOnOneThatDoesNotExist) {
  Surface s = PatternSurface();
  const std::pair<int, int> outside[] = {{-1, 0},  {0, -1},      {16, 0},      {0, 16},
                                         {16, 16}, {INT_MIN, 0}, {0, INT_MAX}, {-1, -1}};
  for (auto [x, y] : outside) EXPECT_EQ(s.GetPixel(x, y), kInvalidColor) << x << "," << y;
  EXPECT_EQ(s.GetPixel(0, 0), Pattern(0, 0));
  EXPECT_EQ(s.GetPixel(15, 15), Pattern(15, 15));
  EXPECT_EQ(Surface().GetPixel(0, 0), kInvalidColor);
}

TEST(Fill, SetsEveryPixelWithoutTouchingTheDrawingState) {
  Surface s = PatternSurface();
  s.Pen.Color = kRed;
  s.PenPos = {3, 4};
  const auto before = s.ChangeCount();
  s.Fill(0xFF00C0C0);
  EXPECT_TRUE(SamePicture(s, [](int, int) { return TColor{0x0000C0C0}; }));
  EXPECT_EQ(s.Pen.Color, kRed);
  EXPECT_EQ(s.PenPos, (TPoint{3, 4}));
  EXPECT_EQ(s.ChangeCount(), before + 1);
}

// Draw, for every copy mode, against a model: the image lands at the offset, clipped.
TEST(Draw, PlacesTheWholeImageAtAnyOffsetClippedAtEveryEdge) {
  const std::pair<int, int> offsets[] = {
      {3, 2},   {0, 0},     {-2, -3},     {11, 12},         {13, 14},          {-4, 7}, {12, -2},
      {-2, 13}, {14, -3},   {15, 15},     {-4, -4},         {16, 0},           {0, 16}, {-5, 0},
      {0, -5},  {-100, -3}, {INT_MAX, 0}, {0, INT_MIN + 1}, {INT_MIN, INT_MIN}};
  const TCopyMode modes[] = {SRCCOPY, SRCINVERT, SRCAND};
  const Surface image = MakeImage(5, 5);
  for (TCopyMode mode : modes) {
    for (const auto& offset : offsets) {
      // Plain copies: a lambda may not capture a structured binding before C++20's P1091, which
      // clang 14 lacks.
      const int ox = offset.first;
      const int oy = offset.second;
      Surface s = PatternSurface();
      s.CopyMode = mode;
      s.Draw(ox, oy, image);
      EXPECT_TRUE(SamePicture(s,
                              [&](int x, int y) {
                                const std::int64_t ix = std::int64_t{x} - ox;
                                const std::int64_t iy = std::int64_t{y} - oy;
                                if (ix < 0 || iy < 0 || ix >= 5 || iy >= 5) return Pattern(x, y);
                                return CombinePixel(
                                    mode, Pattern(x, y),
                                    ImageColor(static_cast<int>(ix), static_cast<int>(iy)));
                              }))
          << std::hex << "mode 0x" << mode << std::dec << " at " << ox << "," << oy;
    }
  }
}

TEST(Draw, AnImageLargerThanTheTargetCoversItAll) {
  Surface s = PatternSurface();
  s.Draw(-3, -1, MakeImage(24, 20));
  EXPECT_TRUE(SamePicture(s, [](int x, int y) { return ImageColor(x + 3, y + 1); }));
}

TEST(Draw, NegativeOffsetCutsASpriteOutOfTheSheet) {
  const Surface sheet = MakeTestSheet();
  const SheetRegion r = kClockPanelRegion;
  Surface panel(r.Width, r.Height);
  panel.Draw(-r.X, -r.Y, sheet);
  EXPECT_TRUE(SamePicture(panel, [&](int x, int y) { return SheetColorIn(r, x, y); }));
}

TEST(Draw, WhereTheSheetDoesNotReachTheSpriteStaysWhite) {
  const Surface sheet = MakeTestSheet();  // 800x417
  Surface sprite(20, 30);
  sprite.Draw(-790, -400, sheet);
  EXPECT_TRUE(SamePicture(sprite, [](int x, int y) {
    return 790 + x < 800 && 400 + y < 417 ? SheetColor(790 + x, 400 + y) : clWhite;
  }));
}

TEST(Draw, InvertTwiceRestoresTheTarget) {
  Surface s = PatternSurface();
  s.CopyMode = SRCINVERT;
  const Surface cursor = MakeImage(7, 7);
  s.Draw(5, 6, cursor);
  EXPECT_NE(s.GetPixel(5, 6), Pattern(5, 6));
  s.Draw(5, 6, cursor);
  EXPECT_TRUE(SamePicture(s, Pattern));
}

TEST(Draw, AndWithWhiteKeepsTheTargetAndWithBlackMakesItBlack) {
  Surface s = PatternSurface();
  s.CopyMode = SRCAND;
  Surface white(16, 16);
  s.Draw(0, 0, white);
  EXPECT_TRUE(SamePicture(s, Pattern));

  Surface black(4, 3);
  black.Fill(clBlack);
  s.Draw(6, 9, black);
  EXPECT_TRUE(SamePicture(s, [](int x, int y) {
    return x >= 6 && x < 10 && y >= 9 && y < 12 ? clBlack : Pattern(x, y);
  }));
}

TEST(Draw, NothingHappensWhenTheImageOrTheTargetDoesNotExist) {
  Surface s = PatternSurface();
  const auto before = s.ChangeCount();
  s.Draw(0, 0, Surface());
  s.Draw(0, 0, Surface(0, 7));
  EXPECT_TRUE(SamePicture(s, Pattern));
  EXPECT_EQ(s.ChangeCount(), before);

  Surface missing;
  missing.Draw(0, 0, s);  // must not crash or grow
  EXPECT_FALSE(missing.Exists());
  EXPECT_TRUE(missing.Pixels().empty());
}

TEST(Draw, OntoItselfReadsTheImageAsItWasBefore) {
  for (const auto& shift : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 3}, {-3, -2}}) {
    const int dx = shift.first;  // copies the lambda below can capture, with any compiler
    const int dy = shift.second;
    Surface s = PatternSurface();
    s.Draw(dx, dy, s);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              const int sx = x - dx;
                              const int sy = y - dy;
                              return sx >= 0 && sy >= 0 && sx < 16 && sy < 16 ? Pattern(sx, sy)
                                                                              : Pattern(x, y);
                            }))
        << dx << "," << dy;
  }
}

TEST(Draw, PixelsWithATopByteAreStoredWithoutIt) {
  Surface image(2, 1, {0xFF123456, 0x80FFFFFF});
  Surface s(2, 1);
  s.Draw(0, 0, image);
  EXPECT_EQ(s.GetPixel(0, 0), 0x00123456u);
  EXPECT_EQ(s.GetPixel(1, 0), 0x00FFFFFFu);
  s.SetPixel(1, 0, 0xAB000001);
  EXPECT_EQ(s.GetPixel(1, 0), 0x00000001u);
}

// A model of Rectangle: ring in the pen colour, inside in the brush, bounds normalised.
TColor RectangleModel(int x, int y, int x1, int y1, int x2, int y2, TColor outside) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x < x1 || x >= x2 || y < y1 || y >= y2) return outside;
  return x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1 ? kRed : kLightGreen;
}

TEST(Rectangle, FillsTheRingAndInsideWithRightAndBottomEdgesExcluded) {
  struct Case {
    int x1, y1, x2, y2;
  };
  const Case cases[] = {
      {2, 3, 10, 12},    // an ordinary box
      {0, 0, 16, 16},    // exactly the surface
      {10, 12, 2, 3},    // corners given the other way round
      {2, 12, 10, 3},    // only y inverted
      {4, 4, 5, 9},      // one pixel wide: all outline
      {4, 4, 9, 5},      // one pixel high
      {4, 4, 6, 6},      // 2x2: no inside
      {4, 4, 4, 9},      // empty
      {4, 4, 9, 4},      // empty
      {-3, -3, 5, 5},    // top-left outline off the surface
      {12, 12, 20, 20},  // bottom-right outline off the surface
      {-5, 6, 30, 9},    // wider than the surface
      {-10, -10, 0, 0},  // wholly outside, touching
      {16, 16, 20, 20},  // wholly outside
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
  };
  for (const Case& c : cases) {
    Surface s = PatternSurface();
    s.Pen.Color = kRed;
    s.Brush.Color = kLightGreen;
    s.PenPos = {7, 8};
    s.Rectangle(c.x1, c.y1, c.x2, c.y2);
    EXPECT_TRUE(SamePicture(
        s,
        [&](int x, int y) { return RectangleModel(x, y, c.x1, c.y1, c.x2, c.y2, Pattern(x, y)); }))
        << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2;
    EXPECT_EQ(s.PenPos, (TPoint{7, 8}));
  }
}

TEST(Rectangle, WholeBoardSquareCoversExactlyItsPixels) {
  Surface s(402, 402);
  s.Brush.Color = kGreen;
  s.Rectangle(0, 0, 400, 400);
  for (int i = 0; i < 402; ++i) {
    ASSERT_EQ(s.GetPixel(400, i), clWhite) << i;
    ASSERT_EQ(s.GetPixel(i, 400), clWhite) << i;
    if (i < 400) {
      ASSERT_EQ(s.GetPixel(399, i), clBlack) << i;
      ASSERT_EQ(s.GetPixel(i, 399), clBlack) << i;
      ASSERT_EQ(s.GetPixel(0, i), clBlack) << i;
    }
  }
  EXPECT_EQ(s.GetPixel(1, 1), kGreen);
  EXPECT_EQ(s.GetPixel(398, 398), kGreen);
}

// The pixels of a horizontal, vertical or 45-degree line, the end left out.
std::set<std::pair<int, int>> StraightLine(int x0, int y0, int x1, int y1) {
  const int sx = (x1 > x0) - (x1 < x0);
  const int sy = (y1 > y0) - (y1 < y0);
  const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  std::set<std::pair<int, int>> pixels;
  for (int k = 0; k < n; ++k) pixels.insert({x0 + k * sx, y0 + k * sy});
  return pixels;
}

TEST(LineTo, StraightAndDiagonalLinesIncludeTheStartAndExcludeTheEnd) {
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {
      {2, 5, 12, 5},    {12, 5, 2, 5},    {5, 1, 5, 14},  {5, 14, 5, 1},   // axis lines both ways
      {2, 3, 9, 10},    {9, 10, 2, 3},    {2, 10, 9, 3},  {9, 3, 2, 10},   // the four diagonals
      {0, 0, 0, 16},    {0, 15, 16, 15},  {0, 0, 16, 16},                  // to just past the edge
      {-5, -5, 20, 20}, {20, -4, -4, 20}, {-3, 7, 40, 7}, {7, 40, 7, -3},  // clipped
      {6, 6, 6, 6},     {30, 30, 40, 40},                                  // nothing to draw
  };
  for (const Case& c : cases) {
    Surface s = PatternSurface();
    s.Pen.Color = kBlue;
    s.MoveTo(c.x0, c.y0);
    const auto before = s.ChangeCount();
    s.LineTo(c.x1, c.y1);
    const auto line = StraightLine(c.x0, c.y0, c.x1, c.y1);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              return line.count({x, y}) ? kBlue : Pattern(x, y);
                            }))
        << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
    EXPECT_EQ(s.PenPos, (TPoint{c.x1, c.y1}));
    EXPECT_LE(s.ChangeCount() - before, 1u);
  }
}

TEST(LineTo, ConsecutiveLinesJoinWithoutGapsOrOverlaps) {
  // The game's path strokes: each line starts where the last one ended.
  Surface s(16, 16);
  s.MoveTo(2, 2);
  s.LineTo(2, 8);
  s.LineTo(8, 8);
  s.LineTo(11, 5);
  s.LineTo(11, 2);
  std::set<std::pair<int, int>> want;
  for (const auto& part : {StraightLine(2, 2, 2, 8), StraightLine(2, 8, 8, 8),
                           StraightLine(8, 8, 11, 5), StraightLine(11, 5, 11, 2)}) {
    want.insert(part.begin(), part.end());
  }
  EXPECT_TRUE(SamePicture(s, [&](int x, int y) { return want.count({x, y}) ? clBlack : clWhite; }));
  EXPECT_EQ(s.GetPixel(11, 2), clWhite);  // the last end is left for the next stroke
  EXPECT_EQ(s.PenPos, (TPoint{11, 2}));
}

TEST(LineTo, OtherSlopesStepOncePerMajorPixelNearTheTrueLine) {
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {{0, 0, 10, 3},  {10, 3, 0, 0},  {1, 14, 15, 9}, {3, 1, 7, 15},
                        {12, 15, 9, 0}, {0, 0, 15, 14}, {5, 5, 7, 6}};
  for (const Case& c : cases) {
    Surface s(16, 16);
    s.MoveTo(c.x0, c.y0);
    s.LineTo(c.x1, c.y1);
    const int dx = c.x1 - c.x0;
    const int dy = c.y1 - c.y0;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int n = std::max(std::abs(dx), std::abs(dy));
    int count = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (s.GetPixel(x, y) != clBlack) continue;
        ++count;
        // Each pixel lies on a step k of the major axis, its minor offset rounded from the line.
        const int k = xMajor ? (x - c.x0) * (dx < 0 ? -1 : 1) : (y - c.y0) * (dy < 0 ? -1 : 1);
        EXPECT_GE(k, 0) << x << "," << y;
        EXPECT_LT(k, n) << x << "," << y;
        const double exact = xMajor ? c.y0 + static_cast<double>(dy) * k / n
                                    : c.x0 + static_cast<double>(dx) * k / n;
        EXPECT_LE(std::abs((xMajor ? y : x) - exact), 0.5) << x << "," << y;
      }
    }
    EXPECT_EQ(count, n) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
    EXPECT_EQ(s.GetPixel(c.x0, c.y0), clBlack);
    EXPECT_EQ(s.GetPixel(c.x1, c.y1), clWhite);
  }
}

TEST(LineTo, ExtremeEndPointsFinishQuicklyAndDrawOnlyTheVisiblePart) {
  Surface s(16, 16);
  s.MoveTo(INT_MIN, INT_MIN);
  s.LineTo(INT_MAX, INT_MAX);  // exactly 45 degrees through the surface's diagonal
  EXPECT_TRUE(SamePicture(s, [](int x, int y) { return x == y ? clBlack : clWhite; }));

  Surface t(16, 16);
  t.MoveTo(-1000000000, 0);
  t.LineTo(1000000000, 1);  // nearly horizontal: one pixel in every column, in row 0 or 1
  for (int x = 0; x < 16; ++x) {
    const int inColumn = (t.GetPixel(x, 0) == clBlack) + (t.GetPixel(x, 1) == clBlack);
    EXPECT_EQ(inColumn, 1) << x;
  }
  EXPECT_EQ(t.PenPos, (TPoint{1000000000, 1}));
}

#ifdef __SIZEOF_INT128__
// Whether LineTo from (x0, y0) to (x1, y1) covers (x, y), decided for that pixel alone: its step
// k along the major axis lies in [0, n), and its minor offset t towards the end is k * minor / n
// rounded half up, that is n (2t - 1) <= 2k |minor| < n (2t + 1). Exact in 128-bit integers.
bool OnLine(int x0, int y0, int x1, int y1, int x, int y) {
  __extension__ typedef __int128 Wide;
  auto magnitude = [](Wide v) { return v < 0 ? -v : v; };
  const Wide dx = Wide{x1} - x0;
  const Wide dy = Wide{y1} - y0;
  const bool xMajor = magnitude(dx) >= magnitude(dy);
  const Wide major = xMajor ? dx : dy;
  const Wide minor = xMajor ? dy : dx;
  const Wide n = magnitude(major);
  if (n == 0) return false;
  const Wide k = (Wide{xMajor ? x : y} - (xMajor ? x0 : y0)) * (major < 0 ? -1 : 1);
  if (k < 0 || k >= n) return false;
  const Wide t = (Wide{xMajor ? y : x} - (xMajor ? y0 : x0)) * (minor < 0 ? -1 : 1);
  const Wide twice = 2 * k * magnitude(minor);
  return n * (2 * t - 1) <= twice && twice < n * (2 * t + 1);
}
#endif

// Lines from the ends of the int range, whose products of step and slope pass 64 bits, against
// the pixel-by-pixel reference above on an odd-sized surface.
TEST(LineTo, ExtremeLinesMatchAnExactReferenceOnEveryPixel) {
#ifndef __SIZEOF_INT128__
  GTEST_SKIP() << "the reference needs 128-bit integers";
#else
  struct Case {
    int x0, y0, x1, y1;
  };
  const Case cases[] = {
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
      {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX},   // a slope just under 1
      {INT_MIN, 10, INT_MAX, 5},                  // nearly flat, a rounding half near x = 0
      {INT_MAX, 3, INT_MIN, 12},                  // nearly flat, right to left
      {5, INT_MIN, 17, INT_MAX},                  // steep, downwards
      {20, INT_MAX, 2, INT_MIN},                  // steep, upwards
      {INT_MIN, INT_MAX, INT_MAX, INT_MIN + 30},  // about -1, through the corner
      {INT_MIN, 16, 11, 3},                       // ends on the surface: steps near the last
      {INT_MAX, 0, 7, 16},                        // the same from the right
      {0, 0, INT_MAX, INT_MAX - 1},               // starts on the surface
      {3, 8, INT_MIN, INT_MAX},                   // starts on the surface, to the far corner
      {-1000000000, -999999999, 1000000000, 1000000000},
      {INT_MIN, INT_MIN, INT_MIN, INT_MAX},  // off the surface entirely
  };
  for (const Case& c : cases) {
    Surface s = PatternSurface(23, 17);
    s.Pen.Color = kBlue;
    s.MoveTo(c.x0, c.y0);
    s.LineTo(c.x1, c.y1);
    EXPECT_TRUE(SamePicture(
        s,
        [&](int x, int y) { return OnLine(c.x0, c.y0, c.x1, c.y1, x, y) ? kBlue : Pattern(x, y); }))
        << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1;
  }
#endif
}

// Random lines, their ends near the surface, far away or at the ends of the int range.
TEST(LineTo, RandomLinesMatchAnExactReferenceOnEveryPixel) {
#ifndef __SIZEOF_INT128__
  GTEST_SKIP() << "the reference needs 128-bit integers";
#else
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    auto coordinate = [&]() -> int {
      switch (rng() % 5) {
        case 0:
        case 1:
          return static_cast<int>(rng() % 40) - 10;
        case 2:
          return INT_MIN + static_cast<int>(rng() % 100);
        case 3:
          return INT_MAX - static_cast<int>(rng() % 100);
        default:
          return static_cast<int>(rng());
      }
    };
    for (int i = 0; i < 400; ++i) {
      const int x0 = coordinate();
      const int y0 = coordinate();
      const int x1 = coordinate();
      const int y1 = coordinate();
      Surface s(19, 13);
      s.MoveTo(x0, y0);
      s.LineTo(x1, y1);
      ASSERT_TRUE(SamePicture(
          s, [&](int x, int y) { return OnLine(x0, y0, x1, y1, x, y) ? clBlack : clWhite; }))
          << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
  }
#endif
}

TEST(LineTo, MovesThePenEvenOnASurfaceThatDoesNotExist) {
  Surface s;
  s.MoveTo(3, 4);
  s.LineTo(9, 4);
  EXPECT_EQ(s.PenPos, (TPoint{9, 4}));
  EXPECT_TRUE(s.Pixels().empty());
}

// The closed loop of the judging: an octagon of black lines whose corners are cut diagonally.
// Inside are the pixels strictly within all eight of its edges.
Surface OctagonSurface() {
  Surface s(16, 16);
  s.MoveTo(6, 3);
  for (auto [x, y] :
       {std::pair{10, 3}, {13, 6}, {13, 10}, {10, 13}, {6, 13}, {3, 10}, {3, 6}, {6, 3}}) {
    s.LineTo(x, y);
  }
  return s;
}
bool InsideOctagon(int x, int y) {
  return x > 3 && x < 13 && y > 3 && y < 13 && x - y < 7 && x + y < 23 && y - x < 7 && x + y > 9;
}
bool OnOctagon(const Surface& s, int x, int y) {
  return s.GetPixel(x, y) == clBlack;
}

TEST(FloodFill, ADiagonalWallKeepsTheFillOnItsSide) {
  const Surface octagon = OctagonSurface();
  // The model's walls must be where the lines are, or the test proves nothing.
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool wall = OnOctagon(octagon, x, y);
      ASSERT_FALSE(wall && InsideOctagon(x, y)) << x << "," << y;
    }
  }
  struct Case {
    int x, y;
    bool fillsInside;
  };
  for (const Case& c :
       {Case{0, 0, false}, Case{15, 15, false}, Case{8, 8, true}, Case{12, 7, true}}) {
    Surface s = octagon;
    s.Brush.Color = kLightGreen;
    s.FloodFill(c.x, c.y, clBlack);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              if (OnOctagon(octagon, x, y)) return clBlack;
                              return InsideOctagon(x, y) == c.fillsInside ? kLightGreen : clWhite;
                            }))
        << "from " << c.x << "," << c.y;
    EXPECT_EQ(s.GetPixel(c.x, c.y), kLightGreen);  // exactly the brush, for the judging
  }
}

TEST(FloodFill, TerminatesAndFillsAllWhateverTheBrushEquals) {
  // The brush may equal the colour being filled through, or the border itself.
  struct Case {
    TColor brush;
    const char* what;
  };
  for (const Case& c : {Case{clWhite, "the start colour"}, Case{clBlack, "the border"},
                        Case{kRed, "a colour already on the surface"}}) {
    Surface s = OctagonSurface();
    s.SetPixel(1, 1, kRed);  // scattered pixels of the brush colour outside
    s.SetPixel(2, 14, kRed);
    const Surface before = s;
    s.Brush.Color = c.brush;
    s.FloodFill(0, 0, clBlack);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              if (OnOctagon(before, x, y)) return clBlack;
                              return InsideOctagon(x, y) ? clWhite : c.brush;
                            }))
        << "brush equal to " << c.what;
  }
}

TEST(FloodFill, PassesThroughPixelsAlreadyInTheBrushColour) {
  // A black wall down column 8 with one red gap: a fill in red must pass the gap.
  Surface s(16, 16);
  for (int y = 0; y < 16; ++y) s.SetPixel(8, y, clBlack);
  s.SetPixel(8, 5, kRed);
  s.Brush.Color = kRed;
  s.FloodFill(2, 2, clBlack);
  EXPECT_TRUE(SamePicture(s, [](int x, int y) { return x == 8 && y != 5 ? clBlack : kRed; }));
}

TEST(FloodFill, TurnsBackUpTheOtherArmOfAU) {
  // A U-shaped channel between columns 2 and 13 and above row 13, split from the top down to
  // row 10 by a post of two columns: from either arm the fill goes down, across and back up.
  auto wall = [](int x, int y) {
    return ((x == 2 || x == 13) && y <= 13) || (y == 13 && x >= 2 && x <= 13) ||
           ((x == 7 || x == 8) && y <= 10);
  };
  for (auto [sx, sy] : {std::pair{4, 3}, {11, 3}, {5, 12}}) {
    Surface s(16, 16);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (wall(x, y)) s.SetPixel(x, y, clBlack);
      }
    }
    s.Brush.Color = kRed;
    s.FloodFill(sx, sy, clBlack);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              if (wall(x, y)) return clBlack;
                              const bool channel = x > 2 && x < 13 && y < 13;
                              return channel ? kRed : clWhite;
                            }))
        << "from " << sx << "," << sy;
  }
}

TEST(FloodFill, StartingOnTheBorderOrOutsideFillsNothing) {
  const std::pair<int, int> starts[] = {{6, 3},  {13, 8}, {-1, 0},           {0, -1},
                                        {16, 5}, {5, 16}, {INT_MIN, INT_MAX}};
  for (auto [x, y] : starts) {
    Surface s = OctagonSurface();
    const Surface before = s;
    s.Brush.Color = kRed;
    const auto count = s.ChangeCount();
    s.FloodFill(x, y, clBlack);
    EXPECT_TRUE(SamePicture(s, before)) << x << "," << y;
    EXPECT_EQ(s.ChangeCount(), count) << x << "," << y;
  }
  Surface missing;
  missing.FloodFill(0, 0, clBlack);
  EXPECT_FALSE(missing.Exists());
}

TEST(FloodFill, MatchesABreadthFirstModelOnRandomMazes) {
  // Random walls of the border colour, stray pixels of the brush colour and of others.
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 20; ++round) {
      const int w = 1 + static_cast<int>(random() % 120);
      const int h = 1 + static_cast<int>(random() % 120);
      const int wallPercent = static_cast<int>(random() % 60);
      std::vector<TColor> pixels(static_cast<std::size_t>(w * h));
      for (TColor& p : pixels) {
        const int r = static_cast<int>(random() % 100);
        p = r < wallPercent ? clBlack : r % 7 == 0 ? kRed : r % 5 == 0 ? kGreen : clWhite;
      }
      Surface s(w, h, pixels);
      const int sx = static_cast<int>(random() % static_cast<unsigned>(w));
      const int sy = static_cast<int>(random() % static_cast<unsigned>(h));

      // The model: a plain breadth-first search over 4-neighbours.
      std::vector<TColor> want = s.Pixels();
      if (want[static_cast<std::size_t>(sy * w + sx)] != clBlack) {
        std::vector<bool> seen(want.size(), false);
        std::deque<std::pair<int, int>> queue{{sx, sy}};
        seen[static_cast<std::size_t>(sy * w + sx)] = true;
        while (!queue.empty()) {
          auto [x, y] = queue.front();
          queue.pop_front();
          want[static_cast<std::size_t>(y * w + x)] = kRed;
          for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            const std::size_t i = static_cast<std::size_t>(ny * w + nx);
            if (seen[i] || s.Pixels()[i] == clBlack) continue;
            seen[i] = true;
            queue.emplace_back(nx, ny);
          }
        }
      }
      s.Brush.Color = kRed;
      s.FloodFill(sx, sy, clBlack);
      ASSERT_TRUE(SamePicture(s, Picture(w, h, want)))
          << "round " << round << ": " << w << "x" << h << " from " << sx << "," << sy;
    }
  }
}

TEST(FloodFill, FillsAWholeBoardLayerWithoutADeepStack) {
  // A serpentine maze makes one long corridor through a 400x400 layer.
  Surface s(400, 400);
  for (int y = 1; y < 400; y += 2) {
    for (int x = 0; x < 400; ++x) {
      const bool gap = (y / 2) % 2 == 0 ? x == 399 : x == 0;
      if (!gap) s.SetPixel(x, y, clBlack);
    }
  }
  s.Brush.Color = kLightGreen;
  s.FloodFill(0, 0, clBlack);
  EXPECT_TRUE(SamePicture(s, [](int x, int y) {
    const bool wall = y % 2 == 1 && !((y / 2) % 2 == 0 ? x == 399 : x == 0);
    return wall ? clBlack : kLightGreen;
  }));
}

// A face whose coverage is given by the test: one glyph per byte, each glyph one column.
class TableTypeface : public Typeface {
 public:
  explicit TableTypeface(std::vector<std::uint8_t> column) : column_(std::move(column)) {}
  GlyphRun Render(std::string_view utf8, int) const override {
    GlyphRun run;
    run.Width = static_cast<int>(utf8.size());
    run.Height = static_cast<int>(column_.size());
    for (std::size_t y = 0; y < column_.size(); ++y) {
      for (std::size_t x = 0; x < utf8.size(); ++x) run.Coverage.push_back(column_[y]);
    }
    return run;
  }

 private:
  std::vector<std::uint8_t> column_;
};

// What FakeTypeface draws for `glyphs` code points at height 8 from (x0, y0): boxes 4 wide,
// each with a background left column and top row.
TColor FakeTextModel(int x, int y, int x0, int y0, int glyphs, TColor brush, TColor font,
                     TColor outside) {
  if (x < x0 || y < y0 || x >= x0 + 4 * glyphs || y >= y0 + 8) return outside;
  return (x - x0) % 4 == 0 || y == y0 ? brush : font;
}

TEST(TextOut, FillsTheCellsWithTheBrushDrawsTheGlyphsAndAdvancesThePen) {
  const FakeTypeface face;
  struct Case {
    int x, y;
    const char* text;
    int glyphs;
  };
  const Case cases[] = {
      {2, 3, "ab", 2},    {0, 0, "Ｇｏ", 2},  // full-width characters are one glyph each
      {-3, -2, "abc", 3}, {13, 12, "abc", 3}, {-30, 0, "ab", 2}, {16, 0, "a", 1}, {5, 5, "", 0},
  };
  for (const Case& c : cases) {
    Surface s = PatternSurface();
    s.Face = &face;
    s.Font.Height = 8;
    s.Font.Color = kBlue;
    s.Brush.Color = kLightGreen;
    s.TextOut(c.x, c.y, c.text);
    EXPECT_TRUE(SamePicture(s,
                            [&](int x, int y) {
                              return FakeTextModel(x, y, c.x, c.y, c.glyphs, kLightGreen, kBlue,
                                                   Pattern(x, y));
                            }))
        << c.text << " at " << c.x << "," << c.y;
    EXPECT_EQ(s.PenPos, (TPoint{c.x + 4 * c.glyphs, c.y})) << c.text;
  }
}

TEST(TextOut, AShorterTextLeavesTheTailOfTheLongerOneVisible) {
  const FakeTypeface face;
  Surface s(16, 16);
  s.Face = &face;
  s.Font.Height = 8;
  s.Font.Color = kBlue;
  s.Brush.Color = kLightGreen;
  s.TextOut(1, 2, "abc");
  s.Font.Color = kRed;
  s.Brush.Color = clBlack;
  s.TextOut(1, 2, "a");
  EXPECT_TRUE(SamePicture(s, [](int x, int y) {
    if (x < 5) return FakeTextModel(x, y, 1, 2, 1, clBlack, kRed, clWhite);
    return FakeTextModel(x, y, 1, 2, 3, kLightGreen, kBlue, clWhite);
  }));
  EXPECT_EQ(s.PenPos, (TPoint{5, 2}));
}

TEST(TextOut, WithoutAFaceOnlyMovesThePen) {
  Surface s = PatternSurface();
  const auto before = s.ChangeCount();
  s.TextOut(4, 9, "Ready");
  EXPECT_TRUE(SamePicture(s, Pattern));
  EXPECT_EQ(s.PenPos, (TPoint{4, 9}));
  EXPECT_EQ(s.ChangeCount(), before);
}

TEST(TextOut, BlendsTheFontOverTheBrushByCoverageRoundedToNearest) {
  struct Case {
    std::uint8_t coverage;
    TColor want;  // brush R=0 G=11 B=10, font R=255 G=10 B=11: exact, falling and rising
  };
  const Case cases[] = {
      {0, 0x000A0B00},   {255, 0x000B0AFF}, {1, 0x000A0B01},  {254, 0x000B0AFE},
      {127, 0x000A0B7F}, {128, 0x000B0A80}, {64, 0x000A0B40}, {200, 0x000B0AC8},
  };
  std::vector<std::uint8_t> column;
  for (const Case& c : cases) column.push_back(c.coverage);
  const TableTypeface face(column);
  Surface s(3, static_cast<int>(column.size()));
  s.Face = &face;
  s.Brush.Color = 0x000A0B00;
  s.Font.Color = 0x000B0AFF;
  s.TextOut(1, 0, "x");
  for (int y = 0; y < s.Height(); ++y) {
    EXPECT_EQ(s.GetPixel(1, y), cases[y].want)
        << std::hex << "coverage " << std::dec << int{cases[y].coverage};
    EXPECT_EQ(s.GetPixel(0, y), clWhite);
    EXPECT_EQ(s.GetPixel(2, y), clWhite);
  }
}

// A face whose runs claim a 6 x 4 cell per text but hold only the first `length` coverage bytes,
// in a pattern that shows where each row of the mask was taken from.
class ShortMaskTypeface : public Typeface {
 public:
  explicit ShortMaskTypeface(int length) : length_(length) {}
  static constexpr int kWidth = 6;
  static constexpr int kHeight = 4;
  static bool Ink(int i) { return i % 3 != 0; }
  GlyphRun Render(std::string_view, int) const override {
    GlyphRun run;
    run.Width = kWidth;
    run.Height = kHeight;
    for (int i = 0; i < length_; ++i) run.Coverage.push_back(Ink(i) ? 255 : 0);
    return run;
  }

 private:
  int length_;
};

TEST(TextOut, PixelsPastTheEndOfAShortCoverageMaskGetTheBrush) {
  constexpr int kCell = ShortMaskTypeface::kWidth * ShortMaskTypeface::kHeight;
  for (const int length : {0, 1, 5, 6, 13, kCell - 1, kCell}) {
    const ShortMaskTypeface face(length);
    // Inside, and cut at the left and top, and at the right and bottom.
    for (const TPoint at : {TPoint{2, 3}, TPoint{-3, -2}, TPoint{13, 14}}) {
      Surface s = PatternSurface();
      s.Face = &face;
      s.Font.Color = kBlue;
      s.Brush.Color = kLightGreen;
      s.TextOut(at.X, at.Y, "x");
      EXPECT_TRUE(SamePicture(s,
                              [&](int x, int y) {
                                const int cx = x - at.X;
                                const int cy = y - at.Y;
                                if (cx < 0 || cy < 0 || cx >= ShortMaskTypeface::kWidth ||
                                    cy >= ShortMaskTypeface::kHeight) {
                                  return Pattern(x, y);
                                }
                                const int i = cy * ShortMaskTypeface::kWidth + cx;
                                return i < length && ShortMaskTypeface::Ink(i) ? kBlue
                                                                               : kLightGreen;
                              }))
          << length << " bytes at " << at.X << "," << at.Y;
    }
  }
}

// Under a clip every operation leaves the pixels outside it alone and does inside it exactly what
// it does without one, on a pattern whose pixels are all distinct.
TEST(Clip, EveryOperationChangesOnlyThePixelsInsideTheClip) {
  const FakeTypeface face;
  const Surface image = MakeImage(10, 10);
  struct Op {
    const char* name;
    std::function<void(Surface&)> run;
  };
  const Op ops[] = {
      {"Draw copy", [&](Surface& s) { s.Draw(2, 1, image); }},
      {"Draw invert, negative offset",
       [&](Surface& s) {
         s.CopyMode = SRCINVERT;
         s.Draw(-3, 5, image);
       }},
      {"Draw and",
       [&](Surface& s) {
         s.CopyMode = SRCAND;
         s.Draw(7, -4, image);
       }},
      {"Rectangle",
       [](Surface& s) {
         s.Pen.Color = kRed;
         s.Brush.Color = kGreen;
         s.Rectangle(1, 2, 14, 13);
       }},
      {"LineTo diagonal",
       [](Surface& s) {
         s.MoveTo(-2, -2);
         s.LineTo(18, 18);
       }},
      {"LineTo across",
       [](Surface& s) {
         s.MoveTo(0, 5);
         s.LineTo(16, 5);
         s.LineTo(16, 0);
         s.MoveTo(6, 15);
         s.LineTo(6, -1);
       }},
      {"SetPixel",
       [](Surface& s) {
         for (int i = 0; i < 16; ++i) s.SetPixel(i, 15 - i, kBlue);
       }},
      {"Fill", [](Surface& s) { s.Fill(kRed); }},
      {"TextOut",
       [&](Surface& s) {
         s.Font.Height = 8;
         s.Font.Color = kBlue;
         s.Brush.Color = kLightGreen;
         s.TextOut(2, 3, "abc");
       }},
  };
  struct ClipCase {
    const char* name;
    TRect clip;
    TRect inside;  // the pixels the clip leaves open on a 16x16 surface
  };
  const ClipCase clips[] = {
      {"inner", {3, 4, 11, 9}, {3, 4, 11, 9}},
      {"one pixel", {6, 6, 7, 7}, {6, 6, 7, 7}},
      {"corners swapped", {11, 9, 3, 4}, {3, 4, 11, 9}},
      {"past the edges", {-5, 10, 40, 40}, {0, 10, 16, 16}},
      {"empty", {5, 5, 5, 9}, {0, 0, 0, 0}},
      {"off the surface", {20, 20, 30, 30}, {0, 0, 0, 0}},
  };
  for (const Op& op : ops) {
    Surface free = PatternSurface();
    free.Face = &face;
    op.run(free);
    for (const ClipCase& c : clips) {
      SCOPED_TRACE(std::string(op.name) + ", clip " + c.name);
      Surface s = PatternSurface();
      s.Face = &face;
      s.SetClip(c.clip);
      op.run(s);
      EXPECT_TRUE(SamePicture(s, [&](int x, int y) {
        const bool in =
            x >= c.inside.Left && x < c.inside.Right && y >= c.inside.Top && y < c.inside.Bottom;
        return in ? free.GetPixel(x, y) : Pattern(x, y);
      }));
      EXPECT_EQ(s.PenPos, free.PenPos) << "the pen moves as without a clip";
      // Lifted, the clip no longer holds anything back.
      s.ClearClip();
      EXPECT_FALSE(s.Clip().has_value());
      Surface again = PatternSurface();
      again.Face = &face;
      again.SetClip(c.clip);
      again.ClearClip();
      op.run(again);
      EXPECT_EQ(again.Pixels(), free.Pixels());
    }
  }
}

// A clipped fill spreads only through the clip: a way round that leaves it does not count.
TEST(Clip, FloodFillNeitherPaintsNorSpreadsOutsideTheClip) {
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (int round = 0; round < 30; ++round) {
    const int w = 1 + static_cast<int>(random() % 40);
    const int h = 1 + static_cast<int>(random() % 40);
    std::vector<TColor> pixels(static_cast<std::size_t>(w * h));
    for (TColor& p : pixels) p = random() % 100 < 35 ? clBlack : clWhite;
    const TRect clip{static_cast<int>(random() % 50) - 5, static_cast<int>(random() % 50) - 5,
                     static_cast<int>(random() % 50) - 5, static_cast<int>(random() % 50) - 5};
    const int l = std::max(std::min(clip.Left, clip.Right), 0);
    const int t = std::max(std::min(clip.Top, clip.Bottom), 0);
    const int r = std::min(std::max(clip.Left, clip.Right), w);
    const int b = std::min(std::max(clip.Top, clip.Bottom), h);
    auto inClip = [&](int x, int y) { return x >= l && x < r && y >= t && y < b; };
    const int sx = static_cast<int>(random() % static_cast<unsigned>(w));
    const int sy = static_cast<int>(random() % static_cast<unsigned>(h));

    std::vector<TColor> want = pixels;
    if (inClip(sx, sy) && pixels[static_cast<std::size_t>(sy * w + sx)] != clBlack) {
      std::vector<bool> seen(want.size(), false);
      std::deque<std::pair<int, int>> queue{{sx, sy}};
      seen[static_cast<std::size_t>(sy * w + sx)] = true;
      while (!queue.empty()) {
        auto [x, y] = queue.front();
        queue.pop_front();
        want[static_cast<std::size_t>(y * w + x)] = kRed;
        for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
          if (!inClip(nx, ny)) continue;
          const std::size_t i = static_cast<std::size_t>(ny * w + nx);
          if (seen[i] || pixels[i] == clBlack) continue;
          seen[i] = true;
          queue.emplace_back(nx, ny);
        }
      }
    }
    Surface s(w, h, pixels);
    s.SetClip(clip);
    s.Brush.Color = kRed;
    s.FloodFill(sx, sy, clBlack);
    ASSERT_EQ(s.Pixels(), want) << "round " << round << ": " << w << "x" << h << " from " << sx
                                << "," << sy;
  }
}

// Every operation that changes pixels, on a 16x16 surface (with a face, for the text).
struct Operation {
  const char* name;
  std::function<void(Surface&)> op;
};
std::vector<Operation> EveryOperation(const Surface& image) {
  return {
      {"Fill", [](Surface& s) { s.Fill(kRed); }},
      {"SetPixel", [](Surface& s) { s.SetPixel(4, 5, kRed); }},
      {"Draw", [&](Surface& s) { s.Draw(2, 2, image); }},
      {"Rectangle", [](Surface& s) { s.Rectangle(1, 1, 9, 9); }},
      {"LineTo", [](Surface& s) { s.LineTo(15, 15); }},
      {"FloodFill", [](Surface& s) { s.FloodFill(3, 3, clBlack); }},
      {"TextOut", [&](Surface& s) { s.TextOut(1, 1, "abc"); }},
  };
}

TEST(ChangeCount, EveryVisibleOperationCountsOnce) {
  const FakeTypeface face;
  const Surface image = MakeImage(3, 3);
  for (const Operation& c : EveryOperation(image)) {
    Surface s(16, 16);
    s.Face = &face;
    const auto before = s.ChangeCount();
    c.op(s);
    EXPECT_EQ(s.ChangeCount(), before + 1) << c.name;
  }
}

// Assigning a surface the picture it already holds skips the copy, so a copy that missed a
// change would restore a stale picture.
TEST(SurfaceCopy, AssigningAfterAnyOperationCarriesTheChangedPicture) {
  const FakeTypeface face;
  const Surface image = MakeImage(3, 3);
  for (const Operation& c : EveryOperation(image)) {
    Surface s = PatternSurface();
    s.Face = &face;
    const Surface saved = s;
    Surface follower = s;
    c.op(s);
    ASSERT_NE(s.Pixels(), saved.Pixels()) << c.name;
    follower = s;
    EXPECT_EQ(follower.Pixels(), s.Pixels()) << c.name << ": copied forward";
    s = saved;
    EXPECT_EQ(s.Pixels(), saved.Pixels()) << c.name << ": restored";
    follower = s;
    EXPECT_EQ(follower.Pixels(), saved.Pixels()) << c.name << ": copied back";
  }
}

TEST(SurfaceCopy, PicturesMadeApartAreAlwaysCopied) {
  // Same size, made the same way, drawn on alike: still two pictures.
  Surface a(8, 8);
  Surface b(8, 8);
  a.SetPixel(1, 1, kRed);
  b.SetPixel(1, 1, kBlue);
  a = b;
  EXPECT_EQ(a.GetPixel(1, 1), kBlue);
  a = MakeImage(8, 8);
  EXPECT_EQ(a.Pixels(), MakeImage(8, 8).Pixels());
  a = Surface(4, 2);
  EXPECT_EQ(a.Width(), 4);
  EXPECT_EQ(a.Pixels(), std::vector<TColor>(8, clWhite));
}

TEST(SurfaceCopy, AMovedFromSurfaceTakesAPictureAssignedToIt) {
  Surface a = PatternSurface();
  const Surface kept = a;
  Surface b = std::move(a);
  a = kept;
  EXPECT_EQ(a.Pixels(), kept.Pixels());
  Surface c;
  c = std::move(b);
  b = c;
  EXPECT_EQ(b.Pixels(), kept.Pixels());
}

}  // namespace
}  // namespace enclova
