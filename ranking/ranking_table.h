// SPDX-License-Identifier: MIT
// The twenty best good rounds and their 160-byte record file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/file_io.h"

namespace enclova {

constexpr int kRankingEntries = 20;
constexpr int kNoRank = 21;
constexpr std::size_t kRecordFileSize = 160;

// Entry 1 is the best; index 0 is unused so the code reads as the places do. A negative level
// marks an empty entry.
struct RankingTable {
  std::int32_t RankTimes[kRankingEntries + 1] = {};
  std::int32_t RankLevels[kRankingEntries + 1] = {};
};

// Level x 1000 - time score, computed in 64 bits: a crafted file may hold any 32-bit values.
std::int64_t RankValue(std::int32_t level, std::int32_t timeScore);

// The place a good round takes, 1..20, or kNoRank; ties go above the older entry.
int RankOf(const RankingTable& table, std::int32_t level, std::int32_t timeScore);

// Enters a round at `rank` (1..20), moving the entries below down and dropping entry 20.
void InsertRank(RankingTable& table, int rank, std::int32_t timeScore, std::int32_t level);

// The file layout: twenty times then twenty levels, signed 32-bit little-endian.
std::array<std::uint8_t, kRecordFileSize> EncodeRecordFile(const RankingTable& table);
// Decodes as much as `size` bytes hold, byte by byte, into a table that starts as it is.
void DecodeRecordFile(const std::uint8_t* bytes, std::size_t size, RankingTable& table);

// What the game last saw of its ranking file, so that a file another copy of the game saved since
// is told from the one this game read or wrote.
struct RecordFileStamp {
  bool Known = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedNanoseconds = 0;
  std::int64_t ChangedNanoseconds = 0;
};

// The stamp of the file `info` describes.
RecordFileStamp StampOf(const FileInfo& info);

// Opens the existing file for reading and writing, reads its first 160 bytes (however many
// reads that takes), closes it. Anything but a regular file (a FIFO, a device, a directory, a
// socket) is refused with the access-denied code before a byte is read, and nothing waits on it.
// Throws EInOutError; bytes read before the end of a short file stay in the table. `stamp`, when
// given, records the file that was read.
void LoadRanking(FileSystem& files, const std::string& path, RankingTable& table,
                 RecordFileStamp* stamp = nullptr);

// Reads the file again into `table` when it is no longer the file `stamp` saw, so a round is
// ranked against what another copy of the game saved meanwhile. A file that cannot be read whole
// leaves the table as it is. Never throws; true when the table was replaced.
bool RefreshRanking(FileSystem& files, const std::string& path, RankingTable& table,
                    RecordFileStamp& stamp);

// How long a ranked round waits for another game's save before it goes on without the lock.
constexpr int kRankingLockWaitMilliseconds = 1000;

// An exclusive lock on a small file beside the ranking file (its name + ".lock"; beside the
// link's target when the ranking file is a symbolic link), held from the re-read of the table to
// the end of its save. The save replaces the ranking file, so the lock cannot be on the file
// itself. A lock that cannot be created or taken in time is simply not held.
class RankingLock {
 public:
  RankingLock(FileSystem& files, const std::string& path,
              int waitMilliseconds = kRankingLockWaitMilliseconds);
  bool Held() const { return lock_ && lock_->Held(); }

 private:
  std::optional<FileLock> lock_;
};

// Writes the table so that the file holds either its old 160 bytes or the new ones, whatever
// fails or stops when: ReplaceWholeFile, with its temporary names beside the file. The file
// keeps its permission bits; a symbolic link is written through (its target replaced in the
// target's directory, the link left a link); a file without any write permission bit, or
// anything but a regular file, is refused with the access-denied code. With `holdsLock`,
// temporary files that killed saves left behind are removed first. `stamp`, when given, records
// the file written. Throws EInOutError. Operations: FollowLinks, RemoveStaleTemporaries under
// the lock, ReplaceWholeFile, then an lstat of the file written.
void SaveRanking(FileSystem& files, const std::string& path, const RankingTable& table,
                 RecordFileStamp* stamp = nullptr, bool holdsLock = false);

}  // namespace enclova
