// SPDX-License-Identifier: MIT
// Fakes for the game's seams, and the files a test works with.
#include "tests/kit/fakes.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace enclova::testing {

int FaultyFileSystem::Fault(const char* name) {
  Log.emplace_back(name);
  const int index = Operations++;
  if (index == CrashAt) throw SimulatedCrash{};
  if (index == FailAt) return ResultOf(FailWith);
  if (FailNext != nullptr && std::string_view(name) == FailNext) {
    FailNext = nullptr;
    return ResultOf(FailWith);
  }
  return 0;
}

FaultyFileSystem::~FaultyFileSystem() {
  for (const auto& [files, fd] : open_) files->Close(fd);
}

int FaultyFileSystem::Open(const std::string& path, OpenFlags flags, unsigned mode) {
  if (int e = Fault("open")) return e;
  const int fd = Inner().Open(path, flags, mode);
  if (fd >= 0) open_.insert({&Inner(), fd});
  return fd;
}

long FaultyFileSystem::Read(int fd, void* buffer, std::size_t size) {
  if (int e = Fault("read")) return e;
  if (ShortReadBytes >= 0 && size > static_cast<std::size_t>(ShortReadBytes)) {
    size = static_cast<std::size_t>(ShortReadBytes);
  }
  return Inner().Read(fd, buffer, size);
}

long FaultyFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  if (int e = Fault("write")) return e;
  if (ShortWriteBytes >= 0 && size > static_cast<std::size_t>(ShortWriteBytes)) {
    size = static_cast<std::size_t>(ShortWriteBytes);
  }
  return Inner().Write(fd, buffer, size);
}

int FaultyFileSystem::Fsync(int fd) {
  if (int e = Fault("fsync")) return e;
  if (SkipSync) return 0;
  return Inner().Fsync(fd);
}

int FaultyFileSystem::Close(int fd) {
  // A crash at the close leaves the descriptor open, for the destructor to close.
  const int e = Fault("close");
  open_.erase({&Inner(), fd});
  if (e != 0) {
    Inner().Close(fd);  // the descriptor is gone either way, as with close(2)
    return e;
  }
  return Inner().Close(fd);
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int e = Fault("rename")) return e;
  return Inner().Rename(from, to);
}

int FaultyFileSystem::Unlink(const std::string& path) {
  if (int e = Fault("unlink")) return e;
  return Inner().Unlink(path);
}

int FaultyFileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  if (int e = Fault(followLinks ? "stat" : "lstat")) return e;
  return Inner().Stat(path, info, followLinks);
}

int FaultyFileSystem::Fstat(int fd, FileInfo& info) {
  if (int e = Fault("fstat")) return e;
  return Inner().Fstat(fd, info);
}

int FaultyFileSystem::Fchmod(int fd, unsigned mode) {
  if (int e = Fault("fchmod")) return e;
  return Inner().Fchmod(fd, mode);
}

int FaultyFileSystem::ReadLink(const std::string& path, std::string& target) {
  if (int e = Fault("readlink")) return e;
  return Inner().ReadLink(path, target);
}

int FaultyFileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  if (int e = Fault("list")) return e;
  return Inner().ListDirectory(path, names);
}

int FaultyFileSystem::LockExclusive(int fd, int milliseconds) {
  if (int e = Fault("lock")) return e;
  return Inner().LockExclusive(fd, milliseconds);
}

int FaultyFileSystem::MakeDirectory(const std::string& path) {
  if (int e = Fault("mkdir")) return e;
  return Inner().MakeDirectory(path);
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
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  // In blocks: a byte at a time is slow in the instrumented builds that read a file per step.
  std::vector<std::uint8_t> bytes;
  char block[4096];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    bytes.insert(bytes.end(), block, block + in.gcount());
  }
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return bytes;
}

std::vector<std::uint8_t> EmptyRecordFile() {
  std::vector<std::uint8_t> bytes(160, 0);
  for (int i = 0; i < 20; ++i) {
    for (int b = 0; b < 4; ++b) bytes[static_cast<std::size_t>(80 + 4 * i + b)] = 0xFF;  // level -1
  }
  return bytes;
}

}  // namespace enclova::testing
