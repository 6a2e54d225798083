// SPDX-License-Identifier: MIT
// The headless game with the real recorder on its seams, replay stores for tests, and the
// scripted rounds that the golden replays are recorded from.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "app/game_typeface.h"
#include "gfx/bmp.h"
#include "replay/player.h"
#include "replay/recorder.h"
#include "tests/good_loop.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {

// Replays kept in memory, numbered and pruned as in a folder; a save can be made to fail as a
// full or read-only disk would.
class MemoryReplayStore : public replay::ReplayStore {
 public:
  std::optional<std::string> Save(const std::string& directory, const std::string& name,
                                  const std::string& text, std::size_t keep,
                                  std::string* error) override {
    if (FailSaves) {
      if (error != nullptr) *error = directory + ": No space left on device";
      return std::nullopt;
    }
    std::string written = name;
    for (int n = 2; Files.count(directory + "/" + written) != 0; ++n) {
      written = replay::NumberedReplayName(name, n);
    }
    Files[directory + "/" + written] = text;
    Last = text;
    for (const std::string& old :
         replay::ReplaysToPrune(List(directory), keep, replay::kRemovalsPerSave)) {
      Remove(directory, old);
    }
    return written;
  }
  std::vector<std::string> List(const std::string& directory) override {
    std::vector<std::string> names;
    for (const auto& [path, text] : Files) {
      if (path.rfind(directory + "/", 0) == 0) names.push_back(path.substr(directory.size() + 1));
    }
    return names;
  }
  bool Remove(const std::string& directory, const std::string& name) override {
    return Files.erase(directory + "/" + name) != 0;
  }

  bool FailSaves = false;
  std::map<std::string, std::string> Files;  // path -> text
  std::string Last;
};

// GameHarness's game, with the recorder between the game and its clock and files.
struct RecordedGame {
  // `store` null: Store. `record` false: the same game with the recorder left unattached.
  explicit RecordedGame(const GameHarness::Options& options = {},
                        replay::ReplayStore* store = nullptr, std::size_t keep = 50,
                        bool record = true)
      : Face(options.RealFont ? std::unique_ptr<Typeface>(OpenGameTypeface())
                              : std::make_unique<FakeTypeface>()),
        Rec(Clock, Files, store != nullptr ? *store : Store, RecorderOptions(Warnings, keep)),
        Running(Rec.GameClock(), Rec.GameFiles(), Face.get()) {
    Files.Cwd = Dir.Path();
    Clock.Local = 1'000'000;
    WriteGameFiles(Dir, options);
    Running.Create(options.Seed);
    if (record) Rec.Attach(Form, App);
    App.Paint();  // the window's first showing
    Tick();       // the title's first tick
  }

  static replay::Recorder::Options RecorderOptions(std::vector<std::string>& warnings,
                                                   std::size_t keep) {
    replay::Recorder::Options o;
    // From 2026-12-10 00:00 UTC, a minute further at each round.
    o.WallClock = [minute = 0]() mutable {
      return std::int64_t{1'796'860'800'000} + 60'000 * minute++;
    };
    o.Keep = keep;
    o.Warn = [&warnings](const std::string& line) { warnings.push_back(line); };
    return o;
  }

  void Key(std::uint16_t key) { App.KeyDown(key); }
  void Tick() { App.Tick(); }
  // Advances the clock in 33 ms ticks.
  void Run(std::int64_t ms) {
    for (std::int64_t t = 0; t < ms; t += 33) {
      Clock.Advance(ms - t < 33 ? ms - t : 33);
      Tick();
    }
  }
  void Level(int level) {
    while (Form.Level < level) Key(VK_RIGHT);
    while (Form.Level > level) Key(VK_LEFT);
  }
  // Z, then the countdown up to the running clock.
  void StartRound(int level) {
    Level(level);
    Key(VK_Z);
    Run(5100);
  }
  void MoveTo(int x, int y) {
    while (Form.CursorX < x) Key(VK_RIGHT);
    while (Form.CursorX > x) Key(VK_LEFT);
    while (Form.CursorY < y) Key(VK_DOWN);
    while (Form.CursorY > y) Key(VK_UP);
  }
  void Steps(const std::vector<std::int32_t>& steps) {
    for (std::int32_t d : steps) {
      Key(d == CmdRight ? VK_RIGHT : d == CmdLeft ? VK_LEFT : d == CmdDown ? VK_DOWN : VK_UP);
    }
  }
  void Keys(std::string_view keys) {
    for (char c : keys) {
      Key(c == 'R'   ? VK_RIGHT
          : c == 'L' ? VK_LEFT
          : c == 'U' ? VK_UP
          : c == 'D' ? VK_DOWN
          : c == 'X' ? VK_X
                     : VK_Z);
    }
  }
  // The result and what follows it.
  void RunResult() { Run(8000); }

  std::string Replay() const { return Store.Last; }

  TempDir Dir;
  FakeClock Clock;
  FaultyFileSystem Files;
  std::unique_ptr<Typeface> Face;
  MemoryReplayStore Store;
  std::vector<std::string> Warnings;
  replay::Recorder Rec;
  Game Running;
  GameHost& Host = Running.Host;
  TForm1& Form = Running.Form;
  Application& App = Running.App;
};

// Plays `text` headless against the sheet in `dir`: the result, and the game afterwards.
struct Playback {
  Playback(const std::string& text, const std::string& dir, const Typeface* face,
           bool skipQuiet = true) {
    Files.Cwd = dir;
    std::string error;
    auto parsed = replay::ParseReplay(text, &error);
    if (!parsed) {
      Error = error;
      return;
    }
    Replay = std::make_unique<replay::Replay>(std::move(*parsed));
    Play = std::make_unique<replay::Player>(*Replay, Files, face);
    if (!Play->Start(&Error)) return;
    while (!Play->Done()) Play->Step(skipQuiet);
    Result = Play->Result();
  }
  FaultyFileSystem Files;
  std::string Error;
  std::unique_ptr<replay::Replay> Replay;
  std::unique_ptr<replay::Player> Play;
  replay::PlaybackResult Result;
};

// ---- Scripted rounds ----

// The first seed from `from` on whose level-1 board FindGoodLoop finds a good loop.
inline std::uint32_t SeedWithGoodLoop(std::uint32_t from, bool realSheet) {
  for (std::uint32_t seed = from;; ++seed) {
    GameHarness::Options options;
    options.Seed = seed;
    options.RealSheet = realSheet;
    GameHarness game(options);
    game.Key(VK_Z);
    if (FindGoodLoop(game.Form)) return seed;
  }
}

// A good round at level 1 up to the key that closes its loop: the loop traced a few seconds
// into the clock. The game must have been seeded with SeedWithGoodLoop.
inline void TraceGoodLoop(RecordedGame& g) {
  g.StartRound(1);
  const auto loop = FindGoodLoop(g.Form);
  g.Run(2000);
  g.MoveTo(loop->StartX, loop->StartY);
  g.Key(VK_Z);
  g.Steps(loop->Steps);
  g.Run(1500);
}

// The whole good round: the loop traced and closed, then the result and the ranking screen.
inline void PlayGoodRound(RecordedGame& g) {
  TraceGoodLoop(g);
  g.Key(VK_Z);  // closes the loop
  g.RunResult();
}

// A loop around the one empty cell (1, 2) of level 1: every stone of the first kind is left
// outside and marked.
inline void PlayMissedRound(RecordedGame& g) {
  g.StartRound(1);
  g.MoveTo(1, 2);
  g.Keys("ZRDLU");
  g.Run(700);
  g.Key(VK_Z);
  g.RunResult();
}

}  // namespace enclova::testing
