// SPDX-License-Identifier: MIT
// The calendar date of a day count: 400-year cycles, their centuries, four-year spans and years.
#include "base/civil_time.h"

#include <algorithm>

namespace enclova {

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// The calendar repeats every 400 years (146,097 days). Counted from 1 March, a year ends with
// the leap day, if it has one: then every four-year span but a century's last holds 1,461 days,
// every century 36,524 but a cycle's last (whose year divisible by 400 keeps its leap day), and
// the months fall on the same days of the year whether it is a leap year or not.
constexpr std::int64_t kDaysPerCycle = 146'097;
constexpr std::int64_t kDaysPerCentury = 36'524;
constexpr std::int64_t kDaysPerSpan = 1'461;
constexpr std::int64_t kDaysPerYear = 365;

// 2000-03-01 begins a cycle. It is day 11,017 since 1970-01-01: thirty years with seven leap
// days (10,957 days), then January and February of 2000 (60).
constexpr std::int64_t kCycleStart = 11'017;
constexpr std::int64_t kCycleStartYear = 2000;

// The first day of each month in a year that starts on 1 March, March first.
constexpr int kMonthStarts[12] = {0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337};

}  // namespace

CivilTime CivilTimeOf(std::int64_t millisecondsSince1970) {
  // Division that rounds down, without the overflow that multiplying back could bring.
  std::int64_t days = millisecondsSince1970 / kMillisecondsPerDay;
  std::int64_t ofDay = millisecondsSince1970 % kMillisecondsPerDay;
  if (ofDay < 0) {
    ofDay += kMillisecondsPerDay;
    --days;
  }

  const std::int64_t sinceStart = days - kCycleStart;
  std::int64_t cycle = sinceStart / kDaysPerCycle;
  std::int64_t ofCycle = sinceStart % kDaysPerCycle;
  if (ofCycle < 0) {
    ofCycle += kDaysPerCycle;
    --cycle;
  }
  const std::int64_t century = std::min<std::int64_t>(ofCycle / kDaysPerCentury, 3);
  const std::int64_t ofCentury = ofCycle - century * kDaysPerCentury;
  const std::int64_t span = ofCentury / kDaysPerSpan;
  const std::int64_t ofSpan = ofCentury - span * kDaysPerSpan;
  const std::int64_t year = std::min<std::int64_t>(ofSpan / kDaysPerYear, 3);
  const int ofYear = static_cast<int>(ofSpan - year * kDaysPerYear);  // 0 to 365

  int month = 11;
  while (kMonthStarts[month] > ofYear) --month;

  CivilTime t;
  t.Year = kCycleStartYear + 400 * cycle + 100 * century + 4 * span + year;
  t.Month = month < 10 ? month + 3 : month - 9;
  if (t.Month <= 2) ++t.Year;  // January and February end the year that began in March
  t.Day = ofYear - kMonthStarts[month] + 1;
  const int ms = static_cast<int>(ofDay);
  t.Hour = ms / 3'600'000;
  t.Minute = ms / 60'000 % 60;
  t.Second = ms / 1'000 % 60;
  t.Millisecond = ms % 1'000;
  return t;
}

}  // namespace enclova
