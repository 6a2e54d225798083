// SPDX-License-Identifier: MIT
// The day's seed: a 64-bit FNV-1a hash of the date's text, mixed so that neighbouring days give
// unrelated seeds.
#include "frontend/daily_seed.h"

#include <cinttypes>
#include <cstdio>

#include "base/civil_time.h"

namespace enclova {

std::string UtcDay(std::int64_t millisecondsSince1970) {
  const CivilTime t = CivilTimeOf(millisecondsSince1970);
  char text[32];
  std::snprintf(text, sizeof text, "%04" PRId64 "-%02d-%02d", t.Year, t.Month, t.Day);
  return text;
}

std::uint32_t DailySeed(std::string_view day) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (const char c : day) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3u;
  }
  // FNV's low bits follow the last characters closely; a finaliser spreads every bit.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53u;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h >> 32);
}

}  // namespace enclova
