// SPDX-License-Identifier: MIT
// The round result: its timing, the verdict panel to the pixel, the ranking entry and its save
// (and a save that fails), and the way out to the ranking screen or the title.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/screen_layout.h"
#include "ranking/ranking_table.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"
#include "tests/kit/records.h"

namespace enclova::testing {
namespace {

constexpr TColor kBoard = 0x00A0B0C0;  // stands for the judged board left on the window

// Entries in order: entry i at level 10 with time 10 * i.
RankingTable LevelTenTable() {
  RankingTable table;
  for (int i = 1; i <= kRankingEntries; ++i) {
    table.RankLevels[i] = 10;
    table.RankTimes[i] = 10 * i;
  }
  return table;
}

RankingTable FilledEmpty() {
  return Filled(-1, 0);
}

std::int32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>(
      std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
      std::uint32_t{bytes[offset + 2]} << 16 | std::uint32_t{bytes[offset + 3]} << 24);
}

// A headless game whose loop has just been closed and judged.
struct JudgedRound {
  // `sharedDirectory`: play in another game's directory, on its files.
  explicit JudgedRound(std::vector<std::uint8_t> recordFile = RecordFileOf(LevelTenTable()),
                       std::string sharedDirectory = "")
      : Game(Options(std::move(recordFile), std::move(sharedDirectory))) {
    Form.Canvas.Face = &Face;
  }

  static GameHarness::Options Options(std::vector<std::uint8_t> recordFile,
                                      std::string sharedDirectory) {
    GameHarness::Options options;
    options.RecordFile = std::move(recordFile);
    options.SharedDirectory = std::move(sharedDirectory);
    return options;
  }

  // What the judging leaves behind for the result.
  void Judge(int missed, int level, int minutes, int tens, int units) {
    Form.GameMode = ModeResult;
    Form.PlayPhase = PhaseRunning;
    Form.ResultStage = 0;
    Form.Missed = missed;
    Form.Level = level;
    Form.ClockMinutes = minutes;
    Form.ClockTens = tens;
    Form.ClockUnits = units;
    Form.TimeScore = minutes * 100 + tens * 10 + units;
    Form.Canvas.Font = {48, kCountdownTextColor};  // as the countdown left it
    Form.Canvas.CopyMode = SRCAND;                 // as the judging left it
    Form.Canvas.Pen.Color = 0x00010203;
    Form.Canvas.Brush.Color = 0x00040506;
    Form.Canvas.Fill(kBoard);
    Face.Texts.clear();
    Face.Heights.clear();
  }

  // The first result tick, then one that shows the panel.
  void ShowPanel() {
    Game.Tick();
    Game.Clock.Advance(2501);
    Game.Tick();
  }

  void Finish() {
    Game.Clock.Advance(5000);
    Game.Tick();
  }

  std::vector<std::uint8_t> RecordFile() const { return ReadFileBytes(Game.Dir.File("fdata.dat")); }

  GameHarness Game;
  TForm1& Form = Game.Form;
  RecordingTypeface Face;
};

TEST(ResultTiming, PanelAfterMoreThan2500msAndScreenChangeAfterMoreThan7500ms) {
  // The millisecond count may wrap, or cross the sign of a 32-bit number, during the result.
  for (std::uint32_t start : {1'000'000u, 0xFFFFF000u, 0x7FFFF000u}) {
    SCOPED_TRACE(::testing::Message() << "clock starts at " << start);
    JudgedRound round;
    round.Judge(0, 3, 1, 0, 5);
    round.Game.Clock.Local = start;
    round.Game.Tick();
    EXPECT_EQ(round.Form.ResultStage, 1);
    EXPECT_EQ(round.Form.ReferenceTime, static_cast<std::int32_t>(start));

    round.Game.Clock.Advance(2500);
    round.Game.Tick();
    EXPECT_EQ(round.Form.ElapsedTime, 2500);
    EXPECT_EQ(round.Form.ResultStage, 1);
    EXPECT_TRUE(round.Face.Texts.empty());
    EXPECT_EQ(round.Form.Canvas.GetPixel(kClockAreaLeft, kClockAreaTop), kBoard);

    round.Game.Clock.Advance(1);
    round.Game.Tick();
    EXPECT_EQ(round.Form.ElapsedTime, 2501);
    EXPECT_EQ(round.Form.ResultStage, 2);
    EXPECT_EQ(round.Form.Canvas.GetPixel(kClockAreaLeft, kClockAreaTop), clBlack);

    round.Game.Clock.Advance(4999);
    round.Game.Tick();
    EXPECT_EQ(round.Form.ElapsedTime, 7500);
    EXPECT_EQ(round.Form.GameMode, ModeResult);

    round.Game.Clock.Advance(1);
    round.Game.Tick();
    EXPECT_EQ(round.Form.ElapsedTime, 7501);
    EXPECT_EQ(round.Form.GameMode, ModeRanking);
    EXPECT_TRUE(round.Game.Host.Errors.empty());
  }
}

TEST(ResultTiming, LateTickPassesBothStagesAtOnce) {
  for (int missed : {0, 1}) {
    SCOPED_TRACE(missed);
    JudgedRound round;
    round.Judge(missed, 3, 1, 0, 5);
    round.Game.Tick();
    round.Game.Clock.Advance(9000);
    round.Game.Tick();
    EXPECT_EQ(round.Form.ResultStage, 2);
    EXPECT_EQ(round.Form.GameMode, missed == 0 ? ModeRanking : ModeTitle);
    ASSERT_FALSE(round.Face.Texts.empty());
    EXPECT_EQ(round.Face.Texts[0], missed == 0 ? "Ｇｏｏｄ!" : "Ｍｉｓｓ!");
  }
}

TEST(ResultPanel, CoversTheClockToThePixel) {
  struct Case {
    int missed;
    const char* verdict;
    const char* rankLine;  // none for a missed round
  } const cases[] = {
      {0, "Ｇｏｏｄ!", "Rank in 1st"},
      {1, "Ｍｉｓｓ!", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.verdict);
    JudgedRound round(EmptyRecordFile());
    round.Judge(c.missed, 3, 1, 2, 3);
    round.ShowPanel();

    Picture expected(kClientWidth, kClientHeight, kBoard);
    expected.Fill(kClockAreaLeft, kClockAreaTop, kClockAreaRight, kClockAreaBottom, clBlack);
    expected.Text(kVerdictX, kVerdictY, c.verdict, 48, kCountdownTextColor, clBlack);
    expected.Text(kResultTextX, kResultTimeY, "Time : 1' 23\"", 16, kCountdownTextColor, clBlack);
    if (c.rankLine != nullptr) {
      expected.Text(kResultTextX, kResultRankY, c.rankLine, 16, kCountdownTextColor, clBlack);
    }
    EXPECT_TRUE(SamePicture(round.Form.Canvas, expected));

    EXPECT_EQ(round.Form.Canvas.Pen.Color, clBlack);
    EXPECT_EQ(round.Form.Canvas.Brush.Color, clBlack);
    EXPECT_EQ(round.Form.Canvas.Font.Height, 16);
    EXPECT_EQ(round.Form.Canvas.Font.Color, kCountdownTextColor);
  }
}

TEST(ResultPanel, WritesVerdictTimeAndRank) {
  struct Case {
    const char* name;
    RankingTable table;
    int missed, level, minutes, tens, units;
    std::vector<std::string> texts;
  } const cases[] = {
      // clang-format off
      {"good, first", LevelTenTable(), 0, 10, 0, 0, 5,
       {"Ｇｏｏｄ!", "Time : 0' 05\"", "Rank in 1st"}},
      {"good, 1'23\"", Filled(1, 0), 0, 2, 1, 2, 3,
       {"Ｇｏｏｄ!", "Time : 1' 23\"", "Rank in 1st"}},
      {"good, 0'09\"", LevelTenTable(), 0, 10, 0, 0, 9,
       {"Ｇｏｏｄ!", "Time : 0' 09\"", "Rank in 1st"}},
      {"959 on level 1 beats empty entries", FilledEmpty(), 0, 1, 9, 5, 9,
       {"Ｇｏｏｄ!", "Time : 9' 59\"", "Rank in 1st"}},
      {"good without a place", LevelTenTable(), 0, 9, 0, 0, 1,
       {"Ｇｏｏｄ!", "Time : 0' 01\""}},
      {"missed", FilledEmpty(), 1, 10, 1, 2, 3,
       {"Ｍｉｓｓ!", "Time : 1' 23\""}},
      {"missed, would have ranked", LevelTenTable(), 1, 10, 0, 0, 0,
       {"Ｍｉｓｓ!", "Time : 0' 00\""}},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JudgedRound round(RecordFileOf(c.table));
    round.Judge(c.missed, c.level, c.minutes, c.tens, c.units);
    round.ShowPanel();
    EXPECT_EQ(round.Face.Texts, c.texts);
    std::vector<int> heights(c.texts.size(), 16);
    heights[0] = 48;
    EXPECT_EQ(round.Face.Heights, heights);
  }
}

TEST(ResultRank, OrdinalTableEntryAndFileFollowThePlace) {
  struct Case {
    int rank;
    const char* line;
  } const cases[] = {
      {1, "Rank in 1st"},   {2, "Rank in 2nd"},   {3, "Rank in 3rd"},   {4, "Rank in 4th"},
      {11, "Rank in 11th"}, {12, "Rank in 12th"}, {13, "Rank in 13th"}, {20, "Rank in 20th"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rank);
    JudgedRound round;
    // Level 10 in 10 * rank seconds ties entry `rank` and takes its place above it.
    const int time = 10 * c.rank;
    round.Judge(0, 10, time / 100, time / 10 % 10, time % 10);
    round.ShowPanel();
    ASSERT_EQ(round.Face.Texts.size(), 3u);
    EXPECT_EQ(round.Face.Texts[2], c.line);
    EXPECT_EQ(round.Form.LastRank, c.rank);

    RankingTable expected = LevelTenTable();
    for (int i = 20; i > c.rank; --i) expected.RankTimes[i] = expected.RankTimes[i - 1];
    for (int i = 1; i <= 20; ++i) {
      EXPECT_EQ(round.Form.Ranking.RankLevels[i], 10) << i;
      EXPECT_EQ(round.Form.Ranking.RankTimes[i], expected.RankTimes[i]) << i;
    }
    EXPECT_EQ(round.RecordFile(), RecordFileOf(expected));
  }
}

TEST(ResultRank, FirstPlaceIsSavedWithTheOldEntriesMovedDown) {
  // Twenty empty entries, told apart by their times 1..20.
  std::vector<std::uint8_t> file = EmptyRecordFile();
  for (std::size_t i = 0; i < 20; ++i) file[4 * i] = static_cast<std::uint8_t>(i + 1);
  JudgedRound round(file);
  round.Judge(0, 3, 1, 0, 5);
  round.ShowPanel();

  const std::vector<std::uint8_t> saved = round.RecordFile();
  ASSERT_EQ(saved.size(), 160u);
  EXPECT_EQ(LittleEndianAt(saved, 0), 105);
  EXPECT_EQ(LittleEndianAt(saved, 80), 3);
  for (std::size_t i = 2; i <= 20; ++i) {
    EXPECT_EQ(LittleEndianAt(saved, 4 * (i - 1)), static_cast<std::int32_t>(i - 1)) << i;
    EXPECT_EQ(LittleEndianAt(saved, 80 + 4 * (i - 1)), -1) << i;
  }
  EXPECT_EQ(round.Form.Ranking.RankTimes[1], 105);
  EXPECT_EQ(round.Form.Ranking.RankLevels[1], 3);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(round.Game.Dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  // The lock that keeps two games' saves apart stays beside the file; nothing else is left.
  EXPECT_EQ(names, (std::vector<std::string>{"fdata.dat", "fdata.dat.lock", "fgra.bmp"}));
}

TEST(ResultRank, RoundsWithoutAPlaceTouchNoFile) {
  struct Case {
    const char* name;
    int missed;
    int level;
  } const cases[] = {
      {"good, every entry better", 0, 9},
      {"missed, would have ranked first", 1, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JudgedRound round;
    round.Form.LastRank = 5;  // from an earlier round
    const std::vector<std::uint8_t> before = round.RecordFile();
    const int operations = round.Game.Files.Operations;
    round.Judge(c.missed, c.level, 0, 0, 1);
    round.ShowPanel();
    round.Finish();
    EXPECT_EQ(round.Form.LastRank, kNoRank);
    EXPECT_EQ(round.Game.Files.Operations, operations);
    EXPECT_EQ(round.RecordFile(), before);
    for (int i = 1; i <= 20; ++i) {
      EXPECT_EQ(round.Form.Ranking.RankLevels[i], 10) << i;
      EXPECT_EQ(round.Form.Ranking.RankTimes[i], 10 * i) << i;
    }
  }
}

TEST(ResultEnd, GoodRoundOpensTheRankingWithItsRowHighlighted) {
  for (int rank : {3, kNoRank}) {
    SCOPED_TRACE(rank);
    JudgedRound round;
    if (rank == 3) {
      round.Judge(0, 10, 0, 3, 0);
    } else {
      round.Judge(0, 9, 0, 3, 0);
    }
    round.ShowPanel();
    round.Finish();
    EXPECT_EQ(round.Form.GameMode, ModeRanking);
    EXPECT_EQ(round.Form.Canvas.CopyMode, SRCCOPY);
    for (int i = 1; i <= 20; ++i) {
      EXPECT_EQ(round.Form.Canvas.GetPixel(124, 17 * i + 7), i == rank ? kRed : kOlive) << i;
    }
    // Nothing of the panel is left: the screen is the ranking, drawn whole.
    const Surface shown = round.Form.Canvas;
    round.Form.Canvas.Fill(kBoard);
    round.Form.DrawRanking(rank);
    EXPECT_TRUE(SamePicture(shown, round.Form.Canvas));
  }
}

TEST(ResultEnd, MissedRoundReturnsToTheTitleOfItsLevel) {
  JudgedRound round;
  round.Judge(1, 7, 0, 4, 2);
  round.ShowPanel();
  round.Finish();
  EXPECT_EQ(round.Form.GameMode, ModeTitle);
  EXPECT_EQ(round.Form.PlayPhase, PhaseRunning);
  EXPECT_EQ(round.Form.Level, 7);
  EXPECT_EQ(round.Form.Canvas.CopyMode, SRCCOPY);

  // Copied, not ANDed over the black panel.
  Picture expected(kClientWidth, kClientHeight, clWhite);
  expected.Copy(0, 0, round.Form.TitleImage);
  expected.Copy(kLevelSpriteX, kLevelSpriteY, round.Form.LevelSprites[7]);
  EXPECT_TRUE(SamePicture(round.Form.Canvas, expected));
  EXPECT_NE(expected.At(500, 200), clBlack);
}

TEST(ResultSave, FailureIsShownAndTheResultGoesOn) {
  struct Case {
    const char* name;
    const char* step;  // the file operation that fails, counted from the result's first ...
    int occurrence;    // ... by its name: 0 for the first of that name
    FileError error;
    bool protect;  // the ranking file without write bits
    long shortWrite;
    const char* text;
  } const cases[] = {
      {"temporary file refused", "open", 1, FileError::AccessDenied, false, -1,
       "ファイルへのアクセスが拒否されました."},
      {"disk full at write", "write", 0, FileError::NoSpace, false, -1, "ディスクがいっぱいです."},
      {"file-size limit at write", "write", 0, FileError::FileTooLarge, false, -1,
       "I/O エラー (27)"},
      {"rename fails", "rename", 0, FileError::CrossDevice, false, -1, "I/O エラー (18)"},
      {"file without write bits", nullptr, 0, FileError::Io, true, -1,
       "ファイルへのアクセスが拒否されました."},
      {"nothing written", nullptr, 0, FileError::Io, false, 0, "ディスクがいっぱいです."},
  };
  // The operations of a result that saves, as a clean run makes them.
  std::vector<std::string> clean;
  {
    JudgedRound round;
    const int before = round.Game.Files.Operations;
    round.Judge(0, 10, 0, 0, 5);
    round.ShowPanel();
    ASSERT_TRUE(round.Game.Host.Errors.empty());
    clean.assign(round.Game.Files.Log.begin() + before, round.Game.Files.Log.end());
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JudgedRound round;
    const std::vector<std::uint8_t> before = round.RecordFile();
    if (c.step != nullptr) {
      int seen = 0;
      int at = -1;
      for (std::size_t i = 0; i < clean.size() && at < 0; ++i) {
        if (clean[i] == c.step && seen++ == c.occurrence) at = static_cast<int>(i);
      }
      ASSERT_GE(at, 0);
      round.Game.Files.FailAt = round.Game.Files.Operations + at;
      round.Game.Files.FailWith = c.error;
    }
    if (c.protect)
      std::filesystem::permissions(round.Game.Dir.File("fdata.dat"),
                                   std::filesystem::perms::owner_read);
    round.Game.Files.ShortWriteBytes = c.shortWrite;

    round.Judge(0, 10, 0, 0, 5);
    round.ShowPanel();
    ASSERT_EQ(round.Game.Host.Errors.size(), 1u);
    EXPECT_EQ(round.Game.Host.Errors[0].first, "enclova");
    EXPECT_EQ(round.Game.Host.Errors[0].second, c.text);
    // Everything before the save was done, and the table keeps the new entry.
    EXPECT_EQ(round.Face.Texts.back(), "Rank in 1st");
    EXPECT_EQ(round.Form.LastRank, 1);
    EXPECT_EQ(round.Form.Ranking.RankTimes[1], 5);
    EXPECT_EQ(round.Form.Ranking.RankTimes[2], 10);
    EXPECT_EQ(round.RecordFile(), before);
    for (const auto& entry : std::filesystem::directory_iterator(round.Game.Dir.Path())) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }

    round.Finish();
    EXPECT_EQ(round.Form.GameMode, ModeRanking);
    EXPECT_EQ(round.Form.Canvas.GetPixel(124, 17 * 1 + 7), kRed);
    EXPECT_EQ(round.Game.Host.Errors.size(), 1u);
  }
}

// Two copies of the game in one directory, each started before the other saved: each ranked
// round re-reads what the other saved, so every record is kept and every rank shown is the
// place the round holds in the file.
TEST(TwoGames, EachRankedRoundKeepsTheOtherGamesRecords) {
  JudgedRound a(RecordFileOf(FilledEmpty()));
  JudgedRound b(RecordFileOf(FilledEmpty()), a.Game.Dir.Path());
  ASSERT_TRUE(a.Game.Host.Errors.empty());
  ASSERT_TRUE(b.Game.Host.Errors.empty());
  struct Round {
    JudgedRound* game;
    int level;
    int seconds;
    const char* rankLine;
  } const rounds[] = {
      {&a, 3, 2, "Rank in 1st"}, {&b, 3, 5, "Rank in 2nd"},  // b's table in memory still says 1st
      {&a, 3, 4, "Rank in 2nd"}, {&b, 2, 1, "Rank in 4th"},
      {&b, 4, 9, "Rank in 1st"},  // b's own save: nothing to re-read
      {&a, 3, 3, "Rank in 3rd"},
  };
  for (const Round& r : rounds) {
    SCOPED_TRACE(r.rankLine);
    r.game->Judge(0, r.level, 0, r.seconds / 10, r.seconds % 10);
    r.game->ShowPanel();
    ASSERT_EQ(r.game->Face.Texts.size(), 3u);
    EXPECT_EQ(r.game->Face.Texts[2], r.rankLine);
    r.game->Finish();
    // The table in memory is the file, in order.
    EXPECT_EQ(RecordFileOf(r.game->Form.Ranking), a.RecordFile());
  }
  const std::vector<std::pair<int, int>> want = {{4, 9}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {2, 1}};
  const std::vector<std::uint8_t> file = a.RecordFile();
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(LittleEndianAt(file, 80 + 4 * i), want[i].first) << i;
    EXPECT_EQ(LittleEndianAt(file, 4 * i), want[i].second) << i;
  }
  EXPECT_EQ(LittleEndianAt(file, 80 + 4 * want.size()), -1);
  EXPECT_TRUE(a.Game.Host.Errors.empty());
  EXPECT_TRUE(b.Game.Host.Errors.empty());
}

// A lock that another game keeps longer than a second is no error: the round is ranked and
// saved as it would be without it.
TEST(TwoGames, ALockHeldElsewhereIsWaitedForASecondThenTheRoundGoesOn) {
  JudgedRound round;
  const int lock = open(round.Game.Dir.File("fdata.dat.lock").c_str(), O_RDONLY | O_CREAT, 0644);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  round.Judge(0, 10, 0, 0, 5);
  const auto start = std::chrono::steady_clock::now();
  round.ShowPanel();
  const auto waited = std::chrono::steady_clock::now() - start;
  close(lock);
  EXPECT_GE(waited, std::chrono::milliseconds(950));
  EXPECT_LT(waited, std::chrono::milliseconds(3000));
  EXPECT_TRUE(round.Game.Host.Errors.empty());
  EXPECT_EQ(round.Face.Texts.back(), "Rank in 1st");
  EXPECT_EQ(round.RecordFile(), RecordFileOf(round.Form.Ranking));
  EXPECT_EQ(round.Form.Ranking.RankTimes[1], 5);
}

}  // namespace
}  // namespace enclova::testing
