// Path drawing.
#include "app/form.h"

namespace enclova {

void TForm1::ToggleCursor(const Surface&, int, int)  {}

void TForm1::FirstSegmentStroke(std::int32_t)  {}

void TForm1::StepStroke(std::int32_t, std::int32_t)  {}

void TForm1::SegmentErase(int, int, int, int)  {}

void TForm1::StepErase(std::int32_t, std::int32_t)  {}

}  // namespace enclova
