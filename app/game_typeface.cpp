// SPDX-License-Identifier: MIT
// The game's face: its preferred families and the texts it must draw.
#include "app/game_typeface.h"

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

}  // namespace

std::unique_ptr<Typeface> OpenGameTypeface(std::string* error) {
  FaceRequest request;
  request.Families.assign(std::begin(kGameFamilies), std::end(kGameFamilies));
  for (std::string_view text : kPlayerTexts) request.Texts.emplace_back(text);
  request.MissingHint =
      "no installed font draws the game's Japanese texts (install fonts-ipafont-gothic)";
  return OpenPreferredTypeface(std::move(request), error);
}

}  // namespace enclova
