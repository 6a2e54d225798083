// SPDX-License-Identifier: MIT
// The ranking table's order, insertion and its record file on disk.
#include "ranking/ranking_table.h"

#include <fcntl.h>

#include <cerrno>
#include <optional>

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

void LoadRanking(FileSystem& files, const std::string& path, RankingTable& table) {
  // An existing file only: a missing ranking is reported, never created.
  const int fd = files.Open(path, O_RDWR);
  if (fd < 0) throw ErrorOf(fd);

  std::uint8_t buffer[kRecordFileSize];
  const long n = files.Read(fd, buffer, sizeof buffer);
  if (n < 0) {
    files.Close(fd);
    throw ErrorOf(n);
  }
  DecodeRecordFile(buffer, static_cast<std::size_t>(n), table);

  const int closed = files.Close(fd);
  if (n < static_cast<long>(kRecordFileSize)) throw EInOutError(kErrReadPastEnd);
  if (closed < 0) throw ErrorOf(closed);
}

void SaveRanking(FileSystem& files, const std::string& path, const RankingTable& table) {
  // Rewriting the file in place would lose the whole ranking to a crash or a full disk between
  // the truncation and the write. Instead the new table goes to a complete file beside the old
  // one, reaches the disk, and only then replaces the old file in one rename.
  const std::string temporary = path + ".tmp";
  const std::array<std::uint8_t, kRecordFileSize> bytes = EncodeRecordFile(table);

  const int fd = files.Open(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw ErrorOf(fd);

  std::optional<EInOutError> error;
  bool open = true;
  const long written = files.Write(fd, bytes.data(), bytes.size());
  if (written < 0) {
    error = ErrorOf(written);
  } else if (written != static_cast<long>(kRecordFileSize)) {
    error = EInOutError(kErrDiskFull);
  } else if (const int e = files.Fsync(fd); e < 0) {
    error = ErrorOf(e);
  } else {
    open = false;  // the descriptor is released even when close reports an error
    if (const int c = files.Close(fd); c < 0) {
      error = ErrorOf(c);
    } else if (const int r = files.Rename(temporary, path); r < 0) {
      error = ErrorOf(r);
    }
  }
  if (error) {
    if (open) files.Close(fd);
    files.Unlink(temporary);
    throw *error;
  }

  // Make the rename itself durable. The new file is in place already, so a failure here
  // costs at most the rename after a power cut and is not worth an error box.
  const int dir = files.Open(DirectoryOf(path), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    files.Fsync(dir);
    files.Close(dir);
  }
}

}  // namespace enclova
