// SPDX-License-Identifier: MIT
// A typeface for tests that draws boxes instead of glyphs: text found without fonts, on any system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gfx/typeface.h"

namespace enclova::testing {

// Deterministic "glyphs": every code point is a box Height/2 wide (at least 2) whose left
// column and top row are background and the rest ink, so tests can find text without fonts.
class FakeTypeface : public Typeface {
 public:
  GlyphRun Render(std::string_view utf8, int height) const override;
};

// FakeTypeface's boxes, plus the list of every text and height rendered, in order.
class RecordingTypeface : public FakeTypeface {
 public:
  GlyphRun Render(std::string_view utf8, int height) const override {
    Texts.emplace_back(utf8);
    Heights.push_back(height);
    return FakeTypeface::Render(utf8, height);
  }
  mutable std::vector<std::string> Texts;
  mutable std::vector<int> Heights;
};

}  // namespace enclova::testing
