// SPDX-License-Identifier: MIT
// The installed fonts as the error box's fallback: a message names any file, whose name may hold
// characters the game's own glyphs lack.
#pragma once

#include "frontend/error_box.h"

namespace enclova {

// Makes the box's face draw a text the atlas covers from the atlas, and any other whole from the
// installed face, opened at the first such text (fonts/game_fonts.h); with no atlas, every text
// from the installed face.
ErrorBoxFace::Maker InstalledFontsFallback();

}  // namespace enclova
