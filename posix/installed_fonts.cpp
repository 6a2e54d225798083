// SPDX-License-Identifier: MIT
// The error box's face on a system with installed fonts.
#include "posix/installed_fonts.h"

#include "fonts/game_fonts.h"

namespace enclova {

ErrorBoxFace::Maker InstalledFontsFallback() {
  return [](const AtlasTypeface* atlas) -> std::unique_ptr<Typeface> {
    if (atlas != nullptr) return OpenErrorBoxTypeface(*atlas);
    return OpenGameFreeTypeface();
  };
}

}  // namespace enclova
