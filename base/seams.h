// SPDX-License-Identifier: MIT
// The narrow seams through which the game reaches time, files and its window.
// The executable passes the real ones (platform/posix_platform.cpp, platform/sdl_window.cpp);
// tests pass fakes (tests/kit/), so the whole game runs headless.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace enclova {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local wall-clock time in milliseconds as a wrapping 32-bit count that runs on across
  // midnight; only differences of two readings mean anything.
  virtual std::int32_t CurrentMilliseconds() = 0;
  // Milliseconds since midnight UTC, the random seed.
  virtual std::uint32_t UtcMillisecondsOfDay() = 0;
};

// What a stat call tells of a file, as far as the game asks.
struct FileInfo {
  enum class Kind { Regular, Directory, SymbolicLink, Other };
  Kind Type = Kind::Other;
  unsigned Mode = 0;  // the permission bits, 07777
  std::int64_t Size = 0;
  // Together these tell whether a file was replaced or rewritten since it was last seen.
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t ModifiedNanoseconds = 0;
  std::int64_t ChangedNanoseconds = 0;
};

// POSIX-shaped file access. Every call returns a negative errno on failure; Open returns a
// descriptor, Read and Write the byte count. Paths are absolute.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::string CurrentDirectory() = 0;  // "" when it cannot be read
  virtual int Open(const std::string& path, int flags, int mode = 0644) = 0;
  virtual long Read(int fd, void* buffer, std::size_t size) = 0;
  virtual long Write(int fd, const void* buffer, std::size_t size) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // stat, or lstat when `followLinks` is false.
  virtual int Stat(const std::string& path, FileInfo& info, bool followLinks) = 0;
  virtual int Fstat(int fd, FileInfo& info) = 0;
  virtual int Fchmod(int fd, unsigned mode) = 0;
  // The text of a symbolic link.
  virtual int ReadLink(const std::string& path, std::string& target) = 0;
  // The names in a directory, "." and ".." left out.
  virtual int ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
  // An exclusive flock on the descriptor, waited for at most `milliseconds`; -EWOULDBLOCK
  // when it is still held elsewhere then. Closing the descriptor releases it.
  virtual int LockExclusive(int fd, int milliseconds) = 0;
};

// What a handler may ask of the window system.
class Host {
 public:
  virtual ~Host() = default;
  // Ends the event loop once the running handler has returned.
  virtual void Terminate() = 0;
  // A modal error box with a stop icon and an OK button; returns when it is closed.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

}  // namespace enclova
