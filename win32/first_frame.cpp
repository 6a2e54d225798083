// SPDX-License-Identifier: MIT
// The first frame's time, for measuring start-up.
#include "win32/first_frame.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace enclova {

void ReportFirstFrame(const char* who, std::chrono::steady_clock::time_point start) {
  // GDI batches drawing, and Wine hands a window's pixels to the X server when the thread next
  // looks at its queue: both are done before the time is taken.
  GdiFlush();
  MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
  const auto elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  // Hundreds of nanoseconds since 1601, to nanoseconds since 1970.
  const std::uint64_t ticks =
      (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) - 116444736000000000ull;
  std::fprintf(stderr, "%s: first frame %.2f ms after start, at %llu.%09llu\n", who,
               elapsed.count(), static_cast<unsigned long long>(ticks / 10000000),
               static_cast<unsigned long long>(ticks % 10000000 * 100));
  std::fflush(stderr);
}

}  // namespace enclova
