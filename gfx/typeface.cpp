// SPDX-License-Identifier: MIT
// What every face shares: decoding UTF-8 and laying glyphs out in their cells.
#include "gfx/typeface.h"

namespace enclova {

char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
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
    return kReplacementCharacter;
  }
  for (int k = 0; k < more; ++k) {
    if (i >= text.size()) return kReplacementCharacter;
    const unsigned next = byte(i);
    if (next < low || next > high) return kReplacementCharacter;
    cp = (cp << 6) | (next & 0x3F);
    ++i;
    low = 0x80, high = 0xBF;
  }
  return cp;
}

namespace {

// Ink of the same colour laid over ink: coverages combine as 1 - (1 - a)(1 - b), so glyphs
// that overlap do not punch holes in each other. The cell clips what overhangs it.
void Composite(const GlyphImage& glyph, int left, int top, GlyphRun& run) {
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

}  // namespace

GlyphRun ComposeRun(const CellMetrics& cell, std::span<const GlyphImage* const> glyphs) {
  GlyphRun run;
  for (const GlyphImage* glyph : glyphs) run.Width += glyph->Advance;
  run.Height = cell.Height;
  run.Coverage.assign(static_cast<std::size_t>(run.Width) * run.Height, 0);
  int pen = 0;
  for (const GlyphImage* glyph : glyphs) {
    Composite(*glyph, pen + glyph->Left, cell.Baseline - glyph->Top, run);
    pen += glyph->Advance;
  }
  return run;
}

}  // namespace enclova
