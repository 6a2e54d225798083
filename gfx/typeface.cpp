// SPDX-License-Identifier: MIT
// What every face shares: decoding UTF-8 and laying glyphs out in their cells.
#include "gfx/typeface.h"

#include <algorithm>
#include <cstdlib>
#include <span>

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
// that overlap do not punch holes in each other.
void InkRow(std::uint8_t* target, const std::uint8_t* ink, int count) {
  for (int i = 0; i < count; ++i) {
    const unsigned t = target[i];
    target[i] = static_cast<std::uint8_t>(t + ((255u - t) * ink[i] + 127) / 255);
  }
}

// `count` elements of `buffer` from `offset`. InkRow is left out of the fuzzers' sanitizers, so
// each row it is given is checked here; a fault aborts rather than reach past the buffer.
template <typename T>
T* RowOf(std::span<T> buffer, std::size_t offset, std::size_t count) {
  if (offset > buffer.size() || count > buffer.size() - offset) std::abort();
  return buffer.data() + offset;
}

// The cell clips what overhangs it.
void Composite(const GlyphImage& glyph, int left, int top, GlyphRun& run) {
  const int first = std::max(0, -left);
  const int last = std::min(glyph.Width, run.Width - left);
  if (first >= last) return;
  const auto count = static_cast<std::size_t>(last - first);
  for (int y = std::max(0, -top); y < glyph.Rows && top + y < run.Height; ++y) {
    const std::size_t from = static_cast<std::size_t>(y) * glyph.Width + first;
    const std::size_t to = static_cast<std::size_t>(top + y) * run.Width + left + first;
    InkRow(RowOf(std::span(run.Coverage), to, count), RowOf(glyph.Coverage, from, count),
           static_cast<int>(count));
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
