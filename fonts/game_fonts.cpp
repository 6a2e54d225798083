// SPDX-License-Identifier: MIT
// The game's families among the installed fonts, and the error box's atlas-first face.
#include "fonts/game_fonts.h"

#include <iterator>
#include <string_view>
#include <utility>

#include "base/texts.h"

namespace enclova {

namespace {

// The window's face first, then the Japanese proportional gothics that stand in for it. Asked for
// by name because fontconfig has no alias for the first two and, asked for nothing in particular,
// answers with a Latin face or a monospaced gothic.
constexpr const char* kGameFamilies[] = {
    "ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic",   "IPAexGothic",        "Noto Sans CJK JP",
    "Noto Sans JP",    "VL PGothic", "TakaoPGothic", "Source Han Sans JP",
};

class AtlasWithFallback final : public Typeface {
 public:
  AtlasWithFallback(const AtlasTypeface& atlas, FreeTypeOpener open)
      : atlas_(atlas), open_(std::move(open)) {}

  GlyphRun Render(std::string_view utf8, int height) const override {
    if (!atlas_.Covers(utf8, height)) {
      if (!opened_) {
        opened_ = true;
        if (open_) fallback_ = open_();
      }
      if (fallback_ != nullptr && fallback_->Load()) return fallback_->Render(utf8, height);
    }
    return atlas_.Render(utf8, height);
  }

 private:
  const AtlasTypeface& atlas_;
  FreeTypeOpener open_;
  mutable bool opened_ = false;
  mutable std::unique_ptr<FreeTypeTypeface> fallback_;
};

}  // namespace

std::unique_ptr<FreeTypeTypeface> OpenGameFreeTypeface() {
  FaceRequest request;
  request.Families.assign(std::begin(kGameFamilies), std::end(kGameFamilies));
  for (std::string_view text : kPlayerTexts) request.Texts.emplace_back(text);
  request.MissingHint =
      "no installed font draws the game's Japanese texts (install fonts-ipafont-gothic)";
  return OpenPreferredTypeface(std::move(request));
}

std::unique_ptr<Typeface> OpenErrorBoxTypeface(const AtlasTypeface& atlas, FreeTypeOpener open) {
  return std::make_unique<AtlasWithFallback>(atlas, std::move(open));
}

}  // namespace enclova
