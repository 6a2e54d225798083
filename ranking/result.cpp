// Round result.
#include "app/form.h"

namespace enclova {

void TForm1::ResultStep()  {}

}  // namespace enclova
