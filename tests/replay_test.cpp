// Recording rounds and playing them back: digests, the file's format and its refusals, the
// pruning rule, and a recorder that cannot write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gfx/png.h"
#include "replay/command_line.h"
#include "replay/digest.h"
#include "tests/replay_fixture.h"

namespace enclova::testing {
namespace {

using replay::ParseReplay;
using replay::Sha256;
using replay::Sha256Hex;

TEST(Sha256, KnownVectors) {
  EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex(two.data(), two.size()),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // A million 'a' fed in uneven pieces, so every way through the block buffer is taken.
  Sha256 sha;
  const std::string piece(1024, 'a');
  std::size_t fed = 0;
  for (std::size_t n = 1; fed < 1'000'000; n = n % 997 + 13) {
    const std::size_t take = std::min(n, 1'000'000 - fed);
    sha.Update(piece.data(), take);
    fed += take;
  }
  const auto digest = sha.Final();
  EXPECT_EQ(replay::Hex(digest.data(), digest.size()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // 55, 56 and 64 bytes sit on the padding's edges (digests from another implementation).
  const struct {
    std::size_t size;
    const char* digest;
  } kEdges[] = {
      {55, "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
      {56, "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e"},
      {64, "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
  };
  for (const auto& e : kEdges) {
    const std::string text(e.size, 'x');
    EXPECT_EQ(Sha256Hex(text.data(), text.size()), e.digest) << e.size << " bytes";
  }
}

// The PNG's chunks hold together, and its stored blocks give back every pixel.
TEST(Png, StoredBlocksHoldEveryPixelAndTheChecksumsAgree) {
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
  // 200 x 120 RGB rows are 72,120 bytes: more than one stored block.
  Surface s(200, 120);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) s.SetPixel(x, y, static_cast<TColor>((x * 7919 + y * 104729) & 0xFFFFFF));
  }
  const std::vector<std::uint8_t> png = EncodePng(s);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  auto be32 = [&](std::size_t at) {
    return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 |
           std::uint32_t{png[at + 2]} << 8 | png[at + 3];
  };
  std::vector<std::uint8_t> idat;
  std::vector<std::string> chunks;
  for (std::size_t at = 8; at < png.size();) {
    const std::uint32_t length = be32(at);
    ASSERT_LE(at + 12 + length, png.size());
    chunks.emplace_back(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
    EXPECT_EQ(be32(at + 8 + length), Crc32(png.data() + at + 4, 4 + length)) << chunks.back();
    if (chunks.back() == "IHDR") {
      EXPECT_EQ(be32(at + 8), 200u);
      EXPECT_EQ(be32(at + 12), 120u);
    }
    if (chunks.back() == "IDAT") idat.assign(png.begin() + static_cast<long>(at) + 8, png.begin() + static_cast<long>(at + 8 + length));
    at += 12 + length;
  }
  EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  // Undo the stored blocks.
  std::vector<std::uint8_t> raw;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    ASSERT_LE(at + 5, idat.size());
    last = idat[at] & 1;
    const std::size_t n = idat[at + 1] | idat[at + 2] << 8;
    ASSERT_EQ(n ^ 0xFFFF, static_cast<std::size_t>(idat[at + 3] | idat[at + 4] << 8));
    raw.insert(raw.end(), idat.begin() + static_cast<long>(at) + 5, idat.begin() + static_cast<long>(at + 5 + n));
    at += 5 + n;
  }
  ASSERT_EQ(raw.size(), 120u * (1 + 600));
  for (int y = 0; y < 120; ++y) {
    ASSERT_EQ(raw[static_cast<std::size_t>(y) * 601], 0);
    for (int x = 0; x < 200; ++x) {
      const std::size_t p = static_cast<std::size_t>(y) * 601 + 1 + 3 * static_cast<std::size_t>(x);
      const TColor c = raw[p] | raw[p + 1] << 8 | static_cast<TColor>(raw[p + 2]) << 16;
      ASSERT_EQ(c, s.GetPixel(x, y)) << x << "," << y;
    }
  }
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  EXPECT_EQ(std::uint32_t{idat[at]} << 24 | std::uint32_t{idat[at + 1]} << 16 |
                std::uint32_t{idat[at + 2]} << 8 | idat[at + 3],
            (b << 16) | a);
}

// ---- Record, then play back ----

GameHarness::Options GoodRoundOptions() {
  GameHarness::Options options;
  options.Seed = SeedWithGoodLoop(1, false);
  return options;
}

TEST(ReplayRoundTrip, RankedRoundPlaysBackToTheSamePictureAndRankingBytes) {
  RecordedGame g(GoodRoundOptions());
  PlayGoodRound(g);
  ASSERT_EQ(g.Form.GameMode, ModeRanking);
  ASSERT_EQ(g.Form.LastRank, 1);
  ASSERT_EQ(g.Store.Files.size(), 1u);
  EXPECT_NE(g.Store.Files.begin()->first.find("_L01_good_"), std::string::npos);
  EXPECT_NE(g.Store.Files.begin()->first.find("_rank01.replay"), std::string::npos);
  EXPECT_EQ(g.Store.Files.begin()->first.rfind(g.Dir.Path() + "/replays/20261210-", 0), 0u);

  const std::vector<std::uint8_t> savedRanking = ReadFileBytes(g.Dir.File("fdata.dat"));
  for (bool skip : {false, true}) {
    SCOPED_TRACE(skip ? "quiet ticks skipped" : "every tick played");
    Playback p(g.Replay(), g.Dir.Path(), g.Face.get(), skip);
    ASSERT_EQ(p.Error, "");
    EXPECT_TRUE(p.Result.Matches()) << replay::DescribeResult(*p.Replay, p.Result);
    EXPECT_EQ(p.Result.FirstDifferentCall, 0u);
    EXPECT_EQ(FirstDifference(p.Play->Form().Canvas.Pixels(), g.Form.Canvas.Pixels()), "");
    ASSERT_NE(p.Play->RankingFile(), nullptr);
    EXPECT_EQ(*p.Play->RankingFile(), savedRanking);
    EXPECT_EQ(p.Play->Form().LastRank, 1);
    // Playback never touched the real ranking file.
    EXPECT_EQ(ReadFileBytes(g.Dir.File("fdata.dat")), savedRanking);
  }
}

}  // namespace
}  // namespace enclova::testing
