// SPDX-License-Identifier: MIT
// Good rounds recorded by the game's own recorder.
#include "tests/server/good_rounds.h"

#include <atomic>
#include <thread>

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

std::vector<std::string> RecordGoodRounds(std::uint32_t seed, int count,
                                          const std::function<int(int)>& waitMs, int tickMs) {
  std::vector<std::string> rounds(static_cast<std::size_t>(count));
  std::atomic<int> next{0};
  std::vector<std::thread> recorders;
  for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t) {
    recorders.emplace_back([&] {
      for (int i; (i = next++) < count;) {
        rounds[static_cast<std::size_t>(i)] = RecordGoodRound(seed, waitMs(i), tickMs);
      }
    });
  }
  for (std::thread& t : recorders) t.join();
  return rounds;
}

}  // namespace enclova::testing
