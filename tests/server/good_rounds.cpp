// SPDX-License-Identifier: MIT
// Good rounds recorded by the game's own recorder.
#include "tests/server/good_rounds.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "frontend/session.h"
#include "tests/replay_fixture.h"

namespace enclova::testing {

std::uint32_t GoodSeed(std::uint32_t from) {
  return SeedWithGoodLoop(from, true);
}

std::string RecordGoodRound(std::uint32_t seed, int waitMs, int tickMs) {
  GameHarness::Options options;
  options.RealSheet = true;
  options.RealFont = true;
  options.Seed = seed;
  RecordedGame g(options);
  g.StartRound(1);
  const auto loop = FindGoodLoop(g.Form);
  for (int t = 0; t < waitMs; t += tickMs) {
    g.Clock.Advance(std::min(tickMs, waitMs - t));
    g.Tick();
  }
  g.MoveTo(loop->StartX, loop->StartY);
  g.Key(VK_Z);
  g.Steps(loop->Steps);
  g.Run(500);
  g.Key(VK_Z);  // closes the loop
  g.RunResult();
  g.Rec.Finish();
  return g.Replay();
}

std::string RecordWindowRound(std::uint32_t seed, int waitMs, std::int64_t wallClockMs) {
  // The board, the cursor and the loop, from the same seed's round in a harness game.
  GameHarness::Options options;
  options.RealSheet = true;
  options.Seed = seed;
  std::vector<std::uint16_t> keys;
  {
    GameHarness board(options);
    board.Key(VK_Z);
    const auto loop = FindGoodLoop(board.Form);
    for (int x = board.Form.CursorX; x < loop->StartX; ++x) keys.push_back(VK_RIGHT);
    for (int x = board.Form.CursorX; x > loop->StartX; --x) keys.push_back(VK_LEFT);
    for (int y = board.Form.CursorY; y < loop->StartY; ++y) keys.push_back(VK_DOWN);
    for (int y = board.Form.CursorY; y > loop->StartY; --y) keys.push_back(VK_UP);
    keys.push_back(VK_Z);
    for (const std::int32_t d : loop->Steps) {
      keys.push_back(d == CmdRight  ? VK_RIGHT
                     : d == CmdLeft ? VK_LEFT
                     : d == CmdDown ? VK_DOWN
                                    : VK_UP);
    }
    keys.push_back(VK_Z);  // closes the loop
  }

  TempDir dir;
  WriteGameFiles(dir, options);
  FakeClock clock;
  clock.Local = 1'000'000;
  FaultyFileSystem files;
  files.Cwd = dir.Path();
  GameSession::Services services;
  services.GameClock = &clock;
  services.Files = &files;
  services.WallClock = [wallClockMs] { return wallClockMs; };
  services.Log = [](const std::string&) {};
  GameSession::Options o;
  o.DataDirectory = dir.Path();
  o.Seed = seed;
  GameSession session(services, o);
  session.Start();
  session.Paint();
  std::int64_t now = 0;
  // The window's loop for `ms` with no key: a tick when the plan says, asleep otherwise.
  const auto runFor = [&](std::int64_t ms) {
    const std::int64_t until = now + ms;
    for (;;) {
      const GameSession::TimerPlan plan = session.PlanTimer(now);
      if (plan.TickNow) {
        session.Tick();
        session.TakeChanges();
        continue;
      }
      const std::int64_t wait = plan.WaitMilliseconds < 0 || now + plan.WaitMilliseconds > until
                                    ? until - now
                                    : plan.WaitMilliseconds;
      now += wait;
      clock.Advance(wait);
      if (wait == 0) return;
    }
  };
  runFor(500);
  session.Key(VK_Z);
  runFor(5100 + waitMs);
  for (const std::uint16_t key : keys) {
    session.Key(key);
    runFor(130);
  }
  runFor(8000);
  session.Finish();
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path() + "/replays")) {
    if (entry.path().extension() != ".replay") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  return "";
}

std::vector<std::string> RecordGoodRounds(std::uint32_t seed, int count,
                                          const std::function<int(int)>& waitMs, int tickMs) {
  std::vector<std::string> rounds(static_cast<std::size_t>(count));
  std::atomic<int> next{0};
  std::vector<std::thread> recorders;
  for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
    recorders.emplace_back([&] {
      for (int i; (i = next++) < count;) {
        rounds[static_cast<std::size_t>(i)] = tickMs == 0
                                                  ? RecordWindowRound(seed, waitMs(i))
                                                  : RecordGoodRound(seed, waitMs(i), tickMs);
      }
    });
  }
  for (std::thread& t : recorders) t.join();
  return rounds;
}

}  // namespace enclova::testing
