// SPDX-License-Identifier: MIT
// The one way to start a game under test: the whole game headless in a temporary working
// directory, driven by hand, and a board set up on it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "app/game.h"
#include "tests/kit/fakes.h"

namespace enclova::testing {

struct GameHarness {
  struct Options {
    bool RealSheet = false;  // assets/fgra.bmp instead of MakeTestSheet()
    bool RealFont = false;   // the game's face instead of FakeTypeface
    bool WriteRecordFile = true;
    bool WriteSheet = true;
    std::vector<std::uint8_t> RecordFile = EmptyRecordFile();
    // The random source's seed; none leaves it to the start-up's clock, as in the real game.
    std::optional<std::uint32_t> Seed = 12345;
    std::uint32_t LocalMilliseconds = 1'000'000;  // the clock at the start
    std::uint32_t UtcMilliseconds = 0;
    // Runs after the files are written and before the start-up: more files, faults, another
    // working directory.
    std::function<void(const TempDir&, FaultyFileSystem&)> Arrange;
    // Another harness's directory to play in (its files are then left as they are), or "".
    std::string SharedDirectory;
    // The files under the fault injector, when not the process's own (a data directory's view,
    // a file system in memory).
    FileSystem* Under = nullptr;
  };
  GameHarness() : GameHarness(Options{}) {}
  explicit GameHarness(const Options& options);

  void Key(std::uint16_t key) { App.KeyDown(key); }
  void Keys(std::initializer_list<std::uint16_t> keys) {
    for (auto k : keys) Key(k);
  }
  void Tick() { App.Tick(); }
  // Advances the clock by `ms` in 33 ms ticks, ticking after each.
  void Run(std::int64_t ms);
  void Paint() { App.Paint(); }
  // From the title: Z, then the countdown up to the running clock ("Go!" shown).
  void StartRound(int level = 1);

  TempDir Dir;
  FakeClock Clock;
  FaultyFileSystem Files;
  std::unique_ptr<Typeface> Face;
  Game Running;
  GameHost& Host = Running.Host;
  TForm1& Form = Running.Form;
  Application& App = Running.App;
};

// Writes the data files `options` describes (the ranking file, the sheet) into `dir`.
void WriteGameFiles(const TempDir& dir, const GameHarness::Options& options);

// A game started up on the synthetic sheet, with a board of `level` set up directly, as the
// title's action key would.
struct BoardGame {
  explicit BoardGame(int level, std::uint32_t seed = 12345);
  void SetUp(int level);

  GameHarness Game;
  TForm1& Form = Game.Form;
};

}  // namespace enclova::testing
