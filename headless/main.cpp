// SPDX-License-Identifier: MIT
// The null front end: plays recorded rounds with no window and no system service but reading
// files, through the same seam as every other front end (frontend/session.h), so the same core
// and the seam itself are checked on any target it is built for (Linux, Windows under Wine,
// WebAssembly under Node). The files are read with the standard library into the game's
// in-memory file system, and everything the game writes stays there.
//
//   enclova-headless [--data-dir=DIR] REPLAY...
//
// Plays each replay against DIR's fgra.bmp (the working directory's by default) and prints one
// line for each, as `enclova --replay=FILE --headless` does. Exit status: the worst verdict, 0
// when every replay matched, 1 when one differed, 2 when one could not be read, 3 when one
// cannot be played with that sheet.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/memory_file_system.h"
#include "base/seams.h"
#include "frontend/session.h"

namespace {

// Reads a whole file of at most `limit` bytes; nothing when it cannot be read or is larger, or
// is no regular file: opening a FIFO would wait for a writer, and a device may never end.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path, std::size_t limit) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > limit) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

// A playback reads the clock readings its file recorded, never this one.
class NoClock final : public enclova::Clock {
 public:
  std::int32_t CurrentMilliseconds() override { return 0; }
  std::uint32_t UtcMillisecondsOfDay() override { return 0; }
};

// Plays one replay at once: the recorded delays passed on a clock of the loop's own, every call
// as soon as the last has returned. Returns the verdict.
int Play(enclova::MemoryFileSystem& files, const std::string& path) {
  NoClock clock;
  enclova::GameSession::Services services;
  services.GameClock = &clock;
  services.Files = &files;
  enclova::GameSession::Options options;
  options.DataDirectory = "/data";
  options.ReplayFile = path;
  options.RecordReplays = false;
  enclova::GameSession session(services, options);
  if (!session.Start()) return session.ExitStatus();
  std::int64_t now = 0;
  for (;;) {
    const enclova::GameSession::TimerPlan plan = session.PlanTimer(now);
    if (plan.TickNow) {
      session.Tick();
    } else if (plan.WaitMilliseconds >= 0) {
      now += plan.WaitMilliseconds;
    } else {
      break;
    }
  }
  session.Finish();
  return session.ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir = ".";
  std::vector<std::string> replays;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.rfind("--data-dir=", 0) == 0) {
      dataDir = std::string(arg.substr(11));
    } else if (!arg.empty() && arg[0] != '-') {
      replays.emplace_back(arg);
    } else {
      std::fprintf(stderr, "usage: enclova-headless [--data-dir=DIR] REPLAY...\n");
      return 2;
    }
  }
  if (replays.empty()) {
    std::fprintf(stderr, "usage: enclova-headless [--data-dir=DIR] REPLAY...\n");
    return 2;
  }

  const std::string sheetPath = dataDir + "/fgra.bmp";
  const auto sheet = ReadFile(sheetPath, enclova::GameSession::LargestSheetBytes());
  if (!sheet) {
    std::fprintf(stderr, "enclova-headless: cannot read %s\n", sheetPath.c_str());
    return 2;
  }
  int status = 0;
  for (const std::string& path : replays) {
    // Each replay in a file system of its own, as a fresh process would have it.
    enclova::MemoryFileSystem files;
    files.MakeDirectory("/data");
    files.ChangeDirectory("/data");
    files.Put("/data/fgra.bmp", *sheet);
    const auto text = ReadFile(path, enclova::GameSession::LargestReplayBytes());
    if (!text) {
      std::fprintf(stderr, "enclova-headless: cannot read %s\n", path.c_str());
      if (status < 2) status = 2;
      continue;
    }
    // Under the name it was given, so the verdict line names it as the player did.
    const std::string kept = path.front() == '/' ? path : "/data/" + path;
    enclova::MakeDirectories(files, kept.substr(0, kept.rfind('/')));
    files.Put(kept, *text);
    const int played = Play(files, kept);
    if (played > status) status = played;
  }
  return status;
}
