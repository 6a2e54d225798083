// SPDX-License-Identifier: MIT
// A face drawn from a glyph atlas: glyphs rendered ahead of time, at the heights text is drawn.
//
// The atlas file, every integer little-endian:
//
//   header    "ENCLGLYF", version u32 (1), size count u32 (1..16)
//   sizes     per size: height i32 (the Render height it answers, never 0), cell height i32
//             (1..1024), baseline i32 (0..cell height, rows from the cell's top), glyph count
//             u32 (1..65536)
//   glyphs    the glyphs of each size in the order of the sizes, 18 bytes each: code point u32
//             (at most U+10FFFF, increasing within a size), advance u16 (at most four cell
//             heights), left i16, top i16 (rows above the baseline), width u16, rows u16,
//             coverage offset u32
//   coverage  a byte count u32, then the bytes: each glyph's rows of width bytes, 0 (background)
//             to 255 (ink), from its offset on
//
// and nothing after. The heights are distinct, and every size holds U+FFFD.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gfx/typeface.h"

namespace enclova {

class AtlasTypeface final : public Typeface {
 public:
  // The face of an atlas, or nullptr and the reason when `data` is not one whole, well-formed
  // atlas. The bytes are read in place: they must outlive the face.
  static std::unique_ptr<AtlasTypeface> Open(std::span<const std::uint8_t> data,
                                             std::string* error = nullptr);

  // Laid out as every face lays out (ComposeRun). A character the atlas lacks at that height
  // draws as U+FFFD, as a malformed sequence does: visibly something, never a blank that reads
  // as a space. A height the atlas lacks draws nothing: an empty run, 0 x 0.
  GlyphRun Render(std::string_view utf8, int height) const override;

  // Whether every character of the text has a glyph of its own at that height (a malformed
  // sequence is U+FFFD's, which every size holds).
  bool Covers(std::string_view utf8, int height) const;

  struct Entry {
    char32_t CodePoint = 0;
    GlyphImage Image;
  };
  struct Size {
    int Height = 0;
    CellMetrics Cell;
    std::vector<Entry> Glyphs;  // by code point
  };

 private:
  explicit AtlasTypeface(std::vector<Size> sizes) : sizes_(std::move(sizes)) {}
  const Size* SizeOf(int height) const;
  static const GlyphImage* Find(const Size& size, char32_t cp);

  std::vector<Size> sizes_;
};

// An atlas file of these sizes and glyphs, written as they are given, in their order: the atlas
// tool's output, and tests' damaged atlases.
std::vector<std::uint8_t> EncodeAtlas(std::span<const AtlasTypeface::Size> sizes);

}  // namespace enclova
