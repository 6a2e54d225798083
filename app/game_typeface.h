// SPDX-License-Identifier: MIT
// The game's one typeface: "ＭＳ Ｐゴシック" when installed, otherwise a Japanese proportional
// gothic that draws every text the player can see.
#pragma once

#include <memory>
#include <string>

#include "gfx/typeface.h"

namespace enclova {

std::unique_ptr<Typeface> OpenGameTypeface(std::string* error = nullptr);

}  // namespace enclova
