// SPDX-License-Identifier: MIT
// A clock that a test drives from outside the process: the game's milliseconds are read from a
// small file both sides map, so a test of the real binary can step a round's time exactly as it
// steps the headless game's, instead of waiting on real seconds.
//
// The file holds two little-endian 64-bit words: the milliseconds (written by the test) and the
// number of readings the game has made (written by the game), so the test can wait for the
// game to have looked at a time before it moves on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/seams.h"

namespace enclova {

struct SharedClockWords {
  std::int64_t Milliseconds;
  std::uint64_t Readings;
};

class SharedClock final : public Clock {
 public:
  // Maps the file at `path` (16 bytes at least); nullptr with a reason when it cannot.
  static std::unique_ptr<SharedClock> Open(const std::string& path, std::string* error);
  ~SharedClock() override;
  SharedClock(const SharedClock&) = delete;
  SharedClock& operator=(const SharedClock&) = delete;

  std::int32_t CurrentMilliseconds() override;
  std::uint32_t UtcMillisecondsOfDay() override;

 private:
  explicit SharedClock(SharedClockWords* words) : words_(words) {}
  SharedClockWords* words_;
};

}  // namespace enclova
