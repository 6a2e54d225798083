// SPDX-License-Identifier: MIT
// The ranking table's order, insertion and its record file on disk.
#include "ranking/ranking_table.h"

#include <fcntl.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/seams.h"

namespace enclova {

namespace {

// The entry, 1..20, whose field holds byte `offset` of the file layout.
int EntryAt(std::size_t offset) {
  return static_cast<int>(offset / 4) % kRankingEntries + 1;
}

bool IsTimeByte(std::size_t offset) {
  return offset < kRecordFileSize / 2;
}

// The error for a failed call's negative errno.
EInOutError ErrorOf(long negativeErrno) {
  return InOutErrorFromErrno(static_cast<int>(-negativeErrno));
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

// As many symbolic links in a row as the system itself follows before it gives up.
constexpr int kMaxLinks = 40;

// The file a path finally names once every symbolic link on its last component is followed; a
// missing file ends the chain where it is. `found` tells what is there, when anything is.
std::string FollowLinks(FileSystem& files, const std::string& path,
                        std::optional<FileInfo>* found = nullptr) {
  std::string current = path;
  for (int links = 0;; ++links) {
    FileInfo info;
    const int e = files.Stat(current, info, false);
    if (e == -ENOENT) return current;
    if (e < 0) throw ErrorOf(e);
    if (info.Type != FileInfo::Kind::SymbolicLink) {
      if (found != nullptr) *found = info;
      return current;
    }
    if (links == kMaxLinks) throw ErrorOf(-ELOOP);
    std::string target;
    if (const int r = files.ReadLink(current, target); r < 0) throw ErrorOf(r);
    if (target.empty()) throw ErrorOf(-ENOENT);
    current = target.front() == '/' ? target : DirectoryOf(current) + "/" + target;
  }
}

RecordFileStamp StampOf(const FileInfo& info) {
  RecordFileStamp stamp;
  stamp.Known = true;
  stamp.Device = info.Device;
  stamp.Inode = info.Inode;
  stamp.Size = info.Size;
  stamp.ModifiedNanoseconds = info.ModifiedNanoseconds;
  stamp.ChangedNanoseconds = info.ChangedNanoseconds;
  return stamp;
}

bool SameFile(const RecordFileStamp& a, const RecordFileStamp& b) {
  return a.Known && b.Known && a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModifiedNanoseconds == b.ModifiedNanoseconds &&
         a.ChangedNanoseconds == b.ChangedNanoseconds;
}

// Opens a data file without waiting on it and makes sure, on the descriptor itself, that it is
// a regular file. Returns the descriptor, or the negative errno (-EACCES for anything but a
// regular file). Anything else is refused before it is opened, too: opening a FIFO for reading
// waits for a writer, and opening a device may act on the device.
int OpenRegularFile(FileSystem& files, const std::string& path, int flags, FileInfo& info) {
  const int statted = files.Stat(path, info, true);
  if (statted < 0 && statted != -ENOENT) return statted;
  if (statted == 0 && info.Type != FileInfo::Kind::Regular) return -EACCES;
  const int fd = files.Open(path, flags | O_NONBLOCK);
  if (fd < 0) return fd;
  if (const int e = files.Fstat(fd, info); e < 0) {
    files.Close(fd);
    return e;
  }
  if (info.Type != FileInfo::Kind::Regular) {  // swapped in after the check above
    files.Close(fd);
    return -EACCES;
  }
  return fd;
}

// Reads until the buffer is full or the file ends, however the system splits the reads.
// Returns the bytes read, or the negative errno of a failed read.
long ReadFully(FileSystem& files, int fd, std::uint8_t* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const long n = files.Read(fd, buffer + done, size - done);
    if (n < 0) return n;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long>(done);
}

// "<name>.tmp" (an older save's name) and "<name>.tmp.<1 to 3 digits>".
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
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

// Removes what saves killed midway left behind. Only entries of the save's own pattern, and no
// directory (which no save makes); unlinking a symbolic link removes the link, not its target.
// Called only under the ranking's lock, so no other game's save is midway.
void RemoveStaleTemporaries(FileSystem& files, const std::string& target) {
  const std::string directory = DirectoryOf(target);
  const std::string name = NameOf(target);
  std::vector<std::string> entries;
  if (files.ListDirectory(directory, entries) < 0) return;
  for (const std::string& entry : entries) {
    if (!IsTemporaryOf(entry, name)) continue;
    const std::string stale = directory + "/" + entry;
    FileInfo info;
    if (files.Stat(stale, info, false) == 0 && info.Type != FileInfo::Kind::Directory) {
      files.Unlink(stale);
    }
  }
}

}  // namespace

// 64 bits: a crafted file may hold any 32-bit level or time, and level x 1000 - time then
// needs up to 43 bits; in 32 bits it would overflow, which is undefined.
std::int64_t RankValue(std::int32_t level, std::int32_t timeScore) {
  return std::int64_t{level} * 1000 - std::int64_t{timeScore};
}

int RankOf(const RankingTable& table, std::int32_t level, std::int32_t timeScore) {
  // The comparison "< v + 1" is the game's own; v + 1 cannot overflow in 64 bits.
  const std::int64_t v = RankValue(level, timeScore);
  int rank = kNoRank;
  for (int i = kRankingEntries; i >= 1; --i) {
    if (RankValue(table.RankLevels[i], table.RankTimes[i]) < v + 1) rank = i;
  }
  return rank;
}

void InsertRank(RankingTable& table, int rank, std::int32_t timeScore, std::int32_t level) {
  if (rank < 1 || rank > kRankingEntries) return;
  for (int k = kRankingEntries - 1; k >= rank; --k) {
    table.RankTimes[k + 1] = table.RankTimes[k];
    table.RankLevels[k + 1] = table.RankLevels[k];
  }
  table.RankTimes[rank] = timeScore;
  table.RankLevels[rank] = level;
}

std::array<std::uint8_t, kRecordFileSize> EncodeRecordFile(const RankingTable& table) {
  std::array<std::uint8_t, kRecordFileSize> bytes{};
  for (std::size_t b = 0; b < kRecordFileSize; ++b) {
    const int i = EntryAt(b);
    const auto value =
        static_cast<std::uint32_t>(IsTimeByte(b) ? table.RankTimes[i] : table.RankLevels[i]);
    bytes[b] = static_cast<std::uint8_t>(value >> (8 * (b % 4)));
  }
  return bytes;
}

void DecodeRecordFile(const std::uint8_t* bytes, std::size_t size, RankingTable& table) {
  // Byte by byte, so a short read leaves each byte where it lands in memory and the rest of
  // the table as it was, half-filled fields included.
  for (std::size_t b = 0; b < size && b < kRecordFileSize; ++b) {
    const int i = EntryAt(b);
    std::int32_t& field = IsTimeByte(b) ? table.RankTimes[i] : table.RankLevels[i];
    const unsigned shift = 8 * static_cast<unsigned>(b % 4);
    const std::uint32_t kept = static_cast<std::uint32_t>(field) & ~(0xFFu << shift);
    field = static_cast<std::int32_t>(kept | (std::uint32_t{bytes[b]} << shift));
  }
}

void LoadRanking(FileSystem& files, const std::string& path, RankingTable& table,
                 RecordFileStamp* stamp) {
  // An existing file only: a missing ranking is reported, never created.
  FileInfo info;
  const int fd = OpenRegularFile(files, path, O_RDWR, info);
  if (fd < 0) throw ErrorOf(fd);

  std::uint8_t buffer[kRecordFileSize];
  const long n = ReadFully(files, fd, buffer, sizeof buffer);
  if (n < 0) {
    files.Close(fd);
    throw ErrorOf(n);
  }
  DecodeRecordFile(buffer, static_cast<std::size_t>(n), table);

  const int closed = files.Close(fd);
  if (n < static_cast<long>(kRecordFileSize)) throw EInOutError(kErrReadPastEnd);
  if (closed < 0) throw ErrorOf(closed);
  if (stamp != nullptr) *stamp = StampOf(info);
}

bool RefreshRanking(FileSystem& files, const std::string& path, RankingTable& table,
                    RecordFileStamp& stamp) {
  FileInfo info;
  if (files.Stat(path, info, true) < 0) return false;
  if (SameFile(StampOf(info), stamp)) return false;

  const int fd = OpenRegularFile(files, path, O_RDONLY, info);
  if (fd < 0) return false;
  std::uint8_t buffer[kRecordFileSize];
  const long n = ReadFully(files, fd, buffer, sizeof buffer);
  files.Close(fd);
  if (n != static_cast<long>(kRecordFileSize)) return false;
  DecodeRecordFile(buffer, kRecordFileSize, table);
  stamp = StampOf(info);
  return true;
}

RankingLock::RankingLock(FileSystem& files, const std::string& path, int waitMilliseconds)
    : files_(files) {
  std::string target;
  try {
    target = FollowLinks(files, path);
  } catch (const EInOutError&) {
    return;  // the save will report what is wrong with the path
  }
  // Read-only is enough for flock, and lets a lock file made by another user serve too.
  fd_ = files.Open(target + ".lock", O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd_ < 0) return;
  held_ = files.LockExclusive(fd_, waitMilliseconds) == 0;
}

RankingLock::~RankingLock() {
  if (fd_ >= 0) files_.Close(fd_);
}

std::string TemporaryName(const std::string& target, int index) {
  return target + ".tmp." + std::to_string(index);
}

void SaveRanking(FileSystem& files, const std::string& path, const RankingTable& table,
                 RecordFileStamp* stamp, bool holdsLock) {
  // Rewriting the file in place would lose the whole ranking to a crash or a full disk between
  // the truncation and the write. Instead the new table goes to a complete file beside the old
  // one, reaches the disk, and only then replaces the old file in one rename.
  std::optional<FileInfo> old;
  const std::string target = FollowLinks(files, path, &old);

  // The new file takes the old one's permission bits. A file without any write bit is one the
  // player protected: refused, whoever runs the game (root's access() would allow it).
  const bool keepMode = old.has_value();
  unsigned mode = 0644;
  if (old) {
    if (old->Type != FileInfo::Kind::Regular) throw EInOutError(kErrAccessDenied);
    if ((old->Mode & 0222) == 0) throw EInOutError(kErrAccessDenied);
    mode = old->Mode & 0777;
  }

  if (holdsLock) RemoveStaleTemporaries(files, target);

  // A name nothing holds, created exclusively: whatever sits under a name (a file, a directory,
  // a link pointing elsewhere) is passed over, never written through.
  std::string temporary;
  int fd = -EEXIST;
  for (int k = 0; k < kTemporaryNames && fd == -EEXIST; ++k) {
    temporary = TemporaryName(target, k);
    fd = files.Open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, mode);
  }
  if (fd < 0) throw ErrorOf(fd);

  const std::array<std::uint8_t, kRecordFileSize> bytes = EncodeRecordFile(table);
  std::optional<EInOutError> error;
  bool open = true;
  std::size_t written = 0;
  while (!error && written < bytes.size()) {
    // A write cut short (a signal, a file-size limit reached midway) goes on where it stopped;
    // the next write then reports the reason.
    const long n = files.Write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      error = ErrorOf(n);
    } else if (n == 0) {
      error = EInOutError(kErrDiskFull);
    } else {
      written += static_cast<std::size_t>(n);
    }
  }
  if (!error && keepMode) {
    // open() applied the umask; the old file's bits are set as they were.
    if (const int m = files.Fchmod(fd, mode); m < 0) error = ErrorOf(m);
  }
  if (!error) {
    if (const int e = files.Fsync(fd); e < 0) {
      error = ErrorOf(e);
    } else {
      open = false;  // the descriptor is released even when close reports an error
      if (const int c = files.Close(fd); c < 0) {
        error = ErrorOf(c);
      } else if (const int r = files.Rename(temporary, target); r < 0) {
        error = ErrorOf(r);
      }
    }
  }
  if (error) {
    if (open) files.Close(fd);
    files.Unlink(temporary);
    throw *error;
  }

  // Make the rename itself durable. The new file is in place already, so a failure here
  // costs at most the rename after a power cut and is not worth an error box.
  const int dir = files.Open(DirectoryOf(target), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    files.Fsync(dir);
    files.Close(dir);
  }

  if (stamp != nullptr) {
    FileInfo now;
    *stamp = files.Stat(target, now, false) == 0 ? StampOf(now) : RecordFileStamp{};
  }
}

}  // namespace enclova
