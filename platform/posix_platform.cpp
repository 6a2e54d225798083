// SPDX-License-Identifier: MIT
// Linux system calls behind the game's seams.
#include "platform/posix_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/errors.h"

namespace enclova {

std::int32_t SystemClock::CurrentMilliseconds() {
  // Local wall-clock time (not a monotonic clock): a round timed across a clock change jumps
  // with it, as the player's own clock does. Unsigned arithmetic wraps without overflow.
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  const std::uint64_t seconds =
      static_cast<std::uint64_t>(now.tv_sec) + static_cast<std::uint64_t>(local.tm_gmtoff);
  const std::uint64_t ms = seconds * 1000u + static_cast<std::uint64_t>(now.tv_nsec / 1000000);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

std::uint32_t SystemClock::UtcMillisecondsOfDay() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::uint64_t secondOfDay = static_cast<std::uint64_t>(now.tv_sec) % 86400u;
  return static_cast<std::uint32_t>(secondOfDay * 1000u + now.tv_nsec / 1000000);
}

std::string PosixFileSystem::CurrentDirectory() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

int PosixFileSystem::Open(const std::string& path, int flags, int mode) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  return fd < 0 ? -errno : fd;
}

long PosixFileSystem::Read(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do n = ::read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -errno : static_cast<long>(n);
}

long PosixFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  ssize_t n;
  do n = ::write(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -errno : static_cast<long>(n);
}

int PosixFileSystem::Fsync(int fd) {
  return ::fsync(fd) < 0 ? -errno : 0;
}

int PosixFileSystem::Close(int fd) {
  return ::close(fd) < 0 ? -errno : 0;
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) < 0 ? -errno : 0;
}

int PosixFileSystem::Unlink(const std::string& path) {
  return ::unlink(path.c_str()) < 0 ? -errno : 0;
}

void DataDirectoryFileSystem::Fail(const std::string& what, const std::string& path, int result) {
  lastFailure_ = "cannot " + what + " " + path + ": " + std::strerror(-result);
}

int DataDirectoryFileSystem::Open(const std::string& path, int flags, int mode) {
  const int fd = files_.Open(path, flags, mode);
  lastPath_ = path;
  if (fd < 0) {
    Fail((flags & O_CREAT) != 0 ? "create" : "open", path, fd);
  } else {
    paths_[fd] = path;
  }
  return fd;
}

long DataDirectoryFileSystem::Read(int fd, void* buffer, std::size_t size) {
  const long n = files_.Read(fd, buffer, size);
  if (n < 0) Fail("read", paths_[fd], static_cast<int>(n));
  if (n >= 0 && static_cast<std::size_t>(n) < size) {
    lastShortRead_ = paths_[fd] + " ends after " + std::to_string(n) + " bytes, too soon";
  }
  return n;
}

long DataDirectoryFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  const long n = files_.Write(fd, buffer, size);
  if (n < 0) Fail("write", paths_[fd], static_cast<int>(n));
  if (n >= 0 && static_cast<std::size_t>(n) < size) {
    lastFailure_ = "cannot write " + paths_[fd] + " in full: the disk is full";
  }
  return n;
}

int DataDirectoryFileSystem::Fsync(int fd) {
  const int r = files_.Fsync(fd);
  if (r < 0) Fail("write", paths_[fd], r);
  return r;
}

int DataDirectoryFileSystem::Close(int fd) {
  const int r = files_.Close(fd);
  if (r < 0) Fail("close", paths_[fd], r);
  paths_.erase(fd);
  return r;
}

int DataDirectoryFileSystem::Rename(const std::string& from, const std::string& to) {
  const int r = files_.Rename(from, to);
  if (r < 0) Fail("replace", to, r);
  return r;
}

int DataDirectoryFileSystem::Unlink(const std::string& path) {
  return files_.Unlink(path);
}

std::string DataDirectoryFileSystem::Explain(const std::string& text) {
  std::string line;
  if (text.rfind(InvalidBitmapError().what(), 0) == 0) {
    line = lastPath_ + " is not a BMP picture the game can read";
  } else if (text.rfind(InOutErrorMessage(kErrReadPastEnd), 0) == 0 && !lastShortRead_.empty()) {
    line = lastShortRead_;
  } else if (!lastFailure_.empty()) {
    line = lastFailure_;
  } else {
    line = "an error with " + (lastPath_.empty() ? directory_ : lastPath_);
  }
  lastFailure_.clear();
  lastShortRead_.clear();
  return "enclova: " + line;
}

}  // namespace enclova
