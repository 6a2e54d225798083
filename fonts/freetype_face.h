// SPDX-License-Identifier: MIT
// Faces from the installed fonts, through fontconfig and FreeType: what the glyph atlas is
// rendered from, and what draws a character the atlas lacks where the system has fonts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gfx/typeface.h"

namespace enclova {

// A face that also shows its glyphs one by one, as Render lays them out.
class FreeTypeTypeface : public Typeface {
 public:
  // Opens the face on first use, as the first Render does; false for good once that has failed.
  virtual bool Load() const = 0;
  // The cell of a height, and a glyph in it (a character the face lacks gets the face's own
  // .notdef). Both need a loaded face; the glyph's coverage lives as long as the face.
  virtual CellMetrics Cell(int height) const = 0;
  virtual GlyphImage Glyph(char32_t cp, int height) const = 0;
  // Whether the face maps the character to a glyph of its own.
  virtual bool HasGlyph(char32_t cp) const = 0;
};

// What a face must offer: the first of `Families` that draws every character of `Texts` with
// a glyph of its own, otherwise any proportional Japanese sans that does.
struct FaceRequest {
  std::vector<std::string> Families;
  std::vector<std::string> Texts;
  std::string MissingHint;  // the reason given when no installed face fits
};

// Nothing is asked of fontconfig before the first Render or Load: if no face fits then, every
// text comes back empty and the reason goes to standard error once. `error` is cleared.
std::unique_ptr<FreeTypeTypeface> OpenPreferredTypeface(FaceRequest request,
                                                        std::string* error = nullptr);

// A face for a named family only (the tools pin their face so that what they make is
// reproducible). nullptr when fontconfig has no face of that family.
std::unique_ptr<FreeTypeTypeface> OpenTypefaceByFamily(const std::string& family,
                                                       std::string* error = nullptr);

}  // namespace enclova
