// SPDX-License-Identifier: MIT
// The game's typeface from fontconfig and FreeType, sized by cell as Windows does, glyphs cached.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>

#include "gfx/typeface.h"

namespace enclova {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at text[i] and moves i past it. Malformed input gives U+FFFD, one per
// maximal ill-formed prefix; no byte at or after text.size() is ever read.
char32_t DecodeNext(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = byte(i++);
  if (lead < 0x80) return lead;
  int more = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the first continuation byte
  char32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return kReplacement;
  }
  for (int k = 0; k < more; ++k) {
    if (i >= text.size()) return kReplacement;
    const unsigned next = byte(i);
    if (next < low || next > high) return kReplacement;
    cp = (cp << 6) | (next & 0x3F);
    ++i;
    low = 0x80, high = 0xBF;
  }
  return cp;
}

struct FaceFile {
  std::string Path;
  int Index = 0;
  std::string Family;  // as the caller asked for it
};

using PatternPtr = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

PatternPtr JapanesePattern(const char* family) {
  PatternPtr pattern(FcPatternCreate(), &FcPatternDestroy);
  if (!pattern) return pattern;
  if (family != nullptr) {
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  }
  FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  return pattern;
}

// Family names compare as fontconfig compares them: ASCII case and blanks do not count.
bool SameFamily(std::string_view a, std::string_view b) {
  const auto next = [](std::string_view s, std::size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) return -1;
    const char c = s[i++];
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : static_cast<unsigned char>(c);
  };
  std::size_t i = 0, j = 0;
  for (;;) {
    const int x = next(a, i), y = next(b, j);
    if (x != y) return false;
    if (x < 0) return true;
  }
}

bool HasFamily(FcPattern* font, const char* family) {
  FcChar8* name = nullptr;
  for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
    if (SameFamily(reinterpret_cast<const char*>(name), family)) return true;
  }
  return false;
}

bool CoversTexts(FcPattern* font, const std::vector<std::string>& texts) {
  FcCharSet* charset = nullptr;
  if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) return false;
  for (std::string_view text : texts) {
    for (std::size_t i = 0; i < text.size();) {
      if (!FcCharSetHasChar(charset, DecodeNext(text, i))) return false;
    }
  }
  return true;
}

// Monospaced and dual-width faces set Latin text in fixed cells, unlike the window's face.
bool IsProportional(FcPattern* font) {
  int spacing = FC_PROPORTIONAL;
  FcPatternGetInteger(font, FC_SPACING, 0, &spacing);
  return spacing == FC_PROPORTIONAL;
}

std::optional<FaceFile> FileOf(FcPattern* font, const std::string& family) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  int index = 0;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  return FaceFile{reinterpret_cast<const char*>(file), index, family};
}

// The best face of exactly this family, or nothing when fontconfig substitutes another.
std::optional<FaceFile> MatchFamily(const char* family, const std::vector<std::string>* texts) {
  PatternPtr pattern = JapanesePattern(family);
  if (!pattern) return std::nullopt;
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
  if (!match || !HasFamily(match.get(), family)) return std::nullopt;
  if (texts != nullptr && !CoversTexts(match.get(), *texts)) return std::nullopt;
  return FileOf(match.get(), family);
}

// Any proportional face that covers the texts, in fontconfig's order for Japanese sans.
std::optional<FaceFile> MatchAnyJapaneseFace(const std::vector<std::string>& texts) {
  PatternPtr pattern = JapanesePattern("sans-serif");
  if (!pattern) return std::nullopt;
  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
      FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result), &FcFontSetDestroy);
  if (!fonts) return std::nullopt;
  for (int n = 0; n < fonts->nfont; ++n) {
    FcPattern* font = fonts->fonts[n];
    FcBool outline = FcFalse;
    FcPatternGetBool(font, FC_OUTLINE, 0, &outline);
    if (!outline || !IsProportional(font) || !CoversTexts(font, texts)) continue;
    FcChar8* name = nullptr;
    FcPatternGetString(font, FC_FAMILY, 0, &name);
    return FileOf(font, name != nullptr ? reinterpret_cast<const char*>(name) : "");
  }
  return std::nullopt;
}

// fontconfig keeps its configuration and font list for the life of the process; they are
// released when it ends, so that a leak checker sees only what we leak.
bool InitFontconfig() {
  static const bool ready = [] {
    if (FcInit() != FcTrue) return false;
    std::atexit(FcFini);
    return true;
  }();
  return ready;
}

std::optional<FaceFile> FindPreferredFace(const FaceRequest& request, std::string* why) {
  if (!InitFontconfig()) {
    *why = "fontconfig could not be initialised";
    return std::nullopt;
  }
  for (const std::string& family : request.Families) {
    if (auto face = MatchFamily(family.c_str(), &request.Texts)) return face;
  }
  if (auto face = MatchAnyJapaneseFace(request.Texts)) return face;
  *why = request.MissingHint;
  return std::nullopt;
}

// Where the glyphs of one height sit: Windows sizes a font by its cell, which is the OS/2
// winAscent + winDescent scaled to the requested pixels.
struct CellMetrics {
  int Height = 0;
  int Baseline = 0;       // rows from the top of the cell
  FT_F26Dot6 EmSize = 0;  // the em in 1/64 pixel, as FreeType is asked for it
};

// One rasterised glyph: coverage rows of Width bytes, placed relative to the pen on the baseline.
struct Glyph {
  int Advance = 0;
  int Left = 0;
  int Top = 0;  // rows above the baseline
  int Width = 0;
  int Rows = 0;
  std::vector<std::uint8_t> Coverage;
};

class FreeTypeTypeface final : public Typeface {
 public:
  using Finder = std::function<std::optional<FaceFile>(std::string* why)>;

  explicit FreeTypeTypeface(Finder finder) : finder_(std::move(finder)) {}
  explicit FreeTypeTypeface(FaceFile file) : file_(std::move(file)) {}

  ~FreeTypeTypeface() override {
    if (loader_.joinable()) loader_.join();
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }

  FreeTypeTypeface(const FreeTypeTypeface&) = delete;
  FreeTypeTypeface& operator=(const FreeTypeTypeface&) = delete;

  GlyphRun Render(std::string_view utf8, int height) const override {
    GlyphRun run;
    if (height == 0 || !Load()) {
      run.Height = height < 0 ? -height : height;
      return run;
    }
    const CellMetrics& cell = Cell(height);
    std::vector<const Glyph*> glyphs;
    glyphs.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
      const Glyph& glyph = GlyphFor(DecodeNext(utf8, i), height, cell);
      glyphs.push_back(&glyph);
      run.Width += glyph.Advance;
    }
    run.Height = cell.Height;
    run.Coverage.assign(static_cast<std::size_t>(run.Width) * run.Height, 0);
    int pen = 0;
    for (const Glyph* glyph : glyphs) {
      Composite(*glyph, pen + glyph->Left, cell.Baseline - glyph->Top, run);
      pen += glyph->Advance;
    }
    return run;
  }

  // The loader alone touches the face's state until it is joined, which the first Load does.
  void PrepareInBackground(std::function<void(bool)> done) override {
    if (prepareStarted_) return;
    prepareStarted_ = true;
    if (face_ != nullptr || failed_) return;
    loader_ = std::thread([this, done = std::move(done)] {
      const bool loaded = LoadHere();
      if (done) done(loaded);
    });
  }

  // Opens the face on first use; false for good once that has failed.
  bool Load() const {
    if (loader_.joinable()) loader_.join();
    return LoadHere();
  }

  const std::string& Error() const { return error_; }

 private:
  bool LoadHere() const {
    if (face_ != nullptr) return true;
    if (failed_) return false;
    std::string why;
    if (!file_ && finder_ != nullptr) file_ = finder_(&why);
    if (file_) why = Open(*file_);
    if (face_ != nullptr) return true;
    failed_ = true;
    error_ = why;
    // The lazily found game face has no caller left to tell.
    if (finder_ != nullptr)
      std::fprintf(stderr, "enclova: text cannot be drawn: %s\n", why.c_str());
    return false;
  }

  // Returns why the file could not serve as the face, or nothing when face_ is ready.
  std::string Open(const FaceFile& file) const {
    if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return "FreeType could not be initialised";
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library_, file.Path.c_str(), file.Index, &face) != 0) {
      return "cannot open the font file " + file.Path;
    }
    if (!FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      return "the font file " + file.Path + " has no outlines";
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    face_ = face;
    return {};
  }

  const CellMetrics& Cell(int height) const {
    auto found = cells_.find(height);
    if (found != cells_.end()) return found->second;
    double ascent = face_->ascender, descent = -face_->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    } else if (const auto* hhea =
                   static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
               hhea != nullptr && hhea->Ascender - hhea->Descender > 0) {
      ascent = hhea->Ascender;
      descent = -hhea->Descender;
    }
    if (ascent + descent <= 0) ascent = face_->units_per_EM, descent = 0;
    CellMetrics cell;
    double scale;  // pixels per font unit
    if (height > 0) {
      scale = height / (ascent + descent);
      cell.Height = height;
    } else {
      scale = -static_cast<double>(height) / face_->units_per_EM;
      cell.Height = static_cast<int>(std::lround((ascent + descent) * scale));
    }
    cell.Baseline = static_cast<int>(std::lround(ascent * scale));
    cell.EmSize = std::lround(scale * face_->units_per_EM * 64);
    return cells_.emplace(height, cell).first->second;
  }

  const Glyph& GlyphFor(char32_t cp, int height, const CellMetrics& cell) const {
    const std::uint64_t key =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(height)) << 32) | cp;
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;
    Glyph glyph;
    if (sized_ != height) {
      FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_NOMINAL, 0, cell.EmSize, 0, 0};
      sized_ = FT_Request_Size(face_, &request) == 0 ? height : 0;
    }
    // A character the face lacks maps to glyph 0, the face's own .notdef.
    const FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (sized_ == height && FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT) == 0 &&
        FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) == 0) {
      const FT_GlyphSlot slot = face_->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      glyph.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
      glyph.Left = slot->bitmap_left;
      glyph.Top = slot->bitmap_top;
      glyph.Width = static_cast<int>(bitmap.width);
      glyph.Rows = static_cast<int>(bitmap.rows);
      glyph.Coverage.resize(static_cast<std::size_t>(glyph.Width) * glyph.Rows);
      for (int y = 0; y < glyph.Rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.Width; ++x) {
          std::uint8_t value = 0;
          if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            value = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
          } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1) {
            value = static_cast<std::uint8_t>(row[x] * 255 / (bitmap.num_grays - 1));
          }
          glyph.Coverage[static_cast<std::size_t>(y) * glyph.Width + x] = value;
        }
      }
    }
    return glyphs_.emplace(key, std::move(glyph)).first->second;
  }

  // Ink of the same colour laid over ink: coverages combine as 1 - (1 - a)(1 - b), so glyphs
  // that overlap do not punch holes in each other. The cell clips what overhangs it.
  static void Composite(const Glyph& glyph, int left, int top, GlyphRun& run) {
    for (int y = 0; y < glyph.Rows; ++y) {
      const int ty = top + y;
      if (ty < 0 || ty >= run.Height) continue;
      for (int x = 0; x < glyph.Width; ++x) {
        const int tx = left + x;
        if (tx < 0 || tx >= run.Width) continue;
        const unsigned ink = glyph.Coverage[static_cast<std::size_t>(y) * glyph.Width + x];
        std::uint8_t& target = run.Coverage[static_cast<std::size_t>(ty) * run.Width + tx];
        target = static_cast<std::uint8_t>(target + ((255u - target) * ink + 127) / 255);
      }
    }
  }

  Finder finder_;
  bool prepareStarted_ = false;
  mutable std::thread loader_;
  mutable std::optional<FaceFile> file_;
  mutable FT_Library library_ = nullptr;
  mutable FT_Face face_ = nullptr;
  mutable bool failed_ = false;
  mutable std::string error_;
  mutable int sized_ = 0;  // the height FreeType's size is set for; 0 before any
  mutable std::unordered_map<int, CellMetrics> cells_;
  mutable std::unordered_map<std::uint64_t, Glyph> glyphs_;
};

}  // namespace

std::unique_ptr<Typeface> OpenPreferredTypeface(FaceRequest request, std::string* error) {
  // Nothing is asked of fontconfig yet: the title screen has no text, and fontconfig's first
  // call can take long enough to delay the first frame. A face that cannot be found is reported
  // on standard error at the first text, which then draws as an empty run.
  if (error != nullptr) error->clear();
  return std::make_unique<FreeTypeTypeface>(
      [request = std::move(request)](std::string* why) { return FindPreferredFace(request, why); });
}

std::unique_ptr<Typeface> OpenTypefaceByFamily(const std::string& family, std::string* error) {
  std::string why;
  std::optional<FaceFile> file;
  if (!InitFontconfig()) {
    why = "fontconfig could not be initialised";
  } else {
    file = MatchFamily(family.c_str(), nullptr);
    if (!file) why = "no font of the family " + family + " is installed";
  }
  std::unique_ptr<FreeTypeTypeface> face;
  if (file) {
    face = std::make_unique<FreeTypeTypeface>(std::move(*file));
    if (!face->Load()) {
      why = face->Error();
      face.reset();
    }
  }
  if (error != nullptr) *error = face ? std::string() : why;
  return face;
}

}  // namespace enclova
