// Linux system calls behind the game's seams.
#include "platform/posix_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

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

int PosixFileSystem::Fsync(int fd) { return ::fsync(fd) < 0 ? -errno : 0; }

int PosixFileSystem::Close(int fd) { return ::close(fd) < 0 ? -errno : 0; }

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) < 0 ? -errno : 0;
}

int PosixFileSystem::Unlink(const std::string& path) {
  return ::unlink(path.c_str()) < 0 ? -errno : 0;
}

}  // namespace enclova
