// SPDX-License-Identifier: MIT
// The seam between surfaces and a font engine: text comes back as a coverage mask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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

// What every face draws for a malformed UTF-8 sequence.
constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[i] and moves i past it. Malformed input gives U+FFFD, one per
// maximal ill-formed prefix; no byte at or after text.size() is ever read. i < text.size().
char32_t DecodeUtf8(std::string_view text, std::size_t& i);

// Where the glyphs of one height sit.
struct CellMetrics {
  int Height = 0;
  int Baseline = 0;  // rows from the top of the cell
};

// One rasterised glyph: Rows rows of Width coverage bytes, placed relative to the pen on the
// baseline. Coverage holds at least Width x Rows bytes.
struct GlyphImage {
  int Advance = 0;
  int Left = 0;
  int Top = 0;  // rows above the baseline
  int Width = 0;
  int Rows = 0;
  std::span<const std::uint8_t> Coverage;
};

// Sets the glyphs side by side in cells of `cell`, each pen position the sum of the advances
// before it, with no kerning; ink that overhangs the run is clipped. Every face lays text out
// through this, so faces that hold the same glyphs draw the same runs.
GlyphRun ComposeRun(const CellMetrics& cell, std::span<const GlyphImage* const> glyphs);

}  // namespace enclova
