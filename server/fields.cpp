// SPDX-License-Identifier: MIT
// The API's fields, checked.
#include "server/fields.h"

#include <cstdint>

#include "frontend/world.h"

namespace enclova::server {

namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The number in `s` when it is 1 to 9 plain digits (no sign, no space).
std::optional<int> SmallNumber(std::string_view s) {
  if (!AllDigits(s) || s.size() > 9) return std::nullopt;
  int n = 0;
  for (const char c : s) n = n * 10 + (c - '0');
  return n;
}

}  // namespace

std::optional<std::string> NameFault(std::string_view name) {
  return PlayerNameFault(name);
}

bool TokenIsValid(std::string_view token) {
  if (token.size() < kMinTokenBytes || token.size() > kMaxTokenBytes) return false;
  for (const char c : token) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::optional<int> LevelOf(std::string_view text) {
  const std::optional<int> n = SmallNumber(text);
  if (!n || *n < 1 || *n > 10) return std::nullopt;
  return n;
}

std::optional<int> CountOf(std::string_view text, int most) {
  const std::optional<int> n = SmallNumber(text);
  if (!n || *n < 1 || *n > most) return std::nullopt;
  return n;
}

bool IsDay(std::string_view s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  const auto year = SmallNumber(s.substr(0, 4));
  const auto month = SmallNumber(s.substr(5, 2));
  const auto day = SmallNumber(s.substr(8, 2));
  if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1) return false;
  const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return *day <= kDays[*month - 1] + (*month == 2 && leap ? 1 : 0);
}

bool IsSha256(std::string_view text) {
  if (text.size() != 64) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace enclova::server
