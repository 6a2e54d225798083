// SPDX-License-Identifier: MIT
// Linux system calls behind the game's seams.
#include "posix/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"

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

FileError FileErrorFromErrno(int errnum) {
  switch (errnum) {
    case EPERM:
      return FileError::NotPermitted;
    case ENOENT:
      return FileError::NotFound;
    case EINTR:
      return FileError::Interrupted;
    case EIO:
      return FileError::Io;
    case ENXIO:
      return FileError::NoDeviceOrAddress;
    case EBADF:
      return FileError::BadDescriptor;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return FileError::WouldBlock;
    case ENOMEM:
      return FileError::OutOfMemory;
    case EACCES:
      return FileError::AccessDenied;
    case EBUSY:
      return FileError::Busy;
    case EEXIST:
      return FileError::Exists;
    case EXDEV:
      return FileError::CrossDevice;
    case ENODEV:
      return FileError::NoDevice;
    case ENOTDIR:
      return FileError::NotADirectory;
    case EISDIR:
      return FileError::IsADirectory;
    case EINVAL:
      return FileError::InvalidArgument;
    case ENFILE:
      return FileError::TooManyOpenInSystem;
    case EMFILE:
      return FileError::TooManyOpen;
    case ETXTBSY:
      return FileError::TextBusy;
    case EFBIG:
      return FileError::FileTooLarge;
    case ENOSPC:
      return FileError::NoSpace;
    case EROFS:
      return FileError::ReadOnly;
    case EMLINK:
      return FileError::TooManyLinks;
    case EPIPE:
      return FileError::BrokenPipe;
    case ENAMETOOLONG:
      return FileError::NameTooLong;
    case ENOLCK:
      return FileError::NoLocks;
    case ENOSYS:
      return FileError::NotImplemented;
    case ENOTEMPTY:
      return FileError::DirectoryNotEmpty;
    case ELOOP:
      return FileError::LinkLoop;
    case EOVERFLOW:
      return FileError::Overflow;
    case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
#endif
      return FileError::NotSupported;
    case ETIMEDOUT:
      return FileError::TimedOut;
    case ESTALE:
      return FileError::Stale;
    case EDQUOT:
      return FileError::QuotaExceeded;
    default:
      return FileError::Io;
  }
}

namespace {

// The failed call's result for the errno it left.
int Failure(int errnum) {
  return ResultOf(FileErrorFromErrno(errnum));
}

int OpenFlagsOf(OpenFlags flags) {
  int open = O_CLOEXEC;
  if (Has(flags, OpenFlags::ReadWrite)) {
    open |= O_RDWR;
  } else if (Has(flags, OpenFlags::Write)) {
    open |= O_WRONLY;
  } else {
    open |= O_RDONLY;
  }
  if (Has(flags, OpenFlags::Create)) open |= O_CREAT;
  if (Has(flags, OpenFlags::Exclusive)) open |= O_EXCL;
  if (Has(flags, OpenFlags::Truncate)) open |= O_TRUNC;
  if (Has(flags, OpenFlags::NoFollow)) open |= O_NOFOLLOW;
  if (Has(flags, OpenFlags::DoNotWait)) open |= O_NONBLOCK;
  if (Has(flags, OpenFlags::Directory)) open |= O_DIRECTORY;
  return open;
}

}  // namespace

std::string PosixFileSystem::CurrentDirectory() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

int PosixFileSystem::Open(const std::string& path, OpenFlags flags, unsigned mode) {
  const int fd = ::open(path.c_str(), OpenFlagsOf(flags), static_cast<mode_t>(mode));
  return fd < 0 ? Failure(errno) : fd;
}

long PosixFileSystem::Read(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do n = ::read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n < 0 ? Failure(errno) : static_cast<long>(n);
}

long PosixFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  ssize_t n;
  do n = ::write(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n < 0 ? Failure(errno) : static_cast<long>(n);
}

int PosixFileSystem::Fsync(int fd) {
  return ::fsync(fd) < 0 ? Failure(errno) : 0;
}

int PosixFileSystem::Close(int fd) {
  return ::close(fd) < 0 ? Failure(errno) : 0;
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) < 0 ? Failure(errno) : 0;
}

int PosixFileSystem::Unlink(const std::string& path) {
  return ::unlink(path.c_str()) < 0 ? Failure(errno) : 0;
}

namespace {

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  if (S_ISREG(st.st_mode)) {
    info.Type = FileInfo::Kind::Regular;
  } else if (S_ISDIR(st.st_mode)) {
    info.Type = FileInfo::Kind::Directory;
  } else if (S_ISLNK(st.st_mode)) {
    info.Type = FileInfo::Kind::SymbolicLink;
  }
  info.Mode = st.st_mode & 07777;
  info.Size = st.st_size;
  info.Device = st.st_dev;
  info.Inode = st.st_ino;
  info.ModifiedNanoseconds = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
  info.ChangedNanoseconds = std::int64_t{st.st_ctim.tv_sec} * 1'000'000'000 + st.st_ctim.tv_nsec;
  return info;
}

}  // namespace

int PosixFileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  struct stat st {};
  const int r = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (r < 0) return Failure(errno);
  info = InfoOf(st);
  return 0;
}

int PosixFileSystem::Fstat(int fd, FileInfo& info) {
  struct stat st {};
  if (::fstat(fd, &st) < 0) return Failure(errno);
  info = InfoOf(st);
  return 0;
}

int PosixFileSystem::Fchmod(int fd, unsigned mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode)) < 0 ? Failure(errno) : 0;
}

int PosixFileSystem::ReadLink(const std::string& path, std::string& target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return Failure(errno);
    if (static_cast<std::size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<std::size_t>(n));
      return 0;
    }
    if (buffer.size() >= 65536) return ResultOf(FileError::NameTooLong);
    buffer.resize(buffer.size() * 2);
  }
}

int PosixFileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return Failure(errno);
  names.clear();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return 0;
}

int PosixFileSystem::LockExclusive(int fd, int milliseconds) {
  // flock has no timeout of its own: ask without blocking, every 10 ms, until the time is up.
  constexpr int kPollMilliseconds = 10;
  for (int waited = 0;; waited += kPollMilliseconds) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EWOULDBLOCK && errno != EINTR) return Failure(errno);
    if (waited >= milliseconds) return ResultOf(FileError::WouldBlock);
    const timespec pause{0, kPollMilliseconds * 1'000'000L};
    nanosleep(&pause, nullptr);
  }
}

int PosixFileSystem::MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) < 0 ? Failure(errno) : 0;
}

void PrepareProcessForFiles() {
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace enclova
