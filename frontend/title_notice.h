// SPDX-License-Identifier: MIT
// A passing line in the window's title (F12's outcome), shown for a while and then taken back,
// never drawn on the game's picture, which F12 itself would otherwise record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace enclova {

class TitleNotice {
 public:
  static constexpr int kShowMilliseconds = 2000;

  explicit TitleNotice(std::string title) : title_(std::move(title)) {}

  // The title to set now to show `line` for kShowMilliseconds from `now` (milliseconds of a
  // monotonic clock). A line shown while another still is replaces it, for its own full time.
  std::string Show(const std::string& line, std::int64_t now);
  // The window's own title once a line's time is up at `now`, once; nothing otherwise.
  std::optional<std::string> Expire(std::int64_t now);
  // Milliseconds from `now` until Expire has a title to give back; -1 while no line is shown,
  // so a loop that waits for events wakes for nothing else.
  int WaitMilliseconds(std::int64_t now) const;

  const std::string& Title() const { return title_; }

 private:
  std::string title_;
  std::optional<std::int64_t> until_;
};

// The sooner of two waits in milliseconds, each -1 for none at all.
constexpr int SoonerWait(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

}  // namespace enclova
