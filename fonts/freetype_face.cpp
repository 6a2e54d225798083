// SPDX-License-Identifier: MIT
// Faces from fontconfig and FreeType, sized by cell as Windows does, glyphs cached.
#include "fonts/freetype_face.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace enclova {
namespace {

// The libraries are opened by name at their first use, not linked: a process that never needs a
// face from the installed fonts (the game, unless an error box names a character its atlas
// lacks) never maps them. Their sonames have stood for many years.
constexpr const char* kFontconfigLibrary = "libfontconfig.so.1";
constexpr const char* kFreeTypeLibrary = "libfreetype.so.6";

// clang-format off
#define ENCLOVA_FONT_FUNCTIONS(X)                                                         \
  X(FcInit) X(FcFini) X(FcPatternCreate) X(FcPatternDestroy) X(FcPatternAddString)        \
  X(FcPatternAddInteger) X(FcPatternGetString) X(FcPatternGetInteger) X(FcPatternGetBool) \
  X(FcPatternGetCharSet) X(FcCharSetHasChar) X(FcConfigSubstitute) X(FcDefaultSubstitute) \
  X(FcFontMatch) X(FcFontSort) X(FcFontSetDestroy)                                        \
  X(FT_Init_FreeType) X(FT_Done_FreeType) X(FT_New_Face) X(FT_Done_Face)                  \
  X(FT_Select_Charmap) X(FT_Get_Sfnt_Table) X(FT_Request_Size) X(FT_Get_Char_Index)       \
  X(FT_Load_Glyph) X(FT_Render_Glyph)
// clang-format on

struct FontLibraries {
#define ENCLOVA_FONT_POINTER(name) decltype(&::name) name = nullptr;
  ENCLOVA_FONT_FUNCTIONS(ENCLOVA_FONT_POINTER)
#undef ENCLOVA_FONT_POINTER
  std::string Error;  // why they could not be opened; empty when every function was found
};

// Opened at the first call and kept open for the life of the process. Its functions may be
// called once OpenFontLibraries() has said yes.
const FontLibraries& Lib() {
  static const FontLibraries libraries = [] {
    FontLibraries out;
    void* const fontconfig = dlopen(kFontconfigLibrary, RTLD_NOW | RTLD_LOCAL);
    void* const freetype =
        fontconfig != nullptr ? dlopen(kFreeTypeLibrary, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (freetype == nullptr) {
      const char* why = dlerror();
      out.Error = std::string("cannot load the font libraries: ") + (why != nullptr ? why : "");
      return out;
    }
#define ENCLOVA_FONT_SYMBOL(name)                                                       \
  out.name = reinterpret_cast<decltype(&::name)>(                                       \
      dlsym(std::string_view(#name).starts_with("Fc") ? fontconfig : freetype, #name)); \
  if (out.name == nullptr && out.Error.empty()) out.Error = "the font libraries lack " #name;
    ENCLOVA_FONT_FUNCTIONS(ENCLOVA_FONT_SYMBOL)
#undef ENCLOVA_FONT_SYMBOL
    return out;
  }();
  return libraries;
}

bool OpenFontLibraries() {
  return Lib().Error.empty();
}

struct FaceFile {
  std::string Path;
  int Index = 0;
  std::string Family;  // as the caller asked for it
};

using PatternPtr = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

PatternPtr JapanesePattern(const char* family) {
  PatternPtr pattern(Lib().FcPatternCreate(), Lib().FcPatternDestroy);
  if (!pattern) return pattern;
  if (family != nullptr) {
    Lib().FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  }
  Lib().FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  Lib().FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
  Lib().FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  Lib().FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  Lib().FcDefaultSubstitute(pattern.get());
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
  for (int n = 0; Lib().FcPatternGetString(font, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
    if (SameFamily(reinterpret_cast<const char*>(name), family)) return true;
  }
  return false;
}

bool CoversTexts(FcPattern* font, const std::vector<std::string>& texts) {
  FcCharSet* charset = nullptr;
  if (Lib().FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) return false;
  for (std::string_view text : texts) {
    for (std::size_t i = 0; i < text.size();) {
      if (!Lib().FcCharSetHasChar(charset, DecodeUtf8(text, i))) return false;
    }
  }
  return true;
}

// Monospaced and dual-width faces set Latin text in fixed cells, unlike the window's face.
bool IsProportional(FcPattern* font) {
  int spacing = FC_PROPORTIONAL;
  Lib().FcPatternGetInteger(font, FC_SPACING, 0, &spacing);
  return spacing == FC_PROPORTIONAL;
}

std::optional<FaceFile> FileOf(FcPattern* font, const std::string& family) {
  FcChar8* file = nullptr;
  if (Lib().FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  int index = 0;
  Lib().FcPatternGetInteger(font, FC_INDEX, 0, &index);
  return FaceFile{reinterpret_cast<const char*>(file), index, family};
}

// The best face of exactly this family, or nothing when fontconfig substitutes another.
std::optional<FaceFile> MatchFamily(const char* family, const std::vector<std::string>* texts) {
  PatternPtr pattern = JapanesePattern(family);
  if (!pattern) return std::nullopt;
  FcResult result = FcResultNoMatch;
  PatternPtr match(Lib().FcFontMatch(nullptr, pattern.get(), &result), Lib().FcPatternDestroy);
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
      Lib().FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result), Lib().FcFontSetDestroy);
  if (!fonts) return std::nullopt;
  for (int n = 0; n < fonts->nfont; ++n) {
    FcPattern* font = fonts->fonts[n];
    FcBool outline = FcFalse;
    Lib().FcPatternGetBool(font, FC_OUTLINE, 0, &outline);
    if (!outline || !IsProportional(font) || !CoversTexts(font, texts)) continue;
    FcChar8* name = nullptr;
    Lib().FcPatternGetString(font, FC_FAMILY, 0, &name);
    return FileOf(font, name != nullptr ? reinterpret_cast<const char*>(name) : "");
  }
  return std::nullopt;
}

// fontconfig keeps its configuration and font list for the life of the process; they are
// released when it ends, so that a leak checker sees only what we leak. False, and why, when the
// libraries or fontconfig's configuration cannot be loaded.
bool InitFontconfig(std::string* why) {
  static const bool ready = [] {
    if (!OpenFontLibraries() || Lib().FcInit() != FcTrue) return false;
    std::atexit([] { Lib().FcFini(); });
    return true;
  }();
  if (!ready) *why = OpenFontLibraries() ? "fontconfig could not be initialised" : Lib().Error;
  return ready;
}

std::optional<FaceFile> FindPreferredFace(const FaceRequest& request, std::string* why) {
  if (!InitFontconfig(why)) return std::nullopt;
  for (const std::string& family : request.Families) {
    if (auto face = MatchFamily(family.c_str(), &request.Texts)) return face;
  }
  if (auto face = MatchAnyJapaneseFace(request.Texts)) return face;
  *why = request.MissingHint;
  return std::nullopt;
}

// Where the glyphs of one height sit: Windows sizes a font by its cell, which is the OS/2
// winAscent + winDescent scaled to the requested pixels.
struct SizedCell {
  CellMetrics Cell;
  FT_F26Dot6 EmSize = 0;  // the em in 1/64 pixel, as FreeType is asked for it
};

// One rasterised glyph, with the coverage it owns.
struct CachedGlyph {
  GlyphImage Image;
  std::vector<std::uint8_t> Coverage;
};

class FaceFromFile final : public FreeTypeTypeface {
 public:
  using Finder = std::function<std::optional<FaceFile>(std::string* why)>;

  explicit FaceFromFile(Finder finder) : finder_(std::move(finder)) {}
  explicit FaceFromFile(FaceFile file) : file_(std::move(file)) {}

  ~FaceFromFile() override {
    if (face_ != nullptr) Lib().FT_Done_Face(face_);
    if (library_ != nullptr) Lib().FT_Done_FreeType(library_);
  }

  FaceFromFile(const FaceFromFile&) = delete;
  FaceFromFile& operator=(const FaceFromFile&) = delete;

  GlyphRun Render(std::string_view utf8, int height) const override {
    if (height == 0 || !Load()) {
      GlyphRun run;
      run.Height = height < 0 ? -height : height;
      return run;
    }
    const SizedCell& cell = Sized(height);
    std::vector<const GlyphImage*> glyphs;
    glyphs.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
      glyphs.push_back(&GlyphFor(DecodeUtf8(utf8, i), height, cell).Image);
    }
    return ComposeRun(cell.Cell, glyphs);
  }

  bool Load() const override {
    if (face_ != nullptr) return true;
    if (failed_) return false;
    std::string why;
    if (!file_ && finder_ != nullptr) file_ = finder_(&why);
    if (file_) why = Open(*file_);
    if (face_ != nullptr) return true;
    failed_ = true;
    error_ = why;
    // The lazily found face has no caller left to tell.
    if (finder_ != nullptr)
      std::fprintf(stderr, "enclova: text cannot be drawn: %s\n", why.c_str());
    return false;
  }

  CellMetrics Cell(int height) const override {
    return height != 0 && Load() ? Sized(height).Cell : CellMetrics{};
  }

  GlyphImage Glyph(char32_t cp, int height) const override {
    return height != 0 && Load() ? GlyphFor(cp, height, Sized(height)).Image : GlyphImage{};
  }

  bool HasGlyph(char32_t cp) const override {
    return Load() && Lib().FT_Get_Char_Index(face_, cp) != 0;
  }

  const std::string& Error() const { return error_; }

 private:
  // Returns why the file could not serve as the face, or nothing when face_ is ready.
  std::string Open(const FaceFile& file) const {
    if (!OpenFontLibraries()) return Lib().Error;
    if (library_ == nullptr && Lib().FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return "FreeType could not be initialised";
    }
    FT_Face face = nullptr;
    if (Lib().FT_New_Face(library_, file.Path.c_str(), file.Index, &face) != 0) {
      return "cannot open the font file " + file.Path;
    }
    if (!FT_IS_SCALABLE(face)) {
      Lib().FT_Done_Face(face);
      return "the font file " + file.Path + " has no outlines";
    }
    Lib().FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    face_ = face;
    return {};
  }

  const SizedCell& Sized(int height) const {
    auto found = cells_.find(height);
    if (found != cells_.end()) return found->second;
    double ascent = face_->ascender, descent = -face_->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(Lib().FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
        os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    } else if (const auto* hhea =
                   static_cast<const TT_HoriHeader*>(Lib().FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
               hhea != nullptr && hhea->Ascender - hhea->Descender > 0) {
      ascent = hhea->Ascender;
      descent = -hhea->Descender;
    }
    if (ascent + descent <= 0) ascent = face_->units_per_EM, descent = 0;
    SizedCell sized;
    double scale;  // pixels per font unit
    if (height > 0) {
      scale = height / (ascent + descent);
      sized.Cell.Height = height;
    } else {
      scale = -static_cast<double>(height) / face_->units_per_EM;
      sized.Cell.Height = static_cast<int>(std::lround((ascent + descent) * scale));
    }
    sized.Cell.Baseline = static_cast<int>(std::lround(ascent * scale));
    sized.EmSize = std::lround(scale * face_->units_per_EM * 64);
    return cells_.emplace(height, sized).first->second;
  }

  const CachedGlyph& GlyphFor(char32_t cp, int height, const SizedCell& cell) const {
    const std::uint64_t key =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(height)) << 32) | cp;
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;
    CachedGlyph glyph;
    if (sized_ != height) {
      FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_NOMINAL, 0, cell.EmSize, 0, 0};
      sized_ = Lib().FT_Request_Size(face_, &request) == 0 ? height : 0;
    }
    // A character the face lacks maps to glyph 0, the face's own .notdef.
    const FT_UInt index = Lib().FT_Get_Char_Index(face_, cp);
    GlyphImage& image = glyph.Image;
    if (sized_ == height && Lib().FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT) == 0 &&
        Lib().FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) == 0) {
      const FT_GlyphSlot slot = face_->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      image.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
      image.Left = slot->bitmap_left;
      image.Top = slot->bitmap_top;
      image.Width = static_cast<int>(bitmap.width);
      image.Rows = static_cast<int>(bitmap.rows);
      glyph.Coverage.resize(static_cast<std::size_t>(image.Width) * image.Rows);
      for (int y = 0; y < image.Rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < image.Width; ++x) {
          std::uint8_t value = 0;
          if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            value = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
          } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays > 1) {
            value = static_cast<std::uint8_t>(row[x] * 255 / (bitmap.num_grays - 1));
          }
          glyph.Coverage[static_cast<std::size_t>(y) * image.Width + x] = value;
        }
      }
    }
    CachedGlyph& kept = glyphs_.emplace(key, std::move(glyph)).first->second;
    // The map's nodes stay put, so the image may point at the coverage it keeps.
    kept.Image.Coverage = kept.Coverage;
    return kept;
  }

  Finder finder_;
  mutable std::optional<FaceFile> file_;
  mutable FT_Library library_ = nullptr;
  mutable FT_Face face_ = nullptr;
  mutable bool failed_ = false;
  mutable std::string error_;
  mutable int sized_ = 0;  // the height FreeType's size is set for; 0 before any
  mutable std::unordered_map<int, SizedCell> cells_;
  mutable std::unordered_map<std::uint64_t, CachedGlyph> glyphs_;
};

}  // namespace

std::unique_ptr<FreeTypeTypeface> OpenPreferredTypeface(FaceRequest request, std::string* error) {
  // Nothing is asked of fontconfig yet: its first call can take long enough to be felt. A face
  // that cannot be found is reported on standard error at the first text, which then draws as
  // an empty run.
  if (error != nullptr) error->clear();
  return std::make_unique<FaceFromFile>(
      [request = std::move(request)](std::string* why) { return FindPreferredFace(request, why); });
}

std::unique_ptr<FreeTypeTypeface> OpenTypefaceByFamily(const std::string& family,
                                                       std::string* error) {
  std::string why;
  std::optional<FaceFile> file;
  if (InitFontconfig(&why)) {
    file = MatchFamily(family.c_str(), nullptr);
    if (!file) why = "no font of the family " + family + " is installed";
  }
  std::unique_ptr<FaceFromFile> face;
  if (file) {
    face = std::make_unique<FaceFromFile>(std::move(*file));
    if (!face->Load()) {
      why = face->Error();
      face.reset();
    }
  }
  if (error != nullptr) *error = face ? std::string() : why;
  return face;
}

}  // namespace enclova
