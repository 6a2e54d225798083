// SPDX-License-Identifier: MIT
// The ranking table's order and insertion, the record file's layout, and loading and saving it
// through every failure and crash the file system can produce.
#include "ranking/ranking_table.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "tests/fakes.h"

namespace enclova::testing {
namespace {

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

// Entries from the top as (level, time); the places below them are empty (level -1, time 0).
RankingTable Table(std::initializer_list<std::pair<std::int32_t, std::int32_t>> entries) {
  RankingTable table;
  int i = 1;
  for (const auto& [level, time] : entries) {
    table.RankLevels[i] = level;
    table.RankTimes[i] = time;
    ++i;
  }
  for (; i <= kRankingEntries; ++i) {
    table.RankLevels[i] = -1;
    table.RankTimes[i] = 0;
  }
  return table;
}

RankingTable Filled(std::int32_t level, std::int32_t time) {
  RankingTable table;
  for (int i = 1; i <= kRankingEntries; ++i) {
    table.RankLevels[i] = level;
    table.RankTimes[i] = time;
  }
  return table;
}

// Twenty distinct entries in order, entry i at level 21 - i with time 10 * i.
std::int32_t NumberedLevel(int i) {
  return 21 - i;
}
std::int32_t NumberedTime(int i) {
  return 10 * i;
}
RankingTable Numbered() {
  RankingTable table;
  for (int i = 1; i <= kRankingEntries; ++i) {
    table.RankLevels[i] = NumberedLevel(i);
    table.RankTimes[i] = NumberedTime(i);
  }
  return table;
}

void ExpectSameTable(const RankingTable& actual, const RankingTable& expected) {
  for (int i = 1; i <= kRankingEntries; ++i) {
    EXPECT_EQ(actual.RankTimes[i], expected.RankTimes[i]) << "RankTimes[" << i << "]";
    EXPECT_EQ(actual.RankLevels[i], expected.RankLevels[i]) << "RankLevels[" << i << "]";
  }
}

std::vector<std::uint8_t> Bytes(const RankingTable& table) {
  const auto encoded = EncodeRecordFile(table);
  return {encoded.begin(), encoded.end()};
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// --- Order ---

TEST(RankValue, OrdersByLevelThenTimeWithoutOverflow) {
  EXPECT_EQ(RankValue(3, 105), 2895);
  EXPECT_EQ(RankValue(1, 959), 41);
  EXPECT_EQ(RankValue(-1, 0), -1000);
  EXPECT_EQ(RankValue(kMax, kMin), std::int64_t{kMax} * 1000 + 2147483648LL);
  EXPECT_EQ(RankValue(kMin, kMax), std::int64_t{kMin} * 1000 - kMax);
}

TEST(RankOf, FindsTheFirstPlaceNotBetterThanTheRound) {
  struct Case {
    const char* name;
    RankingTable table;
    std::int32_t level, time;
    int rank;
  };
  const Case cases[] = {
      {"empty table", Table({}), 1, 959, 1},
      {"table of the process start (all 0) counts as filled, level 0", Filled(0, 0), 1, 959, 1},
      {"959 on level 1 beats an empty entry with time 0", Table({{5, 1}}), 1, 959, 2},
      {"every entry better", Filled(10, 0), 10, 1, kNoRank},
      {"every entry better by one", Filled(1, 958), 1, 959, kNoRank},
      {"tie goes above the older entry", Table({{5, 100}, {3, 105}, {3, 105}, {3, 200}}), 3, 105,
       2},
      {"tie with the last entry", Filled(4, 400), 4, 400, 1},
      {"shorter time within a level", Table({{3, 100}, {3, 200}, {3, 300}}), 3, 250, 3},
      {"any level-2 time beats level 1", Table({{1, 0}, {1, 0}}), 2, 959, 1},
      {"level 1 never above level 2", Table({{2, 959}, {2, 959}}), 1, 0, 3},
      {"level 1 never above a full level-2 table", Filled(2, 959), 1, 0, kNoRank},
      {"better than every entry", Numbered(), 20, 9, 1},
      {"equal to the first entry", Numbered(), 20, 10, 1},
      {"just below the first entry", Numbered(), 20, 11, 2},
      {"between entries", Numbered(), 10, 0, 11},
      {"equal to the last entry", Numbered(), 1, 200, 20},
      {"just below the last entry", Numbered(), 1, 201, kNoRank},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RankOf(c.table, c.level, c.time), c.rank);
  }
}

TEST(RankOf, CraftedExtremeValuesCompareIn64Bits) {
  // Entry 1 holds the largest possible RankValue, the rest the smallest. In 32-bit arithmetic
  // each of these products wraps and the order falls apart.
  RankingTable table = Filled(kMin, kMax);
  table.RankLevels[1] = kMax;
  table.RankTimes[1] = kMin;
  struct Case {
    std::int32_t level, time;
    int rank;
  } const cases[] = {
      {10, 959, 2},    {kMax, kMin, 1}, {kMax, kMin + 1, 2},
      {kMin, kMax, 2}, {0, 0, 2},       {kMin, kMax - 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.level << ", " << c.time);
    EXPECT_EQ(RankOf(table, c.level, c.time), c.rank);
  }
  // Levels whose product with 1000 just leaves the 32-bit range: wrapped, they would swap sign.
  EXPECT_EQ(RankOf(Table({{2147484, 0}}), 10, 0), 2);
  EXPECT_EQ(RankOf(Filled(-2147484, 0), 1, 959), 1);
  EXPECT_EQ(RankOf(Filled(10, 0), 2147484, 0), 1);
  // A round of the smallest value against a table of it ties at the top.
  EXPECT_EQ(RankOf(Filled(kMin, kMax), kMin, kMax), 1);
  // Nothing is below the smallest value plus one.
  EXPECT_EQ(RankOf(Filled(kMin, kMax - 1), kMin, kMax), kNoRank);
}

// --- Insertion ---

TEST(InsertRank, MovesTheEntriesBelowDownAndDropsTheLast) {
  for (int rank : {1, 4, 19, 20}) {
    SCOPED_TRACE(rank);
    RankingTable table = Numbered();
    InsertRank(table, rank, 777, 9);
    RankingTable expected = Numbered();
    for (int i = 1; i <= kRankingEntries; ++i) {
      const int from = i < rank ? i : i - 1;
      expected.RankLevels[i] = i == rank ? 9 : NumberedLevel(from);
      expected.RankTimes[i] = i == rank ? 777 : NumberedTime(from);
    }
    ExpectSameTable(table, expected);
  }
}

TEST(InsertRank, IgnoresPlacesOutsideTheTable) {
  for (int rank : {0, kNoRank, -1}) {
    SCOPED_TRACE(rank);
    RankingTable table = Numbered();
    InsertRank(table, rank, 777, 9);
    ExpectSameTable(table, Numbered());
  }
}

// --- File layout ---

TEST(RecordFile, LaysOutTimesThenLevelsLittleEndian) {
  RankingTable table;
  for (int i = 1; i <= kRankingEntries; ++i) {
    table.RankTimes[i] = 0x01020300 + i;
    table.RankLevels[i] = static_cast<std::int32_t>(0xF1F2F300u + static_cast<unsigned>(i));
  }
  const auto bytes = EncodeRecordFile(table);
  for (int i = 1; i <= kRankingEntries; ++i) {
    SCOPED_TRACE(i);
    const std::size_t t = 4 * static_cast<std::size_t>(i - 1);
    EXPECT_EQ(bytes[t], i);
    EXPECT_EQ(bytes[t + 1], 0x03);
    EXPECT_EQ(bytes[t + 2], 0x02);
    EXPECT_EQ(bytes[t + 3], 0x01);
    EXPECT_EQ(bytes[80 + t], i);
    EXPECT_EQ(bytes[80 + t + 1], 0xF3);
    EXPECT_EQ(bytes[80 + t + 2], 0xF2);
    EXPECT_EQ(bytes[80 + t + 3], 0xF1);
  }
  // The fixture the harness starts from: twenty empty entries.
  EXPECT_EQ(Bytes(Table({})), EmptyRecordFile());
}

TEST(RecordFile, DecodesWhatItEncodes) {
  RankingTable table = Table({{10, 0}, {kMax, kMin}, {kMin, kMax}, {0, -1}, {3, 105}});
  RankingTable decoded = Filled(77, 77);
  const auto bytes = EncodeRecordFile(table);
  DecodeRecordFile(bytes.data(), bytes.size(), decoded);
  ExpectSameTable(decoded, table);
}

TEST(RecordFile, ShortInputReplacesOnlyTheBytesItHolds) {
  const RankingTable source = Numbered();
  const auto bytes = EncodeRecordFile(source);
  const RankingTable before = Filled(0x7F6F5F4F, 0x7F7F7F7F);
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{80}, std::size_t{98}, std::size_t{159}}) {
    SCOPED_TRACE(size);
    RankingTable table = before;
    DecodeRecordFile(bytes.data(), size, table);
    const auto after = EncodeRecordFile(table);
    const auto old = EncodeRecordFile(before);
    for (std::size_t b = 0; b < kRecordFileSize; ++b) {
      EXPECT_EQ(after[b], b < size ? bytes[b] : old[b]) << "byte " << b;
    }
  }
}

// --- Loading ---

struct RecordFileTest : ::testing::Test {
  void SetUp() override { Files.Cwd = Dir.Path(); }
  std::string Path() const { return Dir.File("fdata.dat"); }

  TempDir Dir;
  FaultyFileSystem Files;
};

using LoadRankingTest = RecordFileTest;

TEST_F(LoadRankingTest, ReadsTheWholeFile) {
  const RankingTable stored = Table({{10, 0}, {3, 105}, {kMax, kMin}, {0, 5}});
  WriteFileBytes(Path(), Bytes(stored));
  RankingTable table;
  LoadRanking(Files, Path(), table);
  ExpectSameTable(table, stored);
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"open", "read", "close"}));
}

TEST_F(LoadRankingTest, MissingFileIsNotFoundAndStaysMissing) {
  RankingTable table;
  try {
    LoadRanking(Files, Path(), table);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_STREQ(e.what(), "ファイルが見つかりません");
  }
  EXPECT_FALSE(std::filesystem::exists(Path()));
  ExpectSameTable(table, RankingTable{});
}

TEST_F(LoadRankingTest, ShortFileKeepsTheBytesReadAndReportsReadingPastTheEnd) {
  const RankingTable stored = Numbered();
  std::vector<std::uint8_t> bytes = Bytes(stored);
  bytes.resize(100);
  WriteFileBytes(Path(), bytes);
  const int descriptors = OpenDescriptors();
  RankingTable table;
  try {
    LoadRanking(Files, Path(), table);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 100);
    EXPECT_STREQ(e.what(), "ファイルの末尾以降を読み込みました");
  }
  for (int i = 1; i <= kRankingEntries; ++i) {
    EXPECT_EQ(table.RankTimes[i], NumberedTime(i)) << i;
    EXPECT_EQ(table.RankLevels[i], i <= 5 ? NumberedLevel(i) : 0) << i;
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"open", "read", "close"}));
}

TEST_F(LoadRankingTest, LongerFileLoadsItsFirst160BytesAndTheNextSaveLeaves160) {
  const RankingTable stored = Numbered();
  std::vector<std::uint8_t> bytes = Bytes(stored);
  bytes.resize(200, 0xAB);
  WriteFileBytes(Path(), bytes);
  RankingTable table;
  LoadRanking(Files, Path(), table);
  ExpectSameTable(table, stored);

  InsertRank(table, 1, 105, 3);
  SaveRanking(Files, Path(), table);
  EXPECT_EQ(ReadFileBytes(Path()), Bytes(table));
}

TEST_F(LoadRankingTest, EveryFailingStepIsReportedWithItsCodeAndClosesTheFile) {
  WriteFileBytes(Path(), Bytes(Numbered()));
  struct Case {
    int failAt;
    int errnum;
    int code;
    const char* text;
  } const cases[] = {
      {0, EACCES, 5, "ファイルへのアクセスが拒否されました"},
      {0, EMFILE, 4, "オープンしたファイルが多すぎます"},
      {0, ENAMETOOLONG, 3, "不正なファイル名です"},
      {1, EISDIR, 5, "ファイルへのアクセスが拒否されました"},
      {1, EFBIG, EFBIG, "I/O エラー (27)"},
      {2, EBADF, EBADF, "I/O エラー (9)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "step " << c.failAt << " errno " << c.errnum);
    Files.Operations = 0;
    Files.Log.clear();
    Files.FailAt = c.failAt;
    Files.FailErrno = c.errnum;
    const int descriptors = OpenDescriptors();
    RankingTable table;
    try {
      LoadRanking(Files, Path(), table);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode, c.code);
      EXPECT_EQ(std::string(e.what()), c.text);
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    // The file is opened only once and closed whenever it was opened.
    const bool opened = c.failAt > 0;
    EXPECT_EQ(Files.Log.back(), opened ? "close" : "open");
  }
}

TEST_F(LoadRankingTest, DirectoryInPlaceOfTheFileIsAccessDenied) {
  std::filesystem::create_directory(Path());
  RankingTable table;
  try {
    LoadRanking(Files, Path(), table);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 5);
    EXPECT_STREQ(e.what(), "ファイルへのアクセスが拒否されました");
  }
}

// --- Saving ---

struct SaveRankingTest : RecordFileTest {
  void SetUp() override {
    RecordFileTest::SetUp();
    WriteFileBytes(Path(), OldBytes);
    InsertRank(Table, 1, 105, 3);
    NewBytes = Bytes(Table);
  }

  // Whatever happened, the ranking file is one of the two complete versions.
  void ExpectOldOrNew() {
    const auto bytes = ReadFileBytes(Path());
    EXPECT_TRUE(bytes == OldBytes || bytes == NewBytes) << "torn file of " << bytes.size();
  }

  RankingTable Table = Numbered();
  const std::vector<std::uint8_t> OldBytes = Bytes(Numbered());
  std::vector<std::uint8_t> NewBytes;
};

TEST_F(SaveRankingTest, ReplacesTheFileThroughAFlushedTemporary) {
  SaveRanking(Files, Path(), Table);
  EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
  EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"open", "write", "fsync", "close", "rename",
                                                 "open", "fsync", "close"}));
  struct stat info {};
  ASSERT_EQ(stat(Path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u & ~CurrentUmask());
}

TEST_F(SaveRankingTest, CreatesAMissingFile) {
  std::filesystem::remove(Path());
  SaveRanking(Files, Path(), Table);
  EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
}

TEST_F(SaveRankingTest, CrashAtAnyStepLeavesACompleteFile) {
  SaveRanking(Files, Path(), Table);
  const int steps = Files.Operations;
  for (int k = 0; k < steps; ++k) {
    SCOPED_TRACE(::testing::Message() << "crash at " << k << " (" << Files.Log[k] << ")");
    WriteFileBytes(Path(), OldBytes);
    FaultyFileSystem crashing;
    crashing.CrashAt = k;
    EXPECT_THROW(SaveRanking(crashing, Path(), Table), SimulatedCrash);
    ExpectOldOrNew();
    // Until the rename the old file stands; from it on, the new one.
    EXPECT_EQ(ReadFileBytes(Path()), k <= 4 ? OldBytes : NewBytes);

    // The next save after the restart succeeds over whatever the crash left behind.
    FaultyFileSystem restarted;
    SaveRanking(restarted, Path(), Table);
    EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  }
}

TEST_F(SaveRankingTest, FailureAtAnyStepKeepsTheOldFileAndCleansUp) {
  SaveRanking(Files, Path(), Table);
  const std::vector<std::string> steps = Files.Log;
  struct Errno {
    int errnum;
    int code;
    const char* text;
  } const errnos[] = {
      {ENOSPC, 101, "ディスクがいっぱいです"},
      {EROFS, 5, "ファイルへのアクセスが拒否されました"},
      {EFBIG, EFBIG, "I/O エラー (27)"},
  };
  for (const Errno& e : errnos) {
    for (int k = 0; k < static_cast<int>(steps.size()); ++k) {
      SCOPED_TRACE(::testing::Message()
                   << "errno " << e.errnum << " at " << k << " (" << steps[k] << ")");
      WriteFileBytes(Path(), OldBytes);
      FaultyFileSystem failing;
      failing.FailAt = k;
      failing.FailErrno = e.errnum;
      const int descriptors = OpenDescriptors();
      if (k <= 4) {
        try {
          SaveRanking(failing, Path(), Table);
          ADD_FAILURE() << "no error";
        } catch (const EInOutError& error) {
          EXPECT_EQ(error.ErrorCode, e.code);
          EXPECT_EQ(std::string(error.what()), e.text);
        }
        EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
      } else {
        // The new file is in place; only making the rename durable failed.
        EXPECT_NO_THROW(SaveRanking(failing, Path(), Table));
        EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
      }
      EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
      EXPECT_EQ(OpenDescriptors(), descriptors);
    }
  }
}

TEST_F(SaveRankingTest, ShortWriteIsADiskFullAndKeepsTheOldFile) {
  for (long written : {0L, 1L, 80L, 159L}) {
    SCOPED_TRACE(written);
    FaultyFileSystem failing;
    failing.ShortWriteBytes = written;
    try {
      SaveRanking(failing, Path(), Table);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& error) {
      EXPECT_EQ(error.ErrorCode, 101);
      EXPECT_STREQ(error.what(), "ディスクがいっぱいです");
    }
    EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  }
}

TEST_F(SaveRankingTest, DirectoryInTheWayIsAccessDeniedAndLeftAlone) {
  struct Case {
    const char* blocked;               // the name a directory takes
    std::vector<std::string> entries;  // what the data directory holds afterwards
  } const cases[] = {
      {"fdata.dat.tmp", {"fdata.dat", "fdata.dat.tmp"}},  // the temporary file's name
      {"fdata.dat", {"fdata.dat"}},                       // the ranking file's own name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    std::filesystem::remove_all(Dir.File("fdata.dat"));
    WriteFileBytes(Path(), OldBytes);
    std::filesystem::remove(Dir.File(c.blocked));
    std::filesystem::create_directory(Dir.File(c.blocked));
    try {
      SaveRanking(Files, Path(), Table);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& error) {
      EXPECT_EQ(error.ErrorCode, 5);
      EXPECT_STREQ(error.what(), "ファイルへのアクセスが拒否されました");
    }
    EXPECT_TRUE(std::filesystem::is_directory(Dir.File(c.blocked)));
    EXPECT_EQ(DirectoryEntries(Dir.Path()), c.entries);
    if (std::filesystem::is_regular_file(Path())) {
      EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
    }
    std::filesystem::remove_all(Dir.File(c.blocked));
  }
}

}  // namespace
}  // namespace enclova::testing
