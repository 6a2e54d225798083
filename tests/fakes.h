// SPDX-License-Identifier: MIT
// Fakes for the game's seams, and a harness that runs the whole game headless.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "platform/posix_platform.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"

namespace enclova::testing {

class FakeClock : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override { return static_cast<std::int32_t>(Local); }
  std::uint32_t UtcMillisecondsOfDay() override { return Utc; }
  void Advance(std::int64_t ms) { Local += static_cast<std::uint32_t>(ms); }

  std::uint32_t Local = 0;  // wraps like the real count
  std::uint32_t Utc = 0;
};

// Thrown by FaultyFileSystem to stop the program dead at an operation, as a kill would.
struct SimulatedCrash {};

// Real files, with a working directory of the test's choosing and faults injected by the
// number of the file operation (0 = the first Open/Read/Write/Fsync/Close/Rename/Unlink).
class FaultyFileSystem : public PosixFileSystem {
 public:
  std::string CurrentDirectory() override { return Cwd; }
  int Open(const std::string& path, int flags, int mode) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;

  std::string Cwd;
  int Operations = 0;        // operations seen so far
  int FailAt = -1;           // this operation fails with -FailErrno ...
  int FailErrno = 5;         // EIO, which the player sees as "I/O エラー (5)"
  int CrashAt = -1;          // ... or throws SimulatedCrash instead of running
  long ShortWriteBytes = -1; // when >= 0, every Write writes at most this many bytes
  std::vector<std::string> Log;  // "open", "read", ... in order

 private:
  int Fault(const char* name);
};

class FakeHost : public Host {
 public:
  void Terminate() override { ++TerminateRequests; }
  void ShowError(const std::string& caption, const std::string& text) override {
    Errors.emplace_back(caption, text);
  }
  int TerminateRequests = 0;
  std::vector<std::pair<std::string, std::string>> Errors;
};

// Deterministic "glyphs": every code point is a box Height/2 wide (at least 2) whose left
// column and top row are background and the rest ink, so tests can find text without fonts.
class FakeTypeface : public Typeface {
 public:
  GlyphRun Render(std::string_view utf8, int height) const override;
};

// A directory under /tmp that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// An 800x417 sheet in which every pixel has its own colour, neither black nor white:
// SheetColor(x, y). Tests can then tell exactly which sheet pixel landed where.
TColor SheetColor(int x, int y);
Surface MakeTestSheet();

// The first pixel where two 600x400 pictures differ, or "" when they are the same.
std::string FirstDifference(const std::vector<TColor>& got, const std::vector<TColor>& want);

// The ranking file of twenty empty entries (time 0, level -1).
std::vector<std::uint8_t> EmptyRecordFile();

// The whole game in a temporary working directory, driven by hand.
struct GameHarness {
  struct Options {
    bool RealSheet = false;  // assets/fgra.bmp instead of MakeTestSheet()
    bool RealFont = false;   // the game's face instead of FakeTypeface
    bool WriteRecordFile = true;
    bool WriteSheet = true;
    std::vector<std::uint8_t> RecordFile = EmptyRecordFile();
    std::uint32_t Seed = 12345;
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
  FakeHost Host;
  std::unique_ptr<Typeface> Face;
  TForm1 Form;
  Application App;
};

}  // namespace enclova::testing
