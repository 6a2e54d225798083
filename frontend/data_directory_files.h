// SPDX-License-Identifier: MIT
// The files the game plays with, in the data directory chosen for it, and a plain English
// account of what last went wrong with them for the players who cannot read the error box.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/memory_file_system.h"
#include "base/seams.h"

namespace enclova {

// The real files, with the data directory the game was told to use as its current directory,
// and a plain English account of the last thing that went wrong, with the file's full path, for
// the players who cannot read the error box.
class DataDirectoryFileSystem : public FileSystem {
 public:
  // `installedSheet`, when given, is read in place of the directory's fgra.bmp while the
  // directory holds none: the installed game's sheet, shared by every player and never copied.
  DataDirectoryFileSystem(FileSystem& files, std::string directory,
                          std::string installedSheet = {});

  std::string CurrentDirectory() override { return directory_; }
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

  // One line for the error box's `text`, from what this file system saw; forgets it.
  std::string Explain(const std::string& text);

 private:
  void Fail(const std::string& what, const std::string& path, int result);
  // The file to use for `path`: the installed sheet for the directory's missing one.
  const std::string& Resolved(const std::string& path);

  FileSystem& files_;
  std::string directory_;
  std::string sheet_;                 // the directory's fgra.bmp, as the game names it
  std::string installedSheet_;        // or ""
  std::map<int, std::string> paths_;  // open descriptors
  std::map<int, long> bytesRead_;     // by open descriptor
  std::string lastPath_;              // the last file opened
  std::string lastFailure_;
  std::string lastShortRead_;
  // The last regular file seen without any write permission: the save refuses such a ranking
  // by its mode, with no failed call to name it.
  std::string readOnly_;
};

// A data directory made in memory from the installation's `sheet` and empty `ranking` (read
// from `files`), for a game that has nowhere to keep anything: it plays, and what it saves is
// gone when it ends. A file that cannot be read stays missing, and the game's own box says so.
std::unique_ptr<MemoryFileSystem> InstalledFilesInMemory(FileSystem& files,
                                                         const std::string& directory,
                                                         const std::string& sheet,
                                                         const std::string& ranking);

}  // namespace enclova
