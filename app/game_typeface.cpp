// SPDX-License-Identifier: MIT
// The game's face, from the atlas the build compiles in, and the texts it must hold.
#include "app/game_typeface.h"

#include <cstddef>

#include "app/screen_layout.h"
#include "base/texts.h"

namespace enclova {

// assets/glyphs.atlas, as the build turns it into a source (tools/embed_bytes.cmake).
extern const unsigned char kGlyphAtlasBytes[];
extern const std::size_t kGlyphAtlasByteCount;

namespace {

// The countdown's font stays in force for the verdict that ends the round.
constexpr std::string_view kCountdownFontTexts[] = {
    kCountdownTexts[1], kCountdownTexts[2], kCountdownTexts[3], kCountdownTexts[4],
    kCountdownTexts[5], kGoodVerdict,       kMissVerdict,
};

// Everything else, the error box included, is written at the small height.
constexpr TextsAtHeight kTextsByHeight[] = {
    {kSmallFontHeight, kPlayerTexts},
    {kCountdownFontHeight, kCountdownFontTexts},
};

}  // namespace

std::unique_ptr<AtlasTypeface> OpenGameTypeface(std::string* error) {
  return AtlasTypeface::Open({kGlyphAtlasBytes, kGlyphAtlasByteCount}, error);
}

std::span<const TextsAtHeight> GameTextsByHeight() {
  return kTextsByHeight;
}

}  // namespace enclova
