// Typeface (stub).
#include "gfx/typeface.h"
namespace enclova {
std::unique_ptr<Typeface> OpenGameTypeface(std::string*) { return nullptr; }
std::unique_ptr<Typeface> OpenTypefaceByFamily(const std::string&, std::string*) { return nullptr; }
}  // namespace enclova
