// SPDX-License-Identifier: MIT
// The window title's passing line and the one wake-up that takes it back.
#include "frontend/title_notice.h"

namespace enclova {

std::string TitleNotice::Show(const std::string& line, std::int64_t now) {
  until_ = now + kShowMilliseconds;
  return title_ + " - " + line;
}

std::optional<std::string> TitleNotice::Expire(std::int64_t now) {
  if (!until_ || now < *until_) return std::nullopt;
  until_.reset();
  return title_;
}

int TitleNotice::WaitMilliseconds(std::int64_t now) const {
  if (!until_) return -1;
  return now >= *until_ ? 0 : static_cast<int>(*until_ - now);
}

}  // namespace enclova
