// SPDX-License-Identifier: MIT
// Whole files over the FileSystem seam: the bounded read, the atomic replace and their helpers.
#include "base/file_io.h"

namespace enclova {

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

std::string PrintableLine(std::string text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      line += '?';
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      line += '?';
      ++i;
    } else {
      line += text[i];
    }
  }
  return line;
}

std::string DescribeFileError(FileError error) {
  switch (error) {
    case FileError::NotPermitted:
      return "Operation not permitted";
    case FileError::NotFound:
      return "No such file or directory";
    case FileError::Interrupted:
      return "Interrupted system call";
    case FileError::Io:
      return "Input/output error";
    case FileError::NoDeviceOrAddress:
      return "No such device or address";
    case FileError::BadDescriptor:
      return "Bad file descriptor";
    case FileError::WouldBlock:
      return "Resource temporarily unavailable";
    case FileError::OutOfMemory:
      return "Cannot allocate memory";
    case FileError::AccessDenied:
      return "Permission denied";
    case FileError::Busy:
      return "Device or resource busy";
    case FileError::Exists:
      return "File exists";
    case FileError::CrossDevice:
      return "Invalid cross-device link";
    case FileError::NoDevice:
      return "No such device";
    case FileError::NotADirectory:
      return "Not a directory";
    case FileError::IsADirectory:
      return "Is a directory";
    case FileError::InvalidArgument:
      return "Invalid argument";
    case FileError::TooManyOpenInSystem:
      return "Too many open files in system";
    case FileError::TooManyOpen:
      return "Too many open files";
    case FileError::TextBusy:
      return "Text file busy";
    case FileError::FileTooLarge:
      return "File too large";
    case FileError::NoSpace:
      return "No space left on device";
    case FileError::ReadOnly:
      return "Read-only file system";
    case FileError::TooManyLinks:
      return "Too many links";
    case FileError::BrokenPipe:
      return "Broken pipe";
    case FileError::NameTooLong:
      return "File name too long";
    case FileError::NoLocks:
      return "No locks available";
    case FileError::NotImplemented:
      return "Function not implemented";
    case FileError::DirectoryNotEmpty:
      return "Directory not empty";
    case FileError::LinkLoop:
      return "Too many levels of symbolic links";
    case FileError::Overflow:
      return "Value too large for defined data type";
    case FileError::NotSupported:
      return "Operation not supported";
    case FileError::TimedOut:
      return "Connection timed out";
    case FileError::Stale:
      return "Stale file handle";
    case FileError::QuotaExceeded:
      return "Disk quota exceeded";
  }
  return "error " + std::to_string(static_cast<int>(error));
}

int FollowLinks(FileSystem& files, const std::string& path, std::string& target,
                std::optional<FileInfo>* found) {
  std::string current = path;
  for (int links = 0;; ++links) {
    FileInfo info;
    const int e = files.Stat(current, info, false);
    if (e == ResultOf(FileError::NotFound)) break;
    if (e < 0) return e;
    if (info.Type != FileInfo::Kind::SymbolicLink) {
      if (found != nullptr) *found = info;
      break;
    }
    if (links == kMaxLinks) return ResultOf(FileError::LinkLoop);
    std::string text;
    if (const int r = files.ReadLink(current, text); r < 0) return r;
    if (text.empty()) return ResultOf(FileError::NotFound);
    current = text.front() == '/' ? text : DirectoryOf(current) + "/" + text;
  }
  target = current;
  return 0;
}

int MakeDirectories(FileSystem& files, const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty()) {
      const int made = files.MakeDirectory(prefix);
      if (made < 0 && made != ResultOf(FileError::Exists)) return made;
    }
    if (slash == std::string::npos) break;
  }
  FileInfo info;
  if (const int s = files.Stat(path, info, true); s < 0) return s;
  return info.Type == FileInfo::Kind::Directory ? 0 : ResultOf(FileError::NotADirectory);
}

WholeFile ReadWholeFile(FileSystem& files, const std::string& path, std::uint64_t limit) {
  WholeFile file;
  const auto end = [&file](WholeFile::Outcome outcome, FileError error = FileError::Io) {
    file.Result = outcome;
    file.Error = error;
    if (outcome != WholeFile::Outcome::Read) file.Bytes.clear();
    return std::move(file);
  };

  FileInfo info;
  if (files.Stat(path, info, true) == 0 && info.Type != FileInfo::Kind::Regular) {
    return end(WholeFile::Outcome::NotAFile);
  }
  const int fd = files.Open(path, OpenFlags::Read | OpenFlags::DoNotWait);
  if (fd < 0) return end(WholeFile::Outcome::Failed, ErrorIn(fd));
  const int statted = files.Fstat(fd, info);
  if (statted < 0 || info.Type != FileInfo::Kind::Regular || info.Size < 0) {
    files.Close(fd);
    if (statted < 0) return end(WholeFile::Outcome::Failed, ErrorIn(statted));
    return end(WholeFile::Outcome::NotAFile);
  }
  if (static_cast<std::uint64_t>(info.Size) > limit) {
    files.Close(fd);
    return end(WholeFile::Outcome::TooLarge);
  }

  file.Bytes.reserve(static_cast<std::size_t>(info.Size) + kReadPiece);
  for (;;) {
    const std::size_t done = file.Bytes.size();
    file.Bytes.resize(done + kReadPiece);
    const long n = files.Read(fd, file.Bytes.data() + done, kReadPiece);
    file.Bytes.resize(done + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n < 0) {
      files.Close(fd);
      return end(WholeFile::Outcome::Failed, ErrorIn(n));
    }
    if (n == 0) break;
    if (file.Bytes.size() > limit) {  // it grew while being read
      files.Close(fd);
      return end(WholeFile::Outcome::TooLarge);
    }
  }
  files.Close(fd);
  return end(WholeFile::Outcome::Read);
}

std::string TemporaryName(const std::string& target, int index) {
  return target + ".tmp." + std::to_string(index);
}

int CreateTemporary(FileSystem& files, const std::string& target, unsigned mode,
                    std::string& name) {
  int fd = ResultOf(FileError::Exists);
  for (int k = 0; k < kTemporaryNames && fd == ResultOf(FileError::Exists); ++k) {
    name = TemporaryName(target, k);
    fd = files.Open(name,
                    OpenFlags::Write | OpenFlags::Create | OpenFlags::Exclusive |
                        OpenFlags::NoFollow | OpenFlags::DoNotWait,
                    mode);
  }
  return fd;
}

bool IsTemporaryNameOf(const std::string& entry, const std::string& name) {
  const std::string stem = name + ".tmp";
  if (entry.compare(0, stem.size(), stem) != 0) return false;
  if (entry.size() == stem.size()) return true;
  const std::string rest = entry.substr(stem.size());
  if (rest.size() < 2 || rest.size() > 4 || rest[0] != '.') return false;
  for (std::size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return false;
  }
  return true;
}

void RemoveStaleTemporaries(FileSystem& files, const std::string& target) {
  const std::string directory = DirectoryOf(target);
  const std::string name = NameOf(target);
  std::vector<std::string> entries;
  if (files.ListDirectory(directory, entries) < 0) return;
  for (const std::string& entry : entries) {
    if (!IsTemporaryNameOf(entry, name)) continue;
    const std::string stale = directory + "/" + entry;
    FileInfo info;
    if (files.Stat(stale, info, false) == 0 && info.Type != FileInfo::Kind::Directory) {
      files.Unlink(stale);
    }
  }
}

long WriteAll(FileSystem& files, int fd, const void* bytes, std::size_t size) {
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    // A write cut short (a signal, a file-size limit reached midway) goes on where it stopped;
    // the next write then reports the reason.
    const long n = files.Write(fd, data + written, size - written);
    if (n < 0) return n;
    if (n == 0) return ResultOf(FileError::NoSpace);
    written += static_cast<std::size_t>(n);
  }
  return 0;
}

int ReplaceWholeFile(FileSystem& files, const std::string& target, const void* bytes,
                     std::size_t size, const ReplaceOptions& options) {
  constexpr OpenFlags kFresh = OpenFlags::Write | OpenFlags::Create | OpenFlags::Exclusive |
                               OpenFlags::NoFollow | OpenFlags::DoNotWait;
  std::string temporary;
  const int fd = CreateTemporary(files, target, options.Mode, temporary);
  if (fd < 0) return fd;

  long error = WriteAll(files, fd, bytes, size);
  bool open = true;
  if (error == 0 && options.SetMode) {
    // Open applied the umask; the bits asked for are set as they are.
    if (const int m = files.Fchmod(fd, options.Mode); m < 0) error = m;
  }
  if (error == 0) {
    if (const int e = files.Fsync(fd); e < 0) {
      error = e;
    } else {
      open = false;  // the descriptor is released even when close reports an error
      if (const int c = files.Close(fd); c < 0) {
        error = c;
      } else if (options.KeepExisting) {
        // An exclusive create is the one step that tells "free" and takes the name at once;
        // the rename then only replaces the empty file made here.
        const int claim = files.Open(target, kFresh, options.Mode);
        if (claim < 0) {
          error = claim;
        } else {
          files.Close(claim);
          if (const int r = files.Rename(temporary, target); r < 0) {
            error = r;
            files.Unlink(target);
          }
        }
      } else if (const int r = files.Rename(temporary, target); r < 0) {
        error = r;
      }
    }
  }
  if (error != 0) {
    if (open) files.Close(fd);
    files.Unlink(temporary);
    return static_cast<int>(error);
  }

  const int dir = files.Open(DirectoryOf(target), OpenFlags::Read | OpenFlags::Directory);
  if (dir >= 0) {
    files.Fsync(dir);
    files.Close(dir);
  }
  return 0;
}

int ReplaceWholeFileThroughLinks(FileSystem& files, const std::string& path, const void* bytes,
                                 std::size_t size) {
  std::string target;
  std::optional<FileInfo> old;
  if (const int e = FollowLinks(files, path, target, &old); e < 0) return e;
  ReplaceOptions options;
  if (old && old->Type == FileInfo::Kind::Regular) {
    options.Mode = old->Mode & 0777;
    options.SetMode = true;
  }
  return ReplaceWholeFile(files, target, bytes, size, options);
}

FileLock::FileLock(FileSystem& files, const std::string& path, int waitMilliseconds)
    : files_(files) {
  fd_ = files.Open(
      path, OpenFlags::Read | OpenFlags::Create | OpenFlags::NoFollow | OpenFlags::DoNotWait, 0644);
  held_ = fd_ >= 0 && files.LockExclusive(fd_, waitMilliseconds) == 0;
}

FileLock::~FileLock() {
  if (fd_ >= 0) files_.Close(fd_);
}

}  // namespace enclova
