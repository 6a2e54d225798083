// The real clock and file system of a Linux process.
#pragma once

#include "base/seams.h"

namespace enclova {

class SystemClock : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override;
  std::uint32_t UtcMillisecondsOfDay() override;
};

class PosixFileSystem : public FileSystem {
 public:
  std::string CurrentDirectory() override;
  int Open(const std::string& path, int flags, int mode) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
};

}  // namespace enclova
