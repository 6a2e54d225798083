// SPDX-License-Identifier: MIT
// The data directory's files and their English account of failures.
#include "frontend/data_directory_files.h"

#include "app/form.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "gfx/bmp.h"

namespace enclova {

DataDirectoryFileSystem::DataDirectoryFileSystem(FileSystem& files, std::string directory,
                                                 std::string installedSheet)
    : files_(files),
      directory_(std::move(directory)),
      sheet_(DataDirectoryOf(directory_) + "fgra.bmp"),
      installedSheet_(std::move(installedSheet)) {}

const std::string& DataDirectoryFileSystem::Resolved(const std::string& path) {
  if (installedSheet_.empty() || path != sheet_) return path;
  // Asked at every use, below the game's own operations, which stay as they are: a sheet the
  // player puts in the folder wins from then on.
  FileInfo info;
  return files_.Stat(path, info, false) == ResultOf(FileError::NotFound) ? installedSheet_ : path;
}

void DataDirectoryFileSystem::Fail(const std::string& what, const std::string& path, int result) {
  lastFailure_ = "cannot " + what + " " + path + ": " + DescribeFileError(ErrorIn(result));
}

int DataDirectoryFileSystem::Open(const std::string& name, OpenFlags flags, unsigned mode) {
  const std::string& path = Resolved(name);
  const int fd = files_.Open(path, flags, mode);
  lastPath_ = path;
  if (fd < 0) {
    Fail(Has(flags, OpenFlags::Create) ? "create" : "open", path, fd);
  } else {
    paths_[fd] = path;
  }
  return fd;
}

long DataDirectoryFileSystem::Read(int fd, void* buffer, std::size_t size) {
  const long n = files_.Read(fd, buffer, size);
  if (n < 0) Fail("read", paths_[fd], static_cast<int>(n));
  if (n >= 0) bytesRead_[fd] += n;
  // Reads may come back short and go on; the end of the file is the read that returns nothing.
  if (n == 0) {
    lastShortRead_ =
        paths_[fd] + " ends after " + std::to_string(bytesRead_[fd]) + " bytes, too soon";
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
  bytesRead_.erase(fd);
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

int DataDirectoryFileSystem::Stat(const std::string& name, FileInfo& info, bool followLinks) {
  const std::string& path = Resolved(name);
  const int r = files_.Stat(path, info, followLinks);
  // The game refuses a data file that is not a regular file before it opens it, with no failed
  // call to name it.
  if (r == 0 && followLinks && info.Type != FileInfo::Kind::Regular) {
    lastPath_ = path;
    lastFailure_ = path + " is not a regular file";
  }
  if (r == 0 && info.Type == FileInfo::Kind::Regular && (info.Mode & 0222) == 0) {
    readOnly_ = path;
  }
  return r;
}

int DataDirectoryFileSystem::Fstat(int fd, FileInfo& info) {
  const int r = files_.Fstat(fd, info);
  if (r < 0) {
    Fail("examine", paths_[fd], r);
  } else if (info.Type != FileInfo::Kind::Regular) {
    lastFailure_ = paths_[fd] + " is not a regular file";
  }
  return r;
}

int DataDirectoryFileSystem::Fchmod(int fd, unsigned mode) {
  const int r = files_.Fchmod(fd, mode);
  if (r < 0) Fail("set the permissions of", paths_[fd], r);
  return r;
}

int DataDirectoryFileSystem::ReadLink(const std::string& path, std::string& target) {
  return files_.ReadLink(path, target);
}

int DataDirectoryFileSystem::ListDirectory(const std::string& path,
                                           std::vector<std::string>& names) {
  return files_.ListDirectory(path, names);
}

int DataDirectoryFileSystem::LockExclusive(int fd, int milliseconds) {
  const int r = files_.LockExclusive(fd, milliseconds);
  if (r < 0) Fail("lock", paths_[fd], r);
  return r;
}

int DataDirectoryFileSystem::MakeDirectory(const std::string& path) {
  const int r = files_.MakeDirectory(path);
  if (r < 0 && r != ResultOf(FileError::Exists)) Fail("create", path, r);
  return r;
}

std::string DataDirectoryFileSystem::Explain(const std::string& text) {
  std::string line;
  if (text.rfind(InvalidBitmapError().what(), 0) == 0) {
    line = lastPath_ + " is not a BMP picture the game can read";
  } else if (text.rfind(InOutErrorMessage(kErrReadPastEnd), 0) == 0 && !lastShortRead_.empty()) {
    line = lastShortRead_;
  } else if (!lastFailure_.empty()) {
    line = lastFailure_;
  } else if (text.rfind(InOutErrorMessage(kErrAccessDenied), 0) == 0 && !readOnly_.empty()) {
    line = readOnly_ + " is read-only";
  } else {
    line = "an error with " + (lastPath_.empty() ? directory_ : lastPath_);
  }
  lastFailure_.clear();
  lastShortRead_.clear();
  readOnly_.clear();
  return "enclova: " + line;
}

std::unique_ptr<MemoryFileSystem> InstalledFilesInMemory(FileSystem& files,
                                                         const std::string& directory,
                                                         const std::string& sheet,
                                                         const std::string& ranking) {
  auto memory = std::make_unique<MemoryFileSystem>();
  MakeDirectories(*memory, directory);
  const std::string inMemory = DataDirectoryOf(directory);
  for (const auto& [from, name] : {std::pair{sheet, "fgra.bmp"}, std::pair{ranking, "fdata.dat"}}) {
    const WholeFile file = ReadWholeFile(files, from, kMaxBmpFileSize);
    if (file.Ok()) {
      ReplaceWholeFile(*memory, inMemory + name, file.Bytes.data(), file.Bytes.size());
    }
  }
  return memory;
}

}  // namespace enclova
