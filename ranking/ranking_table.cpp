// SPDX-License-Identifier: MIT
// The ranking table's order, insertion and its record file on disk.
#include "ranking/ranking_table.h"

#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
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

// The error for a failed call's result.
EInOutError ErrorOf(long result) {
  return InOutErrorOf(ErrorIn(result));
}

// FollowLinks, throwing what fails.
std::string FinalTarget(FileSystem& files, const std::string& path,
                        std::optional<FileInfo>* found = nullptr) {
  std::string target;
  if (const int e = FollowLinks(files, path, target, found); e < 0) throw ErrorOf(e);
  return target;
}

bool SameFile(const RecordFileStamp& a, const RecordFileStamp& b) {
  return a.Known && b.Known && a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModifiedNanoseconds == b.ModifiedNanoseconds &&
         a.ChangedNanoseconds == b.ChangedNanoseconds;
}

// Opens a data file without waiting on it and makes sure, on the descriptor itself, that it is
// a regular file. Returns the descriptor, or the failed call's result (AccessDenied for anything
// but a regular file). Anything else is refused before it is opened, too: opening a FIFO for
// reading waits for a writer, and opening a device may act on the device.
int OpenRegularFile(FileSystem& files, const std::string& path, OpenFlags flags, FileInfo& info) {
  const int statted = files.Stat(path, info, true);
  if (statted < 0 && statted != ResultOf(FileError::NotFound)) return statted;
  if (statted == 0 && info.Type != FileInfo::Kind::Regular)
    return ResultOf(FileError::AccessDenied);
  const int fd = files.Open(path, flags | OpenFlags::DoNotWait);
  if (fd < 0) return fd;
  if (const int e = files.Fstat(fd, info); e < 0) {
    files.Close(fd);
    return e;
  }
  if (info.Type != FileInfo::Kind::Regular) {  // swapped in after the check above
    files.Close(fd);
    return ResultOf(FileError::AccessDenied);
  }
  return fd;
}

// Reads until the buffer is full or the file ends, however the system splits the reads.
// Returns the bytes read, or the failed read's result.
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

}  // namespace

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
  const int fd = OpenRegularFile(files, path, OpenFlags::ReadWrite, info);
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

  const int fd = OpenRegularFile(files, path, OpenFlags::Read, info);
  if (fd < 0) return false;
  std::uint8_t buffer[kRecordFileSize];
  const long n = ReadFully(files, fd, buffer, sizeof buffer);
  files.Close(fd);
  if (n != static_cast<long>(kRecordFileSize)) return false;
  DecodeRecordFile(buffer, kRecordFileSize, table);
  stamp = StampOf(info);
  return true;
}

RankingLock::RankingLock(FileSystem& files, const std::string& path, int waitMilliseconds) {
  std::string target;
  try {
    target = FinalTarget(files, path);
  } catch (const EInOutError&) {
    return;  // the save will report what is wrong with the path
  }
  lock_.emplace(files, target + ".lock", waitMilliseconds);
}

void SaveRanking(FileSystem& files, const std::string& path, const RankingTable& table,
                 RecordFileStamp* stamp, bool holdsLock) {
  // Rewriting the file in place would lose the whole ranking to a crash or a full disk between
  // the truncation and the write. Instead the new table goes to a complete file beside the old
  // one, reaches the disk, and only then replaces the old file in one rename.
  std::optional<FileInfo> old;
  const std::string target = FinalTarget(files, path, &old);

  // The new file takes the old one's permission bits. A file without any write bit is one the
  // player protected: refused, whoever runs the game (root's access() would allow it).
  ReplaceOptions options;
  if (old) {
    if (old->Type != FileInfo::Kind::Regular) throw EInOutError(kErrAccessDenied);
    if ((old->Mode & 0222) == 0) throw EInOutError(kErrAccessDenied);
    options.Mode = old->Mode & 0777;
    options.SetMode = true;
  }

  if (holdsLock) RemoveStaleTemporaries(files, target);

  const std::array<std::uint8_t, kRecordFileSize> bytes = EncodeRecordFile(table);
  if (const int e = ReplaceWholeFile(files, target, bytes.data(), bytes.size(), options); e < 0) {
    throw ErrorOf(e);
  }

  if (stamp != nullptr) {
    FileInfo now;
    *stamp = files.Stat(target, now, false) == 0 ? StampOf(now) : RecordFileStamp{};
  }
}

}  // namespace enclova
