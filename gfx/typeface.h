// The seam between surfaces and a font engine: text comes back as a coverage mask.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace enclova {

// One line of text laid out in its character cells: Width is the sum of the advances, Height
// the cell height, Coverage is Width x Height values, row by row, 0 (background) to 255 (ink).
struct GlyphRun {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Coverage;
};

class Typeface {
 public:
  virtual ~Typeface() = default;
  // height > 0: the character cell is height pixels high (ascent + descent, as Windows sizes a
  // font by cell height); height < 0: the characters are -height pixels high (em size).
  virtual GlyphRun Render(std::string_view utf8, int height) const = 0;
};

// The game's face, found through fontconfig: "ＭＳ Ｐゴシック" when installed, otherwise a
// Japanese proportional gothic. Fonts load on the first Render, so start-up does not wait for
// fontconfig; if no usable face exists then, every text comes back empty and the reason goes to
// standard error once. `error` is cleared.
std::unique_ptr<Typeface> OpenGameTypeface(std::string* error = nullptr);

// A face for a named family only (the sprite-sheet tool pins its face so the sheet is
// reproducible). nullptr when fontconfig has no face of that family.
std::unique_ptr<Typeface> OpenTypefaceByFamily(const std::string& family,
                                               std::string* error = nullptr);

}  // namespace enclova
