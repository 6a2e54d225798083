// SPDX-License-Identifier: MIT
// The game's icon, drawn from code at any size: for the window and the desktop's icon theme.
#pragma once

#include <cstdint>
#include <vector>

namespace enclova {

// A `size` x `size` picture, row by row, pixels 0xAABBGGRR (alpha in the top byte), transparent
// round its rounded corners: a loop traced round a dark stone on a white board.
std::vector<std::uint32_t> DrawGameIcon(int size);

// The same board for a launcher that cuts its own shape (a circle, a squircle): opaque to the
// edges, the board shrunk into the circle that every such shape keeps.
std::vector<std::uint32_t> DrawMaskableGameIcon(int size);

// The Windows installer's side panel, `width` x `height`, opaque: the icon's night from top to
// bottom with the icon in its upper part.
std::vector<std::uint32_t> DrawInstallerPanel(int width, int height);

}  // namespace enclova
