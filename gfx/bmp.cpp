// BMP (stub).
#include "gfx/bmp.h"
namespace enclova {
bool DecodeBmp(const std::uint8_t*, std::size_t, Surface&) { return false; }
std::vector<std::uint8_t> EncodeBmp24(const Surface&) { return {}; }
}  // namespace enclova
