// SPDX-License-Identifier: MIT
// Headless playback of a typical round: the golden ranked round of level 1 (a Ready countdown,
// a loop traced in a few seconds, the result and the ranking screen), from its text to the
// final digests, on the shipped sprite sheet and the game's font. items_per_second is rounds
// per second.
#include <benchmark/benchmark.h>

#include <string>

#include "app/game_typeface.h"
#include "replay/player.h"
#include "replay/replay_file.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

// `warm`: one game plays round after round, as a runner of many replays would; otherwise each
// round starts the game afresh (reading and cutting the sheet), as one --replay process does.
void PlayRounds(benchmark::State& state, bool skipQuiet, bool warm) {
  const std::vector<std::uint8_t> bytes =
      ReadFileBytes(ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay");
  const std::string text(bytes.begin(), bytes.end());
  FaultyFileSystem files;  // reads the shipped sheet; never writes
  files.Cwd = ENCLOVA_SOURCE_DIR "/assets";
  std::unique_ptr<Typeface> face = OpenGameTypeface();
  std::string error;
  const auto first = replay::ParseReplay(text, &error);
  replay::Player warmPlayer(*first, files, face.get());
  if (warm && !warmPlayer.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::size_t calls = 0;
  for (auto _ : state) {
    const auto replay = replay::ParseReplay(text, &error);
    std::unique_ptr<replay::Player> cold;
    replay::Player* player = &warmPlayer;
    if (warm) {
      warmPlayer.Restart(*replay);
    } else {
      cold = std::make_unique<replay::Player>(*replay, files, face.get());
      player = cold.get();
      if (!player->Start(&error)) {
        state.SkipWithError(error.c_str());
        return;
      }
    }
    while (!player->Done()) player->Step(skipQuiet);
    const replay::PlaybackResult result = player->Result();
    if (!result.Matches()) {
      state.SkipWithError("the golden round did not match");
      return;
    }
    calls = replay->Calls.size();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["calls"] = static_cast<double>(calls);
  state.counters["file_bytes"] = static_cast<double>(text.size());
}

void BM_HeadlessPlaybackOfARound(benchmark::State& state) {
  PlayRounds(state, true, true);
}
void BM_HeadlessPlaybackOfARoundEveryTick(benchmark::State& state) {
  PlayRounds(state, false, true);
}
void BM_HeadlessPlaybackOfARoundFromStartUp(benchmark::State& state) {
  PlayRounds(state, true, false);
}

BENCHMARK(BM_HeadlessPlaybackOfARound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadlessPlaybackOfARoundEveryTick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadlessPlaybackOfARoundFromStartUp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace enclova::testing
