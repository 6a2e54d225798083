// Key-down dispatch, timer dispatch and the title screen.
#include "app/form.h"

namespace enclova {

void TForm1::FormKeyDown(std::uint16_t)  {}

void TForm1::Timer1Timer()  {}

void TForm1::DrawTitle()  {}

bool TForm1::TimerIsIdle() const { return false; } // {}

}  // namespace enclova
