// SPDX-License-Identifier: MIT
// The timer's schedule: the rhythm, a late tick delivered once, and the quiet slept through.
#include "frontend/tick_schedule.h"

#include <gtest/gtest.h>

#include <chrono>

namespace enclova {
namespace {

using std::chrono::milliseconds;
using Time = TickSchedule::Time;

const Time kStart = Time{} + std::chrono::hours(1);

TEST(TickSchedule, TicksEvery33MillisecondsAndWaitsInBetween) {
  TickSchedule s(kStart);
  TickPlan p = s.Plan(kStart + milliseconds(10), milliseconds(0));
  EXPECT_FALSE(p.Tick);
  EXPECT_EQ(p.Wait, milliseconds(23));
  p = s.Plan(kStart + milliseconds(33), milliseconds(0));
  EXPECT_TRUE(p.Tick);
  EXPECT_EQ(s.Next(), kStart + milliseconds(66)) << "the rhythm keeps its phase";
  // A handler that took 20 ms does not shift the rhythm.
  p = s.Plan(kStart + milliseconds(53), milliseconds(0));
  EXPECT_FALSE(p.Tick);
  EXPECT_EQ(p.Wait, milliseconds(13));
  // A fraction of a millisecond still to go is waited out in full.
  p = s.Plan(kStart + milliseconds(65) + std::chrono::microseconds(100), milliseconds(0));
  EXPECT_EQ(p.Wait, milliseconds(1));
}

TEST(TickSchedule, DeliversALateTickOnceAndRestartsTheRhythmFromThen) {
  for (const int late : {1, 2, 3, 40, 500, 10'000}) {
    SCOPED_TRACE(::testing::Message() << late << " ms late");
    TickSchedule s(kStart);
    const Time now = kStart + milliseconds(33 + late);
    EXPECT_TRUE(s.Plan(now, milliseconds(0)).Tick);
    const TickPlan again = s.Plan(now, milliseconds(0));
    EXPECT_FALSE(again.Tick) << "the missed ticks are not made up";
    EXPECT_GT(again.Wait, milliseconds(0));
    EXPECT_LE(again.Wait, milliseconds(33));
  }
}

TEST(TickSchedule, SleepsThroughTheQuietAndWakesOnTheRhythmForTheFirstTickThatMayAct) {
  TickSchedule s(kStart);
  // At 33 ms the game promises 500 ms of ticks that do nothing: the first that may act is the
  // first on the rhythm at or after 531 ms (the margin covers the clocks' phases), 33 x 17.
  TickPlan p = s.Plan(kStart + milliseconds(33), milliseconds(500));
  EXPECT_FALSE(p.Tick);
  EXPECT_EQ(p.Wait, milliseconds(33 * 17 - 33));
  p = s.Plan(kStart + milliseconds(33 * 17), milliseconds(0));
  EXPECT_TRUE(p.Tick);
  EXPECT_EQ(s.Next(), kStart + milliseconds(33 * 18));
}

TEST(TickSchedule, ResyncStartsAfreshOnlyWhenTheDeadlinePassed) {
  TickSchedule s(kStart);
  s.Resync(kStart + milliseconds(10));
  EXPECT_EQ(s.Next(), kStart + milliseconds(33));
  s.Resync(kStart + milliseconds(1000));
  EXPECT_EQ(s.Next(), kStart + milliseconds(1033));
}

}  // namespace
}  // namespace enclova
