// SPDX-License-Identifier: MIT
// The calendar date and time of day of a millisecond count, against dates worked out by hand and
// against the C library's gmtime_r on every day of twelve centuries and on random moments.
#include "base/civil_time.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tests/kit/seed.h"

namespace enclova::testing {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

std::string Text(const CivilTime& t) {
  char text[80];
  std::snprintf(text, sizeof text, "%04" PRId64 "-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month,
                t.Day, t.Hour, t.Minute, t.Second, t.Millisecond);
  return text;
}

// The same moment as gmtime_r tells it, independently of our arithmetic.
std::string SystemText(std::int64_t ms) {
  std::int64_t seconds = ms / 1000;
  std::int64_t milliseconds = ms % 1000;
  if (milliseconds < 0) {
    milliseconds += 1000;
    --seconds;
  }
  const time_t t = static_cast<time_t>(seconds);
  tm utc{};
  if (gmtime_r(&t, &utc) == nullptr) return "gmtime_r failed";
  CivilTime c;
  c.Year = std::int64_t{utc.tm_year} + 1900;
  c.Month = utc.tm_mon + 1;
  c.Day = utc.tm_mday;
  c.Hour = utc.tm_hour;
  c.Minute = utc.tm_min;
  c.Second = utc.tm_sec;
  c.Millisecond = static_cast<int>(milliseconds);
  return Text(c);
}

TEST(CivilTime, LeapYearsCenturiesAndTheEdgesOf32BitSeconds) {
  struct Case {
    std::int64_t ms;
    const char* text;
  } const cases[] = {
      {0, "1970-01-01 00:00:00.000"},
      {-1, "1969-12-31 23:59:59.999"},
      {kMillisecondsPerDay - 1, "1970-01-01 23:59:59.999"},
      // 2000 is a leap year (divisible by 400); its 29 February is day 11,016.
      {11'016 * kMillisecondsPerDay, "2000-02-29 00:00:00.000"},
      {11'017 * kMillisecondsPerDay - 1, "2000-02-29 23:59:59.999"},
      {11'017 * kMillisecondsPerDay, "2000-03-01 00:00:00.000"},
      {11'322 * kMillisecondsPerDay, "2000-12-31 00:00:00.000"},  // day 366 of the year
      {11'323 * kMillisecondsPerDay, "2001-01-01 00:00:00.000"},
      // 1900 and 2100 are not (divisible by 100): 28 February is followed by 1 March.
      {-25'509 * kMillisecondsPerDay, "1900-02-28 00:00:00.000"},
      {-25'508 * kMillisecondsPerDay, "1900-03-01 00:00:00.000"},
      {47'540 * kMillisecondsPerDay, "2100-02-28 00:00:00.000"},
      {47'541 * kMillisecondsPerDay, "2100-03-01 00:00:00.000"},
      // 2400 is again, a whole cycle of 146,097 days after 2000.
      {(11'016 + 146'097) * kMillisecondsPerDay, "2400-02-29 00:00:00.000"},
      // 2004, the first leap year after 2000: 1,461 days later.
      {(11'016 + 1'461) * kMillisecondsPerDay, "2004-02-29 00:00:00.000"},
      // Where a signed 32-bit count of seconds ends, and after.
      {std::int64_t{2'147'483'647} * 1000 + 999, "2038-01-19 03:14:07.999"},
      {std::int64_t{2'147'483'648} * 1000, "2038-01-19 03:14:08.000"},
      {std::int64_t{-2'147'483'648} * 1000, "1901-12-13 20:45:52.000"},
      {std::int64_t{4'294'967'296} * 1000, "2106-02-07 06:28:16.000"},
      // The recorder's test clock: 2026-12-10 00:00 UTC.
      {1'796'860'800'000, "2026-12-10 00:00:00.000"},
      {253'402'300'799'999, "9999-12-31 23:59:59.999"},
      {253'402'300'800'000, "10000-01-01 00:00:00.000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(CivilTimeOf(c.ms)), c.text) << c.ms;
  }
}

TEST(CivilTime, EveryDayOfTwelveCenturiesAsTheSystemTellsIt) {
  // 1600-01-01 to 2800-01-01, each day at a different time of day.
  const std::int64_t first = -135'140;  // 1600-01-01
  const std::int64_t last = 303'151;    // 2800-01-01
  int wrong = 0;
  for (std::int64_t day = first; day <= last && wrong < 5; ++day) {
    const std::int64_t ms = day * kMillisecondsPerDay + (day * 7'919'993) % kMillisecondsPerDay;
    const std::string ours = Text(CivilTimeOf(ms));
    const std::string system = SystemText(ms);
    if (ours != system) {
      ++wrong;
      ADD_FAILURE() << "day " << day << ": " << ours << ", the system says " << system;
    }
  }
  EXPECT_EQ(Text(CivilTimeOf(first * kMillisecondsPerDay)), "1600-01-01 00:00:00.000");
  EXPECT_EQ(Text(CivilTimeOf(last * kMillisecondsPerDay)), "2800-01-01 00:00:00.000");
}

TEST(CivilTime, AnyMomentOfTheWholeRangeAsTheSystemTellsIt) {
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
  for (const std::uint32_t seed : TestSeeds({20261210})) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937_64 random(seed);
    // Within some 35,000 years of 1970, and anywhere (some 292 million years either way).
    std::uniform_int_distribution<std::int64_t> near(-(std::int64_t{1} << 50),
                                                     std::int64_t{1} << 50);
    std::uniform_int_distribution<std::int64_t> anywhere(lowest, highest);
    for (int k = 0; k < 20'000; ++k) {
      const std::int64_t ms = k % 2 == 0 ? near(random) : anywhere(random);
      ASSERT_EQ(Text(CivilTimeOf(ms)), SystemText(ms)) << ms;
    }
  }
  // The ends of the count itself, where the day count must not overflow.
  EXPECT_EQ(Text(CivilTimeOf(highest)), SystemText(highest));
  EXPECT_EQ(Text(CivilTimeOf(lowest)), SystemText(lowest));
}

}  // namespace
}  // namespace enclova::testing
