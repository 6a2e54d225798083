// SPDX-License-Identifier: MIT
// Fakes for the game's seams, and the files a test works with.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/seams.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"
#include "posix/posix_platform.h"
#include "tests/kit/fake_typeface.h"

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

// Real files (or any other file system given), with a working directory of the test's choosing
// and faults injected by the number of the file operation (0 = the first Open/Read/Write/Fsync/
// Close/Rename/Unlink/Stat/Fstat/Fchmod/ReadLink/ListDirectory/LockExclusive/MakeDirectory).
class FaultyFileSystem : public FileSystem {
 public:
  FaultyFileSystem() = default;
  explicit FaultyFileSystem(FileSystem& inner) : inner_(&inner) {}
  // Faults from now on are injected over `inner` instead.
  void Over(FileSystem& inner) { inner_ = &inner; }
  // A simulated crash leaves descriptors open, as a killed process would; they are closed here,
  // as the system closes a dead process's, so that a long run of crashes holds none.
  ~FaultyFileSystem() override;
  FaultyFileSystem(const FaultyFileSystem&) = delete;
  FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;
  std::string CurrentDirectory() override { return Cwd; }
  int Open(const std::string& path, OpenFlags flags, unsigned mode) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int Stat(const std::string& path, FileInfo& info, bool followLinks) override;
  int Fstat(int fd, FileInfo& info) override;
  int Fchmod(int fd, unsigned mode) override;
  int ReadLink(const std::string& path, std::string& target) override;
  int ListDirectory(const std::string& path, std::vector<std::string>& names) override;
  int LockExclusive(int fd, int milliseconds) override;
  int MakeDirectory(const std::string& path) override;

  std::string Cwd;
  int Operations = 0;                  // operations seen so far
  int FailAt = -1;                     // this operation fails with FailWith ...
  FileError FailWith = FileError::Io;  // which the player sees as "I/O エラー (5)"
  const char* FailNext = nullptr;      // or the next operation of this name ("write") fails so
  int CrashAt = -1;                    // ... or throws SimulatedCrash instead of running
  long ShortWriteBytes = -1;           // when >= 0, every Write writes at most this many bytes
  long ShortReadBytes = -1;            // when >= 0, every Read reads at most this many bytes
  bool SkipSync = false;         // Fsync counts as an operation but does not wait for the disk
  std::vector<std::string> Log;  // "open", "read", ... in order

 private:
  int Fault(const char* name);
  FileSystem& Inner() { return inner_ != nullptr ? *inner_ : posix_; }

  PosixFileSystem posix_;
  FileSystem* inner_ = nullptr;
  // Descriptors opened through this file system and not yet closed, with the one that holds them.
  std::set<std::pair<FileSystem*, int>> open_;
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

// The names in a directory, sorted.
std::vector<std::string> DirectoryEntries(const std::string& path);

// How many descriptors the process holds open now: a leak shows as a count that grows.
int OpenDescriptors();

// The ranking file of twenty empty entries (time 0, level -1).
std::vector<std::uint8_t> EmptyRecordFile();

}  // namespace enclova::testing
