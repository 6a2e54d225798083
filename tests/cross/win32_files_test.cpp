// SPDX-License-Identifier: MIT
// The Win32 clock and files against the seam's promises, run under Wine by the Windows build:
// the POSIX behaviour the game's file code relies on (exclusive create, replace by rename
// while the target is open, advisory locks, read-only files) and the errors by meaning.
#include "win32/win32_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/file_io.h"

namespace {

using enclova::FileError;
using enclova::FileInfo;
using enclova::OpenFlags;
using enclova::ResultOf;

int failures = 0;

void Check(bool ok, const char* what, long got = 0) {
  std::printf("%s  %s", ok ? "ok  " : "FAIL", what);
  if (!ok) std::printf(" (got %ld)", got);
  std::printf("\n");
  if (!ok) ++failures;
}

void Equal(long got, long want, const char* what) {
  Check(got == want, what, got);
}

}  // namespace

int main() {
  enclova::Win32FileSystem system;
  enclova::FileSystem& files = system;  // as the game holds it
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string base = enclova::GamePathOf(temp) + "enclova-files-" +
                           std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64());
  const std::string dir = base + "/a/b";
  Equal(enclova::MakeDirectories(files, dir), 0, "MakeDirectories makes a drive-letter path");
  Equal(files.MakeDirectory(dir), ResultOf(FileError::Exists),
        "MakeDirectory of one there: Exists");
  Check(files.CurrentDirectory().find('\\') == std::string::npos &&
            files.CurrentDirectory().size() > 2 && files.CurrentDirectory()[1] == ':',
        "CurrentDirectory is a drive path with '/'");

  const std::string file = dir + "/ランキング.dat";
  const auto create = OpenFlags::Write | OpenFlags::Create | OpenFlags::Exclusive;
  const int fd = files.Open(file, create, 0644);
  Check(fd >= 0, "Open Create|Exclusive makes a file (a UTF-8 name)", fd);
  Equal(files.Open(file, create, 0644), ResultOf(FileError::Exists), "and again: Exists");
  Equal(files.Write(fd, "hello", 5), 5, "Write");
  Equal(files.Fsync(fd), 0, "Fsync");
  Equal(files.Close(fd), 0, "Close");
  Equal(files.Close(fd), ResultOf(FileError::BadDescriptor), "Close twice: BadDescriptor");
  const enclova::WholeFile read = enclova::ReadWholeFile(files, file, 100);
  Check(read.Ok() && read.Bytes == std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'},
        "ReadWholeFile gives the bytes written");
  std::vector<std::string> names;
  Equal(files.ListDirectory(dir, names), 0, "ListDirectory");
  Check(names == std::vector<std::string>{"ランキング.dat"}, "the UTF-8 name comes back");
  Equal(files.ListDirectory(file, names), ResultOf(FileError::NotADirectory),
        "ListDirectory of a file: NotADirectory");
  Equal(files.ListDirectory(dir + "/none", names), ResultOf(FileError::NotFound),
        "ListDirectory of nothing: NotFound");

  FileInfo info;
  Equal(files.Stat(dir + "/none", info, true), ResultOf(FileError::NotFound), "Stat of nothing");
  Equal(files.Open(dir + "/none/x", OpenFlags::Read), ResultOf(FileError::NotFound),
        "Open under a missing folder: NotFound");
  Equal(files.Open(dir, OpenFlags::Read), ResultOf(FileError::IsADirectory),
        "Open a folder as a file: IsADirectory");
  Equal(files.Open(file, OpenFlags::Read | OpenFlags::Directory),
        ResultOf(FileError::NotADirectory), "Open a file as a folder: NotADirectory");
  const int dirFd = files.Open(dir, OpenFlags::Read | OpenFlags::Directory);
  Check(dirFd >= 0, "Open a folder to flush it", dirFd);
  Equal(files.Fsync(dirFd), 0, "Fsync of a folder");
  files.Close(dirFd);

  Equal(files.Stat(file, info, true), 0, "Stat");
  Check(info.Type == FileInfo::Kind::Regular && info.Size == 5 && info.Mode == 0644,
        "a regular file of 5 bytes, writable");
  const FileInfo first = info;

  // A lock keeps out other locks, as flock does, and nothing else: the ranking's lock file may
  // be the ranking itself on another system's build.
  const int holder = files.Open(file, OpenFlags::Read);
  Equal(files.LockExclusive(holder, 0), 0, "LockExclusive");
  const int other = files.Open(file, OpenFlags::Read);
  const DWORD start = GetTickCount();
  Equal(files.LockExclusive(other, 60), ResultOf(FileError::WouldBlock),
        "a second lock waits, then WouldBlock");
  Check(GetTickCount() - start >= 50, "after the time asked");
  char buffer[8] = {};
  Equal(files.Read(other, buffer, sizeof buffer), 5, "the locked file can still be read");
  files.Close(holder);
  Equal(files.LockExclusive(other, 0), 0, "the lock is free once its descriptor is closed");
  files.Close(other);

  // The ranking is saved while its lock file beside it is held.
  const int lock = files.Open(file + ".lock", OpenFlags::Read | OpenFlags::Create, 0644);
  Equal(files.LockExclusive(lock, 0), 0, "the lock file is locked");
  Equal(enclova::ReplaceWholeFile(files, file, "new!", 4), 0, "ReplaceWholeFile");
  Equal(files.Stat(file, info, true), 0, "Stat after the replace");
  Check(info.Size == 4 && info.Inode != first.Inode && info.Device == first.Device,
        "a new file of the same volume");
  files.Close(lock);
  Equal(files.Unlink(file + ".lock"), 0, "Unlink");

  // Another program holds the ranking open without letting it be replaced (an editor, a backup
  // tool, a virus scan): the replace waits a short while for it, then goes through; held for
  // good, it is refused within a second or two, the old file kept and nothing left beside it.
  const std::wstring wide = enclova::SystemPathOf(file);
  auto hold = [&wide] {
    return CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  auto contents = [&files, &file] {
    const enclova::WholeFile whole = enclova::ReadWholeFile(files, file, 64);
    return std::string(whole.Bytes.begin(), whole.Bytes.end());
  };
  HANDLE held = hold();
  Check(held != INVALID_HANDLE_VALUE, "another program holds the ranking open");
  const HANDLE release = CreateThread(
      nullptr, 0,
      [](LPVOID handle) -> DWORD {
        Sleep(300);
        CloseHandle(handle);
        return 0;
      },
      held, 0, nullptr);
  DWORD began = GetTickCount();
  Equal(enclova::ReplaceWholeFile(files, file, "held", 4), 0,
        "ReplaceWholeFile while another program holds the file for 300 ms");
  Check(GetTickCount() - began >= 250, "it went through once the program let go");
  WaitForSingleObject(release, INFINITE);
  CloseHandle(release);
  Check(contents() == "held", "the new bytes are there");
  held = hold();
  began = GetTickCount();
  Equal(enclova::ReplaceWholeFile(files, file, "lost", 4), ResultOf(FileError::AccessDenied),
        "ReplaceWholeFile while another program holds the file for good: AccessDenied");
  Check(GetTickCount() - began < 3000, "refused within a few seconds");
  CloseHandle(held);
  Check(contents() == "held", "the old bytes are kept");
  std::vector<std::string> beside;
  Equal(files.ListDirectory(dir, beside), 0, "ListDirectory");
  Check(beside.size() == 1 && beside[0] == enclova::NameOf(file), "nothing left beside it");

  const int writable = files.Open(file, OpenFlags::ReadWrite);
  Equal(files.Fchmod(writable, 0444), 0, "Fchmod 0444");
  files.Close(writable);
  Equal(files.Stat(file, info, true), 0, "Stat");
  Equal(info.Mode, 0444, "read-only now");
  Check((GetFileAttributesW(enclova::SystemPathOf(file).c_str()) & FILE_ATTRIBUTE_READONLY) != 0,
        "the system's read-only attribute is set");
  Equal(files.Unlink(file), 0, "Unlink removes a read-only file, as POSIX does");
  Equal(files.Unlink(file), ResultOf(FileError::NotFound), "Unlink of nothing: NotFound");
  Equal(files.Rename(dir + "/none", dir + "/x"), ResultOf(FileError::NotFound),
        "Rename of nothing: NotFound");
  std::string target;
  Equal(files.ReadLink(dir, target), ResultOf(FileError::InvalidArgument),
        "ReadLink: InvalidArgument");

  const struct {
    DWORD Win32;
    FileError Game;
  } errors[] = {{ERROR_FILE_NOT_FOUND, FileError::NotFound},
                {ERROR_PATH_NOT_FOUND, FileError::NotFound},
                {ERROR_ACCESS_DENIED, FileError::AccessDenied},
                {ERROR_SHARING_VIOLATION, FileError::AccessDenied},
                {ERROR_DISK_FULL, FileError::NoSpace},
                {ERROR_HANDLE_DISK_FULL, FileError::NoSpace},
                {ERROR_FILE_EXISTS, FileError::Exists},
                {ERROR_ALREADY_EXISTS, FileError::Exists},
                {ERROR_WRITE_PROTECT, FileError::ReadOnly},
                {ERROR_TOO_MANY_OPEN_FILES, FileError::TooManyOpen},
                {ERROR_FILENAME_EXCED_RANGE, FileError::NameTooLong},
                {ERROR_DIR_NOT_EMPTY, FileError::DirectoryNotEmpty},
                {ERROR_NOT_SAME_DEVICE, FileError::CrossDevice},
                {ERROR_LOCK_VIOLATION, FileError::WouldBlock},
                {ERROR_CRC, FileError::Io}};
  for (const auto& e : errors) {
    const std::string what = "Win32 error " + std::to_string(e.Win32) + " by its meaning";
    Equal(static_cast<long>(enclova::FileErrorFromWin32(e.Win32)), static_cast<long>(e.Game),
          what.c_str());
  }

  enclova::Win32Clock clock;
  const std::int32_t before = clock.CurrentMilliseconds();
  Sleep(50);
  const std::int32_t elapsed = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(clock.CurrentMilliseconds()) - static_cast<std::uint32_t>(before));
  Check(elapsed >= 45 && elapsed < 1000, "the clock counts milliseconds", elapsed);
  Check(clock.UtcMillisecondsOfDay() < 86'400'000u, "the seed is a millisecond of the day");

  // The lines beneath an error box: the path in the system's form, the cause untouched.
  const struct {
    const char* Line;
    const char* Shown;
  } lines[] = {
      {"cannot read Z:/tmp/e/fgra.bmp: Input/output error",
       "cannot read Z:\\tmp\\e\\fgra.bmp: Input/output error"},
      {"C:/Program Files/Enclova/fgra.bmp is not a BMP picture the game can read",
       "C:\\Program Files\\Enclova\\fgra.bmp is not a BMP picture the game can read"},
      {"cannot write C:/Users/p/AppData/Local/Enclova/fdata.dat in full: the disk is full",
       "cannot write C:\\Users\\p\\AppData\\Local\\Enclova\\fdata.dat in full: the disk is full"},
      {"an error with Input/output", "an error with Input/output"},
  };
  for (const auto& l : lines) {
    Check(enclova::WithSystemPath(l.Line) == l.Shown, l.Shown);
  }

  RemoveDirectoryW(enclova::SystemPathOf(dir).c_str());
  RemoveDirectoryW(enclova::SystemPathOf(base + "/a").c_str());
  RemoveDirectoryW(enclova::SystemPathOf(base).c_str());
  std::printf(failures == 0 ? "every check passed\n" : "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
