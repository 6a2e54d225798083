// SPDX-License-Identifier: MIT
// The round clock's digits and the ways a time is written: on the clock, in the result, in the
// ranking. Pure arithmetic on the game's integers.
#pragma once

#include <cstdint>
#include <string>

namespace enclova {

// The clock shows minutes, tens of seconds and seconds, one digit each; past 9:59 it stops.
constexpr std::int32_t kLastShownSecond = 599;

struct ClockDigits {
  std::int32_t Minutes = 0;
  std::int32_t Tens = 0;
  std::int32_t Units = 0;
};

// The digits of a whole number of seconds, 0..kLastShownSecond; the caller stops at 9:59.
constexpr ClockDigits DigitsOfSecond(std::int32_t s) {
  return {s / 60, (s % 60) / 10, s % 10};
}

// The time score: minutes x 100 + tens x 10 + seconds, so 1'23" is 123.
constexpr std::int32_t TimeScoreOf(const ClockDigits& d) {
  return d.Minutes * 100 + d.Tens * 10 + d.Units;
}

// The result's "Time : m' tu"".
std::string ResultTimeText(const ClockDigits& d);

// A time score as the ranking writes it, m' tu", dividing toward zero. A crafted file may hold
// any 32-bit time; no step overflows, and a negative time prints the (negative) digits it yields.
std::string RankingTimeText(std::int32_t timeScore);

// "1st", "2nd", "3rd", then "4th" .. "20th".
std::string Ordinal(std::int32_t rank);

}  // namespace enclova
