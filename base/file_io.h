// SPDX-License-Identifier: MIT
// Whole files over the FileSystem seam: a bounded read, an atomic replace, and the paths, links
// and directories they work with. Each function's sequence of file operations is stated, because
// the game's recorded rounds depend on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

// "/a/b" -> "/a", "/b" -> "/", "b" -> ".".
std::string DirectoryOf(const std::string& path);
// The last component: "/a/b" -> "b".
std::string NameOf(const std::string& path);

// The usual English words for a file error ("No such file or directory"), for lines on
// standard error; "error n" for a number without a name.
std::string DescribeFileError(FileError error);

// `text` as one line of plain text on a terminal, for a line that quotes a name the player gave
// (a file, a folder), which may hold any byte: each control character (C0, DEL, and C1 as UTF-8
// writes it, such as the escape that starts a terminal's commands) is shown as '?'.
std::string PrintableLine(std::string text);

// As many symbolic links in a row as the system itself follows before it gives up.
constexpr int kMaxLinks = 40;

// The file `path` finally names once every symbolic link on its last component is followed,
// into `target`; a missing file ends the chain where it is. `found` tells what is there, when
// anything is. Operations: an lstat for each name in the chain and a ReadLink for each link.
// Returns 0, or the failed call's result (LinkLoop past kMaxLinks links, NotFound for a link
// with no text).
int FollowLinks(FileSystem& files, const std::string& path, std::string& target,
                std::optional<FileInfo>* found = nullptr);

// Makes `path` and every directory missing above it. Returns 0 when it is a directory
// afterwards, or the failed call's result.
int MakeDirectories(FileSystem& files, const std::string& path);

// ---- Reading a whole file ----

struct WholeFile {
  enum class Outcome {
    Read,      // Bytes holds the whole file
    NotAFile,  // something other than a regular file is there; nothing was read from it
    TooLarge,  // larger than the bound, by its size or by what its reads brought
    Failed,    // an operation failed with Error
  };
  Outcome Result = Outcome::Failed;
  FileError Error = FileError::Io;
  std::vector<std::uint8_t> Bytes;  // empty unless Read
  bool Ok() const { return Result == Outcome::Read; }
};

// How much each read of ReadWholeFile asks for.
constexpr std::size_t kReadPiece = 65536;

// Reads a whole file of at most `limit` bytes, never waiting on it and never holding more than
// `limit` + kReadPiece bytes. Anything but a regular file is refused before it is opened: opening
// a FIFO for reading waits for a writer, opening a device may act on it, and /dev/zero never
// ends. Operations: Stat (following links), then unless that found something else Open (Read,
// DoNotWait), Fstat (the descriptor is checked again: the file may have been swapped since),
// Reads of kReadPiece until one returns nothing, Close. A failing Stat is passed over (the Open
// then says what is wrong); a failing Close is ignored.
WholeFile ReadWholeFile(FileSystem& files, const std::string& path, std::uint64_t limit);

// ---- Replacing a whole file ----

// Writes all `size` bytes at the descriptor's position: a short write goes on where it stopped,
// and a write of nothing is NoSpace. Operations: Writes until every byte is written or one
// fails. Returns 0 or the failed call's result.
long WriteAll(FileSystem& files, int fd, const void* bytes, std::size_t size);

// The names a replace may give its temporary file, beside the target, tried in this order:
// "<target>.tmp.0" to "<target>.tmp.999".
constexpr int kTemporaryNames = 1000;
std::string TemporaryName(const std::string& target, int index);
// True for the temporary names of a file named `name`, and for "<name>.tmp", an older fixed one.
bool IsTemporaryNameOf(const std::string& entry, const std::string& name);
// Creates the first of `target`'s temporary names that nothing holds, never through a link, with
// `mode` (less the umask). Operations: Open (Write, Create, Exclusive, NoFollow, DoNotWait) of
// TemporaryName 0, 1, ... while the name is taken. Returns the descriptor, with the name in
// `name`, or the failed open's result (Exists when every name is taken).
int CreateTemporary(FileSystem& files, const std::string& target, unsigned mode, std::string& name);

// Removes what replaces of `target` that were stopped midway left beside it: only entries of
// the temporary names' pattern, and no directory (which no replace makes); a link is removed,
// not its target. Call it only where no other replace of the target can be midway (under a
// lock). Operations: ListDirectory, then for each such entry an lstat and, unless it is a
// directory, an Unlink. Failures are passed over.
void RemoveStaleTemporaries(FileSystem& files, const std::string& target);

struct ReplaceOptions {
  unsigned Mode = 0644;  // the new file's permission bits, as it is created (less the umask)
  bool SetMode = false;  // set Mode exactly once it is written, umask or not
  // Never replace: the target's name is claimed just before the rename, and Exists when
  // anything holds it already (then nothing is left behind).
  bool KeepExisting = false;
};

// Replaces `target` with a file of exactly `bytes`, so that whatever fails or stops when, the
// target holds its old contents or the new ones whole: a complete new file beside it, under a
// fresh name that nothing else holds, flushed, then renamed over it. Whatever lies under a
// temporary name (a file, a directory, a link pointing elsewhere) is passed over, never written
// through. The target itself is replaced, a symbolic link there too: to write through a link,
// pass FollowLinks's target.
//
// Operations: Open (Write, Create, Exclusive, NoFollow, DoNotWait) of TemporaryName 0, 1, ...
// while the name is taken; Writes until every byte is written (a short write goes on where it
// stopped; a write of nothing is NoSpace); Fchmod when SetMode; Fsync; Close; with KeepExisting
// Open (Write, Create, Exclusive, NoFollow, DoNotWait) of the target and Close; Rename. On a
// failure: Close when still open, Unlink of the temporary (and of the target claimed, when only
// the rename failed), and the failed call's result is returned. After the rename: Open (Read,
// Directory) of the target's directory, Fsync, Close, which make the rename durable; their failures
// cost at most the rename after a power cut and are not reported. Returns 0 or the failed call's
// result.
int ReplaceWholeFile(FileSystem& files, const std::string& target, const void* bytes,
                     std::size_t size, const ReplaceOptions& options = {});

// ReplaceWholeFile of the file `path` finally names: a symbolic link there is written through
// and stays a link, and a regular file there keeps its permission bits. Operations: FollowLinks,
// then ReplaceWholeFile (with SetMode when a regular file was there). Returns 0 or the failed
// call's result.
int ReplaceWholeFileThroughLinks(FileSystem& files, const std::string& path, const void* bytes,
                                 std::size_t size);

// ---- Locking ----

// An exclusive lock on the file at `path`, created when missing (never through a link) and held
// for as long as the object lives; one that cannot be had within `waitMilliseconds` is simply
// not held. Read-only is enough for the lock, and lets a lock file made by another user serve
// too. Operations: Open (Read, Create, NoFollow, DoNotWait), LockExclusive; Close at the end.
class FileLock {
 public:
  FileLock(FileSystem& files, const std::string& path, int waitMilliseconds);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return held_; }

 private:
  FileSystem& files_;
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace enclova
