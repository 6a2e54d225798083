// SPDX-License-Identifier: MIT
// How times are written.
#include "ranking/clock_digits.h"

#include "base/texts.h"

namespace enclova {

std::string ResultTimeText(const ClockDigits& d) {
  return std::string(kTimeLabel) + std::to_string(d.Minutes) + "' " + std::to_string(d.Tens) +
         std::to_string(d.Units) + "\"";
}

std::string RankingTimeText(std::int32_t timeScore) {
  const std::int64_t t = timeScore;
  const std::int64_t minutes = t / 100;
  const std::int64_t tens = (t - 100 * minutes) / 10;
  const std::int64_t units = t % 10;
  return std::to_string(minutes) + "' " + std::to_string(tens) + std::to_string(units) + "\"";
}

std::string Ordinal(std::int32_t rank) {
  switch (rank) {
    case 1:
      return "1st";
    case 2:
      return "2nd";
    case 3:
      return "3rd";
    default:
      return std::to_string(rank) + "th";
  }
}

}  // namespace enclova
