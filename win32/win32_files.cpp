// SPDX-License-Identifier: MIT
// Win32 calls behind the game's seams.
#include "win32/win32_files.h"

#include <algorithm>
#include <climits>

namespace enclova {

std::wstring Utf16Of(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Utf8Of(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n,
                      nullptr, nullptr);
  return narrow;
}

std::string GamePathOf(const std::wstring& path) {
  std::string text = Utf8Of(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::wstring SystemPathOf(const std::string& path) {
  std::wstring wide = Utf16Of(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

std::string WithSystemPath(std::string line) {
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    const char c = line[i];
    const bool drive = ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && line[i + 1] == ':' &&
                       line[i + 2] == '/' && (i == 0 || line[i - 1] == ' ');
    if (!drive) continue;
    const std::size_t end = std::min(line.find(": ", i + 2), line.size());
    std::replace(line.begin() + static_cast<std::ptrdiff_t>(i),
                 line.begin() + static_cast<std::ptrdiff_t>(end), '/', '\\');
    break;
  }
  return line;
}

// Codes that MinGW's headers leave out.
constexpr DWORD kErrorStoppedOnSymlink = 681;
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

FileError FileErrorFromWin32(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return FileError::NotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileError::TooManyOpen;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case ERROR_DELETE_PENDING:
      return FileError::AccessDenied;
    case ERROR_PRIVILEGE_NOT_HELD:
      return FileError::NotPermitted;
    case ERROR_INVALID_HANDLE:
      return FileError::BadDescriptor;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return FileError::OutOfMemory;
    case ERROR_WRITE_PROTECT:
      return FileError::ReadOnly;
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
      return FileError::NoDevice;
    case ERROR_NOT_SAME_DEVICE:
      return FileError::CrossDevice;
    case ERROR_LOCK_VIOLATION:
      return FileError::WouldBlock;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return FileError::NoSpace;
    case kErrorDiskQuotaExceeded:
      return FileError::QuotaExceeded;
    case ERROR_NOT_SUPPORTED:
      return FileError::NotSupported;
    case ERROR_CALL_NOT_IMPLEMENTED:
      return FileError::NotImplemented;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileError::Exists;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_NO_UNICODE_TRANSLATION:
      return FileError::InvalidArgument;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return FileError::BrokenPipe;
    case ERROR_BUFFER_OVERFLOW:
    case ERROR_FILENAME_EXCED_RANGE:
      return FileError::NameTooLong;
    case ERROR_DIR_NOT_EMPTY:
      return FileError::DirectoryNotEmpty;
    case ERROR_BUSY:
    case ERROR_DRIVE_LOCKED:
      return FileError::Busy;
    case ERROR_DIRECTORY:
      return FileError::NotADirectory;
    case ERROR_CANT_RESOLVE_FILENAME:
    case kErrorStoppedOnSymlink:
      return FileError::LinkLoop;
    case ERROR_FILE_TOO_LARGE:
      return FileError::FileTooLarge;
    case ERROR_TOO_MANY_LINKS:
      return FileError::TooManyLinks;
    case ERROR_TIMEOUT:
    case WAIT_TIMEOUT:
      return FileError::TimedOut;
    case ERROR_OPERATION_ABORTED:
      return FileError::Interrupted;
    case ERROR_NOT_LOCKED:
      return FileError::NoLocks;
    default:
      return FileError::Io;
  }
}

namespace {

constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ull;  // 1970 from 1601

std::uint64_t ValueOf(const FILETIME& t) {
  return std::uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
}

// The failed call's result for the error it left.
int Failure() {
  return ResultOf(FileErrorFromWin32(GetLastError()));
}

std::int64_t NanosecondsOf(LARGE_INTEGER time) {
  return (static_cast<std::int64_t>(time.QuadPart) - static_cast<std::int64_t>(kUnixEpochIn100ns)) *
         100;
}

// What the game asks of a file, from an open handle of it.
int InfoOf(HANDLE handle, FileInfo& info) {
  BY_HANDLE_FILE_INFORMATION file{};
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    info = FileInfo{};
    return 0;
  }
  if (!GetFileInformationByHandle(handle, &file)) return Failure();
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return Failure();
  info = FileInfo{};
  const DWORD attributes = file.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Only reached when the link itself was opened; the game reads no link text here.
    info.Type = FileInfo::Kind::Other;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.Type = FileInfo::Kind::Directory;
  } else {
    info.Type = FileInfo::Kind::Regular;
  }
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  info.Mode = info.Type == FileInfo::Kind::Directory ? 0755u : (readOnly ? 0444u : 0644u);
  info.Size =
      static_cast<std::int64_t>(std::uint64_t{file.nFileSizeHigh} << 32 | file.nFileSizeLow);
  info.Device = file.dwVolumeSerialNumber;
  info.Inode = std::uint64_t{file.nFileIndexHigh} << 32 | file.nFileIndexLow;
  info.ModifiedNanoseconds = NanosecondsOf(basic.LastWriteTime);
  info.ChangedNanoseconds = NanosecondsOf(basic.ChangeTime);
  return 0;
}

// Every sharing: what POSIX allows, so another reader, a rename over the file while it is
// open and the replace of a locked ranking all work. Exclusion is the lock's business.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// "C:" or "C:/": a drive's root, which is always there and can never be made.
bool IsDriveRoot(const std::string& path) {
  return (path.size() == 2 || (path.size() == 3 && (path[2] == '/' || path[2] == '\\'))) &&
         path[1] == ':';
}

}  // namespace

std::int32_t Win32Clock::CurrentMilliseconds() {
  // Local wall-clock time, as the player's own clock shows it; unsigned arithmetic wraps.
  FILETIME utc{}, local{};
  GetSystemTimePreciseAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const std::uint64_t ms = (ValueOf(local) - kUnixEpochIn100ns) / 10000u;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

std::uint32_t Win32Clock::UtcMillisecondsOfDay() {
  FILETIME utc{};
  GetSystemTimePreciseAsFileTime(&utc);
  return static_cast<std::uint32_t>((ValueOf(utc) - kUnixEpochIn100ns) / 10000u % 86'400'000u);
}

Win32FileSystem::~Win32FileSystem() {
  for (const Descriptor& d : open_) {
    if (d.Handle != INVALID_HANDLE_VALUE) CloseHandle(d.Handle);
  }
}

Win32FileSystem::Descriptor Win32FileSystem::Find(int fd) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (fd < 0 || static_cast<std::size_t>(fd) >= open_.size()) return {};
  return open_[static_cast<std::size_t>(fd)];
}

std::string Win32FileSystem::CurrentDirectory() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return {};
  std::wstring path(n, L'\0');
  const DWORD written = GetCurrentDirectoryW(n, path.data());
  if (written == 0 || written >= n) return {};
  path.resize(written);
  return GamePathOf(path);
}

int Win32FileSystem::Open(const std::string& path, OpenFlags flags, unsigned mode) {
  DWORD access = 0;
  if (Has(flags, OpenFlags::Read)) access |= GENERIC_READ;
  if (Has(flags, OpenFlags::Write)) access |= GENERIC_WRITE;
  const bool create = Has(flags, OpenFlags::Create);
  const bool truncate = Has(flags, OpenFlags::Truncate);
  DWORD disposition = OPEN_EXISTING;
  if (create && Has(flags, OpenFlags::Exclusive)) {
    disposition = CREATE_NEW;
  } else if (create) {
    disposition = truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
  } else if (truncate && Has(flags, OpenFlags::Write)) {
    disposition = TRUNCATE_EXISTING;
  }
  DWORD attributes = (mode & 0200u) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  const bool directory = Has(flags, OpenFlags::Directory);
  // A directory opens only with backup semantics; it is opened to be flushed, which asks no
  // access to its contents.
  if (directory) {
    attributes |= FILE_FLAG_BACKUP_SEMANTICS;
    access = 0;
  }
  if (Has(flags, OpenFlags::NoFollow)) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  const std::wstring name = SystemPathOf(path);
  HANDLE handle =
      CreateFileW(name.c_str(), access, kShareAll, nullptr, disposition, attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A directory opened as a file: the system says only that access was denied.
    const DWORD found = GetFileAttributesW(name.c_str());
    if (error == ERROR_ACCESS_DENIED && !directory && found != INVALID_FILE_ATTRIBUTES &&
        (found & FILE_ATTRIBUTE_DIRECTORY)) {
      return ResultOf(FileError::IsADirectory);
    }
    return ResultOf(FileErrorFromWin32(error));
  }
  BY_HANDLE_FILE_INFORMATION file{};
  if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &file)) {
    const bool isDirectory = (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (Has(flags, OpenFlags::NoFollow) && (file.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      CloseHandle(handle);
      return ResultOf(FileError::LinkLoop);
    }
    if (directory && !isDirectory) {
      CloseHandle(handle);
      return ResultOf(FileError::NotADirectory);
    }
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  auto freeSlot = std::find_if(open_.begin(), open_.end(), [](const Descriptor& d) {
    return d.Handle == INVALID_HANDLE_VALUE;
  });
  if (freeSlot == open_.end()) freeSlot = open_.insert(open_.end(), Descriptor{});
  *freeSlot = Descriptor{handle, directory};
  return static_cast<int>(freeSlot - open_.begin());
}

long Win32FileSystem::Read(int fd, void* buffer, std::size_t size) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  DWORD read = 0;
  const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(d.Handle, buffer, asked, &read, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return 0;
    return ResultOf(FileErrorFromWin32(error));
  }
  return static_cast<long>(read);
}

long Win32FileSystem::Write(int fd, const void* buffer, std::size_t size) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  DWORD written = 0;
  const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!WriteFile(d.Handle, buffer, asked, &written, nullptr)) return Failure();
  return static_cast<long>(written);
}

int Win32FileSystem::Fsync(int fd) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  // A rename is written through already (MOVEFILE_WRITE_THROUGH): a directory has nothing left
  // to flush, and the system would refuse a handle opened without write access.
  if (d.Directory) return 0;
  return FlushFileBuffers(d.Handle) ? 0 : Failure();
}

int Win32FileSystem::Close(int fd) {
  HANDLE handle;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (fd < 0 || static_cast<std::size_t>(fd) >= open_.size() ||
        open_[static_cast<std::size_t>(fd)].Handle == INVALID_HANDLE_VALUE) {
      return ResultOf(FileError::BadDescriptor);
    }
    handle = open_[static_cast<std::size_t>(fd)].Handle;
    open_[static_cast<std::size_t>(fd)] = Descriptor{};
  }
  return CloseHandle(handle) ? 0 : Failure();
}

int Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  const std::wstring source = SystemPathOf(from);
  const std::wstring target = SystemPathOf(to);
  // A file that another program holds open without sharing its deletion (an editor, a backup
  // tool, a virus scan) cannot be replaced until that program lets go, which is mostly a moment:
  // the replace is tried again for a short while, as the system's own programs do. A target
  // that is read-only or a folder is refused at once.
  constexpr int kRetryMilliseconds = 20;
  constexpr int kRetryForMilliseconds = 1000;
  for (int waited = 0;; waited += kRetryMilliseconds) {
    if (MoveFileExW(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return 0;
    }
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool held = (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                       error == ERROR_LOCK_VIOLATION) &&
                      attributes != INVALID_FILE_ATTRIBUTES &&
                      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    if (!held || waited >= kRetryForMilliseconds) return ResultOf(FileErrorFromWin32(error));
    Sleep(kRetryMilliseconds);
  }
}

int Win32FileSystem::Unlink(const std::string& path) {
  const std::wstring name = SystemPathOf(path);
  if (DeleteFileW(name.c_str())) return 0;
  const DWORD error = GetLastError();
  // POSIX removes a file whatever its own permission says; the system wants it writable.
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      SetFileAttributesW(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
    if (DeleteFileW(name.c_str())) return 0;
    const int failed = Failure();
    SetFileAttributesW(name.c_str(), attributes);
    return failed;
  }
  if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return ResultOf(FileError::IsADirectory);
  }
  return ResultOf(FileErrorFromWin32(error));
}

int Win32FileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  // Opened for its attributes alone, which any file allows whoever holds it open.
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!followLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE handle = CreateFileW(SystemPathOf(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Failure();
  const int r = InfoOf(handle, info);
  CloseHandle(handle);
  return r;
}

int Win32FileSystem::Fstat(int fd, FileInfo& info) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  return InfoOf(d.Handle, info);
}

int Win32FileSystem::Fchmod(int fd, unsigned mode) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  // The one permission the system keeps in the file: whether it may be written.
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(d.Handle, FileBasicInfo, &basic, sizeof basic)) {
    return Failure();
  }
  DWORD attributes = basic.FileAttributes;
  if (mode & 0200u) {
    attributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  } else {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  if (attributes == basic.FileAttributes) return 0;
  FILE_BASIC_INFO change{};  // times of 0 stay as they are
  change.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return SetFileInformationByHandle(d.Handle, FileBasicInfo, &change, sizeof change) ? 0
                                                                                     : Failure();
}

int Win32FileSystem::ReadLink(const std::string&, std::string&) {
  // A link is never reported as one (Stat calls it Other), so none is ever followed here.
  return ResultOf(FileError::InvalidArgument);
}

int Win32FileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((SystemPathOf(path) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // The pattern under a file: the system says the name is wrong.
    if (error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY) {
      const DWORD attributes = GetFileAttributesW(SystemPathOf(path).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ResultOf(FileError::NotADirectory);
      }
    }
    return ResultOf(FileErrorFromWin32(error));
  }
  names.clear();
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8Of(name));
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  return error == ERROR_NO_MORE_FILES ? 0 : ResultOf(FileErrorFromWin32(error));
}

int Win32FileSystem::LockExclusive(int fd, int milliseconds) {
  const Descriptor d = Find(fd);
  if (d.Handle == INVALID_HANDLE_VALUE) return ResultOf(FileError::BadDescriptor);
  // The system's locks keep other handles from reading the bytes they cover, where flock only
  // keeps out other locks: so the lock covers one byte far past any data, which no one reads.
  constexpr int kPollMilliseconds = 10;
  for (int waited = 0;; waited += kPollMilliseconds) {
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;
    if (LockFileEx(d.Handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
      return ResultOf(FileErrorFromWin32(error));
    }
    if (waited >= milliseconds) return ResultOf(FileError::WouldBlock);
    Sleep(kPollMilliseconds);
  }
}

int Win32FileSystem::MakeDirectory(const std::string& path) {
  if (IsDriveRoot(path)) return ResultOf(FileError::Exists);
  const std::wstring name = SystemPathOf(path);
  if (CreateDirectoryW(name.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  // A folder the player may not write in, such as C:\Users, may still be there already.
  if (error == ERROR_ACCESS_DENIED && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return ResultOf(FileError::Exists);
  }
  return ResultOf(FileErrorFromWin32(error));
}

}  // namespace enclova
