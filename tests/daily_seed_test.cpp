// SPDX-License-Identifier: MIT
// The daily board's seed: one per UTC day, changing exactly at midnight UTC, and fixed for good
// (a player, a page and a server of any version must agree on a day's boards).
#include "frontend/daily_seed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace enclova {
namespace {

constexpr std::int64_t kDay = 86'400'000;

TEST(DailySeed, IsTheUtcDaysFromItsFirstMillisecondToItsLast) {
  const struct {
    std::int64_t ms;
    std::string day;
  } kCases[] = {
      {0, "1970-01-01"},
      {kDay - 1, "1970-01-01"},
      {kDay, "1970-01-02"},
      {-1, "1969-12-31"},
      {1'796'860'800'000 - 1, "2026-12-09"},  // the last millisecond before a midnight UTC
      {1'796'860'800'000, "2026-12-10"},
      {1'796'860'800'000 + kDay - 1, "2026-12-10"},
      {1'830'297'600'000 - 1, "2027-12-31"},  // across a new year
      {1'830'297'600'000, "2028-01-01"},
      {1'835'395'200'000, "2028-02-29"},  // a leap day
      {1'835'395'200'000 + kDay, "2028-03-01"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.ms);
    EXPECT_EQ(UtcDay(c.ms), c.day);
    EXPECT_EQ(DailySeedAt(c.ms), DailySeed(c.day));
  }
  // Either side of midnight, two boards.
  EXPECT_NE(DailySeedAt(1'796'860'800'000 - 1), DailySeedAt(1'796'860'800'000));
}

TEST(DailySeed, NeverChanges) {
  const struct {
    const char* day;
    std::uint32_t seed;
  } kCases[] = {
      {"1970-01-01", 253175779u},
      {"2026-12-10", 1226094929u},
      {"2026-12-11", 1303044845u},
      {"2028-02-29", 2899981996u},
  };
  for (const auto& c : kCases) EXPECT_EQ(DailySeed(c.day), c.seed) << c.day;
}

TEST(DailySeed, TenYearsOfDaysEachHaveTheirOwnBoards) {
  std::set<std::uint32_t> seeds;
  std::set<std::uint32_t> highNibbles;
  const std::int64_t first = 20'454 * kDay;  // 2026-01-01
  for (std::int64_t d = 0; d < 3653; ++d) {
    const std::uint32_t seed = DailySeedAt(first + d * kDay + d * 7919 % kDay);
    seeds.insert(seed);
    highNibbles.insert(seed >> 28);
  }
  EXPECT_EQ(seeds.size(), 3653u);
  EXPECT_EQ(highNibbles.size(), 16u);
}

}  // namespace
}  // namespace enclova
