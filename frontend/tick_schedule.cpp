// SPDX-License-Identifier: MIT
// The timer's schedule.
#include "frontend/tick_schedule.h"

namespace enclova {

namespace {

// The game's quiet is measured on its own clock, the schedule on the steady clock; the margin
// covers their different phases, so the first tick that may act is never passed over.
constexpr std::chrono::milliseconds kQuietMargin{2};

}  // namespace

TickPlan TickSchedule::Plan(Time now, std::chrono::milliseconds quiet) {
  const Time quietUntil = now + quiet - kQuietMargin;
  if (now >= next_) {
    if (quietUntil <= now) {
      next_ += kTickPeriod;
      if (next_ <= now) next_ = now + kTickPeriod;
      return {true, std::chrono::milliseconds{0}};
    }
    // A tick now would do nothing: the due ones are passed over.
    while (next_ <= now) next_ += kTickPeriod;
  }
  Time wakeAt = next_;
  while (wakeAt < quietUntil) wakeAt += kTickPeriod;
  // Rounded up: waking a fraction of a millisecond early would cost a second wake-up.
  return {false, std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now)};
}

}  // namespace enclova
