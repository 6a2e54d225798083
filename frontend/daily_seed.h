// SPDX-License-Identifier: MIT
// The daily board: one seed for every player in a UTC day, so that everyone who starts the game
// that day meets the same boards in the same order, and the ranking server can tell such a round
// by its seed and date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace enclova {

// The UTC day of a moment, "YYYY-MM-DD" (the date a replay file's date starts with).
std::string UtcDay(std::int64_t millisecondsSince1970);

// The seed of the day named "YYYY-MM-DD". A pure function of the text: players, pages and
// servers of every version must agree on it, so it never changes.
std::uint32_t DailySeed(std::string_view day);

// The seed of the UTC day the moment falls in.
inline std::uint32_t DailySeedAt(std::int64_t millisecondsSince1970) {
  return DailySeed(UtcDay(millisecondsSince1970));
}

}  // namespace enclova
