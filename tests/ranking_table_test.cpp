// SPDX-License-Identifier: MIT
// The ranking table's order and insertion, the record file's layout, and loading and saving it
// through every failure and crash the file system can produce.
#include "ranking/ranking_table.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/memory_file_system.h"
#include "posix/posix_platform.h"
#include "tests/kit/child.h"
#include "tests/kit/fakes.h"
#include "tests/kit/io_errors.h"
#include "tests/kit/records.h"

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

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
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
  EXPECT_EQ(RecordFileOf(Table({})), EmptyRecordFile());
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
  WriteFileBytes(Path(), RecordFileOf(stored));
  RankingTable table;
  LoadRanking(Files, Path(), table);
  ExpectSameTable(table, stored);
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"stat", "open", "fstat", "read", "close"}));
}

TEST_F(LoadRankingTest, MissingFileIsNotFoundAndStaysMissing) {
  RankingTable table;
  ASSERT_TRUE(
      ThrowsInOutError([&] { LoadRanking(Files, Path(), table); }, 2, "ファイルが見つかりません"));
  EXPECT_FALSE(std::filesystem::exists(Path()));
  ExpectSameTable(table, RankingTable{});
}

TEST_F(LoadRankingTest, ShortFileKeepsTheBytesReadAndReportsReadingPastTheEnd) {
  const RankingTable stored = Numbered();
  std::vector<std::uint8_t> bytes = RecordFileOf(stored);
  bytes.resize(100);
  WriteFileBytes(Path(), bytes);
  const int descriptors = OpenDescriptors();
  RankingTable table;
  ASSERT_TRUE(ThrowsInOutError([&] { LoadRanking(Files, Path(), table); }, 100,
                               "ファイルの末尾以降を読み込みました"));
  for (int i = 1; i <= kRankingEntries; ++i) {
    EXPECT_EQ(table.RankTimes[i], NumberedTime(i)) << i;
    EXPECT_EQ(table.RankLevels[i], i <= 5 ? NumberedLevel(i) : 0) << i;
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  // Read on to the end of the file, which the second read finds.
  EXPECT_EQ(Files.Log,
            (std::vector<std::string>{"stat", "open", "fstat", "read", "read", "close"}));
}

TEST_F(LoadRankingTest, LongerFileLoadsItsFirst160BytesAndTheNextSaveLeaves160) {
  const RankingTable stored = Numbered();
  std::vector<std::uint8_t> bytes = RecordFileOf(stored);
  bytes.resize(200, 0xAB);
  WriteFileBytes(Path(), bytes);
  RankingTable table;
  LoadRanking(Files, Path(), table);
  ExpectSameTable(table, stored);

  InsertRank(table, 1, 105, 3);
  SaveRanking(Files, Path(), table);
  EXPECT_EQ(ReadFileBytes(Path()), RecordFileOf(table));
}

TEST_F(LoadRankingTest, EveryFailingStepIsReportedWithItsCodeAndClosesTheFile) {
  WriteFileBytes(Path(), RecordFileOf(Numbered()));
  struct Case {
    const char* step;  // stat (the check before opening), open, fstat, read, close
    FileError error;
    int code;
    const char* text;
  } const cases[] = {
      {"stat", FileError::AccessDenied, 5, "ファイルへのアクセスが拒否されました"},
      {"stat", FileError::NameTooLong, 3, "不正なファイル名です"},
      {"open", FileError::AccessDenied, 5, "ファイルへのアクセスが拒否されました"},
      {"open", FileError::TooManyOpen, 4, "オープンしたファイルが多すぎます"},
      {"open", FileError::NameTooLong, 3, "不正なファイル名です"},
      {"fstat", FileError::Io, 5, "I/O エラー (5)"},
      {"read", FileError::IsADirectory, 5, "ファイルへのアクセスが拒否されました"},
      {"read", FileError::FileTooLarge, 27, "I/O エラー (27)"},
      {"close", FileError::BadDescriptor, 9, "I/O エラー (9)"},
  };
  const std::vector<std::string> steps = {"stat", "open", "fstat", "read", "close"};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "step " << c.step << " error " << int(c.error));
    const int failAt =
        static_cast<int>(std::find(steps.begin(), steps.end(), c.step) - steps.begin());
    Files.Operations = 0;
    Files.Log.clear();
    Files.FailAt = failAt;
    Files.FailWith = c.error;
    const int descriptors = OpenDescriptors();
    RankingTable table;
    EXPECT_TRUE(ThrowsInOutError([&] { LoadRanking(Files, Path(), table); }, c.code, c.text));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    // The file is opened only once, and closed whenever it was opened.
    const bool opened = failAt > 1;
    EXPECT_EQ(std::count(Files.Log.begin(), Files.Log.end(), "open"), failAt >= 1 ? 1 : 0);
    EXPECT_EQ(Files.Log.back(), opened ? "close" : c.step);
  }
}

TEST_F(LoadRankingTest, DirectoryInPlaceOfTheFileIsAccessDenied) {
  std::filesystem::create_directory(Path());
  RankingTable table;
  EXPECT_TRUE(ThrowsInOutError([&] { LoadRanking(Files, Path(), table); }, 5,
                               "ファイルへのアクセスが拒否されました"));
}

// --- Saving ---

struct SaveRankingTest : RecordFileTest {
  void SetUp() override {
    RecordFileTest::SetUp();
    WriteFileBytes(Path(), OldBytes);
    InsertRank(Table, 1, 105, 3);
    NewBytes = RecordFileOf(Table);
  }

  // Whatever happened, the ranking file is one of the two complete versions.
  void ExpectOldOrNew() {
    const auto bytes = ReadFileBytes(Path());
    EXPECT_TRUE(bytes == OldBytes || bytes == NewBytes) << "torn file of " << bytes.size();
  }

  RankingTable Table = Numbered();
  const std::vector<std::uint8_t> OldBytes = RecordFileOf(Numbered());
  std::vector<std::uint8_t> NewBytes;
};

TEST_F(SaveRankingTest, ReplacesTheFileThroughAFlushedTemporary) {
  SaveRanking(Files, Path(), Table);
  EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
  EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"lstat", "open", "write", "fchmod", "fsync",
                                                 "close", "rename", "open", "fsync", "close"}));
}

TEST_F(SaveRankingTest, CreatesAMissingFile) {
  std::filesystem::remove(Path());
  SaveRanking(Files, Path(), Table);
  EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
  struct stat info {};
  ASSERT_EQ(stat(Path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u & ~CurrentUmask());
}

// The index of the save's rename in a clean run's log: up to it the old file stands.
int RenameStep(const std::vector<std::string>& log) {
  return static_cast<int>(std::find(log.begin(), log.end(), "rename") - log.begin());
}

TEST_F(SaveRankingTest, CrashAtAnyStepLeavesACompleteFile) {
  SaveRanking(Files, Path(), Table);
  const int steps = Files.Operations;
  const int rename = RenameStep(Files.Log);
  for (int k = 0; k < steps; ++k) {
    SCOPED_TRACE(::testing::Message() << "crash at " << k << " (" << Files.Log[k] << ")");
    WriteFileBytes(Path(), OldBytes);
    const int descriptors = OpenDescriptors();
    {
      FaultyFileSystem crashing;
      crashing.CrashAt = k;
      EXPECT_THROW(SaveRanking(crashing, Path(), Table), SimulatedCrash);
    }
    // What the dead save held open (the lock, the temporary) is gone with it.
    EXPECT_EQ(OpenDescriptors(), descriptors);
    ExpectOldOrNew();
    // Until the rename the old file stands; from it on, the new one.
    EXPECT_EQ(ReadFileBytes(Path()), k <= rename ? OldBytes : NewBytes);

    // The next save after the restart succeeds over whatever the crash left behind, and
    // under the lock removes the temporary file the killed save left.
    FaultyFileSystem restarted;
    SaveRanking(restarted, Path(), Table, nullptr, /*holdsLock=*/true);
    EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  }
}

TEST_F(SaveRankingTest, FailureAtAnyStepKeepsTheOldFileAndCleansUp) {
  SaveRanking(Files, Path(), Table);
  const std::vector<std::string> steps = Files.Log;
  const int rename = RenameStep(steps);
  struct Error {
    FileError error;
    int code;
    const char* text;
  } const errors[] = {
      {FileError::NoSpace, 101, "ディスクがいっぱいです"},
      {FileError::ReadOnly, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::FileTooLarge, 27, "I/O エラー (27)"},
  };
  for (const Error& e : errors) {
    for (int k = 0; k < static_cast<int>(steps.size()); ++k) {
      SCOPED_TRACE(::testing::Message()
                   << "error " << int(e.error) << " at " << k << " (" << steps[k] << ")");
      WriteFileBytes(Path(), OldBytes);
      FaultyFileSystem failing;
      failing.FailAt = k;
      failing.FailWith = e.error;
      const int descriptors = OpenDescriptors();
      if (k <= rename) {
        EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(failing, Path(), Table); }, e.code, e.text));
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

// A write may take fewer bytes than asked (a signal, a file-size limit reached midway): the
// save writes on from there. Only a write that takes nothing means the disk is full.
TEST_F(SaveRankingTest, ShortWritesGoOnAndAWriteOfNothingIsADiskFull) {
  for (long written : {0L, 1L, 80L, 159L}) {
    SCOPED_TRACE(written);
    WriteFileBytes(Path(), OldBytes);
    FaultyFileSystem failing;
    failing.ShortWriteBytes = written;
    if (written == 0) {
      EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(failing, Path(), Table); }, 101,
                                   "ディスクがいっぱいです"));
      EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
    } else {
      SaveRanking(failing, Path(), Table);
      EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
      EXPECT_EQ(std::count(failing.Log.begin(), failing.Log.end(), "write"),
                (159 + written) / written);
    }
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  }
}

TEST_F(SaveRankingTest, AnythingButARegularFileIsAccessDeniedAndLeftAlone) {
  const std::string outside = Dir.File("elsewhere");
  struct Case {
    const char* name;
    void (*make)(const std::string& path, const std::string& outside);
  } const cases[] = {
      {"directory",
       [](const std::string& p, const std::string&) { std::filesystem::create_directory(p); }},
      {"FIFO",
       [](const std::string& p, const std::string&) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }},
      {"link to a directory",
       [](const std::string& p, const std::string& o) {
         std::filesystem::create_directory(o);
         std::filesystem::create_symlink(o, p);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Path());
    std::filesystem::remove_all(outside);
    c.make(Path(), outside);
    const auto before = DirectoryEntries(Dir.Path());
    EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(Files, Path(), Table); }, 5,
                                 "ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(DirectoryEntries(Dir.Path()), before);
  }
}

// --- Reading however the system splits it ---

TEST_F(LoadRankingTest, ReadsTheWholeFileHoweverTheReadsAreSplit) {
  const RankingTable stored = Numbered();
  WriteFileBytes(Path(), RecordFileOf(stored));
  for (long chunk : {1L, 3L, 7L, 159L}) {
    SCOPED_TRACE(chunk);
    Files.ShortReadBytes = chunk;
    Files.Log.clear();
    RankingTable table;
    LoadRanking(Files, Path(), table);
    ExpectSameTable(table, stored);
    EXPECT_EQ(std::count(Files.Log.begin(), Files.Log.end(), "read"), (159 + chunk) / chunk);

    // The re-read before a ranked round reads the same way.
    RankingTable refreshed;
    RecordFileStamp unknown;
    EXPECT_TRUE(RefreshRanking(Files, Path(), refreshed, unknown));
    ExpectSameTable(refreshed, stored);
  }
}

// --- Files that are not files ---

TEST_F(LoadRankingTest, AnythingButARegularFileIsRefusedAtOnce) {
  struct Case {
    const char* name;
    void (*make)(const std::string& path);
  } const cases[] = {
      {"FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }},
      {"link to /dev/zero",
       [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Path());
    c.make(Path());
    Files.Log.clear();
    RankingTable table;
    EXPECT_TRUE(ThrowsInOutError([&] { LoadRanking(Files, Path(), table); }, 5,
                                 "ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(std::count(Files.Log.begin(), Files.Log.end(), "open"), 0) << "never opened";
    ExpectSameTable(table, RankingTable{});
  }
}

// --- Permission bits, links and the temporary name ---

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST_F(SaveRankingTest, KeepsThePermissionBitsOfTheFile) {
  // 0666 and 0604 would lose bits to the usual umask if the new file only had open()'s mode.
  for (mode_t mode : {0600, 0640, 0644, 0666, 0604, 0200, 0660}) {
    SCOPED_TRACE(::testing::Message() << std::oct << mode);
    WriteFileBytes(Path(), OldBytes);
    ASSERT_EQ(chmod(Path().c_str(), mode), 0);
    SaveRanking(Files, Path(), Table);
    EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
    EXPECT_EQ(ModeOf(Path()), mode);
  }
}

// Root may write anything, so the bits are read, not access(): a ranking the player made
// read-only stays as it is, whoever runs the game.
TEST_F(SaveRankingTest, FileWithoutAnyWriteBitIsAccessDeniedEvenForRoot) {
  for (mode_t mode : {0444, 0400, 0000, 0555}) {
    SCOPED_TRACE(::testing::Message() << std::oct << mode);
    WriteFileBytes(Path(), OldBytes);
    ASSERT_EQ(chmod(Path().c_str(), mode), 0);
    EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(Files, Path(), Table); }, 5,
                                 "ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
    EXPECT_EQ(ModeOf(Path()), mode);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
    ASSERT_EQ(chmod(Path().c_str(), 0644), 0);
  }
}

TEST_F(SaveRankingTest, SymbolicLinkIsWrittenThroughAndStaysALink) {
  struct Case {
    const char* name;
    std::string linkText;  // what fdata.dat says
    std::string target;    // the file finally written, relative to the test directory
    std::string via;       // a link between the two, or ""
    bool targetExists;
  } const cases[] = {
      {"relative link", "store/ranking.dat", "store/ranking.dat", "", true},
      {"absolute link", Dir.File("store/ranking.dat"), "store/ranking.dat", "", true},
      {"link to a link", "middle", "store/ranking.dat", "middle", true},
      {"link to a missing file", "store/ranking.dat", "store/ranking.dat", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Dir.File("store"));
    std::filesystem::remove_all(Dir.File("middle"));
    std::filesystem::remove(Path());
    std::filesystem::create_directory(Dir.File("store"));
    const std::string target = Dir.File(c.target);
    if (c.targetExists) {
      WriteFileBytes(target, OldBytes);
      ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    }
    if (!c.via.empty()) std::filesystem::create_symlink("store/ranking.dat", Dir.File(c.via));
    std::filesystem::create_symlink(c.linkText, Path());

    SaveRanking(Files, Path(), Table);

    ASSERT_TRUE(std::filesystem::is_symlink(Path()));
    EXPECT_EQ(std::filesystem::read_symlink(Path()).string(), c.linkText);
    EXPECT_EQ(ReadFileBytes(target), NewBytes);
    if (c.targetExists) {
      EXPECT_EQ(ModeOf(target), 0640u);
    }
    // The temporary file was made beside the target, and is gone.
    EXPECT_EQ(DirectoryEntries(Dir.File("store")), std::vector<std::string>{"ranking.dat"});
    std::vector<std::string> top = {"fdata.dat", "store"};
    if (!c.via.empty()) top.insert(top.begin() + 1, c.via);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), top);
  }
}

TEST_F(SaveRankingTest, LinkThatLoopsIsAnInvalidName) {
  std::filesystem::remove(Path());
  std::filesystem::create_symlink("fdata.dat", Path());
  EXPECT_TRUE(
      ThrowsInOutError([&] { SaveRanking(Files, Path(), Table); }, 3, "不正なファイル名です"));
  EXPECT_TRUE(std::filesystem::is_symlink(Path()));
}

// Whatever lies under the names the save could give its temporary file (the older fixed name
// too): a file, a directory with something in it, a link to a file elsewhere, a link to where a
// file could be made, a FIFO. None of it may make the save fail or lead it elsewhere. A save
// under the lock first clears every one that is not a directory (without following links); a
// save without the lock passes over each name that is taken.
TEST_F(SaveRankingTest, NothingPlantedUnderATemporaryNameFailsOrRedirectsTheSave) {
  const std::string victim = Dir.File("victim");
  const std::string nowhere = Dir.File("nowhere");
  const auto plant = [&](int count) {
    std::vector<std::string> names = {Path() + ".tmp"};
    for (int k = 0; k < count; ++k) names.push_back(TemporaryName(Path(), k));
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string& name = names[i];
      switch (i % 5) {
        case 0:
          WriteFileBytes(name, {'p', 'l', 'a', 'n', 't'});
          break;
        case 1:
          std::filesystem::create_directory(name);
          WriteFileBytes(name + "/inside", {1});
          break;
        case 2:
          std::filesystem::create_symlink(victim, name);
          break;
        case 3:
          std::filesystem::create_symlink(nowhere, name);
          break;
        default:
          ASSERT_EQ(mkfifo(name.c_str(), 0644), 0);
          break;
      }
    }
  };
  const auto clear = [&]() {
    for (const std::string& name : DirectoryEntries(Dir.Path())) {
      if (name.rfind("fdata.dat.tmp", 0) == 0) std::filesystem::remove_all(Dir.File(name));
    }
  };

  struct Case {
    const char* name;
    int planted;  // names "<file>.tmp.0" on that hold something
    bool locked;
  } const cases[] = {
      {"every name, under the lock", kTemporaryNames, true},
      {"the first names, without the lock", 64, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clear();
    WriteFileBytes(Path(), OldBytes);
    WriteFileBytes(victim, {'v'});
    plant(c.planted);

    SaveRanking(Files, Path(), Table, nullptr, c.locked);

    EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(Path())));
    EXPECT_EQ(ReadFileBytes(victim), std::vector<std::uint8_t>{'v'});
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(nowhere)));
    // Directories are never removed, nor anything in them.
    int directories = 0;
    for (const std::string& name : DirectoryEntries(Dir.Path())) {
      const std::string path = Dir.File(name);
      if (name.rfind("fdata.dat.tmp", 0) != 0) continue;
      if (std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
        ++directories;
        EXPECT_EQ(ReadFileBytes(path + "/inside"), std::vector<std::uint8_t>{1});
      } else {
        EXPECT_FALSE(c.locked) << name << " is left";
      }
    }
    EXPECT_EQ(directories, (c.planted + 1 + 3) / 5);
  }
  clear();
}

// A save killed midway leaves its temporary file; the next save under the lock removes it, and
// only names of its own pattern.
TEST_F(SaveRankingTest, NextSaveUnderTheLockRemovesWhatAKilledSaveLeft) {
  FaultyFileSystem killed;
  killed.CrashAt = 2;  // at the write, right after the temporary file was created
  ASSERT_NO_THROW(SaveRanking(Files, Path(), Table));
  WriteFileBytes(Path(), OldBytes);
  EXPECT_THROW(SaveRanking(killed, Path(), Table), SimulatedCrash);
  ASSERT_EQ(killed.Log[1], "open");
  const std::vector<std::string> others = {"fdata.dat.tmp.x", "fdata.dat.tmp.1234",
                                           "fdata.dat.tmpfile", "fdata.dat.lock",
                                           "other.dat.tmp.0"};
  for (const std::string& name : others) WriteFileBytes(Dir.File(name), {7});
  std::vector<std::string> before = DirectoryEntries(Dir.Path());
  EXPECT_NE(std::find(before.begin(), before.end(), "fdata.dat.tmp.0"), before.end());

  SaveRanking(Files, Path(), Table, nullptr, /*holdsLock=*/true);
  EXPECT_EQ(ReadFileBytes(Path()), NewBytes);
  std::vector<std::string> want = others;
  want.push_back("fdata.dat");
  std::sort(want.begin(), want.end());
  EXPECT_EQ(DirectoryEntries(Dir.Path()), want);
}

// Under a file-size limit the write fails with EFBIG rather than killing the game with
// SIGXFSZ: the save reports it with its number, keeps the old file and removes its temporary.
// Run in a child, whose limit and signal disposition stay its own.
TEST_F(SaveRankingTest, FileSizeLimitIsAnIoErrorNotADeath) {
  for (rlim_t limit : {rlim_t{0}, rlim_t{100}}) {
    SCOPED_TRACE(limit);
    WriteFileBytes(Path(), OldBytes);
    const ChildReport child = RunInChild([&] {
      PrepareProcessForFiles();
      const rlimit fsize{limit, limit};
      setrlimit(RLIMIT_FSIZE, &fsize);
      PosixFileSystem files;
      std::string report = "saved";
      try {
        SaveRanking(files, Path(), Table);
      } catch (const EInOutError& error) {
        report = std::to_string(error.ErrorCode) + " " + error.what();
      }
      return report;
    });
    ASSERT_TRUE(child.Exited) << "killed by signal " << child.Signal;
    EXPECT_EQ(child.Text, "27 I/O エラー (27)");
    EXPECT_EQ(ReadFileBytes(Path()), OldBytes);
    EXPECT_EQ(DirectoryEntries(Dir.Path()), std::vector<std::string>{"fdata.dat"});
  }
}

// --- The lock and the re-read ---

TEST_F(SaveRankingTest, ReReadsOnlyAFileSavedElsewhereSinceItWasLastSeen) {
  RankingTable mine;
  RecordFileStamp stamp;
  LoadRanking(Files, Path(), mine, &stamp);
  ExpectSameTable(mine, Numbered());

  // Unchanged: the table in memory stands, even where it differs from the file (an entry
  // whose save failed).
  RankingTable kept = mine;
  InsertRank(kept, 1, 7, 20);
  EXPECT_FALSE(RefreshRanking(Files, Path(), kept, stamp));
  EXPECT_EQ(kept.RankTimes[1], 7);

  // Another game's save replaces the file: it is read again.
  RankingTable theirs = Numbered();
  InsertRank(theirs, 2, 33, 20);
  SaveRanking(Files, Path(), theirs);
  EXPECT_TRUE(RefreshRanking(Files, Path(), kept, stamp));
  ExpectSameTable(kept, theirs);

  // This game's own save is remembered, so the next round does not read it again.
  InsertRank(kept, 1, 9, 20);
  SaveRanking(Files, Path(), kept, &stamp);
  EXPECT_FALSE(RefreshRanking(Files, Path(), kept, stamp));

  // A file that can no longer be read whole leaves the table alone.
  WriteFileBytes(Path(), std::vector<std::uint8_t>(100, 0));
  const RankingTable before = kept;
  EXPECT_FALSE(RefreshRanking(Files, Path(), kept, stamp));
  ExpectSameTable(kept, before);
}

TEST_F(SaveRankingTest, LockIsHeldBesideTheFileAndWaitedForAtMostItsTime) {
  {
    RankingLock first(Files, Path());
    EXPECT_TRUE(first.Held());
    // A second holder (another game: another open file description) waits, then goes on.
    PosixFileSystem other;
    RankingLock second(other, Path(), 200);
    EXPECT_FALSE(second.Held());
  }
  RankingLock again(Files, Path(), 0);
  EXPECT_TRUE(again.Held()) << "released with its holder";
  EXPECT_TRUE(std::filesystem::is_regular_file(Dir.File("fdata.dat.lock")));

  // Beside the target when the file is a link, so games reaching it by any name share it.
  std::filesystem::create_directory(Dir.File("store"));
  std::filesystem::create_symlink("store/ranking.dat", Dir.File("linked.dat"));
  RankingLock linked(Files, Dir.File("linked.dat"));
  EXPECT_TRUE(linked.Held());
  EXPECT_TRUE(std::filesystem::exists(Dir.File("store/ranking.dat.lock")));
}

// --- The same file in memory ---

// The ranking's load, save, lock and re-read over the in-memory file system: the same
// operations as on disk, and the same guarantees through every failure and crash.
struct RankingInMemoryTest : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(Memory.Put(Path(), OldBytes));
    InsertRank(Table, 1, 105, 3);
    NewBytes = RecordFileOf(Table);
  }
  static std::string Path() { return "/game/fdata.dat"; }
  std::vector<std::uint8_t> File() const {
    const std::vector<std::uint8_t>* bytes = Memory.Contents(Path());
    return bytes != nullptr ? *bytes : std::vector<std::uint8_t>{};
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    EXPECT_EQ(Memory.ListDirectory("/game", names), 0);
    return names;
  }

  MemoryFileSystem Memory;
  RankingTable Table = Numbered();
  const std::vector<std::uint8_t> OldBytes = RecordFileOf(Numbered());
  std::vector<std::uint8_t> NewBytes;
};

TEST_F(RankingInMemoryTest, MakesTheSameOperationsAsOnDisk) {
  TempDir dir;
  WriteFileBytes(dir.File("fdata.dat"), OldBytes);
  WriteFileBytes(dir.File("fdata.dat.tmp.0"), {1});  // a killed save's
  ASSERT_TRUE(Memory.Put(Path() + ".tmp.0", {1}));
  const auto run = [&](FileSystem& inner, const std::string& path) {
    FaultyFileSystem files(inner);
    RankingTable table;
    RecordFileStamp stamp;
    LoadRanking(files, path, table, &stamp);
    EXPECT_FALSE(RefreshRanking(files, path, table, stamp));
    {
      RankingLock lock(files, path, 0);
      EXPECT_TRUE(lock.Held());
      SaveRanking(files, path, Table, &stamp, lock.Held());
    }
    EXPECT_FALSE(RefreshRanking(files, path, table, stamp));
    return files.Log;
  };
  PosixFileSystem posix;
  const std::vector<std::string> onDisk = run(posix, dir.File("fdata.dat"));
  for (const char* op : {"read", "lock", "list", "unlink", "write", "fchmod", "rename"}) {
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), op), onDisk.end()) << op;
  }
  EXPECT_EQ(run(Memory, Path()), onDisk);
  EXPECT_EQ(File(), NewBytes);
  EXPECT_EQ(ReadFileBytes(dir.File("fdata.dat")), NewBytes);
  EXPECT_EQ(Names(), (std::vector<std::string>{"fdata.dat", "fdata.dat.lock"}));
}

TEST_F(RankingInMemoryTest, FailureOrCrashAtAnyStepKeepsACompleteFile) {
  FaultyFileSystem clean(Memory);
  SaveRanking(clean, Path(), Table);
  const std::vector<std::string> steps = clean.Log;
  const int rename = RenameStep(steps);
  for (int k = 0; k < static_cast<int>(steps.size()); ++k) {
    for (const bool crash : {false, true}) {
      SCOPED_TRACE(::testing::Message()
                   << (crash ? "crash" : "failure") << " at " << k << " (" << steps[k] << ")");
      ASSERT_TRUE(Memory.Put(Path(), OldBytes));
      FaultyFileSystem failing(Memory);
      if (crash) {
        failing.CrashAt = k;
        EXPECT_THROW(SaveRanking(failing, Path(), Table), SimulatedCrash);
      } else if (k <= rename) {
        failing.FailAt = k;
        failing.FailWith = FileError::NoSpace;
        EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(failing, Path(), Table); }, 101,
                                     "ディスクがいっぱいです"));
      } else {
        failing.FailAt = k;
        EXPECT_NO_THROW(SaveRanking(failing, Path(), Table));
      }
      EXPECT_EQ(File(), k <= rename ? OldBytes : NewBytes);
      if (!crash) {
        EXPECT_EQ(Names(), std::vector<std::string>{"fdata.dat"});
      }
      // The next save under the lock clears what a killed one left.
      SaveRanking(Memory, Path(), Table, nullptr, /*holdsLock=*/true);
      EXPECT_EQ(File(), NewBytes);
      EXPECT_EQ(Names(), std::vector<std::string>{"fdata.dat"});
    }
  }
}

// A disk that fills up in the middle of the write: the part written goes, the old file stays.
TEST_F(RankingInMemoryTest, AFullDiskIsTheDiskFullTextAndKeepsTheOldFile) {
  for (std::uint64_t room : {0, 1, 100, 159}) {
    SCOPED_TRACE(room);
    Memory.SetCapacity(kRecordFileSize + room);
    EXPECT_TRUE(ThrowsInOutError([&] { SaveRanking(Memory, Path(), Table); }, 101,
                                 "ディスクがいっぱいです"));
    EXPECT_EQ(File(), OldBytes);
    EXPECT_EQ(Names(), std::vector<std::string>{"fdata.dat"});
  }
  Memory.SetCapacity(2 * kRecordFileSize);
  SaveRanking(Memory, Path(), Table);
  EXPECT_EQ(File(), NewBytes);
}

TEST_F(RankingInMemoryTest, LinksAreWrittenThroughAndWhatIsProtectedOrNoFileIsRefused) {
  // Through a chain of links into another folder, keeping the target's bits.
  ASSERT_TRUE(Memory.Put("/store/ranking.dat", OldBytes, 0640));
  ASSERT_TRUE(Memory.Remove(Path()));
  ASSERT_TRUE(Memory.PutLink("/game/middle", "../store/ranking.dat"));
  ASSERT_TRUE(Memory.PutLink(Path(), "middle"));
  SaveRanking(Memory, Path(), Table);
  EXPECT_EQ(*Memory.Contents("/store/ranking.dat"), NewBytes);
  FileInfo info;
  ASSERT_EQ(Memory.Stat(Path(), info, false), 0);
  EXPECT_EQ(info.Type, FileInfo::Kind::SymbolicLink);
  ASSERT_EQ(Memory.Stat("/store/ranking.dat", info, false), 0);
  EXPECT_EQ(info.Mode, 0640u);
  std::vector<std::string> names;
  ASSERT_EQ(Memory.ListDirectory("/store", names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"ranking.dat"});

  struct Case {
    const char* name;
    std::function<void(MemoryFileSystem&)> arrange;
    int code;
    const char* text;
  } const cases[] = {
      {"no write bit", [](MemoryFileSystem& m) { m.Put("/other/a.dat", {1}, 0444); }, 5,
       "ファイルへのアクセスが拒否されました"},
      {"a directory", [](MemoryFileSystem& m) { m.MakeDirectory("/other/a.dat"); }, 5,
       "ファイルへのアクセスが拒否されました"},
      {"a link to a directory",
       [](MemoryFileSystem& m) {
         m.MakeDirectory("/other/d");
         m.PutLink("/other/a.dat", "d");
       },
       5, "ファイルへのアクセスが拒否されました"},
      {"a loop of links", [](MemoryFileSystem& m) { m.PutLink("/other/a.dat", "a.dat"); }, 3,
       "不正なファイル名です"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    ASSERT_EQ(files.MakeDirectory("/other"), 0);
    c.arrange(files);
    std::vector<std::string> before;
    files.ListDirectory("/other", before);
    EXPECT_TRUE(
        ThrowsInOutError([&] { SaveRanking(files, "/other/a.dat", Table); }, c.code, c.text));
    std::vector<std::string> after;
    files.ListDirectory("/other", after);
    EXPECT_EQ(after, before);
  }
}

TEST_F(RankingInMemoryTest, ASaveElsewhereIsReadAgainAndALockHeldElsewhereIsNotHeld) {
  RankingTable mine;
  RecordFileStamp stamp;
  LoadRanking(Memory, Path(), mine, &stamp);
  EXPECT_FALSE(RefreshRanking(Memory, Path(), mine, stamp));
  SaveRanking(Memory, Path(), Table);  // as another game would
  EXPECT_TRUE(RefreshRanking(Memory, Path(), mine, stamp));
  ExpectSameTable(mine, Table);
  EXPECT_FALSE(RefreshRanking(Memory, Path(), mine, stamp));

  RankingLock first(Memory, Path(), 1000);
  EXPECT_TRUE(first.Held());
  RankingLock second(Memory, Path(), 1000);
  EXPECT_FALSE(second.Held());
}

}  // namespace
}  // namespace enclova::testing
