// SPDX-License-Identifier: MIT
// The first frame's time, for measuring start-up (ENCLOVA_TRACE_FIRST_FRAME).
#pragma once

#include <chrono>

namespace enclova {

// Prints "<who>: first frame <ms> ms after start, at <seconds since 1970>" once the frame just
// drawn has gone to the display, as the Linux front end does.
void ReportFirstFrame(const char* who, std::chrono::steady_clock::time_point start);

}  // namespace enclova
