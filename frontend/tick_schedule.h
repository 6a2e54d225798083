// SPDX-License-Identifier: MIT
// When the game's 33 ms timer ticks: a pure schedule shared by the window's loop and the error
// box's loop, so both keep the same rhythm and both deliver a late tick once.
#pragma once

#include <chrono>

namespace enclova {

inline constexpr std::chrono::milliseconds kTickPeriod{33};

struct TickPlan {
  bool Tick = false;                  // deliver a tick now
  std::chrono::milliseconds Wait{0};  // otherwise, sleep this long (or until an event)
};

// Ticks run from a deadline, so they keep their rhythm however long the handlers take; one that
// falls due late is delivered once, and the rhythm starts again from then. Ticks inside a quiet
// the game promised (they would do nothing) are passed over without waking; the first that may
// act comes at its usual place in the rhythm.
class TickSchedule {
 public:
  using Time = std::chrono::steady_clock::time_point;

  explicit TickSchedule(Time now) : next_(now + kTickPeriod) {}

  // What to do at `now`, when the game promises that ticks within `quiet` of now do nothing.
  TickPlan Plan(Time now, std::chrono::milliseconds quiet);

  // After a sleep with the timer idle: a deadline that passed meanwhile starts afresh.
  void Resync(Time now) {
    if (next_ < now) next_ = now + kTickPeriod;
  }

  Time Next() const { return next_; }

 private:
  Time next_;
};

}  // namespace enclova
