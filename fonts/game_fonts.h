// SPDX-License-Identifier: MIT
// The game's face from the installed fonts, and the error box's face, which falls back on it for
// what the built-in atlas cannot draw.
#pragma once

#include <functional>
#include <memory>

#include "fonts/freetype_face.h"
#include "gfx/typeface_atlas.h"

namespace enclova {

// The installed face that stands in for the window's face: "ＭＳ Ｐゴシック" when installed,
// otherwise a Japanese proportional gothic that draws every text the player can see. Looked for
// at its first use.
std::unique_ptr<FreeTypeTypeface> OpenGameFreeTypeface();

using FreeTypeOpener = std::function<std::unique_ptr<FreeTypeTypeface>()>;

// A message names any file, so its characters may be missing from the atlas. A text the atlas
// covers comes from the atlas; any other comes whole from the installed face, opened at the first
// such text, unless no font can be loaded, when the atlas draws it with its U+FFFD. A text is
// never mixed from both, so its glyphs share one face's metrics.
std::unique_ptr<Typeface> OpenErrorBoxTypeface(const AtlasTypeface& atlas,
                                               FreeTypeOpener open = OpenGameFreeTypeface);

}  // namespace enclova
