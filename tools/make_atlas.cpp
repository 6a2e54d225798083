// SPDX-License-Identifier: MIT
// Renders the game's glyph atlas (assets/glyphs.atlas): every character the game writes, at each
// height it writes it, as FreeType draws it from IPAPGothic.
//
//   make_atlas ATLAS
//
// The face is pinned by name, so the same system writes the same bytes every time; the shipped
// atlas is checked against this output by the tests. A character that IPAPGothic has no glyph
// of its own for is refused: the game would draw the font's blank box for it.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/game_typeface.h"
#include "fonts/freetype_face.h"
#include "gfx/typeface.h"
#include "gfx/typeface_atlas.h"

namespace enclova {
namespace {

constexpr const char* kFamily = "IPAPGothic";

// Every character of the texts written at each height, and U+FFFD, which stands in for any
// other; by height, then by code point.
std::map<int, std::set<char32_t>> CharactersByHeight() {
  std::map<int, std::set<char32_t>> out;
  for (const TextsAtHeight& entry : GameTextsByHeight()) {
    std::set<char32_t>& characters = out[entry.Height];
    characters.insert(kReplacementCharacter);
    for (std::string_view text : entry.Texts) {
      for (std::size_t i = 0; i < text.size();) characters.insert(DecodeUtf8(text, i));
    }
  }
  return out;
}

int Run(const std::string& path) {
  std::string error;
  const std::unique_ptr<FreeTypeTypeface> face = OpenTypefaceByFamily(kFamily, &error);
  if (!face) {
    std::fprintf(stderr, "make_atlas: no %s face (install fonts-ipafont-gothic): %s\n", kFamily,
                 error.c_str());
    return 1;
  }
  std::vector<AtlasTypeface::Size> sizes;
  for (const auto& [height, characters] : CharactersByHeight()) {
    AtlasTypeface::Size& size = sizes.emplace_back();
    size.Height = height;
    size.Cell = face->Cell(height);
    for (const char32_t cp : characters) {
      // U+FFFD may be the font's .notdef: that is what a malformed text drew before.
      if (cp != kReplacementCharacter && !face->HasGlyph(cp)) {
        std::fprintf(stderr, "make_atlas: %s has no glyph for U+%04X\n", kFamily,
                     static_cast<unsigned>(cp));
        return 1;
      }
      size.Glyphs.push_back({cp, face->Glyph(cp, height)});
    }
  }
  const std::vector<std::uint8_t> bytes = EncodeAtlas(sizes);
  if (!AtlasTypeface::Open(bytes, &error)) {
    std::fprintf(stderr, "make_atlas: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_atlas: cannot write %s\n", path.c_str());
    return 1;
  }
  for (const AtlasTypeface::Size& size : sizes) {
    std::printf("%d px: %zu glyphs\n", size.Height, size.Glyphs.size());
  }
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
  return 0;
}

}  // namespace
}  // namespace enclova

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_atlas ATLAS\n");
    return 2;
  }
  return enclova::Run(argv[1]);
}
