// SPDX-License-Identifier: MIT
// Any bytes as a replay file: read strictly, then, when it is one, played to its end on the real
// sheet. A file is refused with a reason or read whole; what is read writes back to a file that
// reads the same; and its playback ends within its calls, with a verdict, however it was made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/game_typeface.h"
#include "base/memory_file_system.h"
#include "replay/player.h"
#include "replay/replay_file.h"
#include "tests/kit/fakes.h"

namespace {

using namespace enclova;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The sheet, read once into memory: the player reads it from there at each start.
MemoryFileSystem& Sheet() {
  static MemoryFileSystem* files = [] {
    auto* memory = new MemoryFileSystem;
    Check(memory->Put("/data/fgra.bmp",
                      enclova::testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fgra.bmp")));
    memory->ChangeDirectory("/data");
    return memory;
  }();
  return *files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const std::optional<replay::Replay> recorded = replay::ParseReplay(text, &error);
  if (!recorded) {
    Check(!error.empty() && error.find('\n') == std::string::npos);
    return 0;
  }
  Check(recorded->Calls.size() <= replay::kMaxCalls);

  // What was read is written back to a file that reads as the same round.
  const std::string written = replay::WriteReplay(*recorded);
  const std::optional<replay::Replay> reread = replay::ParseReplay(written, &error);
  Check(reread.has_value());
  Check(replay::WriteReplay(*reread) == written);

  // One game, started once (the sheet's decoding costs more than most playbacks); each file
  // plays as a later round of its session.
  static const std::unique_ptr<AtlasTypeface> face = OpenGameTypeface();  // the game's own text
  static replay::Player& player = *[] {
    static const replay::Replay first = [] {
      const std::vector<std::uint8_t> bytes = enclova::testing::ReadFileBytes(
          ENCLOVA_SOURCE_DIR "/tests/replays/good-ranked-level1.replay");
      std::string why;
      std::optional<replay::Replay> parsed = replay::ParseReplay(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &why);
      Check(parsed.has_value());
      return std::move(*parsed);
    }();
    auto* started = new replay::Player(first, Sheet(), face.get());
    std::string why;
    Check(started->Start(&why));
    return started;
  }();
  Check(player.Restart(*recorded));
  std::size_t steps = 0;
  while (!player.Done() && !player.TerminateRequested()) {
    player.Step();
    Check(++steps <= recorded->Calls.size());
  }
  const replay::PlaybackResult result = player.Result();
  Check(!result.Matches() || result.Complete);
  return 0;
}
