// SPDX-License-Identifier: MIT
// The game's face from the installed fonts (what the atlas is rendered from, and the error box's
// fallback): face choice, Windows cell sizing, layout, decoding, cache and TextOut.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fonts/freetype_face.h"
#include "fonts/game_fonts.h"
#include "gfx/surface.h"
#include "tests/kit/seed.h"

namespace enclova::testing {
namespace {

// Every text the game draws, at the height it draws it.
struct ShownText {
  const char* Text;
  int Height;
};
const ShownText kShownTexts[] = {
    {"Ready", 48},
    {"Ready...", 48},
    {"   Go!       ", 48},
    {"Ｇｏｏｄ!", 48},
    {"Ｍｉｓｓ!", 48},
    {"Time : 1' 23\"", 16},
    {"Time : 9' 59\"", 16},
    {"Rank", 16},
    {"Level", 16},
    {"-------    No Entry    -------", 16},
    {"########　　　Press any key　　　########", 16},
};

// The error box's texts: the face must draw their kana and kanji too.
const char* const kErrorTexts[] = {
    "ファイルが見つかりません",
    "不正なファイル名です",
    "オープンしたファイルが多すぎます",
    "ファイルへのアクセスが拒否されました",
    "ファイルの末尾以降を読み込みました",
    "ディスクがいっぱいです",
    "I/O エラー (5)",
    "ファイル /tmp/fgra.bmp は開けません",
    "ビットマップイメージが不正です",
};

const char kIdeographicSpace[] = "\u3000";
const char kUnassigned[] = "\xCD\xB8";  // U+0378: in no font, so it draws the face's .notdef

bool SameRun(const GlyphRun& a, const GlyphRun& b) {
  return a.Width == b.Width && a.Height == b.Height && a.Coverage == b.Coverage;
}

bool Blank(const GlyphRun& run) {
  return std::all_of(run.Coverage.begin(), run.Coverage.end(), [](auto c) { return c == 0; });
}

// The code points of a valid UTF-8 text, each as its own UTF-8 string.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

// Rows [first, last] that hold ink of at least `threshold`; {-1, -1} when none.
std::pair<int, int> InkRows(const GlyphRun& run, int threshold = 1) {
  int first = -1, last = -1;
  for (int y = 0; y < run.Height; ++y) {
    for (int x = 0; x < run.Width; ++x) {
      if (run.Coverage[static_cast<std::size_t>(y * run.Width + x)] >= threshold) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return {first, last};
}

bool ColumnsHaveInk(const GlyphRun& run, int from, int to) {
  for (int y = 0; y < run.Height; ++y) {
    for (int x = from; x < to; ++x) {
      if (run.Coverage[static_cast<std::size_t>(y * run.Width + x)] != 0) return true;
    }
  }
  return false;
}

std::string FontFileOf(const char* family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  FcChar8* value = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch) {
    file = reinterpret_cast<const char*>(value);
  }
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return file;
}

// The vertical metrics Windows sizes a font by, read straight from the font file.
struct WinMetrics {
  int UnitsPerEm = 0;
  int Ascent = 0;
  int Descent = 0;
};

WinMetrics ReadWinMetrics(const std::string& file) {
  WinMetrics m;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) return m;
  if (FT_New_Face(library, file.c_str(), 0, &face) == 0) {
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
      m = {face->units_per_EM, os2->usWinAscent, os2->usWinDescent};
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return m;
}

class TypefaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    game_ = OpenGameFreeTypeface().release();
    ipa_ = OpenTypefaceByFamily("IPAPGothic").release();
  }
  static void TearDownTestSuite() {
    delete game_;
    delete ipa_;
    game_ = ipa_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(game_, nullptr);
    if (ipa_ == nullptr) GTEST_SKIP() << "IPAPGothic (fonts-ipafont-gothic) is not installed";
  }

  static GlyphRun Game(const std::string& text, int height) { return game_->Render(text, height); }
  static int Width(const std::string& text, int height) { return Game(text, height).Width; }

  static const Typeface* game_;
  static const Typeface* ipa_;
};
const Typeface* TypefaceTest::game_ = nullptr;
const Typeface* TypefaceTest::ipa_ = nullptr;

TEST_F(TypefaceTest, ChoosesTheWindowFaceOrTheFirstInstalledJapaneseProportionalGothic) {
  // Whatever the locale makes of a bare request, the game's face is the first of these present.
  const char* expected = nullptr;
  std::unique_ptr<Typeface> pinned;
  for (const char* family : {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"}) {
    if ((pinned = OpenTypefaceByFamily(family)) != nullptr) {
      expected = family;
      break;
    }
  }
  ASSERT_NE(pinned, nullptr);
  std::printf("game face: %s (%s)\n", expected, FontFileOf(expected).c_str());
  std::vector<ShownText> all(std::begin(kShownTexts), std::end(kShownTexts));
  for (const char* error : kErrorTexts) all.push_back({error, 16});
  for (const ShownText& shown : all) {
    EXPECT_TRUE(SameRun(Game(shown.Text, shown.Height), pinned->Render(shown.Text, shown.Height)))
        << shown.Text;
  }
}

TEST_F(TypefaceTest, DrawsEveryCharacterOfTheGameWithAGlyphOfItsOwn) {
  const GlyphRun notdef = Game(kUnassigned, 16);
  std::set<std::string> characters;
  for (const ShownText& shown : kShownTexts) {
    for (const std::string& c : Characters(shown.Text)) characters.insert(c);
  }
  for (const char* error : kErrorTexts) {
    for (const std::string& c : Characters(error)) characters.insert(c);
  }
  for (const std::string& c : characters) {
    const GlyphRun run = Game(c, 16);
    EXPECT_GT(run.Width, 0) << c;
    if (c == " " || c == kIdeographicSpace) {
      EXPECT_TRUE(Blank(run)) << "'" << c << "' is a blank";
    } else {
      EXPECT_FALSE(Blank(run)) << c;
      EXPECT_FALSE(SameRun(run, notdef)) << c << " draws as the missing-glyph box";
    }
  }
  // The full-width letters are glyphs of their own, not the ASCII ones.
  for (const auto& [full, half] : {std::pair{"Ｇ", "G"}, {"ｏ", "o"}, {"Ｍ", "M"}, {"ｓ", "s"}}) {
    EXPECT_FALSE(SameRun(Game(full, 48), Game(half, 48))) << full;
  }
}

TEST_F(TypefaceTest, CellIsExactlyThePositiveHeight) {
  for (int height : {1, 7, 12, 16, 33, 48, 100}) {
    for (const char* text : {"Ready", "Hgy|", "Ｇｏｏｄ!", "ファイル", kUnassigned}) {
      const GlyphRun run = Game(text, height);
      EXPECT_EQ(run.Height, height) << text;
      EXPECT_EQ(run.Coverage.size(), static_cast<std::size_t>(run.Width * run.Height)) << text;
    }
  }
}

TEST_F(TypefaceTest, EmptyTextIsAnEmptyCellAndHeightZeroDrawsNothing) {
  const GlyphRun empty = Game("", 16);
  EXPECT_EQ(empty.Width, 0);
  EXPECT_EQ(empty.Height, 16);
  EXPECT_TRUE(empty.Coverage.empty());
  const GlyphRun zero = Game("Ready", 0);
  EXPECT_EQ(zero.Width, 0);
  EXPECT_EQ(zero.Height, 0);
  EXPECT_TRUE(zero.Coverage.empty());
}

TEST_F(TypefaceTest, BaselineSitsAtTheWindowsAscentScaledToTheCell) {
  const WinMetrics m = ReadWinMetrics(FontFileOf("IPAPGothic"));
  ASSERT_GT(m.Ascent + m.Descent, 0);
  struct Case {
    int Height;
    int Cell;      // rows of the run
    int Baseline;  // first row below the baseline
  };
  std::vector<Case> cases;
  for (int h : {13, 16, 30, 48}) {
    cases.push_back(
        {h, h, static_cast<int>(std::lround(1.0 * m.Ascent * h / (m.Ascent + m.Descent)))});
  }
  for (int em : {12, 16, 44}) {  // negative heights size the em; the cell follows from it
    const double scale = 1.0 * em / m.UnitsPerEm;
    cases.push_back({-em, static_cast<int>(std::lround((m.Ascent + m.Descent) * scale)),
                     static_cast<int>(std::lround(m.Ascent * scale))});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE("height " + std::to_string(c.Height));
    // H stands on the baseline; g hangs below it but stays inside the cell.
    const GlyphRun h = ipa_->Render("H", c.Height);
    EXPECT_EQ(h.Height, c.Cell);
    EXPECT_EQ(InkRows(h, 128).second, c.Baseline - 1);
    EXPECT_LT(InkRows(h).second, c.Baseline);
    const GlyphRun g = ipa_->Render("g", c.Height);
    EXPECT_GE(InkRows(g, 128).second, c.Baseline);
    EXPECT_LT(InkRows(g).second, c.Cell);
  }
  std::printf("IPAPGothic: upem %d, winAscent %d, winDescent %d\n", m.UnitsPerEm, m.Ascent,
              m.Descent);
}

TEST_F(TypefaceTest, AsciiIsProportionalAndTheIdeographicSpaceIsFullWidth) {
  for (int height : {16, 48}) {
    EXPECT_LT(Width("i", height), Width("W", height));
    EXPECT_LT(Width("l", height), Width("m", height));
    EXPECT_LT(Width(".", height), Width("R", height));
    EXPECT_GT(Width(kIdeographicSpace, height), 2 * Width(" ", height));
    EXPECT_GT(Width("ア", height), Width("i", height));
  }
}

TEST_F(TypefaceTest, WidthIsTheSumOfTheAdvancesWithoutKerning) {
  for (int height : {16, 48}) {
    for (const char* text : {"AV", "To", "Wa", "LT", "Yo", "Ready...", "Ｇｏｏｄ!", "Ｍｉｓｓ!",
                             "Time : 9' 59\"", "   Go!       "}) {
      int sum = 0;
      for (const std::string& c : Characters(text)) sum += Width(c, height);
      EXPECT_EQ(Width(text, height), sum) << text << " at " << height;
    }
  }
}

TEST_F(TypefaceTest, EveryVisibleCharacterInksItsOwnAdvanceAndNothingIsClippedAtTheTop) {
  for (const ShownText& shown : kShownTexts) {
    SCOPED_TRACE(shown.Text);
    const GlyphRun run = Game(shown.Text, shown.Height);
    EXPECT_GT(InkRows(run).first, 0);
    int pen = 0;
    for (const std::string& c : Characters(shown.Text)) {
      const int advance = Width(c, shown.Height);
      const bool blank = c == " " || c == kIdeographicSpace;
      if (blank) {
        // Overhang of a neighbour aside, the gaps stay background.
        EXPECT_FALSE(ColumnsHaveInk(run, pen + 1, pen + advance - 1)) << "column " << pen;
      } else {
        EXPECT_TRUE(ColumnsHaveInk(run, pen, pen + advance)) << "'" << c << "' at " << pen;
      }
      pen += advance;
    }
    EXPECT_EQ(pen, run.Width);
  }
}

TEST_F(TypefaceTest, IdeographicSpacesLeaveBlankCellsBetweenTheMarks) {
  const GlyphRun hash = Game("#", 16);
  const GlyphRun run = Game("#　　　#", 16);
  const int gap = 3 * Width(kIdeographicSpace, 16);
  ASSERT_EQ(run.Width, 2 * hash.Width + gap);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < run.Width; ++x) {
      const int local = x < hash.Width ? x : x >= hash.Width + gap ? x - hash.Width - gap : -1;
      const int expected =
          local < 0 ? 0 : hash.Coverage[static_cast<std::size_t>(y * hash.Width + local)];
      ASSERT_EQ(run.Coverage[static_cast<std::size_t>(y * run.Width + x)], expected)
          << "at (" << x << ", " << y << ")";
    }
  }
}

TEST_F(TypefaceTest, InkOverhangingTheCellIsClippedAndTheRestStaysInPlace) {
  // These IPAPGothic glyphs reach past their advance on the left or the right.
  const std::string pad = kIdeographicSpace;
  const int padWidth = ipa_->Render(pad, 48).Width;
  for (const char* c : {"T", "f", "j", "J", "K"}) {
    const GlyphRun alone = ipa_->Render(c, 48);
    const GlyphRun roomy = ipa_->Render(pad + c + pad, 48);
    ASSERT_EQ(roomy.Width, alone.Width + 2 * padWidth);
    EXPECT_TRUE(ColumnsHaveInk(roomy, 0, padWidth) ||
                ColumnsHaveInk(roomy, padWidth + alone.Width, roomy.Width))
        << c << " does not overhang";
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < alone.Width; ++x) {
        ASSERT_EQ(alone.Coverage[static_cast<std::size_t>(y * alone.Width + x)],
                  roomy.Coverage[static_cast<std::size_t>(y * roomy.Width + padWidth + x)])
            << c << " at (" << x << ", " << y << ")";
      }
    }
  }
}

TEST_F(TypefaceTest, OverlappingGlyphsAddTheirInkWithoutHoles) {
  // In IPAPGothic the hook of f reaches over the bar of T; ideographic spaces give both room.
  const std::string pad = kIdeographicSpace;
  const GlyphRun f = ipa_->Render(pad + "f" + pad, 48);
  const GlyphRun t = ipa_->Render(pad + "T" + pad, 48);
  const GlyphRun ft = ipa_->Render(pad + "fT" + pad, 48);
  const int shift = ipa_->Render("f", 48).Width;
  ASSERT_EQ(ft.Width, f.Width + ipa_->Render("T", 48).Width);
  const auto at = [](const GlyphRun& run, int x, int y) {
    return x < 0 || x >= run.Width ? 0 : run.Coverage[static_cast<std::size_t>(y * run.Width + x)];
  };
  int overlaps = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < ft.Width; ++x) {
      const int a = at(f, x, y), b = at(t, x - shift, y);
      if (a > 0 && b > 0) ++overlaps;
      const int expected = a + (255 - a) * b / 255;
      EXPECT_NEAR(at(ft, x, y), expected, 1) << "at (" << x << ", " << y << ")";
    }
  }
  EXPECT_GT(overlaps, 0);
}

TEST_F(TypefaceTest, MalformedUtf8DrawsOneReplacementPerMaximalBadSequence) {
  const std::string r = "\uFFFD";
  struct Case {
    std::string Bytes;
    std::string Same;
  };
  const Case cases[] = {
      {"A\xFF"
       "B",
       "A" + r + "B"},
      {"\x80\xBF", r + r},                  // stray continuation bytes
      {"\xC0\xAF", r + r},                  // overlong '/'
      {"\xE0\x80\xAF", r + r + r},          // overlong, three bytes
      {"\xED\xA0\x80", r + r + r},          // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
      {"\xE3\x80"
       "A",
       r + "A"},            // cut short before ASCII
      {"\xF0\x9F\x98", r},  // cut short by the end
      {"\xE3\x80\x80\xE3", kIdeographicSpace + r},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SameRun(Game(c.Bytes, 16), Game(c.Same, 16))) << ::testing::PrintToString(c.Bytes);
  }
}

TEST_F(TypefaceTest, DecodingCoversExactlyTheView) {
  // A NUL is a character like any other, not the end of the text.
  const std::string nul("A\0B", 3);
  EXPECT_EQ(Width(nul, 16), Width("A", 16) + Width(std::string(1, '\0'), 16) + Width("B", 16));
  EXPECT_GT(Width(nul, 16), Width("AB", 16));

  // The bytes after the view would complete U+3000; the view itself ends mid-sequence.
  const std::string buffer = "A\xE3\x80\x80";
  const GlyphRun cut = game_->Render(std::string_view(buffer.data(), 3), 16);
  EXPECT_TRUE(SameRun(cut, Game("A\uFFFD", 16)));
  EXPECT_FALSE(SameRun(cut, Game("A\u3000", 16)));
}

TEST_F(TypefaceTest, RandomBytesAlwaysGiveAWholeCell) {
  for (const std::uint32_t seed : TestSeeds()) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 random(seed);
    for (int n = 0; n < 500; ++n) {
      std::string bytes(random() % 12, '\0');
      for (char& b : bytes) b = static_cast<char>(random() % 256);
      const int height = n % 2 ? 16 : 48;
      const GlyphRun run = Game(bytes, height);
      ASSERT_EQ(run.Height, height);
      ASSERT_EQ(run.Coverage.size(), static_cast<std::size_t>(run.Width * height));
      ASSERT_EQ(bytes.empty(), run.Width == 0);
    }
  }
}

TEST_F(TypefaceTest, CachedRunsMatchAFreshFaceWhateverHeightsCameBetween) {
  std::vector<std::pair<std::string, int>> order;
  for (int round = 0; round < 2; ++round) {
    for (int height : {16, 48, -12}) {
      for (const char* text : {"Ｇｏｏｄ!", "Ready", "9' 59\""}) order.emplace_back(text, height);
    }
  }
  const std::unique_ptr<Typeface> mixed = OpenGameFreeTypeface();
  std::vector<GlyphRun> runs;
  for (const auto& [text, height] : order) runs.push_back(mixed->Render(text, height));
  for (std::size_t i = 0; i < order.size(); ++i) {
    // A face that has only ever seen this one height.
    const std::unique_ptr<Typeface> fresh = OpenGameFreeTypeface();
    EXPECT_TRUE(SameRun(runs[i], fresh->Render(order[i].first, order[i].second)))
        << order[i].first << " at " << order[i].second << ", call " << i;
  }
}

TEST_F(TypefaceTest, TextOutPutsLightGreyInkOnBlackWithTheCellsTopLeftAtThePoint) {
  const std::string text = "Ｇｏ!";
  const GlyphRun run = Game(text, 48);
  Surface window(160, 70);
  window.Face = game_;
  window.Brush.Color = 0x00000000;
  window.Font.Height = 48;
  window.Font.Color = 0x00E6E6E6;
  window.TextOut(7, 5, text);
  EXPECT_EQ(window.PenPos, (TPoint{7 + run.Width, 5}));
  ASSERT_LT(7 + run.Width, window.Width());
  int ink = 0;
  for (int y = 0; y < window.Height(); ++y) {
    for (int x = 0; x < window.Width(); ++x) {
      const TColor pixel = window.GetPixel(x, y);
      SCOPED_TRACE("at (" + std::to_string(x) + ", " + std::to_string(y) + ")");
      if (x < 7 || y < 5 || x >= 7 + run.Width || y >= 5 + 48) {
        ASSERT_EQ(pixel, clWhite);
        continue;
      }
      const int coverage = run.Coverage[static_cast<std::size_t>((y - 5) * run.Width + x - 7)];
      if (coverage == 0) {
        ASSERT_EQ(pixel, 0x00000000u);
      } else if (coverage == 255) {
        ASSERT_EQ(pixel, 0x00E6E6E6u);
        ++ink;
      } else {
        // A shade of grey between the brush and the ink.
        const TColor red = pixel & 0xFF;
        ASSERT_EQ(pixel, red * 0x010101u);
        ASSERT_LE(red, 0xE6u);
      }
    }
  }
  EXPECT_GT(ink, 50);
}

// Points fontconfig at a configuration whose only fonts are `fonts` (links in a temporary
// directory), runs `body` and returns its exit code. Fontconfig reads its configuration once per
// process, so this runs in a child process of its own, before anything there asks fontconfig.
int WithOnlyTheseFonts(const std::vector<std::string>& fonts, int (*body)()) {
  char dir[] = "/tmp/enclova-fonts-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 90;
  const std::string root = dir;
  std::string config = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
  if (!fonts.empty()) config += "<dir>" + root + "/fonts</dir>\n";
  config += "<cachedir>" + root + "/cache</cachedir>\n</fontconfig>\n";
  std::error_code error;
  std::filesystem::create_directory(root + "/fonts", error);
  for (const std::string& font : fonts) {
    std::filesystem::create_symlink(
        font, root + "/fonts/" + std::filesystem::path(font).filename().string(), error);
  }
  std::FILE* file = std::fopen((root + "/fonts.conf").c_str(), "w");
  const bool written = file != nullptr && std::fputs(config.c_str(), file) >= 0;
  if (file != nullptr) std::fclose(file);
  setenv("FONTCONFIG_FILE", (root + "/fonts.conf").c_str(), 1);
  const int code = written && !error ? body() : 91;
  std::filesystem::remove_all(root, error);
  return code;
}

const char kIpaGothicFile[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
const char kIpaPMinchoFile[] = "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf";

// Opened before fontconfig is pointed at no fonts: a face that looked for its font at once would
// already have found the real ones.
std::unique_ptr<Typeface> early_face;

int DrawsEmptyRunsOfTheCellHeight() {
  const GlyphRun big = early_face->Render("Ready", 48);
  const GlyphRun small = early_face->Render("Ｇｏｏｄ!", 16);
  const bool empty = big.Width == 0 && big.Height == 48 && big.Coverage.empty() &&
                     small.Width == 0 && small.Height == 16 && small.Coverage.empty();
  return empty ? 0 : 1;
}

int ChoosesIpaPMinchoOverIpaGothic() {
  const std::unique_ptr<Typeface> game = OpenGameFreeTypeface();
  const std::unique_ptr<Typeface> fixed = OpenTypefaceByFamily("IPAGothic");
  const std::unique_ptr<Typeface> mincho = OpenTypefaceByFamily("IPAPMincho");
  if (fixed == nullptr || mincho == nullptr) return 2;
  for (const ShownText& shown : kShownTexts) {
    const GlyphRun run = game->Render(shown.Text, shown.Height);
    if (Blank(run)) return 3;
    if (!SameRun(run, mincho->Render(shown.Text, shown.Height))) return 4;
  }
  return 0;
}

TEST(TypefaceFontconfigDeathTest, WithoutAnyFontTextIsAnEmptyRunOfTheCellAndTheReasonIsPrinted) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  early_face = OpenGameFreeTypeface();
  EXPECT_EXIT(std::exit(WithOnlyTheseFonts({}, &DrawsEmptyRunsOfTheCellHeight)),
              ::testing::ExitedWithCode(0), "text cannot be drawn: no installed font");
  early_face.reset();
}

TEST(TypefaceFontconfigDeathTest, WithoutANamedGothicAProportionalFaceThatCoversTheTextsStandsIn) {
  if (!std::filesystem::exists(kIpaGothicFile) || !std::filesystem::exists(kIpaPMinchoFile)) {
    GTEST_SKIP() << "needs fonts-ipafont-gothic and fonts-ipafont-mincho";
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // IPAGothic covers every text too, but sets Latin letters in fixed cells.
  EXPECT_EXIT(std::exit(WithOnlyTheseFonts({kIpaGothicFile, kIpaPMinchoFile},
                                           &ChoosesIpaPMinchoOverIpaGothic)),
              ::testing::ExitedWithCode(0), "");
}

TEST(TypefaceByFamily, AnAbsentFamilyGivesNoFaceAndSaysWhich) {
  std::string error;
  EXPECT_EQ(OpenTypefaceByFamily("Enclova No Such Family", &error), nullptr);
  EXPECT_NE(error.find("Enclova No Such Family"), std::string::npos) << error;
}

TEST(TypefaceByFamily, PinsTheNamedFamilyEvenWhereTheGameWouldChooseAnother) {
  if (FontFileOf("DejaVu Sans").find("DejaVuSans") == std::string::npos) {
    GTEST_SKIP() << "DejaVu Sans is not installed";
  }
  std::string error = "untouched";
  const std::unique_ptr<Typeface> dejavu = OpenTypefaceByFamily("dejavu sans", &error);
  ASSERT_NE(dejavu, nullptr);
  EXPECT_EQ(error, "");
  const std::unique_ptr<Typeface> game = OpenGameFreeTypeface();
  EXPECT_FALSE(SameRun(dejavu->Render("Ready", 48), game->Render("Ready", 48)));
}

}  // namespace
}  // namespace enclova::testing
