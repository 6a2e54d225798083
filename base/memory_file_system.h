// SPDX-License-Identifier: MIT
// A whole file system in memory behind the FileSystem seam: for the replay player's sandbox, the
// sprite tool's headless game, tests, and a platform without files of its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

// Regular files, directories and symbolic links under one root, answering as Linux does for the
// same calls (the tests hold it to the real file system's answers): links followed on every
// component but where lstat, ReadLink, NoFollow or Exclusive say otherwise, and 40 of them at
// most; names of up to 255 bytes and paths of up to 4095; the umask applied to what is created;
// a rename that replaces in one step; an unlinked or replaced file readable through descriptors
// still open on it; flock-like locks per descriptor, released by Close.
//
// Stat identity: every file has its own inode number, never used again, and its times are a
// counter that every change moves on, so a file that was written, truncated or replaced never
// stats the same as before.
//
// There are no users: permission bits are kept and reported but never refuse anything, as for
// root. A lock held by another descriptor is WouldBlock at once, however long the caller would
// wait: one thread works on it, so nothing could release the lock meanwhile. Descriptors count up
// from 3 and are never reused. Not safe for use by several threads at once.
class MemoryFileSystem : public FileSystem {
 public:
  // An empty root directory, which is the current directory.
  MemoryFileSystem();
  ~MemoryFileSystem() override;
  MemoryFileSystem(const MemoryFileSystem&) = delete;
  MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

  std::string CurrentDirectory() override { return currentDirectory_; }
  int Open(const std::string& path, OpenFlags flags, unsigned mode = 0644) override;
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

  // Setting up and looking in, beside the seam. Relative paths start at the current directory.

  // The directory relative paths start from, absolute; "" makes CurrentDirectory fail as an
  // unreadable one does. Need not exist. (Not "SetCurrentDirectory", which <windows.h> takes.)
  void ChangeDirectory(std::string path) { currentDirectory_ = std::move(path); }
  // The bits taken away from the modes of new files and directories; 022 to begin with.
  void SetUmask(unsigned umask) { umask_ = umask & 0777; }
  // Bytes all regular files may hold together: a write past it writes what still fits, and a
  // write of which nothing fits is NoSpace. None by default.
  void SetCapacity(std::optional<std::uint64_t> bytes) { capacity_ = bytes; }

  // Puts `bytes` at `path` (following links), making the directories missing above it: a new
  // file with `mode`, or the existing one rewritten. False when no file can be there.
  bool Put(const std::string& path, std::vector<std::uint8_t> bytes, unsigned mode = 0644);
  // A symbolic link at `path` saying `text`, making the directories missing above it.
  bool PutLink(const std::string& path, const std::string& text);
  // Removes whatever is at `path` that is not a directory (a link itself, not its target).
  bool Remove(const std::string& path);
  // The bytes of the regular file at `path` (following links), or null.
  const std::vector<std::uint8_t>* Contents(const std::string& path) const;
  // True when anything, a dangling link too, is at `path`.
  bool Holds(const std::string& path) const;

 private:
  struct Node;
  struct Description;
  struct Lookup;

  int Walk(const std::string& path, bool followLast, Lookup& lookup) const;
  std::shared_ptr<Node> NewNode(FileInfo::Kind type, unsigned mode);
  FileInfo InfoOf(const Node& node) const;
  void Touch(Node& node);
  void Detach(const std::shared_ptr<Node>& parent, const std::string& name);
  void Release(Node& node);
  bool MakeParents(const std::string& path);
  Description* Find(int fd);

  std::shared_ptr<Node> root_;
  std::string currentDirectory_ = "/";
  std::map<int, Description> open_;
  int nextFd_ = 3;
  std::uint64_t nextInode_ = 2;
  std::int64_t clock_ = 0;
  unsigned umask_ = 022;
  std::optional<std::uint64_t> capacity_;
  std::uint64_t used_ = 0;  // bytes held by regular files, those only open still too
};

}  // namespace enclova
