// SPDX-License-Identifier: MIT
// The test kit's own checks: a comparison that misses a difference, a mask that hides the wrong
// pixels or a seed that cannot be replayed would let every test that uses them pass wrongly.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "tests/kit/game.h"
#include "tests/kit/io_errors.h"
#include "tests/kit/pictures.h"
#include "tests/kit/seed.h"

namespace enclova::testing {
namespace {

constexpr TColor kGround = 0x00123456;
constexpr TColor kPlanted = 0x00ABCDEF;

std::string Message(const ::testing::AssertionResult& result) {
  return result.message();
}

TEST(PictureComparison, ReportsAPlantedPixelWithItsPositionAndColours) {
  struct Case {
    int x, y;
    std::string where;
  };
  const Case cases[] = {{0, 0, "(0,0)"}, {37, 21, "(37,21)"}, {59, 39, "(59,39)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    Surface actual(60, 40);
    actual.Fill(kGround);
    ASSERT_TRUE(SamePicture(actual, Picture(60, 40, kGround)));
    actual.SetPixel(c.x, c.y, kPlanted);
    const ::testing::AssertionResult result = SamePicture(actual, Picture(60, 40, kGround));
    EXPECT_FALSE(result);
    EXPECT_EQ(Message(result), "1 pixels differ: " + c.where + " is 0xabcdef not 0x123456;");
    // Every form of the comparison finds the same pixel.
    Surface expected(60, 40);
    expected.Fill(kGround);
    EXPECT_EQ(Message(SamePicture(actual, expected)), Message(result));
    EXPECT_EQ(Message(SamePicture(actual, [](int, int) { return kGround; })), Message(result));
  }
}

TEST(PictureComparison, CountsEveryDifferenceAndNamesTheFirstEightInScanOrder) {
  Surface actual(30, 20);
  actual.Fill(kGround);
  for (int k = 0; k < 12; ++k) actual.SetPixel(29 - k, 19 - k, kPlanted);
  const std::string message = Message(SamePicture(actual, Picture(30, 20, kGround)));
  EXPECT_EQ(message.rfind("12 pixels differ: (18,8) is", 0), 0u) << message;
  EXPECT_NE(message.find("(25,15)"), std::string::npos) << message;
  EXPECT_EQ(message.find("(26,16)"), std::string::npos) << message;
  EXPECT_EQ(message.find("(29,19)"), std::string::npos) << message;
}

TEST(PictureComparison, DifferentSizesNeverMatch) {
  const Surface actual(30, 20);
  EXPECT_EQ(Message(SamePicture(actual, Picture(20, 30, clWhite))), "size 30x20, expected 20x30");
  EXPECT_FALSE(SamePicture(actual, Picture(30, 21, clWhite)));
  EXPECT_FALSE(SamePicture(Surface(), Picture(30, 20, clWhite)));
  EXPECT_FALSE(SamePicture(actual, Surface()));
}

// A difference on every pixel: the mask decides alone which of them count.
TEST(PictureComparison, MaskHidesExactlyItsRectangles) {
  Surface actual(50, 40);
  actual.Fill(kPlanted);
  const Picture expected(50, 40, kGround);
  const PixelRect a{5, 6, 10, 4};
  const PixelRect b{30, 0, 20, 1};
  const int inside = 10 * 4 + 20 * 1;
  EXPECT_EQ(Message(SamePicture(actual, expected)).rfind("2000 pixels differ", 0), 0u);
  const std::string ignoring = Message(SamePicture(actual, expected, Mask::Ignoring({a, b})));
  EXPECT_EQ(ignoring.rfind(std::to_string(2000 - inside) + " pixels differ: (0,0)", 0), 0u)
      << ignoring;
  const std::string only = Message(SamePicture(actual, expected, Mask::Only({a, b})));
  EXPECT_EQ(only.rfind(std::to_string(inside) + " pixels differ: (30,0)", 0), 0u) << only;

  // Pixel by pixel, at and around every edge of a rectangle.
  const Mask mask = Mask::Ignoring({a});
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inA = x >= 5 && x < 15 && y >= 6 && y < 10;
      ASSERT_EQ(mask.Compares(x, y), !inA) << x << "," << y;
      ASSERT_EQ(Mask::Only({a}).Compares(x, y), inA) << x << "," << y;
    }
  }
  // A difference hidden by the mask passes; the same one just outside it does not.
  Surface one(50, 40);
  one.Fill(kGround);
  one.SetPixel(14, 9, kPlanted);
  EXPECT_TRUE(SamePicture(one, expected, mask));
  one.SetPixel(15, 9, kPlanted);
  EXPECT_EQ(Message(SamePicture(one, expected, mask)),
            "1 pixels differ: (15,9) is 0xabcdef not 0x123456;");
}

TEST(ExpectedPicture, LaysTheSheetAndTheFakeGlyphsWhereTheGameDoes) {
  GameHarness game;
  game.Tick();
  ASSERT_EQ(game.Form.GameMode, ModeTitle);
  // The title as the first tick draws it: the sheet's title region.
  Picture title(kClientWidth, kClientHeight, clBlack);
  title.Sheet(0, 0, kTitleRegion);
  EXPECT_TRUE(SamePicture(game.Form.Canvas, title));

  // The fake face's boxes, drawn by the surface and by the builder.
  Surface s(60, 30);
  FakeTypeface face;
  s.Face = &face;
  s.Font.Height = 16;
  s.Font.Color = kPlanted;
  s.Brush.Color = kGround;
  s.TextOut(3, 5, "Aｚ!");
  Picture want(60, 30, clWhite);
  want.Text(3, 5, "Aｚ!", 16, kPlanted, kGround);
  EXPECT_TRUE(SamePicture(s, want));
}

// Sets ENCLOVA_TEST_SEED for one scope and puts back what was there.
class SeedVariable {
 public:
  explicit SeedVariable(const char* value) {
    if (const char* old = getenv(kSeedVariable)) old_ = old;
    if (value == nullptr) {
      unsetenv(kSeedVariable);
    } else {
      setenv(kSeedVariable, value, 1);
    }
  }
  ~SeedVariable() {
    if (old_) {
      setenv(kSeedVariable, old_->c_str(), 1);
    } else {
      unsetenv(kSeedVariable);
    }
  }
  SeedVariable(const SeedVariable&) = delete;
  SeedVariable& operator=(const SeedVariable&) = delete;

 private:
  std::optional<std::string> old_;
};

TEST(TestSeeds, TheEnvironmentVariableReplaysChosenSeeds) {
  {
    SeedVariable v("42");
    EXPECT_EQ(TestSeeds(), std::vector<std::uint32_t>{42});
    EXPECT_EQ(TestSeeds({7, 8}), std::vector<std::uint32_t>{42});
  }
  {
    SeedVariable v("4294967295,0,17");
    EXPECT_EQ(TestSeeds({7}), (std::vector<std::uint32_t>{4294967295u, 0, 17}));
  }
  for (const char* bad : {"x", "12x", "4294967296", "1,,2"}) {
    SCOPED_TRACE(bad);
    SeedVariable v(bad);
    EXPECT_THROW(TestSeeds(), std::invalid_argument);
  }
  {
    SeedVariable v(nullptr);
    EXPECT_EQ(TestSeeds({7, 8}), (std::vector<std::uint32_t>{7, 8}));
    EXPECT_EQ(TestSeeds().size(), 1u) << "one fresh seed";
  }
  {
    SeedVariable v("");
    EXPECT_EQ(TestSeeds({9}), std::vector<std::uint32_t>{9});
  }
  EXPECT_EQ(SeedNote(42), "seed 42 (ENCLOVA_TEST_SEED=42 replays it)");
}

TEST(ThrowsInOutError, HoldsTheCodeAndTheTextAndFailsWithoutAnError) {
  const auto diskFull = [] { throw EInOutError(kErrDiskFull); };
  EXPECT_TRUE(ThrowsInOutError(diskFull, 101, "ディスクがいっぱいです"));
  EXPECT_FALSE(ThrowsInOutError(diskFull, 100, "ディスクがいっぱいです"));
  EXPECT_FALSE(ThrowsInOutError(diskFull, 101, "ディスクがいっぱい"));
  EXPECT_EQ(Message(ThrowsInOutError([] {}, 5, "x")), "no error, expected EInOutError 5 \"x\"");
}

}  // namespace
}  // namespace enclova::testing
