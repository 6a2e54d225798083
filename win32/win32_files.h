// SPDX-License-Identifier: MIT
// The Windows system's clock and files behind the game's seams, and the text conversions
// between the game's UTF-8 paths and the system's UTF-16 ones.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/seams.h"

namespace enclova {

std::wstring Utf16Of(const std::string& text);
std::string Utf8Of(const std::wstring& text);
// A path as the game writes it: UTF-8 with '/' between the names ("C:/Users/...").
std::string GamePathOf(const std::wstring& path);
// A path as the system takes it: UTF-16 with '\' between the names.
std::wstring SystemPathOf(const std::string& path);
// An English line about a file ("cannot read C:/Games/fgra.bmp: Input/output error") with its
// path as Windows writes paths, the rest as it is: the path runs from its drive to the end of
// the line or to the ": " before the cause, which no Windows name can hold.
std::string WithSystemPath(std::string line);

// The game's code for a Win32 error, by meaning; Io for one it cannot name.
FileError FileErrorFromWin32(DWORD error);

class Win32Clock final : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override;
  std::uint32_t UtcMillisecondsOfDay() override;
};

class Win32FileSystem final : public FileSystem {
 public:
  ~Win32FileSystem() override;
  std::string CurrentDirectory() override;
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

 private:
  struct Descriptor {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    bool Directory = false;
  };
  // The open descriptor's entry; its handle is invalid when `fd` is not open.
  Descriptor Find(int fd);

  std::mutex mutex_;
  std::vector<Descriptor> open_;  // by descriptor; a closed one's handle is invalid
};

}  // namespace enclova
