// Board set-up.
#include "app/form.h"

namespace enclova {

void TForm1::SetUpBoard()  {}

}  // namespace enclova
