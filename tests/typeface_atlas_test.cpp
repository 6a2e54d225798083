// SPDX-License-Identifier: MIT
// The glyph atlas: its reader against damaged data, the game's atlas against the font it was
// rendered from and against everything the game writes, and the error box's fallback face.
#include "gfx/typeface_atlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <list>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/game_typeface.h"
#include "app/screen_layout.h"
#include "base/texts.h"
#include "fonts/freetype_face.h"
#include "fonts/game_fonts.h"
#include "ranking/clock_digits.h"
#include "ranking/ranking_table.h"
#include "tests/kit/seed.h"
#include "tests/replay_fixture.h"

namespace enclova::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool RunsMatch(const GlyphRun& a, const GlyphRun& b) {
  return a.Width == b.Width && a.Height == b.Height && a.Coverage == b.Coverage;
}

std::string Describe(const GlyphRun& run) {
  return std::to_string(run.Width) + "x" + std::to_string(run.Height);
}

std::string Utf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) return std::string(1, static_cast<char>(cp));
  if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
  } else {
    if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    }
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (cp & 0x3F));
  return out;
}

// ---------------------------------------------------------------------------------------------
// The reader, on a small atlas of made-up glyphs.

// Coverage that differs from glyph to glyph and from byte to byte.
std::vector<std::uint8_t> Ramp(int n, int start) {
  std::vector<std::uint8_t> out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>((start + 37 * i) % 256));
  return out;
}

// Two sizes of three glyphs each; the coverage lives as long as the test.
struct SmallAtlas {
  SmallAtlas() {
    const auto glyph = [&](char32_t cp, GlyphImage image, int seed) {
      auto& kept = coverage.emplace_back(Ramp(image.Width * image.Rows, seed));
      image.Coverage = kept;
      return AtlasTypeface::Entry{cp, image};
    };
    AtlasTypeface::Size& small = sizes.emplace_back();
    small.Height = 8;
    small.Cell = {8, 6};
    small.Glyphs = {glyph('A', {4, 0, 5, 3, 5, {}}, 1), glyph('j', {2, -1, 6, 2, 8, {}}, 2),
                    glyph(kReplacementCharacter, {5, 1, 5, 3, 5, {}}, 3)};
    AtlasTypeface::Size& big = sizes.emplace_back();
    big.Height = 20;
    big.Cell = {20, 16};
    big.Glyphs = {glyph('A', {10, 1, 14, 8, 14, {}}, 4), glyph(0x3042, {20, 2, 16, 16, 18, {}}, 5),
                  glyph(kReplacementCharacter, {12, 1, 14, 10, 14, {}}, 6)};
  }
  std::list<std::vector<std::uint8_t>> coverage;
  std::vector<AtlasTypeface::Size> sizes;
};

// Where the fields of SmallAtlas's file lie.
constexpr std::size_t kSizeRecords = 16;
constexpr std::size_t kGlyphRecords = kSizeRecords + 2 * 16;
constexpr std::size_t kCoverageCount = kGlyphRecords + 6 * 18;

void PutU32At(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t U32At(const Bytes& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
  return v;
}

TEST(AtlasReader, ReadsBackWhatWasWritten) {
  const SmallAtlas atlas;
  const Bytes file = EncodeAtlas(atlas.sizes);
  std::string error = "untouched";
  const auto face = AtlasTypeface::Open(file, &error);
  ASSERT_NE(face, nullptr) << error;
  EXPECT_EQ(error, "");
  for (const AtlasTypeface::Size& size : atlas.sizes) {
    for (const AtlasTypeface::Entry& entry : size.Glyphs) {
      const std::vector<const GlyphImage*> one = {&entry.Image};
      const std::string text = Utf8(entry.CodePoint);
      EXPECT_TRUE(RunsMatch(face->Render(text, size.Height), ComposeRun(size.Cell, one)))
          << "U+" << std::hex << static_cast<unsigned>(entry.CodePoint) << " at " << std::dec
          << size.Height;
    }
  }
}

// The whole run of "Aj" at height 8, pixel by pixel: A's ink from (0, 1), j's from (3, 0) over
// it, the pen at A's advance, the rows of j below the cell clipped.
TEST(AtlasReader, LaysGlyphsOutInTheirCellsAndCombinesOverlappingInk) {
  const SmallAtlas atlas;
  const Bytes file = EncodeAtlas(atlas.sizes);
  const auto face = AtlasTypeface::Open(file);
  ASSERT_NE(face, nullptr);
  const GlyphRun run = face->Render("Aj", 8);
  ASSERT_EQ(run.Width, 6);
  ASSERT_EQ(run.Height, 8);
  ASSERT_EQ(run.Coverage.size(), 48u);
  const std::vector<std::uint8_t> a = Ramp(15, 1), j = Ramp(16, 2);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 6; ++x) {
      unsigned expected = 0;
      if (x < 3 && y >= 1 && y < 6) expected = a[static_cast<std::size_t>((y - 1) * 3 + x)];
      if (x >= 3 && x < 5) {  // j: left -1 from pen 4, top 6 above the baseline 6: row 0
        const unsigned ink = j[static_cast<std::size_t>(y * 2 + x - 3)];
        expected = expected + ((255u - expected) * ink + 127) / 255;
      }
      EXPECT_EQ(run.Coverage[static_cast<std::size_t>(y * 6 + x)], expected)
          << "at (" << x << ", " << y << ")";
    }
  }
}

// Glyphs overhanging the run on every side, alone and overlapping: each byte of the run is the
// ink laid over ink of every glyph covering it, and nothing outside the cell is written.
TEST(ComposeRun, ClipsInkOverhangingAnySideAndCombinesWhatOverlaps) {
  struct Placement {
    int advance, left, top, width, rows;
  };
  const CellMetrics cell{6, 4};
  const std::vector<std::vector<Placement>> runs = {
      {{3, -2, 3, 4, 3}},                   // past the left edge
      {{3, 1, 3, 5, 3}},                    // past the right edge
      {{4, 0, 7, 3, 5}},                    // above the cell
      {{4, 0, 1, 3, 6}},                    // below it
      {{2, -3, 9, 9, 12}},                  // past every side
      {{3, 0, 4, 4, 4}, {3, -2, 4, 4, 4}},  // overlapping its neighbour
      {{2, 0, 4, 2, 4}, {0, 0, 4, 2, 4}},   // a glyph without advance over another
      {{3, 6, 2, 2, 2}, {3, -9, 2, 2, 2}},  // wholly outside, right and left
  };
  for (std::size_t r = 0; r < runs.size(); ++r) {
    std::vector<std::vector<std::uint8_t>> inks;
    std::vector<GlyphImage> images;
    for (const Placement& p : runs[r]) {
      inks.push_back(Ramp(p.width * p.rows, static_cast<int>(inks.size()) + 3));
      images.push_back({p.advance, p.left, p.top, p.width, p.rows, inks.back()});
    }
    std::vector<const GlyphImage*> glyphs;
    for (const GlyphImage& image : images) glyphs.push_back(&image);
    const GlyphRun run = ComposeRun(cell, glyphs);

    int width = 0;
    for (const Placement& p : runs[r]) width += p.advance;
    ASSERT_EQ(run.Width, width) << r;
    ASSERT_EQ(run.Height, cell.Height) << r;
    std::vector<unsigned> model(static_cast<std::size_t>(width * cell.Height), 0);
    int pen = 0;
    for (std::size_t g = 0; g < images.size(); ++g) {
      const GlyphImage& image = images[g];
      for (int y = 0; y < image.Rows; ++y) {
        for (int x = 0; x < image.Width; ++x) {
          const int tx = pen + image.Left + x;
          const int ty = cell.Baseline - image.Top + y;
          if (tx < 0 || ty < 0 || tx >= width || ty >= cell.Height) continue;
          unsigned& m = model[static_cast<std::size_t>(ty * width + tx)];
          m = m + ((255u - m) * inks[g][static_cast<std::size_t>(y * image.Width + x)] + 127) / 255;
        }
      }
      pen += image.Advance;
    }
    ASSERT_EQ(run.Coverage.size(), model.size()) << r;
    for (std::size_t i = 0; i < model.size(); ++i) {
      EXPECT_EQ(run.Coverage[i], model[i])
          << "run " << r << " at (" << i % width << ", " << i / width << ")";
    }
  }
}

TEST(AtlasReader, AnyOtherCharacterDrawsAsTheReplacementAndAnyOtherHeightDrawsNothing) {
  const SmallAtlas atlas;
  const Bytes file = EncodeAtlas(atlas.sizes);
  const auto face = AtlasTypeface::Open(file);
  ASSERT_NE(face, nullptr);
  EXPECT_TRUE(RunsMatch(face->Render("AZ\u3042", 8), face->Render("A\uFFFD\uFFFD", 8)));
  EXPECT_TRUE(RunsMatch(face->Render("A\xFF", 20), face->Render("A\uFFFD", 20)));
  EXPECT_TRUE(face->Covers("Aj\uFFFD", 8));
  EXPECT_TRUE(face->Covers("A\xE3\x81", 20));  // a malformed sequence is U+FFFD's
  EXPECT_TRUE(face->Covers("", 8));
  EXPECT_FALSE(face->Covers("Aj", 20));
  EXPECT_FALSE(face->Covers("A", 16));
  for (int height : {16, -8, 0, INT_MIN}) {
    const GlyphRun run = face->Render("A", height);
    EXPECT_EQ(run.Width, 0) << height;
    EXPECT_EQ(run.Height, 0) << height;
    EXPECT_TRUE(run.Coverage.empty()) << height;
  }
}

TEST(AtlasReader, RefusesEachMalformedField) {
  using Sizes = std::vector<AtlasTypeface::Size>;
  struct Case {
    const char* What;
    std::function<void(Sizes&)> Change;  // before writing
    std::function<void(Bytes&)> Damage;  // after
    const char* Reason;
  };
  const std::vector<std::uint8_t> wide(65535, 9);
  const Case cases[] = {
      {"another magic", nullptr, [](Bytes& b) { b[7] = 'G'; }, "does not start as one"},
      {"version 2", nullptr, [](Bytes& b) { b[8] = 2; }, "another version"},
      {"no sizes", nullptr, [](Bytes& b) { PutU32At(b, 12, 0); }, "no sizes"},
      {"17 sizes", nullptr, [](Bytes& b) { PutU32At(b, 12, 17); }, "too many"},
      {"height 0", [](Sizes& s) { s[1].Height = 0; }, nullptr, "size out of range"},
      {"a height twice", [](Sizes& s) { s[1].Height = 8; }, nullptr, "a height twice"},
      {"cell 0",
       [](Sizes& s) {
         s[0].Cell = {0, 0};
       },
       nullptr, "size out of range"},
      {"cell 1025",
       [](Sizes& s) {
         s[0].Cell = {1025, 6};
       },
       nullptr, "size out of range"},
      {"baseline above the cell", [](Sizes& s) { s[0].Cell.Baseline = -1; }, nullptr,
       "size out of range"},
      {"baseline below the cell", [](Sizes& s) { s[0].Cell.Baseline = 9; }, nullptr,
       "size out of range"},
      {"no glyphs", [](Sizes& s) { s[1].Glyphs.clear(); }, nullptr, "size out of range"},
      {"more glyphs than the data holds", nullptr,
       [](Bytes& b) { PutU32At(b, kSizeRecords + 12, 60000); }, "cut short in its glyphs"},
      {"characters out of order", [](Sizes& s) { std::swap(s[0].Glyphs[0], s[0].Glyphs[1]); },
       nullptr, "out of order"},
      {"a character twice", [](Sizes& s) { s[1].Glyphs[1].CodePoint = 'A'; }, nullptr,
       "out of order"},
      {"beyond U+10FFFF",
       [](Sizes& s) {
         s[1].Glyphs.push_back({0x110000, {}});
       },
       nullptr, "out of range"},
      {"an advance of more than four cells", [](Sizes& s) { s[0].Glyphs[1].Image.Advance = 33; },
       nullptr, "too wide"},
      {"no U+FFFD", [](Sizes& s) { s[1].Glyphs.pop_back(); }, nullptr, "lacks U+FFFD"},
      {"coverage past the end",
       [&](Sizes& s) { s[1].Glyphs[1].Image = {20, 0, 0, 65535, 65535, wide}; }, nullptr,
       "outside its coverage"},
      {"an offset past the end", nullptr,
       [](Bytes& b) { PutU32At(b, kGlyphRecords + 18 + 14, 0xFFFFFFFF); }, "outside its coverage"},
      {"a coverage count beyond the data", nullptr,
       [](Bytes& b) { PutU32At(b, kCoverageCount, U32At(b, kCoverageCount) + 1); },
       "cut short in its coverage"},
      {"a byte after the end", nullptr, [](Bytes& b) { b.push_back(0); }, "bytes after its end"},
  };
  for (const Case& c : cases) {
    SmallAtlas atlas;
    if (c.Change) c.Change(atlas.sizes);
    Bytes file = EncodeAtlas(atlas.sizes);
    if (c.Damage) c.Damage(file);
    std::string error;
    EXPECT_EQ(AtlasTypeface::Open(file, &error), nullptr) << c.What;
    EXPECT_NE(error.find(c.Reason), std::string::npos) << c.What << ": " << error;
  }
}

// Each prefix is a buffer of its own, so that a read past its end is one the sanitizers see.
TEST(AtlasReader, RefusesEveryTruncationOfTheGameAtlas) {
  const Bytes file = ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/glyphs.atlas");
  ASSERT_NE(AtlasTypeface::Open(file), nullptr);
  for (std::size_t n = 0; n < file.size(); ++n) {
    const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    std::string error;
    ASSERT_EQ(AtlasTypeface::Open(prefix, &error), nullptr) << "cut to " << n;
    ASSERT_FALSE(error.empty()) << "cut to " << n;
  }
}

TEST(AtlasReader, SurvivesRandomDamageToTheGameAtlas) {
  const Bytes file = ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/glyphs.atlas");
  // The damage falls on the header and glyph records, where the counts and offsets are.
  const std::size_t records = std::min<std::size_t>(file.size(), 4096);
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 random(seed);
    int accepted = 0;
    for (int n = 0; n < 400; ++n) {
      Bytes damaged = file;
      for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k) {
        damaged[random() % records] = static_cast<std::uint8_t>(random());
      }
      const auto face = AtlasTypeface::Open(damaged);
      if (face == nullptr) continue;
      ++accepted;
      for (std::string_view text : kPlayerTexts) {
        for (int height : {kSmallFontHeight, kCountdownFontHeight}) {
          const GlyphRun run = face->Render(text, height);
          ASSERT_EQ(run.Coverage.size(), static_cast<std::size_t>(run.Width) * run.Height);
        }
      }
    }
    // Most damage to coverage bytes, advances and positions still reads.
    EXPECT_GT(accepted, 0);
  }
}

// ---------------------------------------------------------------------------------------------
// The game's atlas.

// The game's atlas, and the font it is rendered from: without that, nothing here can be checked.
class GameAtlas : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    atlas_ = OpenGameTypeface().release();
    font_ = OpenTypefaceByFamily("IPAPGothic").release();
  }
  static void TearDownTestSuite() {
    delete atlas_;
    delete font_;
    atlas_ = nullptr;
    font_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(atlas_, nullptr);
    ASSERT_NE(font_, nullptr) << "IPAPGothic is not installed (tools/deps.sh installs it)";
  }
  static const AtlasTypeface& Atlas() { return *atlas_; }
  static const FreeTypeTypeface& Font() { return *font_; }

  static const AtlasTypeface* atlas_;
  static const FreeTypeTypeface* font_;
};
const AtlasTypeface* GameAtlas::atlas_ = nullptr;
const FreeTypeTypeface* GameAtlas::font_ = nullptr;

TEST_F(GameAtlas, IsTheShippedAtlas) {
  std::string error;
  const Bytes file = ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/glyphs.atlas");
  const auto shipped = AtlasTypeface::Open(file, &error);
  ASSERT_NE(shipped, nullptr) << error;
  ASSERT_NE(OpenGameTypeface(&error), nullptr) << error;
  for (const TextsAtHeight& entry : GameTextsByHeight()) {
    for (std::string_view text : entry.Texts) {
      EXPECT_TRUE(
          RunsMatch(Atlas().Render(text, entry.Height), shipped->Render(text, entry.Height)))
          << text;
    }
  }
}

TEST_F(GameAtlas, HoldsEveryTextThePlayerSeesAtEachHeightItIsDrawnAt) {
  std::set<std::string_view> listed;
  std::set<int> heights;
  for (const TextsAtHeight& entry : GameTextsByHeight()) {
    heights.insert(entry.Height);
    for (std::string_view text : entry.Texts) {
      listed.insert(text);
      EXPECT_TRUE(Atlas().Covers(text, entry.Height)) << text << " at " << entry.Height;
    }
  }
  // Every text the player sees is drawn at some height, and only at the game's heights.
  for (std::string_view text : kPlayerTexts) EXPECT_TRUE(listed.count(text)) << text;
  EXPECT_EQ(heights, (std::set<int>{kSmallFontHeight, kCountdownFontHeight}));
  for (std::string_view text : kCountdownTexts) {
    EXPECT_TRUE(Atlas().Covers(text, kCountdownFontHeight)) << text;
  }
  EXPECT_TRUE(Atlas().Covers(kGoodVerdict, kCountdownFontHeight));
  EXPECT_TRUE(Atlas().Covers(kMissVerdict, kCountdownFontHeight));
}

// The numbers a ranking file can hold, however crafted, and those of the result and the clock,
// are written with the characters of kNumberCharacters and the labels only.
TEST_F(GameAtlas, HoldsEveryNumberAndTimeAnyRankingFileOrRoundCanShow) {
  const std::int32_t values[] = {INT_MIN, INT_MIN + 1, -1000000000, -959, -100, -10,  -1,     0,
                                 1,       9,           10,          99,   959,  1000, INT_MAX};
  for (const std::int32_t v : values) {
    for (const std::string& text : {std::to_string(v), RankingTimeText(v), Ordinal(v),
                                    std::string(kRankLabel) + Ordinal(v)}) {
      EXPECT_TRUE(Atlas().Covers(text, kSmallFontHeight)) << text;
    }
  }
  for (std::int32_t s = 0; s <= kLastShownSecond; ++s) {
    const std::string text = ResultTimeText(DigitsOfSecond(s));
    ASSERT_TRUE(Atlas().Covers(text, kSmallFontHeight)) << text;
  }
}

// Texts as the game writes them, at the height it writes them, beyond the fixed ones.
std::vector<std::pair<std::string, int>> WrittenTexts() {
  std::vector<std::pair<std::string, int>> out;
  for (const TextsAtHeight& entry : GameTextsByHeight()) {
    for (std::string_view text : entry.Texts) out.emplace_back(text, entry.Height);
    // Every character alone: a glyph that differs shows here even when a text hides it.
    for (std::string_view text : entry.Texts) {
      for (std::size_t i = 0; i < text.size();) {
        const std::size_t from = i;
        DecodeUtf8(text, i);
        out.emplace_back(text.substr(from, i - from), entry.Height);
      }
    }
  }
  for (const std::string& text :
       {ResultTimeText({0, 0, 2}), ResultTimeText({9, 5, 9}), RankingTimeText(INT_MIN),
        RankingTimeText(123), std::string(kRankLabel) + Ordinal(1),
        std::string(kRankLabel) + Ordinal(20), std::string(kIoErrorOpen) + "28)",
        std::string(kPictureOpenBefore) + "/home/player/.local/share/enclova/fgra.bmp" +
            std::string(kPictureOpenAfter),
        std::string("A\xFF"
                    "B"),
        std::string("\xE3\x80")}) {
    out.emplace_back(text, kSmallFontHeight);
  }
  out.emplace_back("Go!\xC0", kCountdownFontHeight);
  return out;
}

TEST_F(GameAtlas, DrawsEveryTextAsTheFontItWasRenderedFromDraws) {
  int compared = 0;
  for (const auto& [text, height] : WrittenTexts()) {
    const GlyphRun atlas = Atlas().Render(text, height);
    const GlyphRun font = Font().Render(text, height);
    EXPECT_TRUE(RunsMatch(atlas, font))
        << text << " at " << height << ": atlas " << Describe(atlas) << ", font " << Describe(font);
    ++compared;
  }
  EXPECT_GT(compared, 300);
}

TEST_F(GameAtlas, DrawsACharacterItLacksAsTheFontDrawsTheReplacementCharacter) {
  for (const int height : {kSmallFontHeight, kCountdownFontHeight}) {
    for (const char* lacking : {"\u03A9", "\u00E9", "\U0001F600", "q"}) {
      const std::string text = std::string("G") + lacking + "!";
      if (height == kSmallFontHeight && std::string(lacking) == "q") continue;  // a path's
      EXPECT_FALSE(Atlas().Covers(text, height)) << lacking;
      EXPECT_TRUE(RunsMatch(Atlas().Render(text, height), Font().Render("G\uFFFD!", height)))
          << lacking << " at " << height;
    }
  }
}

// The atlas's face, noting every text asked of it at a height where it lacks a character.
class CoverageCheck final : public Typeface {
 public:
  explicit CoverageCheck(const AtlasTypeface& atlas) : atlas_(atlas) {}
  GlyphRun Render(std::string_view utf8, int height) const override {
    Drawn.insert(std::string(utf8));
    if (!atlas_.Covers(utf8, height)) {
      Uncovered.push_back(std::string(utf8) + " at " + std::to_string(height));
    }
    return atlas_.Render(utf8, height);
  }
  mutable std::set<std::string> Drawn;
  mutable std::vector<std::string> Uncovered;

 private:
  const AtlasTypeface& atlas_;
};

// Plays what writes text, checking each text the moment it is written: rounds good and
// missed, a repaint in the countdown, the ranking of a crafted file, the start-up failure.
TEST_F(GameAtlas, HoldsEverythingTheGameWrites) {
  const CoverageCheck check(Atlas());
  {
    GameHarness::Options options;
    options.Seed = SeedWithGoodLoop(1, false);
    RecordedGame game(options, nullptr, 50, false);
    game.Form.Canvas.Face = &check;
    PlayGoodRound(game);
    game.Key(VK_Z);  // the ranking screen, then the title
    game.Key(VK_Z);
    game.Run(2500);  // into the countdown, repainted there
    game.App.Paint();
  }
  {
    RecordedGame game({}, nullptr, 50, false);
    game.Form.Canvas.Face = &check;
    PlayMissedRound(game);
  }
  {
    // Every third place empty, its level negative; the others pair every level with every time.
    RankingTable table;
    const std::int32_t levels[] = {INT_MAX, 0, 1000000, 10};
    const std::int32_t times[] = {INT_MIN, INT_MAX, -1, -959, 123456789, 0};
    for (int i = 1, shown = 0; i <= kRankingEntries; ++i) {
      if (i % 3 == 0) {
        table.RankLevels[i] = i % 2 ? INT_MIN : -1;
        table.RankTimes[i] = INT_MAX;
        continue;
      }
      table.RankLevels[i] = levels[shown % 4];
      table.RankTimes[i] = times[shown % 6];
      ++shown;
    }
    const auto file = EncodeRecordFile(table);
    GameHarness::Options options;
    options.RecordFile.assign(file.begin(), file.end());
    GameHarness game(options);
    game.Form.Canvas.Face = &check;
    game.Tick();
    game.Key(VK_X);
    game.Paint();
  }
  {
    GameHarness::Options options;
    options.WriteSheet = false;
    GameHarness game(options);
    game.Form.Canvas.Face = &check;
    game.Tick();
  }
  EXPECT_EQ(check.Uncovered, std::vector<std::string>{});
  // Not vacuous: these were written, and checked.
  for (const std::string& text :
       {std::string(kCountdownTexts[1]), std::string(kCountdownTexts[5]), std::string(kGoodVerdict),
        std::string(kMissVerdict), std::string(kPressAnyKey), std::string(kStartupFailureLines[0]),
        std::to_string(INT_MAX), RankingTimeText(INT_MIN), std::string(kRankLabel) + Ordinal(1)}) {
    EXPECT_TRUE(check.Drawn.count(text)) << text << " was not written";
  }
}

// ---------------------------------------------------------------------------------------------
// The error box's face.

// A face that cannot load, as when no installed font fits.
class NoFont final : public FreeTypeTypeface {
 public:
  GlyphRun Render(std::string_view, int height) const override { return {0, height, {}}; }
  bool Load() const override { return false; }
  CellMetrics Cell(int) const override { return {}; }
  GlyphImage Glyph(char32_t, int) const override { return {}; }
  bool HasGlyph(char32_t) const override { return false; }
};

using ErrorBoxTypeface = GameAtlas;

TEST_F(ErrorBoxTypeface, DrawsFromTheAtlasAndLoadsTheFontOnlyForACharacterTheAtlasLacks) {
  int opened = 0;
  const auto box = OpenErrorBoxTypeface(Atlas(), [&] {
    ++opened;
    return OpenTypefaceByFamily("IPAPGothic");
  });
  const std::string ascii =
      std::string(kPictureOpenBefore) + "/tmp/x/fgra.bmp" + std::string(kPictureOpenAfter);
  for (std::string_view text : kPlayerTexts) {
    EXPECT_TRUE(RunsMatch(box->Render(text, 16), Atlas().Render(text, 16))) << text;
  }
  EXPECT_TRUE(RunsMatch(box->Render(ascii, 16), Atlas().Render(ascii, 16)));
  EXPECT_EQ(opened, 0);

  const std::string named = std::string(kPictureOpenBefore) + "/home/Ωmega/データ/fgra.bmp" +
                            std::string(kPictureOpenAfter);
  const GlyphRun run = box->Render(named, 16);
  EXPECT_TRUE(RunsMatch(run, Font().Render(named, 16)));
  EXPECT_FALSE(RunsMatch(run, Atlas().Render(named, 16)));
  EXPECT_TRUE(RunsMatch(box->Render("Ω", 16), Font().Render("Ω", 16)));
  EXPECT_TRUE(RunsMatch(box->Render("OK", 16), Atlas().Render("OK", 16)));
  EXPECT_EQ(opened, 1);
}

TEST_F(ErrorBoxTypeface, WithoutAnyFontTheAtlasDrawsItsReplacementCharacter) {
  for (const FreeTypeOpener& open :
       {FreeTypeOpener([] { return std::make_unique<NoFont>(); }),
        FreeTypeOpener([] { return std::unique_ptr<FreeTypeTypeface>(); }), FreeTypeOpener()}) {
    const auto box = OpenErrorBoxTypeface(Atlas(), open);
    const std::string text = "ファイル /tmp/Ω.bmp は開けません";
    EXPECT_TRUE(RunsMatch(box->Render(text, 16), Atlas().Render(text, 16)));
    EXPECT_FALSE(box->Render(text, 16).Coverage.empty());
  }
}

}  // namespace
}  // namespace enclova::testing
