// SPDX-License-Identifier: MIT
// The seam between surfaces and a font engine: text comes back as a coverage mask.
#pragma once

#include <cstdint>
#include <functional>
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
  // Starts finding and opening the face on a thread of its own, so that the first text does not
  // wait for it; that text waits only for what is left. Once is enough; later calls do nothing.
  // `done`, if given, runs on that thread once the face is ready (true) or cannot be (false).
  virtual void PrepareInBackground(std::function<void(bool)> done = nullptr) { (void)done; }
};

// What a face must offer: the first of `Families` that draws every character of `Texts` with
// a glyph of its own, otherwise any proportional Japanese sans that does.
struct FaceRequest {
  std::vector<std::string> Families;
  std::vector<std::string> Texts;
  std::string MissingHint;  // the reason given when no installed face fits
};

// Fonts load on the first Render, or earlier off the caller's thread after PrepareInBackground,
// so start-up does not wait for fontconfig; if no face fits, every text comes back empty and the
// reason goes to standard error once. `error` is cleared.
std::unique_ptr<Typeface> OpenPreferredTypeface(FaceRequest request, std::string* error = nullptr);

// A face for a named family only (the sprite-sheet tool pins its face so the sheet is
// reproducible). nullptr when fontconfig has no face of that family.
std::unique_ptr<Typeface> OpenTypefaceByFamily(const std::string& family,
                                               std::string* error = nullptr);

}  // namespace enclova
