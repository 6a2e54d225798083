// SPDX-License-Identifier: MIT
// What the API accepts in its headers and queries, checked before anything reaches the store.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace enclova::server {

constexpr int kMaxNameCharacters = 24;
constexpr std::size_t kMinTokenBytes = 16;
constexpr std::size_t kMaxTokenBytes = 128;

// A player's name: 1 to 24 characters of well-formed UTF-8, no control character (C0, DEL,
// C1), no other line or paragraph separator, and no space at either end. The reason when not.
std::optional<std::string> NameFault(std::string_view name);
// A token: 16 to 128 of A-Z a-z 0-9 - _ (what a client's random bytes in base64url give).
bool TokenIsValid(std::string_view token);
// A level, 1 to 10, written in plain digits.
std::optional<int> LevelOf(std::string_view text);
// A count from 1 to `most`, in plain digits.
std::optional<int> CountOf(std::string_view text, int most);
// "YYYY-MM-DD" of a day of the calendar.
bool IsDay(std::string_view text);
// 64 lower-case hex digits.
bool IsSha256(std::string_view text);

}  // namespace enclova::server
