// SPDX-License-Identifier: MIT
// The test-driven clock.
#include "posix/shared_clock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace enclova {

std::unique_ptr<SharedClock> SharedClock::Open(const std::string& path, std::string* error) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  void* map = mmap(nullptr, sizeof(SharedClockWords), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  const int mapErrno = errno;
  close(fd);
  if (map == MAP_FAILED) {
    *error = path + ": " + std::strerror(mapErrno);
    return nullptr;
  }
  return std::unique_ptr<SharedClock>(new SharedClock(static_cast<SharedClockWords*>(map)));
}

SharedClock::~SharedClock() {
  munmap(words_, sizeof(SharedClockWords));
}

std::int32_t SharedClock::CurrentMilliseconds() {
  const std::int64_t ms = std::atomic_ref<std::int64_t>(words_->Milliseconds).load();
  std::atomic_ref<std::uint64_t>(words_->Readings).fetch_add(1);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

std::uint32_t SharedClock::UtcMillisecondsOfDay() {
  return static_cast<std::uint32_t>(CurrentMilliseconds()) % 86'400'000u;
}

}  // namespace enclova
