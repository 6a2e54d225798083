// SPDX-License-Identifier: MIT
// Tests of the BMP reader and writer: exact bytes, every kind read, and malformed files refused.
#include "gfx/bmp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/kit/fakes.h"
#include "tests/kit/pictures.h"
#include "tests/kit/seed.h"

namespace enclova {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Picture;
using testing::SamePicture;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Poke32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 2x2 picture, top row red and green, bottom row blue and white, as a bottom-up 24-bit file.
const Bytes kTwoByTwo24 = {
    'B',  'M',  70,   0,    0,    0,    0,  0, 0, 0, 54,   0,    0, 0,  // file
    40,   0,    0,    0,    2,    0,    0,  0, 2, 0, 0,    0,    1, 0,  // info
    24,   0,    0,    0,    0,    0,    16, 0, 0, 0, 0x13, 0x0B, 0, 0,  //
    0x13, 0x0B, 0,    0,    0,    0,    0,  0, 0, 0, 0,    0,           //
    0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0,  0,                          // bottom
    0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0,  0,                          // top
};
const std::vector<TColor> kTwoByTwoPixels = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF};

TEST(EncodeBmp24, WritesABottomUpFileWithPaddedRows) {
  const Surface s(2, 2, kTwoByTwoPixels);
  EXPECT_EQ(EncodeBmp24(s), kTwoByTwo24);
}

TEST(EncodeBmp24, ASurfaceThatDoesNotExistGivesNoFile) {
  EXPECT_TRUE(EncodeBmp24(Surface()).empty());
}

TEST(EncodeBmp24, RoundTripsEveryPixelForEveryRowPadding) {
  // Widths 1 to 4 give rows of 3, 6, 9 and 12 bytes: padding of 1, 2, 3 and 0.
  for (int w : {1, 2, 3, 4, 5, 17}) {
    for (int h : {1, 2, 5}) {
      std::vector<TColor> pixels(static_cast<std::size_t>(w * h));
      for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<TColor>((i * 2654435761u) & 0x00FFFFFF);
      }
      const Surface s(w, h, pixels);
      const Bytes file = EncodeBmp24(s);
      EXPECT_EQ(file.size(), 54 + static_cast<std::size_t>((w * 3 + 3) / 4 * 4 * h));
      Surface back;
      ASSERT_TRUE(DecodeBmp(file.data(), file.size(), back)) << w << "x" << h;
      EXPECT_TRUE(SamePicture(back, Picture(w, h, s.Pixels()))) << w << "x" << h;
    }
  }
}

TEST(DecodeBmp, ReadsAHandWrittenFileInBothRowOrders) {
  Surface s;
  ASSERT_TRUE(DecodeBmp(kTwoByTwo24.data(), kTwoByTwo24.size(), s));
  EXPECT_TRUE(SamePicture(s, Picture(2, 2, kTwoByTwoPixels)));

  Bytes topDown = kTwoByTwo24;
  Poke32(topDown, 22, static_cast<std::uint32_t>(-2));
  ASSERT_TRUE(DecodeBmp(topDown.data(), topDown.size(), s));
  EXPECT_TRUE(SamePicture(s, Picture(2, 2, {0x00FF0000, 0x00FFFFFF, 0x000000FF, 0x0000FF00})));
}

TEST(DecodeBmp, ReadsAHandWrittenOneBitFileIgnoringTheUnusedBits) {
  const Bytes file = {
      'B',  'M',  70,   0, 0,    0,    0,    0, 0,    0,    62,   0,    0, 0,        // file
      40,   0,    0,    0, 3,    0,    0,    0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0,  // 3 x -2
      0,    0,    0,    0, 0,    0,    0,    0, 0,    0,    0,    0,    0, 0, 0, 0,
      2,    0,    0,    0, 0,    0,    0,    0,  //
      0x33, 0x22, 0x11, 0, 0xFF, 0xFF, 0xFF, 0,  // palette
      0xA0, 0,    0,    0,                       // 1 0 1
      0x7F, 0,    0,    0,                       // 0 1 1
  };
  Surface s;
  ASSERT_TRUE(DecodeBmp(file.data(), file.size(), s));
  const TColor dark = 0x00332211;
  EXPECT_TRUE(SamePicture(s, Picture(3, 2, {clWhite, dark, clWhite, dark, clWhite, clWhite})));
}

// The layouts a file can take; BuildBmp writes any of them from a picture.
struct Layout {
  const char* name;
  std::uint32_t headerSize;  // 12 core, 40 info, 52/56 V2/V3, 108 V4, 124 V5
  std::uint32_t bitCount;
  std::uint32_t compression;  // 0 plain, 3 with 8-bit channel masks
  std::uint32_t paletteSize;  // entries written (and declared as used) for <= 8 bits
};

const Layout kLayouts[] = {
    {"1-bit", 40, 1, 0, 2},
    {"4-bit", 40, 4, 0, 16},
    {"4-bit short palette", 40, 4, 0, 5},
    {"8-bit", 40, 8, 0, 256},
    {"8-bit short palette", 40, 8, 0, 7},
    {"24-bit", 40, 24, 0, 0},
    {"32-bit", 40, 32, 0, 0},
    {"32-bit masks after header", 40, 32, 3, 0},
    {"32-bit masks in V2 header", 52, 32, 3, 0},
    {"32-bit masks in V3 header", 56, 32, 3, 0},
    {"32-bit masks in V4 header", 108, 32, 3, 0},
    {"24-bit V4", 108, 24, 0, 0},
    {"8-bit V5", 124, 8, 0, 256},
    {"32-bit V5", 124, 32, 0, 0},
    {"core 1-bit", 12, 1, 0, 2},
    {"core 4-bit", 12, 4, 0, 16},
    {"core 8-bit", 12, 8, 0, 256},
    {"core 24-bit", 12, 24, 0, 0},
};

TColor PaletteColor(std::uint32_t i) {
  return (i * 0x003A5F17u + 0x00102030u) & 0x00FFFFFF;
}

// The picture's value at (x, y): a palette index, or a colour for the direct kinds.
std::uint32_t PictureValue(const Layout& l, int x, int y) {
  if (l.bitCount <= 8) return static_cast<std::uint32_t>(x * 3 + y * 5) % l.paletteSize;
  return static_cast<std::uint32_t>((x * 0x010307 + y * 0x1F0D05 + 0x0A0B0C) & 0xFFFFFF);
}
TColor PictureColor(const Layout& l, int x, int y) {
  const std::uint32_t v = PictureValue(l, x, y);
  return l.bitCount <= 8 ? PaletteColor(v) : v;
}
std::vector<TColor> PictureColors(const Layout& l, int w, int h) {
  std::vector<TColor> colors;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) colors.push_back(PictureColor(l, x, y));
  }
  return colors;
}

// Writes the picture in the layout; `gap` bytes of junk lie between the headers and the pixels.
Bytes BuildBmp(const Layout& l, int w, int h, bool topDown, std::uint32_t gap = 0) {
  const bool core = l.headerSize == 12;
  const std::uint32_t entry = core ? 3 : 4;
  const std::uint32_t palette = l.bitCount <= 8 ? l.paletteSize * entry : 0;
  const std::uint32_t masks = l.compression == 3 && l.headerSize == 40 ? 12 : 0;
  const std::uint32_t offset = 14 + l.headerSize + masks + palette + gap;
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(w) * l.bitCount + 31) / 32 * 4;
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + rowBytes * static_cast<std::uint32_t>(h));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, l.headerSize);
  if (core) {
    Put16(b, static_cast<std::uint32_t>(w));
    Put16(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, l.bitCount);
  } else {
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(topDown ? -h : h));
    Put16(b, 1);
    Put16(b, l.bitCount);
    Put32(b, l.compression);
    Put32(b, rowBytes * static_cast<std::uint32_t>(h));
    Put32(b, 3780);
    Put32(b, 3780);
    Put32(b, l.bitCount <= 8 ? l.paletteSize : 0);
    Put32(b, 0);
    if (l.headerSize > 40 || masks != 0) {
      const bool fields = l.compression == 3;
      Put32(b, fields ? 0x00FF0000 : 0);
      Put32(b, fields ? 0x0000FF00 : 0);
      Put32(b, fields ? 0x000000FF : 0);
    }
    while (b.size() < 14 + l.headerSize) b.push_back(0);
  }
  for (std::uint32_t i = 0; l.bitCount <= 8 && i < l.paletteSize; ++i) {
    const TColor c = PaletteColor(i);
    b.push_back(static_cast<std::uint8_t>(c >> 16));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
    b.push_back(static_cast<std::uint8_t>(c));
    if (!core) b.push_back(0x5A);  // the reserved byte is not part of the colour
  }
  for (std::uint32_t i = 0; i < gap; ++i) b.push_back(0xEE);
  for (int r = 0; r < h; ++r) {
    const int y = topDown ? r : h - 1 - r;
    const std::size_t rowStart = b.size();
    b.resize(rowStart + rowBytes, 0);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t v = PictureValue(l, x, y);
      if (l.bitCount <= 8) {
        const std::uint32_t bit = static_cast<std::uint32_t>(x) * l.bitCount;
        b[rowStart + bit / 8] |= static_cast<std::uint8_t>(v << (8 - l.bitCount - bit % 8));
      } else {
        const std::size_t at = rowStart + static_cast<std::size_t>(x) * (l.bitCount / 8);
        b[at] = static_cast<std::uint8_t>(v >> 16);  // blue
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
        b[at + 2] = static_cast<std::uint8_t>(v);
        if (l.bitCount == 32) b[at + 3] = 0xC3;  // the fourth byte is not part of the colour
      }
    }
  }
  return b;
}

TEST(DecodeBmp, ReadsEveryKindInEitherRowOrderWithEveryPixelExact) {
  // Width 11 leaves part-filled bytes and padding in every packed kind.
  for (const Layout& l : kLayouts) {
    for (bool topDown : {false, true}) {
      if (topDown && l.headerSize == 12) continue;  // core heights are unsigned
      for (auto [w, h] : {std::pair{11, 3}, {1, 1}, {8, 2}}) {
        const Bytes file = BuildBmp(l, w, h, topDown);
        Surface s;
        ASSERT_TRUE(DecodeBmp(file.data(), file.size(), s))
            << l.name << (topDown ? " top-down " : " bottom-up ") << w << "x" << h;
        EXPECT_TRUE(SamePicture(s, Picture(w, h, PictureColors(l, w, h))))
            << l.name << (topDown ? " top-down " : " bottom-up ") << w << "x" << h;
      }
    }
  }
}

TEST(DecodeBmp, TakesThePixelsFromTheOffsetInTheFileHeader) {
  for (const Layout& l : {kLayouts[1], kLayouts[5], kLayouts[16]}) {
    const Bytes file = BuildBmp(l, 5, 4, false, 37);
    Surface s;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), s)) << l.name;
    EXPECT_TRUE(SamePicture(s, Picture(5, 4, PictureColors(l, 5, 4)))) << l.name;
  }
}

TEST(DecodeBmp, KeepsTheDrawingStateOfTheTarget) {
  Surface s(3, 3);
  s.Pen.Color = 0x00123456;
  s.CopyMode = SRCAND;
  s.PenPos = {4, 5};
  ASSERT_TRUE(DecodeBmp(kTwoByTwo24.data(), kTwoByTwo24.size(), s));
  EXPECT_EQ(s.Width(), 2);
  EXPECT_EQ(s.Pen.Color, 0x00123456u);
  EXPECT_EQ(s.CopyMode, SRCAND);
  EXPECT_EQ(s.PenPos, (TPoint{4, 5}));
}

TEST(DecodeBmp, ToleratesAPaletteCountBeyondTheBitDepth) {
  // Entries past the highest index can never be used, so the file is read as if it had none.
  Bytes file = BuildBmp(kLayouts[1], 5, 2, true);  // 4-bit, 16 entries
  Poke32(file, 46, 20);
  Surface s;
  ASSERT_TRUE(DecodeBmp(file.data(), file.size(), s));
  EXPECT_TRUE(SamePicture(s, Picture(5, 2, PictureColors(kLayouts[1], 5, 2))));
}

// Malformed files, each a small edit of a valid one.
struct Defect {
  const char* name;
  const Layout* layout;
  std::function<void(Bytes&)> edit;
};

TEST(DecodeBmp, RefusesMalformedFilesAndLeavesTheTargetAlone) {
  const Layout& bits8 = kLayouts[4];   // 8-bit, 7 colours
  const Layout& bits24 = kLayouts[5];  // 24-bit
  const Layout& fields = kLayouts[7];  // 32-bit, masks after the header
  const Defect defects[] = {
      {"magic", &bits24, [](Bytes& b) { b[0] = 'M'; }},
      {"magic case", &bits24, [](Bytes& b) { b[1] = 'm'; }},
      {"header size 0", &bits24, [](Bytes& b) { Poke32(b, 14, 0); }},
      {"header size 64", &bits24, [](Bytes& b) { Poke32(b, 14, 64); }},
      {"header size huge", &bits24, [](Bytes& b) { Poke32(b, 14, 0xFFFFFFF0); }},
      {"header larger than file", &bits24, [](Bytes& b) { Poke32(b, 14, 124); }},
      {"planes 0", &bits24, [](Bytes& b) { b[26] = 0; }},
      {"planes 2", &bits24, [](Bytes& b) { b[26] = 2; }},
      {"16 bits", &bits24, [](Bytes& b) { b[28] = 16; }},
      {"2 bits", &bits24, [](Bytes& b) { b[28] = 2; }},
      {"0 bits", &bits24, [](Bytes& b) { b[28] = 0; }},
      {"width 0", &bits24, [](Bytes& b) { Poke32(b, 18, 0); }},
      {"width negative", &bits24, [](Bytes& b) { Poke32(b, 18, static_cast<std::uint32_t>(-4)); }},
      {"width over the cap", &bits24, [](Bytes& b) { Poke32(b, 18, 16385); }},
      {"height 0", &bits24, [](Bytes& b) { Poke32(b, 22, 0); }},
      {"height INT_MIN", &bits24, [](Bytes& b) { Poke32(b, 22, 0x80000000); }},
      {"height over the cap", &bits24, [](Bytes& b) { Poke32(b, 22, 16385); }},
      {"huge claimed picture", &bits24,
       [](Bytes& b) {
         Poke32(b, 18, 8000);
         Poke32(b, 22, 8000);
       }},
      {"more pixels than allowed", &bits24,
       [](Bytes& b) {
         Poke32(b, 18, 16384);
         Poke32(b, 22, 16384);
       }},
      {"RLE8", &bits8, [](Bytes& b) { Poke32(b, 30, 1); }},
      {"RLE4", &bits8, [](Bytes& b) { Poke32(b, 30, 2); }},
      {"JPEG", &bits24, [](Bytes& b) { Poke32(b, 30, 4); }},
      {"PNG", &bits24, [](Bytes& b) { Poke32(b, 30, 5); }},
      {"masks with 24 bits", &bits24, [](Bytes& b) { Poke32(b, 30, 3); }},
      {"masks with 8 bits", &bits8, [](Bytes& b) { Poke32(b, 30, 3); }},
      {"alpha masks", &fields, [](Bytes& b) { Poke32(b, 30, 6); }},
      {"swapped masks", &fields,
       [](Bytes& b) {
         Poke32(b, 54, 0x000000FF);
         Poke32(b, 62, 0x00FF0000);
       }},
      {"5-bit mask", &fields, [](Bytes& b) { Poke32(b, 58, 0x00007C00); }},
      {"palette index past the palette", &bits8, [](Bytes& b) { b[b.size() - 12] = 7; }},
      {"index 255 of 7", &bits8, [](Bytes& b) { b[b.size() - 4] = 255; }},
      {"palette past the end", &bits8,
       [](Bytes& b) {
         Poke32(b, 46, 200);
         Poke32(b, 10, 14 + 40 + 200 * 4);
       }},
      {"pixels before the palette ends", &bits8, [](Bytes& b) { Poke32(b, 10, 14 + 40 + 4); }},
      {"pixels inside the masks", &fields, [](Bytes& b) { Poke32(b, 10, 14 + 40 + 4); }},
      {"pixels inside the header", &bits24, [](Bytes& b) { Poke32(b, 10, 20); }},
      {"pixels past the end", &bits24, [](Bytes& b) { Poke32(b, 10, 0xFFFFFFF0); }},
      {"pixels one row short", &bits24, [](Bytes& b) { b.resize(b.size() - 8); }},
      {"masks cut off", &fields, [](Bytes& b) { b.resize(14 + 40 + 6); }},
      {"only a file header", &bits24, [](Bytes& b) { b.resize(14); }},
      {"empty", &bits24, [](Bytes& b) { b.clear(); }},
  };
  for (const Defect& d : defects) {
    Bytes file = BuildBmp(*d.layout, 2, 3, false);
    d.edit(file);
    Surface s(4, 1);
    s.SetPixel(0, 0, 0x00ABCDEF);
    EXPECT_FALSE(DecodeBmp(file.data(), file.size(), s)) << d.name;
    EXPECT_EQ(s.Width(), 4) << d.name;
    EXPECT_EQ(s.GetPixel(0, 0), 0x00ABCDEFu) << d.name;
  }
  Surface s;
  EXPECT_FALSE(DecodeBmp(nullptr, 0, s));
}

TEST(DecodeBmp, EveryTruncationIsRefusedOrReadInFull) {
  // Only the last row's padding may be missing; anything shorter is refused.
  for (const Layout& l : kLayouts) {
    const Bytes file = BuildBmp(l, 5, 3, false);
    const std::vector<TColor> want = PictureColors(l, 5, 3);
    const std::size_t rowBytes = (5 * l.bitCount + 31) / 32 * 4;
    const std::size_t lastRowData = (5 * l.bitCount + 7) / 8;
    for (std::size_t n = 0; n < file.size(); ++n) {
      const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
      Surface s;
      const bool ok = DecodeBmp(prefix.data(), prefix.size(), s);
      EXPECT_EQ(ok, n >= file.size() - (rowBytes - lastRowData)) << l.name << " cut to " << n;
      if (ok) {
        EXPECT_TRUE(SamePicture(s, Picture(5, 3, want))) << l.name << " cut to " << n;
      }
    }
  }
}

TEST(DecodeBmp, SurvivesRandomDamage) {
  // Under the sanitizers this finds reads past the end; a decoded picture must fit its claim.
  for (const std::uint32_t seed : testing::TestSeeds()) {
    SCOPED_TRACE(testing::SeedNote(seed));
    std::mt19937 random(seed);
    for (const Layout& l : kLayouts) {
      const Bytes file = BuildBmp(l, 6, 4, false);
      for (int round = 0; round < 300; ++round) {
        Bytes damaged = file;
        const int hits = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < hits; ++i) {
          damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        }
        if (random() % 3 == 0) damaged.resize(random() % damaged.size());
        Surface s;
        if (DecodeBmp(damaged.data(), damaged.size(), s)) {
          EXPECT_TRUE(s.Exists()) << l.name;
          EXPECT_EQ(s.Pixels().size(),
                    static_cast<std::size_t>(s.Width()) * static_cast<std::size_t>(s.Height()));
          for (TColor c : s.Pixels()) ASSERT_EQ(c & 0xFF000000, 0u) << l.name;
        }
      }
    }
  }
}

// The fuzzer's seeds: one small file of every kind the reader accepts, each of which must decode,
// or the fuzzer would start from files it refuses.
TEST(DecodeBmp, FuzzSeedsOfEveryKindDecode) {
  int seeds = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(ENCLOVA_SOURCE_DIR "/fuzz/corpus/bmp")) {
    SCOPED_TRACE(entry.path().string());
    const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(entry.path().string());
    Surface decoded;
    EXPECT_TRUE(DecodeBmp(bytes.data(), bytes.size(), decoded));
    ++seeds;
  }
  EXPECT_GE(seeds, 10);
}

// The size bound: a file one byte over it is refused whatever it holds, and the bound leaves
// room for the largest picture of the widest kind.
TEST(DecodeBmp, FileOverTheSizeBoundIsRefused) {
  std::vector<std::uint8_t> bytes = EncodeBmp24(Surface(2, 2));
  Surface decoded;
  ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), decoded));
  bytes.resize(kMaxBmpFileSize + 1);
  EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size(), decoded));
  bytes.resize(kMaxBmpFileSize);
  EXPECT_TRUE(DecodeBmp(bytes.data(), bytes.size(), decoded)) << "trailing bytes within the bound";
  EXPECT_GE(kMaxBmpFileSize, std::size_t{16384} * 4096 * 4 + 14 + 124 + 12);
}

}  // namespace
}  // namespace enclova
