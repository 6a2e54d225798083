// Ranking table (stub).
#include "ranking/ranking_table.h"
namespace enclova {
std::int64_t RankValue(std::int32_t level, std::int32_t timeScore) { return std::int64_t{level} * 1000 - timeScore; }
int RankOf(const RankingTable&, std::int32_t, std::int32_t) { return kNoRank; }
void InsertRank(RankingTable&, int, std::int32_t, std::int32_t) {}
std::array<std::uint8_t, kRecordFileSize> EncodeRecordFile(const RankingTable&) { return {}; }
void DecodeRecordFile(const std::uint8_t*, std::size_t, RankingTable&) {}
void LoadRanking(FileSystem&, const std::string&, RankingTable&) {}
void SaveRanking(FileSystem&, const std::string&, const RankingTable&) {}
}  // namespace enclova
