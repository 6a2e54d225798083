// Path retraction.
#include "app/form.h"

namespace enclova {

void TForm1::Retract()  {}

}  // namespace enclova
