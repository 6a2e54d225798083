// SPDX-License-Identifier: MIT
// The API's fields, checked.
#include "server/fields.h"

#include <cstdint>

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

// Decodes one UTF-8 sequence at `i`, refusing overlong forms, surrogates and values past
// U+10FFFF; advances `i`.
std::optional<std::uint32_t> NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int length = 0;
  std::uint32_t cp = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0Fu;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07u;
  } else {
    return std::nullopt;
  }
  if (i + length > s.size()) return std::nullopt;
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return std::nullopt;
  }
  i += length;
  return cp;
}

}  // namespace

std::optional<std::string> NameFault(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name.size() > 4 * kMaxNameCharacters) return "a name longer than 24 characters";
  int characters = 0;
  for (std::size_t i = 0; i < name.size();) {
    const std::optional<std::uint32_t> cp = NextCodePoint(name, i);
    if (!cp) return "a name that is not UTF-8";
    if (*cp < 0x20 || (*cp >= 0x7F && *cp <= 0x9F) || *cp == 0x2028 || *cp == 0x2029) {
      return "a control character in the name";
    }
    if (++characters > kMaxNameCharacters) return "a name longer than 24 characters";
  }
  if (name.front() == ' ' || name.back() == ' ') return "a space at an end of the name";
  return std::nullopt;
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
