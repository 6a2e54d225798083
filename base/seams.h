// SPDX-License-Identifier: MIT
// The narrow seams through which the game reaches time, files and its window.
// Each front end passes the real ones (posix/, win32/win32_files.h, web/web_session.cpp) to the
// session it drives (frontend/session.h); tests pass fakes (tests/kit/), so the whole game runs
// headless.
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

// Why a file operation failed: the game's own codes, the same on every platform. Each code's
// number is the one Linux gives the same error (ENOENT 2, EACCES 13, ENOSPC 28, ...). Recorded
// rounds store the failed operations' results as these numbers, and every round recorded so far
// was recorded on Linux with its raw errno values: so with Linux's numbers those replays read the
// same anywhere, and the replay format needs no conversion. Each platform maps its own errors to
// these by meaning, never by assuming equal numbers; an error it cannot name is Io. A replay may
// carry any number, so a code outside this list is still a code: it reads as "I/O エラー (n)".
enum class FileError : int {
  NotPermitted = 1,          // EPERM
  NotFound = 2,              // ENOENT
  Interrupted = 4,           // EINTR
  Io = 5,                    // EIO, and whatever a platform cannot name
  NoDeviceOrAddress = 6,     // ENXIO: a FIFO opened for writing without waiting, with no reader
  BadDescriptor = 9,         // EBADF
  WouldBlock = 11,           // EAGAIN: a lock held elsewhere, a read that would wait
  OutOfMemory = 12,          // ENOMEM
  AccessDenied = 13,         // EACCES
  Busy = 16,                 // EBUSY
  Exists = 17,               // EEXIST
  CrossDevice = 18,          // EXDEV: a rename between file systems
  NoDevice = 19,             // ENODEV
  NotADirectory = 20,        // ENOTDIR
  IsADirectory = 21,         // EISDIR
  InvalidArgument = 22,      // EINVAL: also ReadLink on anything but a link
  TooManyOpenInSystem = 23,  // ENFILE
  TooManyOpen = 24,          // EMFILE
  TextBusy = 26,             // ETXTBSY
  FileTooLarge = 27,         // EFBIG: also a file-size limit reached
  NoSpace = 28,              // ENOSPC
  ReadOnly = 30,             // EROFS
  TooManyLinks = 31,         // EMLINK
  BrokenPipe = 32,           // EPIPE
  NameTooLong = 36,          // ENAMETOOLONG
  NoLocks = 37,              // ENOLCK
  NotImplemented = 38,       // ENOSYS
  DirectoryNotEmpty = 39,    // ENOTEMPTY
  LinkLoop = 40,             // ELOOP: also a link where NoFollow was asked
  Overflow = 75,             // EOVERFLOW
  NotSupported = 95,         // EOPNOTSUPP
  TimedOut = 110,            // ETIMEDOUT
  Stale = 116,               // ESTALE
  QuotaExceeded = 122,       // EDQUOT
};

// A failed call's result for `error`, and the error a negative result stands for.
constexpr int ResultOf(FileError error) {
  return -static_cast<int>(error);
}
constexpr FileError ErrorIn(long result) {
  return static_cast<FileError>(-result);
}

// How Open opens a file. One of Read, Write or ReadWrite, with any of the others.
enum class OpenFlags : unsigned {
  Read = 1u << 0,
  Write = 1u << 1,
  ReadWrite = Read | Write,
  Create = 1u << 2,     // a missing file is made, with the mode given (less the umask)
  Exclusive = 1u << 3,  // with Create: Exists when anything is there, a dangling link too
  Truncate = 1u << 4,   // an existing regular file opened for writing starts empty
  NoFollow = 1u << 5,   // LinkLoop when the last component is a symbolic link
  DoNotWait = 1u << 6,  // a FIFO or device opens at once, and reads from it never wait
  Directory = 1u << 7,  // NotADirectory unless it is one (opened to flush it)
};

constexpr OpenFlags operator|(OpenFlags a, OpenFlags b) {
  return static_cast<OpenFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
// True when every bit of `flag` is set in `flags`.
constexpr bool Has(OpenFlags flags, OpenFlags flag) {
  return (static_cast<unsigned>(flags) & static_cast<unsigned>(flag)) ==
         static_cast<unsigned>(flag);
}

// POSIX-shaped file access in the game's own terms. Every call returns ResultOf(error) on
// failure; Open returns a descriptor, Read and Write the byte count, the others 0. Paths are
// absolute. The game's recorded rounds store each failing operation by its index within a
// handler call, so the operations and their granularity are part of the replay format: a caller
// that makes a different sequence of them breaks every replay of its handler.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::string CurrentDirectory() = 0;  // "" when it cannot be read
  virtual int Open(const std::string& path, OpenFlags flags, unsigned mode = 0644) = 0;
  virtual long Read(int fd, void* buffer, std::size_t size) = 0;
  virtual long Write(int fd, const void* buffer, std::size_t size) = 0;
  virtual int Fsync(int fd) = 0;
  virtual int Close(int fd) = 0;
  // Replaces whatever file `to` names, in one step.
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
  // An exclusive flock on the descriptor, waited for at most `milliseconds`; WouldBlock when it
  // is still held elsewhere then. Closing the descriptor releases it.
  virtual int LockExclusive(int fd, int milliseconds) = 0;
  // One directory, its parent already there (0755 less the umask); Exists when anything is
  // there already.
  virtual int MakeDirectory(const std::string& path) = 0;
};

// What a handler may ask of the window system.
class Host {
 public:
  virtual ~Host() = default;
  // Ends the event loop once the running handler has returned.
  virtual void Terminate() = 0;
  // A modal error box with a stop icon and an OK button. The game's own host (app/game.h) keeps
  // it pending until the front end has shown it and the player has answered: nothing blocks.
  virtual void ShowError(const std::string& caption, const std::string& text) = 0;
};

}  // namespace enclova
