// Rebuilds the current screen from the game's state.
#include "app/form.h"

namespace enclova {

void TForm1::FormPaint()  {}

}  // namespace enclova
