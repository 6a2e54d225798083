// SPDX-License-Identifier: MIT
// The twenty best good rounds and their 160-byte record file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace enclova {

class FileSystem;

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

// Opens the existing file for reading and writing, reads its first 160 bytes, closes it.
// Throws EInOutError; bytes read before a short read stay in the table.
void LoadRanking(FileSystem& files, const std::string& path, RankingTable& table);

// Writes the table so that the file holds either its old 160 bytes or the new ones, whatever
// fails or stops when: a complete new file beside it, flushed, then renamed over it.
// Throws EInOutError.
void SaveRanking(FileSystem& files, const std::string& path, const RankingTable& table);

}  // namespace enclova
