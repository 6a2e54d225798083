// SPDX-License-Identifier: MIT
// The ranking file's load and save on any file contents, with reads and writes split anywhere,
// and any one file operation failing or the process stopping dead at it. Whatever happens, the
// file holds its old bytes or the new table whole, a save that reports success left exactly
// the new table, and a table in order stays in order when a round is entered.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/errors.h"
#include "ranking/ranking_table.h"
#include "tests/kit/game.h"
#include "tests/kit/records.h"

namespace {

using namespace enclova;
using enclova::testing::FaultyFileSystem;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 8;
  if (size < kHeader || size > kHeader + 400) return 0;
  static const enclova::testing::TempDir dir;
  const std::string path = dir.File("fdata.dat");
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    std::filesystem::remove_all(entry.path());
  }
  const std::vector<std::uint8_t> contents(data + kHeader, data + size);
  enclova::testing::WriteFileBytes(path, contents);

  // The load, its reads split into pieces of 1 to 256 bytes.
  // The disk is not what is tested here: fsync would only make every run slow.
  FaultyFileSystem loading;
  loading.ShortReadBytes = data[0] + 1;
  RankingTable table;
  RecordFileStamp stamp;
  bool loaded = true;
  try {
    LoadRanking(loading, path, table, &stamp);
  } catch (const EInOutError& error) {
    loaded = false;
    Check(error.ErrorCode == kErrReadPastEnd && contents.size() < kRecordFileSize);
  }
  if (loaded) {
    Check(contents.size() >= kRecordFileSize);
    RankingTable direct;
    DecodeRecordFile(contents.data(), kRecordFileSize, direct);
    Check(enclova::testing::RecordFileOf(direct) == enclova::testing::RecordFileOf(table));
  }

  // A round entered where it ranks keeps an ordered table ordered.
  const bool wasOrdered = enclova::testing::RankingIsOrdered(table);
  const std::int32_t level = data[1] % 12 - 1;
  const std::int32_t time = (data[2] | data[3] << 8) % 1000;
  const int rank = RankOf(table, level, time);
  Check(rank >= 1 && rank <= kNoRank);
  if (rank < kNoRank) InsertRank(table, rank, time, level);
  Check(!wasOrdered || enclova::testing::RankingIsOrdered(table));
  const std::vector<std::uint8_t> fresh = enclova::testing::RecordFileOf(table);

  // The save, its writes split, one operation failing or stopping the process.
  FaultyFileSystem saving;
  saving.SkipSync = true;
  saving.ShortWriteBytes = data[4] % 4 == 0 ? -1 : data[4] % 161;
  const int step = data[5] % 24;
  if (data[6] & 1) {
    saving.CrashAt = step;
  } else if (data[6] & 2) {
    saving.FailAt = step;
    const FileError errors[] = {
        FileError::Io,       FileError::NoSpace, FileError::FileTooLarge, FileError::AccessDenied,
        FileError::ReadOnly, FileError::Exists,  FileError::Interrupted,  FileError::NotFound};
    saving.FailWith = errors[data[7] % 8];
  }
  bool saved = false;
  try {
    SaveRanking(saving, path, table, &stamp, (data[6] & 4) != 0);
    saved = true;
  } catch (const EInOutError&) {
  } catch (const enclova::testing::SimulatedCrash&) {
  }
  const std::vector<std::uint8_t> after = enclova::testing::ReadFileBytes(path);
  Check(after == contents || after == fresh);
  if (saved) Check(after == fresh);

  // Whatever the last save left, the next one under the lock leaves the file and nothing else.
  FaultyFileSystem next;
  next.SkipSync = true;
  SaveRanking(next, path, table, &stamp, true);
  Check(enclova::testing::ReadFileBytes(path) == fresh);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  Check(entries == 1);
  RankingTable reread;
  LoadRanking(next, path, reread);
  Check(enclova::testing::RecordFileOf(reread) == fresh);
  return 0;
}
