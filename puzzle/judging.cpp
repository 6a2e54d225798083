// Loop judging.
#include "app/form.h"

namespace enclova {

void TForm1::JudgeLoop()  {}

}  // namespace enclova
