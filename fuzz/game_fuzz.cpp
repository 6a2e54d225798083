// SPDX-License-Identifier: MIT
// The whole headless game driven by a byte stream: keys, timer ticks, paint requests and jumps
// of the clock, at every level. After every round whose result panel was shown, the ranking in
// memory must be in the game's order and equal, byte for byte, to the file on disk.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "app/game_typeface.h"
#include "ranking/ranking_table.h"
#include "tests/kit/game.h"
#include "tests/kit/records.h"

namespace {

using namespace enclova;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The seams and a started game, made once per process: the start-up (reading and cutting the
// sheet) costs far more than a run. Each input plays the started game assigned afresh, on an
// empty ranking and at the same clock, so every run starts alike.
struct Started {
  Started() : form(clock, files, host, face.get()) {
    Check(face != nullptr);
    files.Cwd = dir.Path();
    files.SkipSync = true;  // the disk is not what is tested here
    enclova::testing::WriteFileBytes(
        dir.File("fgra.bmp"),
        enclova::testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fgra.bmp"));
    ResetFiles();
    form.FormCreate();
    Check(form.StartupComplete());
    form.SpriteSheet = Surface();  // only cut from at start-up: no copy needs it
  }
  // Most runs save no place: the empty ranking is written again only when a run changed it.
  void ResetFiles() {
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      const auto name = entry.path().filename();
      if (name != "fgra.bmp" && name != "fdata.dat") std::filesystem::remove_all(entry.path());
    }
    const std::string ranking = dir.File("fdata.dat");
    if (!std::filesystem::is_regular_file(ranking) ||
        enclova::testing::ReadFileBytes(ranking) != empty) {
      std::filesystem::remove_all(ranking);
      enclova::testing::WriteFileBytes(ranking, empty);
    }
  }

  const std::vector<std::uint8_t> empty = enclova::testing::EmptyRecordFile();
  enclova::testing::TempDir dir;
  enclova::testing::FakeClock clock;
  enclova::testing::FaultyFileSystem files;
  GameHost host;
  std::unique_ptr<AtlasTypeface> face = OpenGameTypeface();  // the text the game ships
  TForm1 form;
};

// With ENCLOVA_FUZZ_STATS set, how many closed rounds were checked and how many of them saved a
// place, printed at exit: a corpus that never reaches a ranked round checks little.
struct RoundCounts {
  long Closed = 0;
  long Ranked = 0;
  ~RoundCounts() {
    if (std::getenv("ENCLOVA_FUZZ_STATS") != nullptr) {
      std::fprintf(stderr, "rounds closed: %ld, ranked: %ld\n", Closed, Ranked);
    }
  }
};
RoundCounts counts;

constexpr std::uint16_t kKeys[16] = {
    VK_LEFT,    VK_UP,      VK_RIGHT,  VK_DOWN, VK_Z, VK_X, VK_NUMPAD2, VK_NUMPAD4,
    VK_NUMPAD6, VK_NUMPAD8, VK_ESCAPE, 'A',     0x0D, 0xFF, VK_Z,       VK_Z};
constexpr std::uint16_t kArrows[4] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  static Started started;
  started.ResetFiles();
  started.clock.Local = 1'000'000;
  started.clock.Utc = 0;
  started.host.Errors.clear();
  started.files.Log.clear();
  // Assigned over the last input's game, the surfaces keep their memory and only the layers it
  // drew on are copied: a fresh copy each time cost as much as a short input's play.
  static TForm1 scratch = started.form;
  scratch = started.form;
  TForm1* const form = &scratch;
  form->RandSeed = size >= 4 ? static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                          std::uint32_t{data[3]} << 24)
                             : 1;
  Application app(*form, started.host, "enclova");
  const std::string path = started.dir.File("fdata.dat");

  std::int32_t lastStage = form->ResultStage;
  for (std::size_t i = 4; i < size; ++i) {
    const std::uint8_t op = data[i];
    if (op < 0x40) {
      app.KeyDown(kKeys[op & 15]);
    } else if (op < 0x80) {
      started.clock.Advance((op & 0x3F) * 17);
      app.Tick();
    } else if (op < 0xA0) {
      for (int n = 0; n < 8 * (op & 0x1F); ++n) {
        started.clock.Advance(33);
        app.Tick();
      }
    } else if (op < 0xB0) {
      // A window system asks for what was uncovered: the whole window, or any area, even one
      // reaching past the window's edges or holding nothing.
      if ((op & 0x0F) == 0 || i + 4 >= size) {
        app.Paint();
      } else {
        const int left = data[i + 1] * 5 / 2 - 20;
        const int top = data[i + 2] * 2 - 20;
        const int right = left + data[i + 3] * 5 / 2;
        const int bottom = top + data[i + 4] * 2;
        i += 4;
        app.Paint(TRect{left, top, right, bottom});
      }
    } else if (op < 0xC0) {
      // The clock jumps by any amount, back or forward, as a changed system clock makes it.
      std::uint32_t jump = 0;
      for (int b = 0; b < 4 && i + 1 < size; ++b) jump |= std::uint32_t{data[++i]} << (8 * b);
      started.clock.Local += jump;
      app.Tick();
    } else {
      for (int n = 0; n <= (op & 0x0F); ++n) app.KeyDown(kArrows[(op >> 4) & 3]);
    }

    Check(form->Level >= 1 && form->Level <= 10);
    if (form->ResultStage == 2 && lastStage != 2 && form->GameMode != ModePlay) {
      // A round closed and its result was written: the table and the file agree.
      ++counts.Closed;
      if (form->LastRank < kNoRank) ++counts.Ranked;
      Check(started.host.Errors.empty());
      Check(enclova::testing::RankingIsOrdered(form->Ranking));
      const auto expected = EncodeRecordFile(form->Ranking);
      const auto file = enclova::testing::ReadFileBytes(path);
      Check(file.size() == expected.size() &&
            std::memcmp(file.data(), expected.data(), expected.size()) == 0);
    }
    lastStage = form->ResultStage;
  }
  return 0;
}
