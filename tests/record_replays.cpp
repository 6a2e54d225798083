// SPDX-License-Identifier: MIT
// Records the golden replays of tests/replays: scripted rounds played through the headless
// game with the real recorder, the real sprite sheet and the real font, one file per round.
//
//   record_replays DIR         writes every golden replay into DIR
//   record_replays DIR NAME... only those
//
// Run it when an intended change alters what the game draws, and commit the new files.
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/kit/paths.h"
#include "tests/replay_fixture.h"

namespace enclova::testing {
namespace {

// Local midnight of 2026-12-11 (UTC, the recording's zone) on the game's wrapping clock.
constexpr std::uint32_t kMidnight = static_cast<std::uint32_t>(1'796'947'200'000ull);

// Presses keys at a player's pace: a timer tick every few keys.
void Type(RecordedGame& g, const std::string& keys) {
  for (std::size_t k = 0; k < keys.size(); ++k) {
    g.Keys(keys.substr(k, 1));
    if (k % 4 == 3) g.Run(33);
  }
}

GameHarness::Options Real(std::uint32_t seed) {
  GameHarness::Options o;
  o.RealSheet = true;
  o.RealFont = true;
  o.Seed = seed;
  return o;
}

struct Golden {
  const char* name;
  GameHarness::Options (*options)();
  std::function<void(RecordedGame&)> play;
};

const std::vector<Golden>& Goldens() {
  static const std::vector<Golden> goldens = {
      {"good-ranked-level1", [] { return Real(SeedWithGoodLoop(1, true)); }, PlayGoodRound},
      {"missed-with-markers-level1", [] { return Real(4242); }, PlayMissedRound},
      {"crossing-taken-back-level2", [] { return Real(77); },
       [](RecordedGame& g) {
         g.StartRound(2);
         g.MoveTo(5, 3);
         g.Key(VK_Z);
         Type(g, "LDRRDLUU");
         g.Run(400);
         Type(g, "XXUU");
         g.Key(VK_Z);
         g.RunResult();
       }},
      {"full-history-level10", [] { return Real(1010); },
       [](RecordedGame& g) {
         g.StartRound(10);
         g.MoveTo(1, 1);
         g.Key(VK_Z);
         Type(g,
              SerpentineThroughEveryVertex().substr(0, 575));  // 576 entries: the history is full
         g.Key(VK_UP);                                         // refused
         Type(g, std::string(575, 'X'));
         if (g.Form.DrawingStarted == 0) g.Key(VK_Z);
         Type(g, SerpentineMissingTwoVertices());
         g.Key(VK_Z);
         g.RunResult();
       }},
      {"save-fails-level1", [] { return Real(SeedWithGoodLoop(1, true)); },
       [](RecordedGame& g) {
         g.StartRound(1);
         const auto loop = FindGoodLoop(g.Form);
         g.MoveTo(loop->StartX, loop->StartY);
         g.Key(VK_Z);
         g.Steps(loop->Steps);
         g.Run(1200);
         g.Key(VK_Z);
         g.Files.FailNext = "write";  // the save's write: a full disk
         g.Files.FailWith = FileError::NoSpace;
         g.RunResult();
       }},
      {"countdown-across-midnight", [] { return Real(2400); },
       [](RecordedGame& g) {
         g.Clock.Local = kMidnight - 2500;
         PlayMissedRound(g);
       }},
      {"result-across-midnight", [] { return Real(2401); },
       [](RecordedGame& g) {
         g.Clock.Local = kMidnight - 9000;  // the loop closes about 3 s before midnight
         PlayMissedRound(g);
       }},
  };
  return goldens;
}

}  // namespace
}  // namespace enclova::testing

int main(int argc, char** argv) {
  using namespace enclova::testing;
  if (argc < 2) {
    std::fprintf(stderr, "usage: record_replays DIR [NAME...]\n");
    return 2;
  }
  const std::string dir = argv[1];
  int failures = 0;
  for (const Golden& golden : Goldens()) {
    bool wanted = argc == 2;
    for (int i = 2; i < argc; ++i) wanted = wanted || golden.name == std::string(argv[i]);
    if (!wanted) continue;
    RecordedGame g(golden.options());
    golden.play(g);
    g.Rec.Finish();
    if (g.Store.Files.size() != 1) {
      std::fprintf(stderr, "%s: %zu replays recorded, not one\n", golden.name,
                   g.Store.Files.size());
      ++failures;
      continue;
    }
    const std::string path = dir + "/" + golden.name + ".replay";
    std::ofstream(path, std::ios::binary) << g.Replay();
    std::printf(
        "%s: %s (%zu bytes)\n", path.c_str(),
        g.Store.Files.begin()->first.substr(g.Store.Files.begin()->first.rfind('/') + 1).c_str(),
        g.Replay().size());
  }
  return failures == 0 ? 0 : 1;
}
