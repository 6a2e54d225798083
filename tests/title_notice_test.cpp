// SPDX-License-Identifier: MIT
// F12's line in the window's title: shown for its time, taken back once, and no wake-up but that.
#include "frontend/title_notice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace enclova {
namespace {

TEST(TitleNotice, ShowsTheLineForItsTimeAndGivesTheTitleBackOnce) {
  TitleNotice notice("Enclova");
  EXPECT_EQ(notice.WaitMilliseconds(0), -1) << "nothing shown, nothing to wake for";
  EXPECT_EQ(notice.Expire(5000), std::nullopt);

  EXPECT_EQ(notice.Show("Picture saved: /p/a.png", 1000), "Enclova - Picture saved: /p/a.png");
  struct Step {
    std::int64_t now;
    int wait;                            // WaitMilliseconds before Expire
    std::optional<std::string> expired;  // what Expire gives
  };
  const Step steps[] = {
      {1000, 2000, std::nullopt}, {2999, 1, std::nullopt},  {3000, 0, "Enclova"},
      {3000, -1, std::nullopt},   {9000, -1, std::nullopt},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.now);
    EXPECT_EQ(notice.WaitMilliseconds(s.now), s.wait);
    EXPECT_EQ(notice.Expire(s.now), s.expired);
  }
}

TEST(TitleNotice, ANewLineWhileOneIsShownGetsItsOwnFullTime) {
  TitleNotice notice("Enclova");
  notice.Show("Picture saved: /p/a.png", 1000);
  EXPECT_EQ(notice.Show("Picture saved: /p/a-2.png", 2500), "Enclova - Picture saved: /p/a-2.png");
  EXPECT_EQ(notice.Expire(3000), std::nullopt) << "the first line's time is not the second's";
  EXPECT_EQ(notice.WaitMilliseconds(3000), 1500);
  EXPECT_EQ(notice.Expire(4500), "Enclova");
}

TEST(TitleNotice, ALoopThatWakesLateStillRestoresTheTitleAtOnce) {
  TitleNotice notice("Enclova");
  notice.Show("Picture not saved: /p: Read-only file system", 1000);
  // A long tick or a busy machine: the loop comes back well after the line's time.
  EXPECT_EQ(notice.WaitMilliseconds(7000), 0);
  EXPECT_EQ(notice.Expire(7000), "Enclova");
}

// A loop on the title screen, which needs no tick: it sleeps until an event, so after F12 the
// line's end is its one wake-up, and then it sleeps again for good.
TEST(TitleNotice, AnIdleLoopWakesOnceToTakeTheLineBack) {
  TitleNotice notice("Enclova");
  std::int64_t now = 10000;
  notice.Show("Picture saved: /p/a.png", now);
  int wakeUps = 0;
  std::optional<std::string> title;
  for (int pass = 0; pass < 10; ++pass) {
    const int wait = SoonerWait(-1, notice.WaitMilliseconds(now));
    if (wait < 0) break;  // asleep until the next event
    now += wait;
    ++wakeUps;
    if (auto restored = notice.Expire(now)) title = restored;
  }
  EXPECT_EQ(wakeUps, 1);
  EXPECT_EQ(title, "Enclova");
  EXPECT_EQ(now, 12000);
}

TEST(SoonerWait, NoneGivesWayToAnyWait) {
  struct Case {
    int a, b, sooner;
  };
  const Case cases[] = {{-1, -1, -1}, {-1, 33, 33}, {33, -1, 33}, {20, 33, 20},
                        {33, 20, 20}, {0, -1, 0},   {-1, 0, 0},   {0, 2000, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SoonerWait(c.a, c.b), c.sooner) << c.a << ", " << c.b;
  }
}

}  // namespace
}  // namespace enclova
