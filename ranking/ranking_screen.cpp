// Ranking screen.
#include "app/form.h"

namespace enclova {

void TForm1::DrawRanking(std::int32_t)  {}

}  // namespace enclova
