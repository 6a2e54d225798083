// SPDX-License-Identifier: MIT
// Fakes for the game's seams, and the headless game harness.
#include "tests/fakes.h"
#include "app/game_typeface.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "gfx/bmp.h"

namespace enclova::testing {

int FaultyFileSystem::Fault(const char* name) {
  Log.emplace_back(name);
  const int index = Operations++;
  if (index == CrashAt) throw SimulatedCrash{};
  if (index == FailAt) return -FailErrno;
  return 0;
}

int FaultyFileSystem::Open(const std::string& path, int flags, int mode) {
  if (int e = Fault("open")) return e;
  return PosixFileSystem::Open(path, flags, mode);
}

long FaultyFileSystem::Read(int fd, void* buffer, std::size_t size) {
  if (int e = Fault("read")) return e;
  return PosixFileSystem::Read(fd, buffer, size);
}

long FaultyFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  if (int e = Fault("write")) return e;
  if (ShortWriteBytes >= 0 && size > static_cast<std::size_t>(ShortWriteBytes)) {
    size = static_cast<std::size_t>(ShortWriteBytes);
  }
  return PosixFileSystem::Write(fd, buffer, size);
}

int FaultyFileSystem::Fsync(int fd) {
  if (int e = Fault("fsync")) return e;
  return PosixFileSystem::Fsync(fd);
}

int FaultyFileSystem::Close(int fd) {
  if (int e = Fault("close")) {
    PosixFileSystem::Close(fd);  // the descriptor is gone either way, as with close(2)
    return e;
  }
  return PosixFileSystem::Close(fd);
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int e = Fault("rename")) return e;
  return PosixFileSystem::Rename(from, to);
}

int FaultyFileSystem::Unlink(const std::string& path) {
  if (int e = Fault("unlink")) return e;
  return PosixFileSystem::Unlink(path);
}

GlyphRun FakeTypeface::Render(std::string_view utf8, int height) const {
  const int cell = height > 0 ? height : -height;
  const int advance = cell / 2 < 2 ? 2 : cell / 2;
  int count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;  // one box per code point
  }
  GlyphRun run;
  run.Width = advance * count;
  run.Height = cell;
  run.Coverage.assign(static_cast<std::size_t>(run.Width * run.Height), 0);
  for (int y = 1; y < run.Height; ++y) {
    for (int x = 0; x < run.Width; ++x) {
      if (x % advance != 0) run.Coverage[static_cast<std::size_t>(y * run.Width + x)] = 255;
    }
  }
  return run;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/enclova-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TColor SheetColor(int x, int y) {
  // 800 x 417 positions fit in 19 bits; spread them so no pixel is black or white.
  const std::uint32_t index = static_cast<std::uint32_t>(y * 800 + x) + 1;
  return (index * 37u) & 0x00FFFFFE ? (index * 37u) & 0x00FFFFFE : 0x00123456;
}

Surface MakeTestSheet() {
  Surface sheet(800, 417);
  for (int y = 0; y < 417; ++y) {
    for (int x = 0; x < 800; ++x) sheet.SetPixel(x, y, SheetColor(x, y));
  }
  return sheet;
}

std::string FirstDifference(const std::vector<TColor>& got, const std::vector<TColor>& want) {
  for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
    if (got[i] != want[i]) {
      std::ostringstream out;
      out << "at (" << i % 600 << ", " << i / 600 << ") got 0x" << std::hex << got[i] << ", want 0x"
          << want[i];
      return out.str();
    }
  }
  return got.size() == want.size() ? "" : "sizes differ";
}

std::vector<std::uint8_t> EmptyRecordFile() {
  std::vector<std::uint8_t> bytes(160, 0);
  for (int i = 0; i < 20; ++i) {
    for (int b = 0; b < 4; ++b) bytes[static_cast<std::size_t>(80 + 4 * i + b)] = 0xFF;  // level -1
  }
  return bytes;
}

namespace {
std::unique_ptr<Typeface> MakeFace(bool real) {
  if (real) return OpenGameTypeface();
  return std::make_unique<FakeTypeface>();
}
}  // namespace

GameHarness::GameHarness(const Options& options)
    : Face(MakeFace(options.RealFont)),
      Form(Clock, Files, Host, Face.get()),
      App(Form, Host, "enclova") {
  Files.Cwd = Dir.Path();
  Clock.Local = 1'000'000;
  Clock.Utc = 0;
  if (options.WriteRecordFile) WriteFileBytes(Dir.File("fdata.dat"), options.RecordFile);
  if (options.WriteSheet) {
    if (options.RealSheet) {
      WriteFileBytes(Dir.File("fgra.bmp"), ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fgra.bmp"));
    } else {
      WriteFileBytes(Dir.File("fgra.bmp"), EncodeBmp24(MakeTestSheet()));
    }
  }
  Form.FixSeed(options.Seed);
  App.Create();
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

}  // namespace enclova::testing
