// SPDX-License-Identifier: MIT
// The window's rules that every front end follows, tested once for all of them: the window's
// keys, the error box's keys, F12's picture and its title line, the fullscreen setting, the
// loop's next step and the whole scale. Files are in memory, so these run on every target.
#include "frontend/window_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/memory_file_system.h"
#include "frontend/keys.h"
#include "frontend/placement.h"
#include "frontend/session.h"
#include "gfx/bmp.h"
#include "tests/kit/pictures.h"
#include "tests/kit/records.h"

namespace enclova {
namespace {

TEST(WindowRules, TheWindowKeysActOnTheirFirstPressAndAltNeverReachesTheGame) {
  struct Case {
    const char* what;
    std::uint16_t Key;
    bool Alt, Repeat;
    WindowKey Expected;
  };
  const Case cases[] = {
      {"F11", keys::kF11, false, false, WindowKey::ToggleFullscreen},
      {"F11 held", keys::kF11, false, true, WindowKey::Ignored},
      {"Alt+F11", keys::kF11, true, false, WindowKey::ToggleFullscreen},
      {"Alt+Enter", keys::kReturn, true, false, WindowKey::ToggleFullscreen},
      {"Alt+Enter held", keys::kReturn, true, true, WindowKey::Ignored},
      {"Enter alone is the game's", keys::kReturn, false, false, WindowKey::Game},
      {"F12", keys::kF12, false, false, WindowKey::SavePicture},
      {"F12 held", keys::kF12, false, true, WindowKey::Ignored},
      {"Alt+F12", keys::kF12, true, false, WindowKey::SavePicture},
      {"Alt", keys::kAlt, true, false, WindowKey::Ignored},
      {"Alt held", keys::kAlt, true, true, WindowKey::Ignored},
      {"left Alt apart", 0xA4, true, false, WindowKey::Ignored},
      {"right Alt apart", 0xA5, true, false, WindowKey::Ignored},
      {"Z", keys::Letter('Z'), false, false, WindowKey::Game},
      {"Z held: every repeat is the game's", keys::Letter('Z'), false, true, WindowKey::Game},
      {"Alt+Z", keys::Letter('Z'), true, false, WindowKey::Game},
      {"Escape", keys::kEscape, false, false, WindowKey::Game},
      {"F10", static_cast<std::uint16_t>(keys::kF1 + 9), false, false, WindowKey::Game},
      {"a key without a code", keys::kWithoutCode, false, false, WindowKey::Game},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowKeyOf(c.Key, c.Alt, c.Repeat), c.Expected) << c.what;
}

TEST(WindowRules, EnterSpaceAndEscapeAloneCloseTheErrorBox) {
  for (std::uint16_t key : {keys::kReturn, keys::kSpace, keys::kEscape}) {
    EXPECT_TRUE(ClosesErrorBox(key)) << key;
  }
  for (std::uint16_t key : {keys::Letter('Z'), keys::Letter('X'), keys::kLeft, keys::kTab,
                            keys::kF12, keys::kAlt, keys::kWithoutCode}) {
    EXPECT_FALSE(ClosesErrorBox(key)) << key;
  }
}

TEST(WindowRules, PictureNamesSortByDateAndTime) {
  EXPECT_EQ(PictureStem({2026, 12, 11, 13, 45, 2, 999}), "enclova-2026-12-11-134502");
  EXPECT_EQ(PictureStem({2027, 1, 2, 3, 4, 5, 0}), "enclova-2027-01-02-030405");
  EXPECT_EQ(PictureStem({999, 1, 1, 0, 0, 0, 0}), "enclova-0999-01-01-000000");
  // Later moments sort later, as a listing shows them.
  EXPECT_LT(PictureStem({2026, 9, 30, 23, 59, 59, 0}), PictureStem({2026, 10, 1, 0, 0, 0, 0}));
  EXPECT_LT(PictureStem({2026, 10, 1, 9, 0, 0, 0}), PictureStem({2026, 10, 1, 10, 0, 0, 0}));
}

TEST(WindowRules, FullscreenIsKeptForTheNextStart) {
  MemoryFileSystem files;
  {
    WindowRules rules(files, "/config/enclova/settings", "/pictures");
    EXPECT_FALSE(rules.StartsFullscreen());  // no setting yet
    rules.FullscreenChanged(true);
  }
  WindowRules next(files, "/config/enclova/settings", "/pictures");
  EXPECT_TRUE(next.StartsFullscreen());
  next.FullscreenChanged(false);
  EXPECT_FALSE(WindowRules(files, "/config/enclova/settings", "").StartsFullscreen());

  // With no place for settings nothing is written, and the window opens windowed.
  MemoryFileSystem none;
  WindowRules unkept(none, "", "/pictures");
  unkept.FullscreenChanged(true);
  EXPECT_FALSE(unkept.StartsFullscreen());
  std::vector<std::string> names;
  ASSERT_EQ(none.ListDirectory("/", names), 0);
  EXPECT_TRUE(names.empty());
}

TEST(WindowRules, APictureTakesANewNameAndItsLineLeavesTheTitleAfterTwoSeconds) {
  MemoryFileSystem files;
  WindowRules rules(files, "", "/home/p/Pictures");
  EXPECT_EQ(rules.Title(), "Enclova");
  const std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G'};
  const CivilTime at{2026, 12, 11, 13, 45, 2, 0};

  EXPECT_EQ(rules.SavePicture(png, at, 10'000),
            "Enclova - Picture saved: /home/p/Pictures/enclova-2026-12-11-134502.png");
  // The same second again: the next free name, nothing written over.
  EXPECT_EQ(rules.SavePicture(png, at, 10'500),
            "Enclova - Picture saved: /home/p/Pictures/enclova-2026-12-11-134502-2.png");
  ASSERT_NE(files.Contents("/home/p/Pictures/enclova-2026-12-11-134502.png"), nullptr);
  EXPECT_EQ(*files.Contents("/home/p/Pictures/enclova-2026-12-11-134502-2.png"), png);

  // The second line has its own two seconds; then the title comes back, once.
  LoopStep step = rules.Step(nullptr, 12'000);
  EXPECT_FALSE(step.Tick);
  EXPECT_FALSE(step.Title);
  EXPECT_EQ(step.WaitMilliseconds, 500);
  step = rules.Step(nullptr, 12'500);
  EXPECT_EQ(step.Title, "Enclova");
  EXPECT_EQ(step.WaitMilliseconds, -1);
  EXPECT_FALSE(rules.Step(nullptr, 13'000).Title);

  // A system with no pictures folder says so in the title.
  WindowRules nowhere(files, "", "");
  EXPECT_EQ(nowhere.SavePicture(png, at, 0), "Enclova - Picture not saved: no folder for pictures");
}

TEST(WindowRules, APictureThatCannotBeWrittenNamesItsCauseAndLeavesNothing) {
  MemoryFileSystem files;
  files.SetCapacity(2);
  WindowRules rules(files, "", "/p");
  const std::string title =
      rules.SavePicture(std::vector<std::uint8_t>(100, 7), {2026, 1, 1, 0, 0, 0, 0}, 0);
  EXPECT_EQ(title.rfind("Enclova - Picture not saved: /p/enclova-2026-01-01-000000.png: ", 0), 0u)
      << title;
  EXPECT_FALSE(files.Holds("/p/enclova-2026-01-01-000000.png"));
}

// A clock the test moves: the game's local milliseconds.
class SteppedClock final : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override { return static_cast<std::int32_t>(Local); }
  std::uint32_t UtcMillisecondsOfDay() override { return 0; }
  std::uint32_t Local = 1'000'000;
};

// The loop's step follows the session's plan: ticks in a round, no wake-up on the title but the
// one that takes F12's line back.
TEST(WindowRules, TheLoopTicksWhenThePlanSaysAndOtherwiseWaitsForTheSoonerEnd) {
  MemoryFileSystem files;
  ASSERT_TRUE(files.Put("/data/fgra.bmp", EncodeBmp24(testing::MakeTestSheet())));
  ASSERT_TRUE(files.Put("/data/fdata.dat", testing::RecordFileOf(RankingTable{})));
  SteppedClock clock;
  GameSession::Services services;
  services.GameClock = &clock;
  services.Files = &files;
  services.Log = [](const std::string&) {};
  GameSession::Options options;
  options.DataDirectory = "/data";
  options.Seed = 1;
  options.RecordReplays = false;
  GameSession session(services, options);
  ASSERT_TRUE(session.Start());
  ASSERT_EQ(session.PendingError(), nullptr);
  session.Paint();  // the window's first showing
  WindowRules rules(files, "", "/p");

  // The loop as a front end runs it with no event coming: ticks when told, sleeps otherwise.
  // Returns the step it stops on: a wait for an event, or the first that passes `until`.
  std::int64_t now = 0;
  int ticks = 0;
  auto run = [&](std::int64_t until) {
    for (int i = 0; i < 10'000; ++i) {
      const LoopStep step = rules.Step(&session, now);
      if (step.Tick) {
        session.Tick();
        ++ticks;
        continue;
      }
      if (step.WaitMilliseconds < 0 || now + step.WaitMilliseconds > until) return step;
      now += step.WaitMilliseconds;
      clock.Local += static_cast<std::uint32_t>(step.WaitMilliseconds);
    }
    ADD_FAILURE() << "the loop never settles";
    return LoopStep{};
  };

  // The title's first tick draws it; after that the title waits for a key.
  LoopStep step = run(10'000);
  EXPECT_GT(ticks, 0);
  EXPECT_FALSE(step.Title);
  EXPECT_EQ(step.WaitMilliseconds, -1);

  // F12's line: one wake-up, when it ends, and the title back then.
  rules.SavePicture({1}, {2026, 1, 1, 0, 0, 0, 0}, now);
  now += 500;
  step = rules.Step(&session, now);
  EXPECT_FALSE(step.Tick);
  EXPECT_EQ(step.WaitMilliseconds, TitleNotice::kShowMilliseconds - 500);
  now += step.WaitMilliseconds;
  step = rules.Step(&session, now);
  EXPECT_EQ(step.Title, "Enclova");
  EXPECT_EQ(step.WaitMilliseconds, -1);

  // A round's countdown wakes the loop sooner than a line shown with it would.
  session.Key(keys::Letter('Z'));
  rules.SavePicture({1}, {2026, 1, 1, 0, 0, 1, 0}, now);
  ticks = 0;
  step = rules.Step(&session, now);
  EXPECT_FALSE(step.Title);
  EXPECT_TRUE(step.Tick || (step.WaitMilliseconds >= 0 &&
                            step.WaitMilliseconds < TitleNotice::kShowMilliseconds))
      << step.WaitMilliseconds;
  run(now + 1500);
  EXPECT_GT(ticks, 0);
}

TEST(WholeScale, TheLargestWholeScaleThatFitsTheAreaUpToTheLargestAnyoneAsksFor) {
  struct Case {
    int Width, Height;
    Placement Expected;
  };
  const Case cases[] = {{1920, 1080, {2, 360, 140}}, {1024, 768, {1, 212, 184}},
                        {3840, 2160, {5, 420, 80}},  {1800, 1200, {3, 0, 0}},
                        {1799, 1200, {2, 299, 200}}, {600, 400, {1, 0, 0}},
                        {599, 399, {1, 0, 0}},       {0, 0, {1, -300, -200}},
                        {9600, 6400, {16, 0, 0}},    {9600 + 600, 6400 + 400, {16, 300, 200}}};
  for (const Case& c : cases) {
    const Placement p = PlaceInArea(c.Width, c.Height, 600, 400);
    EXPECT_EQ(p.Scale, c.Expected.Scale) << c.Width << "x" << c.Height;
    EXPECT_EQ(p.X, c.Expected.X) << c.Width << "x" << c.Height;
    EXPECT_EQ(p.Y, c.Expected.Y) << c.Width << "x" << c.Height;
  }
  EXPECT_EQ(FitScale(10'000'000, 10'000'000, 600, 400), kMaxScale);
}

}  // namespace
}  // namespace enclova
