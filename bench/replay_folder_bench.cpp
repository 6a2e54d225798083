// SPDX-License-Identifier: MIT
// A round's replay saved into a folder of many old ones, on real files: the save with its
// bounded tidying, against the same save followed by removing every old replay at once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "posix/posix_platform.h"
#include "replay/recorder.h"
#include "replay/replay_file.h"
#include "tests/kit/fakes.h"

namespace enclova::testing {
namespace {

std::string OldName(int n) {
  char text[80];
  std::snprintf(text, sizeof text, "2025%04d-%06d-000_L01_miss_0m10s_norank.replay",
                101 + n / 100000, n % 100000);
  return text;
}

// Makes the old replays 0 .. count-1 that are missing, and takes away the new ones.
void Refill(const std::string& folder, int count) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("2026", 0) == 0) {
      std::filesystem::remove(entry.path());
    }
  }
  for (int n = 0; n < count; ++n) {
    const std::string path = folder + "/" + OldName(n);
    if (!std::filesystem::exists(path)) WriteFileBytes(path, {'r'});
  }
}

void SaveIntoFolder(benchmark::State& state, bool removeEveryOldOne) {
  const int count = static_cast<int>(state.range(0));
  TempDir dir;
  const std::string folder = dir.File("replays");
  std::filesystem::create_directory(folder);
  PosixFileSystem files;
  replay::FileReplayStore store(files);
  const std::string text(30'000, 'r');  // about a half-minute round
  const std::string name = "20261210-000000-000_L01_miss_0m30s_norank.replay";
  for (auto _ : state) {
    state.PauseTiming();
    Refill(folder, count);
    state.ResumeTiming();
    std::string error;
    if (!store.Save(folder, name, text, 50, &error)) state.SkipWithError(error.c_str());
    if (removeEveryOldOne) {
      for (const std::string& old : replay::ReplaysToPrune(store.List(folder), 50)) {
        store.Remove(folder, old);
      }
    }
  }
}

void BM_SaveIntoFolder(benchmark::State& state) {
  SaveIntoFolder(state, false);
}
void BM_SaveThenRemoveEveryOldReplay(benchmark::State& state) {
  SaveIntoFolder(state, true);
}

BENCHMARK(BM_SaveIntoFolder)->Arg(0)->Arg(200)->Arg(20'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveThenRemoveEveryOldReplay)
    ->Arg(20'000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace enclova::testing
