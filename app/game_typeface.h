// SPDX-License-Identifier: MIT
// The game's one typeface: IPAPGothic's glyphs at the heights the game writes, rendered at build
// time (tools/make_atlas) and built into the game, so every system draws the same pixels and
// none needs a font installed.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "gfx/typeface_atlas.h"

namespace enclova {

// The built-in atlas's face. Opening it reads no file and asks no font library; nullptr and the
// reason only if the built-in atlas were damaged.
std::unique_ptr<AtlasTypeface> OpenGameTypeface(std::string* error = nullptr);

// What the game writes at each height it writes at: the atlas holds every character of these
// texts at that height, and U+FFFD, and nothing else.
struct TextsAtHeight {
  int Height;
  std::span<const std::string_view> Texts;
};
std::span<const TextsAtHeight> GameTextsByHeight();

}  // namespace enclova
