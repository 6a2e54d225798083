// Countdown and clock.
#include "app/form.h"

namespace enclova {

void TForm1::CountdownStep()  {}

void TForm1::ClockStep()  {}

}  // namespace enclova
