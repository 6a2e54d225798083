// Path extension.
#include "app/form.h"

namespace enclova {

void TForm1::PlayKey()  {}

bool TForm1::StepAllowed(std::int32_t) const { return false; } // {}

}  // namespace enclova
