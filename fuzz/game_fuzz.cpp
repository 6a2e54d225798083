// The whole headless game driven by a byte stream: keys, timer ticks, paint requests and jumps
// of the clock, at every level. After every round whose result panel was shown, the ranking in
// memory must be in the game's order and equal, byte for byte, to the file on disk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/form.h"
#include "ranking/ranking_table.h"
#include "tests/fakes.h"

namespace {

using namespace enclova;
using enclova::testing::GameHarness;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Ordered(const RankingTable& table) {
  for (int i = 1; i < kRankingEntries; ++i) {
    if (RankValue(table.RankLevels[i], table.RankTimes[i]) <
        RankValue(table.RankLevels[i + 1], table.RankTimes[i + 1])) {
      return false;
    }
  }
  return true;
}

// The data directory, laid out once per process; each input starts from an empty ranking.
const std::string& DataDirectory() {
  static const enclova::testing::TempDir dir;
  static const bool sheet = [] {
    enclova::testing::WriteFileBytes(
        dir.File("fgra.bmp"),
        enclova::testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fgra.bmp"));
    return true;
  }();
  (void)sheet;
  return dir.Path();
}

constexpr std::uint16_t kKeys[16] = {VK_LEFT,    VK_UP,      VK_RIGHT,   VK_DOWN,
                                     VK_Z,       VK_X,       VK_NUMPAD2, VK_NUMPAD4,
                                     VK_NUMPAD6, VK_NUMPAD8, VK_ESCAPE,  'A',
                                     0x0D,       0xFF,       VK_Z,       VK_Z};
constexpr std::uint16_t kArrows[4] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::string& directory = DataDirectory();
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().filename() != "fgra.bmp") std::filesystem::remove_all(entry.path());
  }
  enclova::testing::WriteFileBytes(directory + "/fdata.dat", enclova::testing::EmptyRecordFile());

  GameHarness::Options options;
  options.SharedDirectory = directory;
  options.Seed = size >= 4 ? static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                        static_cast<std::uint32_t>(data[3]) << 24)
                           : 1;
  auto game = std::make_unique<GameHarness>(options);
  Check(game->Host.Errors.empty() && game->Form.StartupComplete());
  TForm1& form = game->Form;

  std::int32_t lastStage = form.ResultStage;
  for (std::size_t i = 4; i < size; ++i) {
    const std::uint8_t op = data[i];
    if (op < 0x40) {
      game->Key(kKeys[op & 15]);
    } else if (op < 0x80) {
      game->Clock.Advance((op & 0x3F) * 17);
      game->Tick();
    } else if (op < 0xA0) {
      game->Run(33 * 8 * (op & 0x1F));
    } else if (op < 0xB0) {
      game->Paint();
    } else if (op < 0xC0) {
      // The clock jumps by any amount, back or forward, as a changed system clock makes it.
      std::uint32_t jump = 0;
      for (int b = 0; b < 4 && i + 1 < size; ++b) jump |= std::uint32_t{data[++i]} << (8 * b);
      game->Clock.Local += jump;
      game->Tick();
    } else {
      for (int n = 0; n <= (op & 0x0F); ++n) game->Key(kArrows[(op >> 4) & 3]);
    }

    Check(form.Level >= 1 && form.Level <= 10);
    if (form.ResultStage == 2 && lastStage != 2 && form.GameMode != ModePlay) {
      // A round closed and its result was written: the table and the file agree.
      Check(game->Host.Errors.empty());
      Check(Ordered(form.Ranking));
      const auto expected = EncodeRecordFile(form.Ranking);
      const auto file = enclova::testing::ReadFileBytes(directory + "/fdata.dat");
      Check(file.size() == expected.size() &&
            std::memcmp(file.data(), expected.data(), expected.size()) == 0);
    }
    lastStage = form.ResultStage;
  }
  return 0;
}
