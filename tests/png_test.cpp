// SPDX-License-Identifier: MIT
// The PNG encoder and its deflate, checked by decoders we did not write (libpng and zlib): every
// pixel comes back, every stream is valid, and the same pixels give the same bytes.
#include "gfx/png.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form.h"
#include "app/game_icon.h"
#include "gfx/deflate.h"
#include "tests/kit/child.h"
#include "tests/kit/fakes.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"
#include "tests/kit/png_oracle.h"
#include "tests/kit/seed.h"

namespace enclova {
namespace {

using testing::DecodedPng;
using testing::DecodePng;
using testing::GameHarness;
using testing::Inflate;
using testing::ReadFileBytes;
using testing::RunInChild;
using testing::SeedNote;
using testing::TempDir;
using testing::TestSeeds;
using testing::ZlibAdler32;
using testing::ZlibCrc32;

std::vector<std::uint8_t> TextBytes(std::string_view text) {
  return {text.begin(), text.end()};
}

std::vector<std::uint8_t> Noise(std::mt19937& rng, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// --- Checksums ---

TEST(Checksums, KnownValues) {
  EXPECT_EQ(Crc32(TextBytes("")), 0u);
  EXPECT_EQ(Crc32(TextBytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(Crc32(TextBytes("IEND")), 0xAE426082u);  // the last four bytes of every PNG
  EXPECT_EQ(Adler32(TextBytes("")), 1u);
  EXPECT_EQ(Adler32(TextBytes("123456789")), 0x091E01DEu);
  EXPECT_EQ(Adler32(TextBytes("Wikipedia")), 0x11E60398u);
}

// Bytes of 0xFF push Adler-32's sums furthest between reductions: lengths around the run after
// which they must be reduced, and continued checksums equal to whole ones.
TEST(Checksums, AgreeWithZlibAtEveryLengthAndWhenContinued) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    for (std::size_t size : {1u, 2u, 5551u, 5552u, 5553u, 3u * 5552u + 1u, 100003u}) {
      for (bool ones : {true, false}) {
        SCOPED_TRACE(::testing::Message() << size << (ones ? " bytes 0xFF" : " random bytes"));
        const std::vector<std::uint8_t> data =
            ones ? std::vector<std::uint8_t>(size, 0xFF) : Noise(rng, size);
        EXPECT_EQ(Crc32(data), ZlibCrc32(data));
        EXPECT_EQ(Adler32(data), ZlibAdler32(data));
        const std::span<const std::uint8_t> all(data);
        const std::size_t cut = rng() % (size + 1);
        EXPECT_EQ(Crc32(all.subspan(cut), Crc32(all.first(cut))), Crc32(data)) << cut;
        EXPECT_EQ(Adler32(all.subspan(cut), Adler32(all.first(cut))), Adler32(data)) << cut;
      }
    }
  }
}

// --- Deflate ---

struct DeflateCase {
  std::string Name;
  std::vector<std::uint8_t> Bytes;
};

std::vector<DeflateCase> DeflateCases(std::mt19937& rng) {
  std::vector<DeflateCase> cases;
  cases.push_back({"nothing", {}});
  cases.push_back({"one byte", {42}});
  cases.push_back({"two equal bytes", {0, 0}});
  cases.push_back({"three equal bytes", {7, 7, 7}});
  cases.push_back({"the longest match and one more", std::vector<std::uint8_t>(259, 'a')});
  cases.push_back({"100000 zeros", std::vector<std::uint8_t>(100000, 0)});
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 30000; ++i) rgb.push_back(static_cast<std::uint8_t>(0x30 + i % 3));
  cases.push_back({"an RGB row of one colour", rgb});
  std::vector<std::uint8_t> text;
  for (int i = 0; i < 200; ++i) {
    const std::string line =
        "Trace one loop round the dark stones, line " + std::to_string(i) + ".\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  cases.push_back({"text", text});
  cases.push_back({"noise", Noise(rng, 200000)});
  // A match exactly the window's size back, and one a byte beyond it (which must not be used).
  for (std::size_t gap : {32768u, 32769u}) {
    std::vector<std::uint8_t> repeated = Noise(rng, gap);
    repeated.insert(repeated.end(), repeated.begin(), repeated.begin() + 300);
    cases.push_back({"noise repeated " + std::to_string(gap) + " bytes back", repeated});
  }
  // Stored blocks and blocks with codes of their own in one stream.
  std::vector<std::uint8_t> mixed = Noise(rng, 70000);
  mixed.insert(mixed.end(), 70000, 0);
  const std::vector<std::uint8_t> more = Noise(rng, 70000);
  mixed.insert(mixed.end(), more.begin(), more.end());
  for (int i = 0; i < 5000; ++i) mixed.push_back(static_cast<std::uint8_t>('a' + rng() % 3));
  cases.push_back({"noise, zeros, noise, three letters", mixed});
  // Byte counts like the Fibonacci numbers, shuffled: codes of every length up to the limit.
  std::vector<std::uint8_t> skewed;
  std::uint32_t a = 1;
  std::uint32_t b = 1;
  for (int symbol = 0; symbol < 26; ++symbol) {
    skewed.insert(skewed.end(), a, static_cast<std::uint8_t>(symbol * 9));
    b = std::exchange(a, a + b);
  }
  std::shuffle(skewed.begin(), skewed.end(), rng);
  cases.push_back({"skewed literals", skewed});
  std::vector<std::uint8_t> letters;
  for (int i = 0; i < 400000; ++i) letters.push_back(static_cast<std::uint8_t>("ACGT"[rng() % 4]));
  cases.push_back({"four letters at random, many blocks", letters});
  return cases;
}

TEST(Deflate, ZlibInflatesEveryStreamToItsInputAndTheBytesRepeat) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    for (const DeflateCase& c : DeflateCases(rng)) {
      SCOPED_TRACE(c.Name);
      const std::vector<std::uint8_t> stream = ZlibCompress(c.Bytes);
      std::vector<std::uint8_t> back;
      std::string error;
      ASSERT_TRUE(Inflate(stream, back, &error)) << error;
      EXPECT_TRUE(back == c.Bytes) << back.size() << " bytes back of " << c.Bytes.size();
      EXPECT_TRUE(ZlibCompress(c.Bytes) == stream);
    }
  }
}

TEST(Deflate, FlatDataShrinksAndNoiseGrowsOnlyByBlockHeaders) {
  EXPECT_LT(ZlibCompress(std::vector<std::uint8_t>(100000, 0)).size(), 200u);
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    const std::vector<std::uint8_t> noise = Noise(rng, 1000000);
    // Two bytes of header, four of checksum, and five for each stored block, which holds at
    // least 32 KiB (as many bytes as a block has tokens).
    EXPECT_LE(ZlibCompress(noise).size(), noise.size() + 6 + 5 * (noise.size() / 30000 + 1));
  }
}

// --- Huffman code lengths ---

std::uint64_t CodeCost(const std::vector<std::uint32_t>& freqs,
                       const std::vector<std::uint8_t>& lengths) {
  std::uint64_t cost = 0;
  for (std::size_t s = 0; s < freqs.size(); ++s) cost += std::uint64_t{freqs[s]} * lengths[s];
  return cost;
}

// The code is complete (Kraft's sum exactly 1), no code is longer than `limit`, and exactly the
// symbols that occur have a code (or two symbols, when fewer occur).
::testing::AssertionResult CompleteCode(const std::vector<std::uint32_t>& freqs,
                                        const std::vector<std::uint8_t>& lengths, int limit) {
  if (lengths.size() != freqs.size()) return ::testing::AssertionFailure() << "size";
  std::uint64_t kraft = 0;  // in units of 2^-limit
  std::size_t coded = 0;
  std::size_t used = 0;
  for (std::size_t s = 0; s < freqs.size(); ++s) {
    used += freqs[s] > 0;
    if (lengths[s] == 0) {
      if (freqs[s] > 0) return ::testing::AssertionFailure() << "symbol " << s << " has no code";
      continue;
    }
    if (lengths[s] > limit) return ::testing::AssertionFailure() << "symbol " << s << " too long";
    ++coded;
    kraft += std::uint64_t{1} << (limit - lengths[s]);
  }
  if (kraft != std::uint64_t{1} << limit) {
    return ::testing::AssertionFailure() << "Kraft sum " << kraft << " / 2^" << limit;
  }
  if (coded != std::max<std::size_t>(used, 2)) {
    return ::testing::AssertionFailure() << coded << " codes for " << used << " symbols";
  }
  return ::testing::AssertionSuccess();
}

// The cost of an optimal code with no limit: the sum of the weights Huffman's merging makes.
std::uint64_t HuffmanCost(const std::vector<std::uint32_t>& freqs) {
  std::vector<std::uint64_t> heap;
  for (std::uint32_t f : freqs) {
    if (f > 0) heap.push_back(f);
  }
  auto greater = std::greater<std::uint64_t>();
  std::make_heap(heap.begin(), heap.end(), greater);
  std::uint64_t cost = 0;
  while (heap.size() > 1) {
    std::pop_heap(heap.begin(), heap.end(), greater);
    const std::uint64_t a = heap.back();
    heap.pop_back();
    std::pop_heap(heap.begin(), heap.end(), greater);
    const std::uint64_t merged = a + heap.back();
    heap.back() = merged;
    std::push_heap(heap.begin(), heap.end(), greater);
    cost += merged;
  }
  return cost;
}

// The cheapest lengths of at most `limit` bits whose Kraft sum is at most 1, by trying them all.
std::uint64_t BruteForceCost(const std::vector<std::uint32_t>& freqs, int limit) {
  std::vector<std::uint8_t> lengths(freqs.size(), 1);
  std::uint64_t best = UINT64_MAX;
  while (true) {
    std::uint64_t kraft = 0;
    for (std::uint8_t l : lengths) kraft += std::uint64_t{1} << (limit - l);
    if (kraft <= std::uint64_t{1} << limit) best = std::min(best, CodeCost(freqs, lengths));
    std::size_t i = 0;
    while (i < lengths.size() && lengths[i] == limit) lengths[i++] = 1;
    if (i == lengths.size()) return best;
    ++lengths[i];
  }
}

TEST(HuffmanCodeLengths, FibonacciCountsAreCutToTheLimitAndStayComplete) {
  std::vector<std::uint32_t> freqs;
  for (std::uint32_t a = 1, b = 1; freqs.size() < 30; b = std::exchange(a, a + b)) {
    freqs.push_back(a);
  }
  const std::vector<std::uint8_t> free = HuffmanCodeLengths(freqs, 40);
  EXPECT_TRUE(CompleteCode(freqs, free, 40));
  EXPECT_EQ(*std::max_element(free.begin(), free.end()), 29);
  EXPECT_EQ(CodeCost(freqs, free), HuffmanCost(freqs));
  for (int limit : {15, 7, 5}) {
    SCOPED_TRACE(limit);
    const std::vector<std::uint8_t> cut = HuffmanCodeLengths(freqs, limit);
    EXPECT_TRUE(CompleteCode(freqs, cut, limit));
    EXPECT_EQ(*std::max_element(cut.begin(), cut.end()), limit);
    EXPECT_GT(CodeCost(freqs, cut), HuffmanCost(freqs));
  }
}

TEST(HuffmanCodeLengths, OptimalWithAndWithoutALimit) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 200; ++round) {
      // Few symbols, tried against every assignment of lengths under a tight limit.
      std::vector<std::uint32_t> few(2 + rng() % 5);
      for (std::uint32_t& f : few)
        f = static_cast<std::uint32_t>(1 + rng() % (rng() % 2 != 0 ? 10 : 1000));
      const int limit = 3;
      const std::vector<std::uint8_t> lengths = HuffmanCodeLengths(few, limit);
      EXPECT_TRUE(CompleteCode(few, lengths, limit));
      EXPECT_EQ(CodeCost(few, lengths), BruteForceCost(few, limit)) << round;

      // The alphabets of deflate, some symbols unused, against Huffman's cost with no limit.
      std::vector<std::uint32_t> many(round % 3 == 0 ? 19 : round % 3 == 1 ? 30 : 286);
      for (std::uint32_t& f : many) {
        f = rng() % 3 == 0 ? 0 : static_cast<std::uint32_t>(rng() % (1u << (rng() % 20)));
      }
      const std::vector<std::uint8_t> unlimited = HuffmanCodeLengths(many, 32);
      EXPECT_TRUE(CompleteCode(many, unlimited, 32));
      EXPECT_EQ(CodeCost(many, unlimited), HuffmanCost(many)) << round;
      const int cap = many.size() == 19 ? 7 : 15;
      EXPECT_TRUE(CompleteCode(many, HuffmanCodeLengths(many, cap), cap)) << round;
    }
  }
}

TEST(HuffmanCodeLengths, OneOrNoSymbolStillGetsACompleteCode) {
  EXPECT_EQ(HuffmanCodeLengths({0, 0, 0, 0}, 15), (std::vector<std::uint8_t>{1, 1, 0, 0}));
  EXPECT_EQ(HuffmanCodeLengths({0, 0, 9, 0}, 15), (std::vector<std::uint8_t>{1, 0, 1, 0}));
  EXPECT_EQ(HuffmanCodeLengths({5, 0, 0}, 7), (std::vector<std::uint8_t>{1, 1, 0}));
}

// --- PNG ---

// `png` as libpng reads it: `width` x `height` 8-bit pixels, not interlaced, equal to `pixels`
// (0x00BBGGRR for RGB, 0xAABBGGRR for RGBA).
::testing::AssertionResult DecodesTo(const std::vector<std::uint8_t>& png, int width, int height,
                                     bool alpha, const std::vector<std::uint32_t>& pixels) {
  DecodedPng decoded;
  std::string error;
  if (!DecodePng(png, decoded, &error)) return ::testing::AssertionFailure() << "libpng: " << error;
  if (decoded.Width != width || decoded.Height != height) {
    return ::testing::AssertionFailure()
           << decoded.Width << "x" << decoded.Height << ", expected " << width << "x" << height;
  }
  if (decoded.BitDepth != 8 || decoded.ColorType != (alpha ? 6 : 2) || decoded.Interlace != 0) {
    return ::testing::AssertionFailure()
           << "depth " << decoded.BitDepth << ", colour type " << decoded.ColorType
           << ", interlace " << decoded.Interlace;
  }
  const auto differs = std::mismatch(decoded.Pixels.begin(), decoded.Pixels.end(), pixels.begin());
  if (differs.first != decoded.Pixels.end()) {
    const auto at = differs.first - decoded.Pixels.begin();
    return ::testing::AssertionFailure()
           << "pixel " << at % width << "," << at / width << " is " << std::hex << *differs.first
           << ", expected " << *differs.second;
  }
  return ::testing::AssertionSuccess();
}

TEST(PngEncoder, EveryPixelComesBackThroughLibpngAtOddSizes) {
  struct Size {
    int Width, Height;
  };
  const Size sizes[] = {{1, 1},   {1, 9},  {9, 1},   {2, 2},  {3, 5},
                        {13, 11}, {37, 2}, {257, 3}, {5, 257}};
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    for (const Size& size : sizes) {
      for (const char* pattern : {"flat", "sheet", "noise"}) {
        SCOPED_TRACE(::testing::Message() << size.Width << "x" << size.Height << " " << pattern);
        const std::string_view kind = pattern;
        Surface picture(size.Width, size.Height);
        std::vector<std::uint32_t> rgba;
        for (int y = 0; y < size.Height; ++y) {
          for (int x = 0; x < size.Width; ++x) {
            const TColor c = kind == "flat"    ? 0x00336699
                             : kind == "sheet" ? testing::SheetColor(x * 7, y * 5)
                                               : rng() & 0x00FFFFFF;
            picture.SetPixel(x, y, c);
            const auto alpha =
                static_cast<std::uint32_t>(kind == "noise" ? rng() >> 24 : (x + y) % 3 * 0x7F);
            rgba.push_back(c | alpha << 24);
          }
        }
        EXPECT_TRUE(
            DecodesTo(EncodePng(picture), size.Width, size.Height, false, picture.Pixels()));
        EXPECT_TRUE(DecodesTo(EncodePngRgba(size.Width, size.Height, rgba.data()), size.Width,
                              size.Height, true, rgba));
      }
    }
  }
}

// The game's screens as a screenshot takes them, and the icon at the desktop's sizes.
TEST(PngEncoder, GamePicturesAndTheIconComeBackExactlyAndSmall) {
  GameHarness::Options options;
  options.RealSheet = true;
  options.RealFont = true;
  GameHarness title(options);
  title.Tick();
  GameHarness ranking(options);
  ranking.Key(VK_X);
  ranking.Tick();
  GameHarness board(options);
  board.StartRound(7);
  ASSERT_EQ(title.Form.GameMode, ModeTitle);
  ASSERT_EQ(ranking.Form.GameMode, ModeRanking);
  ASSERT_EQ(board.Form.GameMode, ModePlay);
  for (GameHarness* game : {&title, &ranking, &board}) {
    const Surface& canvas = game->Form.Canvas;
    SCOPED_TRACE(game->Form.GameMode);
    const std::vector<std::uint8_t> png = EncodePng(canvas);
    EXPECT_TRUE(DecodesTo(png, 600, 400, false, canvas.Pixels()));
    // Stored, the 720,000 bytes of pixels would take more; each of these takes 10 to 30 KB.
    EXPECT_LT(png.size(), 40000u);
  }
  for (int size : {16, 48, 256}) {
    SCOPED_TRACE(size);
    const std::vector<std::uint32_t> icon = DrawGameIcon(size);
    EXPECT_TRUE(DecodesTo(EncodePngRgba(size, size, icon.data()), size, size, true, icon));
  }
}

// A chunk as the file holds it.
struct Chunk {
  std::string Type;
  std::vector<std::uint8_t> Data;
  std::uint32_t Crc = 0;
};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The chunks after the signature; false if the file does not divide into them exactly.
bool SplitChunks(const std::vector<std::uint8_t>& png, std::vector<Chunk>& chunks) {
  std::size_t at = 8;
  while (at < png.size()) {
    if (png.size() - at < 12) return false;
    const std::uint32_t length = BigEndian32(png.data() + at);
    if (png.size() - at - 12 < length) return false;
    Chunk chunk;
    chunk.Type.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                      png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    chunk.Data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                      png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    chunk.Crc = BigEndian32(png.data() + at + 8 + length);
    chunks.push_back(chunk);
    at += 12 + length;
  }
  return at == png.size();
}

// Noise is stored rather than compressed: its image data needs several IDAT chunks.
TEST(PngEncoder, FileIsSignatureHeaderDataAndEndEachChunkChecked) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    Surface picture(301, 200);
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 301; ++x) picture.SetPixel(x, y, rng() & 0x00FFFFFF);
    }
    const std::vector<std::uint8_t> png = EncodePng(picture);
    ASSERT_GE(png.size(), 8u);
    EXPECT_TRUE(std::equal(png.begin(), png.begin() + 8, TextBytes("\x89PNG\r\n\x1A\n").begin()));
    std::vector<Chunk> chunks;
    ASSERT_TRUE(SplitChunks(png, chunks));
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().Type, "IHDR");
    EXPECT_EQ(chunks.front().Data,
              (std::vector<std::uint8_t>{0, 0, 1, 45, 0, 0, 0, 200, 8, 2, 0, 0, 0}));
    EXPECT_EQ(chunks.back().Type, "IEND");
    EXPECT_TRUE(chunks.back().Data.empty());
    std::vector<std::uint8_t> stream;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      const Chunk& c = chunks[i];
      std::vector<std::uint8_t> typed(c.Type.begin(), c.Type.end());
      typed.insert(typed.end(), c.Data.begin(), c.Data.end());
      EXPECT_EQ(c.Crc, ZlibCrc32(typed)) << c.Type << " " << i;
      if (i > 0 && i + 1 < chunks.size()) {
        EXPECT_EQ(c.Type, "IDAT") << i;
        stream.insert(stream.end(), c.Data.begin(), c.Data.end());
      }
    }
    std::vector<std::uint8_t> rows;
    std::string error;
    ASSERT_TRUE(Inflate(stream, rows, &error)) << error;
    ASSERT_EQ(rows.size(), 200u * (1 + 301 * 3));
    for (std::size_t y = 0; y < 200; ++y) EXPECT_LE(rows[y * (1 + 301 * 3)], 4) << "filter " << y;
  }
}

// The bytes of one fixed picture, pinned: a platform or compiler on which the encoder wrote
// other bytes fails here. A deliberate change to the encoder records the new values.
TEST(PngEncoder, SamePixelsGiveTheSameBytesOnEveryPlatform) {
  Surface picture(61, 47);
  for (int y = 0; y < 47; ++y) {
    for (int x = 0; x < 61; ++x) {
      picture.SetPixel(x, y, x < 20 ? 0x00FFFFFF : testing::SheetColor(x * x, y * 3 + x));
    }
  }
  const std::vector<std::uint8_t> png = EncodePng(picture);
  EXPECT_TRUE(EncodePng(Surface(picture)) == png);
  EXPECT_EQ(png.size(), 1442u);
  EXPECT_EQ(Crc32(png), 4014485240u);

  std::vector<std::uint32_t> rgba(33 * 17);
  for (std::size_t i = 0; i < rgba.size(); ++i) {
    rgba[i] = static_cast<std::uint32_t>(i * 0x01020305u);
  }
  const std::vector<std::uint8_t> icon = EncodePngRgba(33, 17, rgba.data());
  EXPECT_TRUE(EncodePngRgba(33, 17, rgba.data()) == icon);
  EXPECT_EQ(icon.size(), 264u);
  EXPECT_EQ(Crc32(icon), 3563751385u);

  // A stream with a stored block (noise), then one with codes of its own (four letters), and
  // one with the fixed codes.
  std::vector<std::uint8_t> data;
  std::uint32_t state = 1;
  auto next = [&state] { return (state = state * 1664525u + 1013904223u) >> 24; };
  for (int i = 0; i < 33000; ++i) data.push_back(static_cast<std::uint8_t>(next()));
  for (int i = 0; i < 70000; ++i) data.push_back(static_cast<std::uint8_t>("ACGT"[next() % 4]));
  const std::vector<std::uint8_t> stream = ZlibCompress(data);
  EXPECT_EQ(stream.size(), 54743u);
  EXPECT_EQ(Crc32(stream), 31545548u);
  // The same bytes as zlib's own compressor makes of this word.
  EXPECT_EQ(ZlibCompress(TextBytes("hello")),
            (std::vector<std::uint8_t>{0x78, 0x9C, 0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00, 0x06,
                                       0x2C, 0x02, 0x15}));
}

TEST(PngEncoder, NothingToEncodeGivesNoBytes) {
  EXPECT_TRUE(EncodePng(Surface()).empty());
  const std::uint32_t pixel = 0;
  EXPECT_TRUE(EncodePngRgba(0, 1, &pixel).empty());
  EXPECT_TRUE(EncodePngRgba(1, 0, &pixel).empty());
  EXPECT_TRUE(EncodePngRgba(-1, -1, &pixel).empty());
}

// --- The file writers ---

TEST(PngFiles, WriteExactlyTheEncodedBytes) {
  Surface picture(7, 3);
  picture.SetPixel(2, 1, 0x00123456);
  const std::uint32_t icon[] = {0xFF0000FF, 0x00000000, 0x80FFFFFF, 0xFF00FF00};
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WritePng(dir.File("p.png"), picture, &error)) << error;
  EXPECT_TRUE(ReadFileBytes(dir.File("p.png")) == EncodePng(picture));
  ASSERT_TRUE(WritePngRgba(dir.File("i.png"), 2, 2, icon, &error)) << error;
  EXPECT_TRUE(ReadFileBytes(dir.File("i.png")) == EncodePngRgba(2, 2, icon));

  error.clear();
  EXPECT_FALSE(WritePng(dir.File("none.png"), Surface(), &error));
  EXPECT_EQ(error, "no picture");
  EXPECT_FALSE(WritePngRgba(dir.File("none.png"), 0, 0, icon, &error));
  EXPECT_FALSE(FileExists(dir.File("none.png")));
}

// A write cut short (here by a file-size limit, in a child whose limit stays its own) fails
// with the system's reason and leaves no half-written file.
TEST(PngFiles, AShortWriteFailsAndRemovesTheFile) {
  TempDir dir;
  const std::string path = dir.File("cut.png");
  std::mt19937 rng(7);
  Surface picture(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) picture.SetPixel(x, y, rng() & 0x00FFFFFF);
  }
  for (rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{5000}}) {
    SCOPED_TRACE(limit);
    const testing::ChildReport child = RunInChild([&] {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit fsize{limit, limit};
      setrlimit(RLIMIT_FSIZE, &fsize);
      std::string error;
      return WritePng(path, picture, &error) ? std::string("written") : error;
    });
    ASSERT_TRUE(child.Exited) << "killed by signal " << child.Signal;
    EXPECT_EQ(child.Text, std::strerror(EFBIG));
    EXPECT_FALSE(FileExists(path));
  }
}

}  // namespace
}  // namespace enclova
