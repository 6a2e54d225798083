// SPDX-License-Identifier: MIT
// Ranking tables and the record files that hold them, as the ranking and result tests build them.
#pragma once

#include <cstdint>
#include <vector>

#include "ranking/ranking_table.h"

namespace enclova::testing {

// Every place holding the same entry.
inline RankingTable Filled(std::int32_t level, std::int32_t time) {
  RankingTable table;
  for (int i = 1; i <= kRankingEntries; ++i) {
    table.RankLevels[i] = level;
    table.RankTimes[i] = time;
  }
  return table;
}

// The 160 bytes of the record file that holds `table`.
inline std::vector<std::uint8_t> RecordFileOf(const RankingTable& table) {
  const auto bytes = EncodeRecordFile(table);
  return {bytes.begin(), bytes.end()};
}

// Every place ranks at least as high as the next, as the game keeps the table.
inline bool RankingIsOrdered(const RankingTable& table) {
  for (int i = 1; i < kRankingEntries; ++i) {
    if (RankValue(table.RankLevels[i], table.RankTimes[i]) <
        RankValue(table.RankLevels[i + 1], table.RankTimes[i + 1])) {
      return false;
    }
  }
  return true;
}

}  // namespace enclova::testing
