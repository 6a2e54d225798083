// Surfaces (stub).
#include "gfx/surface.h"
namespace enclova {
TColor CombinePixel(std::uint32_t, TColor, TColor image) { return image; }
Surface::Surface(int width, int height) : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), clWhite) {}
void Surface::Draw(int, int, const Surface&) {}
void Surface::Rectangle(int, int, int, int) {}
void Surface::MoveTo(int x, int y) { PenPos = {x, y}; }
void Surface::LineTo(int x, int y) { PenPos = {x, y}; }
void Surface::FloodFill(int, int, TColor) {}
TColor Surface::GetPixel(int, int) const { return kInvalidColor; }
void Surface::TextOut(int, int, std::string_view) {}
void Surface::Fill(TColor color) { for (auto& p : pixels_) p = color; ++changes_; }
}  // namespace enclova
