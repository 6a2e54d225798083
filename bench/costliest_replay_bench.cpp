// SPDX-License-Identifier: MIT
// The costliest replay files the bounds allow, each parsed and played from start-up as one
// --replay process does, against a real round (the golden ranked round of level 1) played the
// same way. Every file is made within the bounds on calls, clock readings, bytes and painting,
// at the level whose board costs most to draw.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/game_typeface.h"
#include "replay/player.h"
#include "replay/replay_file.h"
#include "tests/kit/game.h"

namespace enclova::testing {
namespace {

const std::string kGolden = ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay";

std::string Golden() {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(kGolden);
  return {bytes.begin(), bytes.end()};
}

// The golden round's start at level 10, then `calls` after the key that starts the round and a
// tick past the countdown, then an end whose digests are of nothing.
std::string Crafted(const std::vector<std::string>& calls) {
  std::string text = Golden();
  text = text.substr(0, text.find("\ncalls\n") + 7);
  text.replace(text.find("\nlevel 1\n"), 9, "\nlevel 10\n");
  text += "k 0 5a @1000000\nt 0 @1006000 @1006000 @1006000\n";
  for (std::size_t i = 0; i + 2 < replay::kMaxCalls && i < calls.size(); ++i) {
    text += calls[i] + "\n";
  }
  return text + "end quit 0 21\npicture " + std::string(64, '0') + "\nranking " +
         std::string(64, '0') + "\n";
}

// The clock between 0:01 and 9:59 on every other tick, so that every tick draws the digits.
std::vector<std::string> ClockFlips(std::size_t n) {
  std::vector<std::string> calls;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string t = i % 2 == 0 ? "1605000" : "1007000";
    calls.push_back("t 0 @" + t + " @" + t + " @" + t);
  }
  return calls;
}

std::vector<std::string> Painting() {
  const std::size_t windows = static_cast<std::size_t>(
      replay::kMaxPaintedPixels / (static_cast<std::int64_t>(kClientWidth) * kClientHeight));
  std::vector<std::string> calls(windows, "p 0 0 0 600 400");
  for (const std::string& c : ClockFlips(replay::kMaxCalls)) calls.push_back(c);
  return calls;
}

// A path started, then a step out and back, again and again: each draws and erases.
std::vector<std::string> Steps() {
  std::vector<std::string> calls{"k 0 5a @1006000"};
  while (calls.size() < replay::kMaxCalls) {
    calls.push_back("k 0 27 @1006000");
    calls.push_back("k 0 25 @1006000");
  }
  return calls;
}

// The longest path out, around and back by the step-back key.
std::vector<std::string> LongPath() {
  std::vector<std::string> out;
  for (int i = 0; i < 11; ++i) out.push_back("k 0 27 @1006000");
  for (int i = 0; i < 11; ++i) out.push_back("k 0 28 @1006000");
  for (int i = 0; i < 11; ++i) out.push_back("k 0 25 @1006000");
  std::vector<std::string> calls{"k 0 5a @1006000"};
  while (calls.size() < replay::kMaxCalls) {
    calls.insert(calls.end(), out.begin(), out.end());
    calls.insert(calls.end(), out.size(), "k 0 58 @1006000");
  }
  return calls;
}

// The largest file: every call a tick with as many readings as the bytes allow.
std::vector<std::string> Largest() {
  return std::vector<std::string>(replay::kMaxCalls, "t 0 @1006000 @1006000 @1006000");
}

void Play(benchmark::State& state, const std::string& text) {
  FaultyFileSystem files;  // reads the shipped sheet; never writes
  files.Cwd = ENCLOVA_SOURCE_DIR "/assets";
  const std::unique_ptr<Typeface> face = OpenGameTypeface();
  std::size_t calls = 0;
  for (auto _ : state) {
    std::string error;
    const auto replay = replay::ParseReplay(text, &error);
    if (!replay) {
      state.SkipWithError(error.c_str());
      return;
    }
    replay::Player player(*replay, files, face.get());
    if (!player.Start(&error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    while (!player.Done()) player.Step(true);
    benchmark::DoNotOptimize(player.Result());
    calls = player.CallsPlayed();
  }
  state.counters["calls"] = static_cast<double>(calls);
  state.counters["file_bytes"] = static_cast<double>(text.size());
}

void BM_ReplayARealRound(benchmark::State& state) {
  Play(state, Golden());
}
void BM_ReplayCostliestPainting(benchmark::State& state) {
  Play(state, Crafted(Painting()));
}
void BM_ReplayCostliestClock(benchmark::State& state) {
  Play(state, Crafted(ClockFlips(replay::kMaxCalls)));
}
void BM_ReplayCostliestSteps(benchmark::State& state) {
  Play(state, Crafted(Steps()));
}
void BM_ReplayCostliestPath(benchmark::State& state) {
  Play(state, Crafted(LongPath()));
}
void BM_ReplayLargestFile(benchmark::State& state) {
  Play(state, Crafted(Largest()));
}

BENCHMARK(BM_ReplayARealRound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayCostliestPainting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayCostliestClock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayCostliestSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayCostliestPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayLargestFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace enclova::testing
