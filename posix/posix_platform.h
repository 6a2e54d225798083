// SPDX-License-Identifier: MIT
// The real clock and file system of a Linux process.
#pragma once

#include <string>

#include "base/seams.h"

namespace enclova {

class SystemClock : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override;
  std::uint32_t UtcMillisecondsOfDay() override;
};

// The game's code for an errno, by its name; FileError::Io for one the game does not name.
FileError FileErrorFromErrno(int errnum);

class PosixFileSystem : public FileSystem {
 public:
  std::string CurrentDirectory() override;
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
};

// What the process sets up before the game touches a file: a write past a file-size limit
// (ulimit -f) fails with EFBIG, which the save reports, instead of killing the game with
// SIGXFSZ.
void PrepareProcessForFiles();

}  // namespace enclova
