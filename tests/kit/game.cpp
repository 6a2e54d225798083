// SPDX-License-Identifier: MIT
// The headless game harness.
#include "tests/kit/game.h"

#include <cstdint>
#include <vector>

#include "app/game_typeface.h"
#include "gfx/bmp.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {

namespace {
std::unique_ptr<Typeface> MakeFace(bool real) {
  if (real) return OpenGameTypeface();
  return std::make_unique<FakeTypeface>();
}

// Every harness writes the same synthetic sheet; it is drawn and encoded once per process.
const std::vector<std::uint8_t>& TestSheetBmp() {
  static const std::vector<std::uint8_t> bytes = EncodeBmp24(MakeTestSheet());
  return bytes;
}
}  // namespace

GameHarness::GameHarness(const Options& options)
    : Face(MakeFace(options.RealFont)), Running(Clock, Files, Face.get()) {
  if (options.Under != nullptr) Files.Over(*options.Under);
  Files.Cwd = options.SharedDirectory.empty() ? Dir.Path() : options.SharedDirectory;
  Clock.Local = options.LocalMilliseconds;
  Clock.Utc = options.UtcMilliseconds;
  if (options.SharedDirectory.empty()) WriteGameFiles(Dir, options);
  if (options.Arrange) options.Arrange(Dir, Files);
  Running.Create(options.Seed);
}

void WriteGameFiles(const TempDir& dir, const GameHarness::Options& options) {
  if (options.WriteRecordFile) WriteFileBytes(dir.File("fdata.dat"), options.RecordFile);
  if (options.WriteSheet) {
    if (options.RealSheet) {
      WriteFileBytes(dir.File("fgra.bmp"), ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fgra.bmp"));
    } else {
      WriteFileBytes(dir.File("fgra.bmp"), TestSheetBmp());
    }
  }
}

void GameHarness::Run(std::int64_t ms) {
  for (std::int64_t t = 0; t < ms; t += 33) {
    Clock.Advance(ms - t < 33 ? ms - t : 33);
    Tick();
  }
}

void GameHarness::StartRound(int level) {
  while (Form.Level < level) Key(VK_RIGHT);
  while (Form.Level > level) Key(VK_LEFT);
  Key(VK_Z);
  Run(5100);  // past "Go!"
}

namespace {
GameHarness::Options WithSeed(std::uint32_t seed) {
  GameHarness::Options o;
  o.Seed = seed;
  return o;
}
}  // namespace

BoardGame::BoardGame(int level, std::uint32_t seed) : Game(WithSeed(seed)) {
  SetUp(level);
}

void BoardGame::SetUp(int level) {
  Form.GameMode = ModePlay;
  Form.PlayPhase = PhaseSetup;
  Form.Level = level;
  Form.SetUpBoard();
}

}  // namespace enclova::testing
