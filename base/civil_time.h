// SPDX-License-Identifier: MIT
// Dates and times of day in UTC from milliseconds since 1970, by our own arithmetic: the same
// on every platform, whatever the C library's time functions offer there.
#pragma once

#include <cstdint>

namespace enclova {

// A moment in UTC by the Gregorian calendar, extended back before its introduction.
struct CivilTime {
  std::int64_t Year = 1970;
  int Month = 1;  // 1 to 12
  int Day = 1;    // 1 to 31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

// Exact for every 64-bit count, before 1970 and after 2038 too. No leap seconds, as with the
// system clock's own count.
CivilTime CivilTimeOf(std::int64_t millisecondsSince1970);

}  // namespace enclova
