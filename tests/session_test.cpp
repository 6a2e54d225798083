// SPDX-License-Identifier: MIT
// The front-end seam's contract, through a small fake front end: it sees only what a real one
// sees (keys, the timer's plan, paints, the picture and its changes, the error to show), and
// the game behind the seam must behave as the game driven directly does.
#include "frontend/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "frontend/input_mapping.h"
#include "frontend/keys.h"
#include "tests/kit/fakes.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova {
namespace {

using testing::FakeClock;
using testing::FaultyFileSystem;
using testing::GameHarness;
using testing::TempDir;

// A front end without a window: a monotonic clock it steps itself, the lines it was told, and
// the picture as the session's changes have built it up.
struct FakeFrontEnd {
  explicit FakeFrontEnd(const GameHarness::Options& files = {}, bool sleepThroughQuiet = true) {
    testing::WriteGameFiles(Dir, files);
    Files.Cwd = Dir.Path();
    Clock.Local = 1'000'000;
    GameSession::Services services;
    services.GameClock = &Clock;
    services.Files = &Files;
    services.Log = [this](const std::string& line) { Lines.push_back(line); };
    GameSession::Options options;
    options.DataDirectory = Dir.Path();
    options.Seed = 12345;
    options.RecordReplays = false;
    options.SleepThroughQuiet = sleepThroughQuiet;
    Session = std::make_unique<GameSession>(services, options);
    Session->Start();
    Shown.assign(GameSession::kWidth * GameSession::kHeight, 0xDEADBEEF);
  }

  // Copies the changed area, as a window would present it.
  PixelArea Present(bool all = false) {
    const PixelArea area = Session->TakeChanges(all);
    for (int y = area.Top; y < area.Bottom; ++y) {
      for (int x = area.Left; x < area.Right; ++x) {
        Shown[y * GameSession::kWidth + x] = Session->Pixels()[y * GameSession::kWidth + x];
      }
    }
    return area;
  }

  // The front end's loop for `ms` of time with no event: ticks when the plan says, sleeps
  // otherwise (the game's clock and the monotonic one run together). Returns the ticks made.
  int RunFor(std::int64_t ms) {
    int ticks = 0;
    const std::int64_t until = Now + ms;
    for (;;) {
      const GameSession::TimerPlan plan = Session->PlanTimer(Now);
      if (plan.TickNow) {
        Session->Tick();
        Present();
        ++ticks;
        continue;
      }
      const std::int64_t wait = plan.WaitMilliseconds < 0 || Now + plan.WaitMilliseconds > until
                                    ? until - Now
                                    : plan.WaitMilliseconds;
      Now += wait;
      Clock.Advance(wait);
      if (wait == 0) return ticks;
    }
  }

  Surface ShownPicture() const {
    Surface picture(GameSession::kWidth, GameSession::kHeight);
    for (int y = 0; y < GameSession::kHeight; ++y) {
      for (int x = 0; x < GameSession::kWidth; ++x)
        picture.SetPixel(x, y, Shown[y * GameSession::kWidth + x]);
    }
    return picture;
  }

  TempDir Dir;
  FakeClock Clock;
  FaultyFileSystem Files;
  std::vector<std::string> Lines;
  std::unique_ptr<GameSession> Session;
  std::vector<std::uint32_t> Shown;
  std::int64_t Now = 0;
};

// The window's first paint, then the title's first tick: the picture and the timer as a front
// end meets them, the same picture as the game driven directly, and no tick at all while the
// title waits.
TEST(FrontEndSeam, TitleIsPaintedTickedAndThenNeedsNoTimer) {
  FakeFrontEnd front;
  GameHarness direct;
  front.Session->Paint();
  EXPECT_EQ(front.Present(), (PixelArea{0, 0, 600, 400})) << "the first present is the whole";
  EXPECT_EQ(front.RunFor(33), 1) << "the title's first tick";
  direct.Paint();
  direct.Tick();
  EXPECT_TRUE(testing::SamePicture(front.ShownPicture(), direct.Form.Canvas));

  const GameSession::TimerPlan idle = front.Session->PlanTimer(front.Now);
  EXPECT_FALSE(idle.TickNow);
  EXPECT_EQ(idle.WaitMilliseconds, -1) << "the title needs no tick until a key";
  EXPECT_EQ(front.RunFor(10'000), 0);
}

// A key changes only the level sprite: the change is exactly its rectangle, and a key that
// changes nothing leaves nothing to present.
TEST(FrontEndSeam, AKeyPresentsOnlyWhatItChanged) {
  FakeFrontEnd front;
  front.Session->Paint();
  front.RunFor(40);
  front.Present();
  front.Session->Key(keys::kRight);
  EXPECT_EQ(front.Present(),
            (PixelArea{kLevelSpriteX, kLevelSpriteY, kLevelSpriteX + LevelSpriteRegion(2).Width,
                       kLevelSpriteY + LevelSpriteRegion(2).Height}));
  front.Session->Key(keys::Letter('a'));
  EXPECT_TRUE(front.Present().Empty());
}

// A round's countdown behind the seam: the front end ticks only when a stage may change, not
// every 33 ms, and ends on the same picture as the game ticked every 33 ms; with the clock
// stepped by a test, every tick is delivered.
TEST(FrontEndSeam, TheCountdownTicksOnlyWhenAStageMayChange) {
  for (const bool sleep : {true, false}) {
    SCOPED_TRACE(sleep ? "sleeping through quiet ticks" : "every tick");
    FakeFrontEnd front({}, sleep);
    GameHarness::Options withText;
    withText.RealFont = true;  // the session draws with the game's own face
    GameHarness direct(withText);
    front.Session->Paint();
    direct.Paint();
    front.RunFor(33);
    direct.Tick();
    front.Session->Key(keys::Letter('z'));
    direct.Key(VK_Z);
    const int ticks = front.RunFor(6000);
    direct.Run(6000);
    if (sleep) {
      EXPECT_LT(ticks, 20) << "six seconds: five stages, Go! and the clock's seconds";
    } else {
      EXPECT_GE(ticks, 6000 / 33 - 1);
    }
    EXPECT_TRUE(testing::SamePicture(front.ShownPicture(), direct.Form.Canvas));
  }
}

// A touch learns from the seam whether a round takes steps and where its cursor is: not on the
// title nor during the countdown; then a drag through the session moves the cursor as its keys
// would, and the board follows it.
TEST(FrontEndSeam, TheBoardTellsATouchWhereTheCursorIs) {
  FakeFrontEnd front;
  front.Session->Paint();
  front.RunFor(40);
  EXPECT_FALSE(front.Session->Board().TakesSteps) << "the title";
  front.Session->Key(keys::kRight);  // level 2
  front.Session->Key(keys::Letter('z'));
  front.RunFor(1000);
  EXPECT_FALSE(front.Session->Board().TakesSteps) << "the countdown";
  front.RunFor(5000);
  const BoardView board = front.Session->Board();
  ASSERT_TRUE(board.TakesSteps);
  EXPECT_EQ(board.Level, 2);
  EXPECT_EQ(board.CursorX, 4);  // the top-left corner of the centre cell of 7
  EXPECT_EQ(board.CursorY, 4);

  TouchDrag drag;
  drag.Down(0, 0, board, TouchGeometry{Placement{1, 0, 0}, 0});
  for (std::uint16_t key : drag.Move(-16, 32)) front.Session->Key(key);
  for (std::uint16_t key : drag.Up(-16, 32)) front.Session->Key(key);
  EXPECT_EQ(front.Session->Board().CursorX, 3);
  EXPECT_EQ(front.Session->Board().CursorY, 6);
}

// An error is kept for the front end to show, with the game's text and an English line naming
// the file; it blocks nothing but the keys, which belong to the box until it is answered.
TEST(FrontEndSeam, AnErrorWaitsForItsAnswerWithoutBlocking) {
  GameHarness::Options noRanking;
  noRanking.WriteRecordFile = false;
  FakeFrontEnd front(noRanking);
  const GameSession::ErrorMessage* error = front.Session->PendingError();
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->Caption, "enclova");
  EXPECT_EQ(error->Text, "ファイルが見つかりません.");
  EXPECT_NE(error->Detail.find(front.Dir.File("fdata.dat")), std::string::npos) << error->Detail;
  ASSERT_FALSE(front.Lines.empty());
  EXPECT_EQ(front.Lines.back(), error->Detail) << "the line goes to the terminal too";

  front.Session->Paint();
  EXPECT_EQ(front.RunFor(33), 1) << "ticks go on under the box";
  front.Present();
  front.Session->Key(keys::kRight);
  EXPECT_TRUE(front.Present().Empty()) << "a key while the box waits is the box's";
  front.Session->AnswerError();
  EXPECT_EQ(front.Session->PendingError(), nullptr);
  front.Session->Key(keys::kEscape);
  EXPECT_TRUE(front.Session->QuitRequested());
}

// A recorded round played back through the seam at its recorded pace: the front end's loop
// ticks when each call is due, the round ends held on its last picture, and the verdict is the
// exit status. Escape stops it early; a file that cannot be read is refused before any window.
TEST(FrontEndSeam, PlaysARecordedRoundAtItsPace) {
  struct Case {
    const char* what;
    std::string file;
    std::int64_t escapeAfter;  // ms of playback, or -1
    bool starts;
    int status;
  };
  const std::string golden = ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay";
  const Case cases[] = {
      {"played to its end", golden, -1, true, 0},
      {"stopped by Escape", golden, 2000, true, 1},
      {"no such file", ENCLOVA_SOURCE_DIR "/tests/replays/none.replay", -1, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FaultyFileSystem files;
    FakeClock clock;
    std::vector<std::string> lines;
    GameSession::Services services;
    services.GameClock = &clock;
    services.Files = &files;
    services.Log = [&lines](const std::string& line) { lines.push_back(line); };
    GameSession::Options options;
    options.DataDirectory = ENCLOVA_SOURCE_DIR "/assets";
    options.ReplayFile = c.file;
    GameSession session(services, options);
    ASSERT_EQ(session.Start(), c.starts);
    if (!c.starts) {
      EXPECT_EQ(session.ExitStatus(), c.status);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_NE(lines[0].find("refused"), std::string::npos) << lines[0];
      continue;
    }
    std::int64_t now = 0;
    int ticks = 0;
    while (!session.QuitRequested() && now < 600'000) {
      if (c.escapeAfter >= 0 && now >= c.escapeAfter) session.Key(keys::kEscape);
      const GameSession::TimerPlan plan = session.PlanTimer(now);
      if (plan.TickNow) {
        session.Tick();
        ++ticks;
      } else if (plan.WaitMilliseconds >= 0) {
        now += plan.WaitMilliseconds;
      }
    }
    EXPECT_TRUE(session.QuitRequested());
    EXPECT_GT(ticks, 0);
    session.Finish();
    EXPECT_EQ(session.ExitStatus(), c.status);
  }
}

}  // namespace
}  // namespace enclova

namespace enclova {
namespace {

// A made-up replay of the golden round's start and `calls`, each line as given.
std::string ReplayWithCalls(const std::vector<std::string>& calls) {
  const std::vector<std::uint8_t> golden =
      testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay");
  std::string text(golden.begin(), golden.end());
  text.resize(text.find("\ncalls\n") + 7);
  for (const std::string& c : calls) text += c + "\n";
  return text + "end quit 0 21\npicture " + std::string(64, '0') + "\nranking " +
         std::string(64, '0') + "\n";
}

// A loop like the windows' own: it ticks while the plan says so and takes its events only when
// the plan waits. A playback behind its pace (calls without a gap, as a made-up file has them)
// still lets the loop take a key every few calls, so Escape ends it at once; no gap in a file,
// however long it says, holds the window longer than a live round would; and the plan that ends
// the held last picture is no wait for an event, which would hold the loop for ever.
TEST(FrontEndSeam, EscapeEndsAPlaybackOfAnyFileAtOnce) {
  std::vector<std::string> calls{"k 0 5a @1000000"};
  calls.resize(20'000, "t 0 @1000000");
  std::vector<std::string> gaps{"k 0 5a @1000000", "t 4294967295 @1000000", "t 2147483648 @1000000",
                                "t 0 @1000000"};
  const struct {
    const char* what;
    std::string text;
    int escapeAfterCalls;  // -1: played to its end
  } cases[] = {
      {"calls without a gap, Escape after 1000", ReplayWithCalls(calls), 1000},
      {"calls without a gap, Escape at once", ReplayWithCalls(calls), 0},
      {"gaps of days", ReplayWithCalls(gaps), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string file = dir.File("made.replay");
    testing::WriteFileBytes(file, std::vector<std::uint8_t>(c.text.begin(), c.text.end()));
    FaultyFileSystem files;
    FakeClock clock;
    std::vector<std::string> lines;
    GameSession::Services services;
    services.GameClock = &clock;
    services.Files = &files;
    services.Log = [&lines](const std::string& line) { lines.push_back(line); };
    GameSession::Options options;
    options.DataDirectory = ENCLOVA_SOURCE_DIR "/assets";
    options.ReplayFile = file;
    GameSession session(services, options);
    ASSERT_TRUE(session.Start());
    std::int64_t now = 0;
    int played = 0, inARow = 0, longestRun = 0;
    bool escaped = false;
    while (!session.QuitRequested() && now < 3'600'000) {
      const GameSession::TimerPlan plan = session.PlanTimer(now);
      // Not even the plan that ends the playback waits for an event: the loop would wait on.
      ASSERT_GE(plan.WaitMilliseconds, 0);
      if (plan.TickNow) {
        session.Tick();
        ++played;
        longestRun = std::max(longestRun, ++inARow);
        continue;
      }
      inARow = 0;
      if (session.QuitRequested()) break;  // the end held long enough: the loop looks again
      // The loop waits here, and takes what came meanwhile.
      if (!escaped && c.escapeAfterCalls >= 0 && played >= c.escapeAfterCalls) {
        session.Key(keys::kEscape);
        escaped = true;
        EXPECT_TRUE(session.QuitRequested());
        EXPECT_LT(played, c.escapeAfterCalls + 50);
      }
      EXPECT_LE(plan.WaitMilliseconds, 2000);
      now += plan.WaitMilliseconds;
    }
    EXPECT_TRUE(session.QuitRequested());
    EXPECT_LE(longestRun, 50) << "calls played without a chance for the loop's events";
    session.Finish();
    EXPECT_EQ(session.ExitStatus(), 1);
    if (c.escapeAfterCalls < 0) {
      EXPECT_EQ(played, 4);
      EXPECT_LE(now, 3 * 2000 + 1500 + 100) << "a long gap held the window";
    }
  }
}

}  // namespace
}  // namespace enclova
