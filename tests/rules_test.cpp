// SPDX-License-Identifier: MIT
// The pure rules, alone: the closing clears on a bare lattice, the straight passages of a
// history, the stroke and erase scripts, and the clock's digits and time texts.
// None of these tests builds a game object.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "puzzle/step_rule.h"
#include "puzzle/steps.h"
#include "puzzle/strokes.h"
#include "ranking/clock_digits.h"

namespace enclova {
namespace {

TEST(StepRule, ClosingClearsTwelveEntriesAroundTheStartAndNothingElse) {
  PathLatticeArray lattice;
  for (auto& row : lattice) {
    for (auto& entry : row) entry = 7;
  }
  const int x = 3, y = 4;
  ClearAroundStart(lattice, x, y);
  const std::vector<std::pair<int, int>> cleared = {{-1, 0}, {1, 0},  {0, -1},  {0, 1},
                                                    {-2, 0}, {2, 0},  {0, -2},  {0, 2},
                                                    {-2, 1}, {2, -1}, {-1, -2}, {1, 2}};
  int zeros = 0;
  for (int i = kLatticeLow; i < kLatticeLow + kLatticeSide; ++i) {
    for (int j = kLatticeLow; j < kLatticeLow + kLatticeSide; ++j) {
      if (LatticeEntry(lattice, i, j) == 0) ++zeros;
    }
  }
  EXPECT_EQ(zeros, static_cast<int>(cleared.size()));
  for (const auto& [di, dj] : cleared) EXPECT_EQ(LatticeEntry(lattice, 2 * x + di, 2 * y + dj), 0);
  EXPECT_EQ(LatticeEntry(lattice, 2 * x, 2 * y), 7) << "the start vertex keeps its mark";
}

TEST(StepRule, FindsStraightPassagesOfAHistory) {
  // From (2, 2): right, right, down, down, left. Vertices reached: (3,2) (4,2) (4,3) (4,4) (3,4).
  const std::int32_t history[] = {0, CmdRight, CmdRight, CmdDown, CmdDown, CmdLeft};
  const int endX = 3, endY = 4;
  EXPECT_TRUE(PassesStraightThrough(history, 5, endX, endY, 3, 2));
  EXPECT_TRUE(PassesStraightThrough(history, 5, endX, endY, 4, 3));
  EXPECT_FALSE(PassesStraightThrough(history, 5, endX, endY, 4, 2)) << "a turn";
  EXPECT_FALSE(PassesStraightThrough(history, 5, endX, endY, 4, 4)) << "a turn";
  EXPECT_FALSE(PassesStraightThrough(history, 5, endX, endY, 3, 4)) << "the end";
  EXPECT_FALSE(PassesStraightThrough(history, 5, endX, endY, 2, 2)) << "the start";
  // Only steps up to lastStep count: without the last two, (4, 3) is the end.
  EXPECT_FALSE(PassesStraightThrough(history, 3, 4, 3, 4, 3));
}

std::string Script(const PenScript& s) {
  std::string out;
  for (const PenMove& m : s) {
    if (m.Op == PenMove::kWhitePenOnWindow) {
      out += "white ";
      continue;
    }
    out += (m.Op == PenMove::kMoveTo ? "M" : "L") + std::to_string(m.X) + "," +
           std::to_string(m.Y) + " ";
  }
  return out;
}

// The vertex reached is at pixel (100, 100) throughout.
TEST(Strokes, EveryScriptStopsThreePixelsShortOfTheVertexReached) {
  struct Case {
    const char* name;
    PenScript script;
    const char* want;
  };
  const Case cases[] = {
      {"first step right", FirstSegmentStroke(100, 100, CmdRight), "M87,100 L97,100 "},
      {"first step up", FirstSegmentStroke(100, 100, CmdUp), "M100,113 L100,103 "},
      {"straight on down", StepStroke(100, 100, CmdDown, CmdDown), "L100,97 "},
      {"turn right to down", StepStroke(100, 100, CmdRight, CmdDown), "L100,87 L100,97 "},
      {"turn up to left", StepStroke(100, 100, CmdUp, CmdLeft), "L113,100 L103,100 "},
      {"segment erase", SegmentErase(116, 100, 100, 100), "M116,100 L100,100 "},
      {"erase straight right", StepErase(100, 100, CmdRight, CmdRight),
       "M100,100 L86,100 L81,100 "},
      {"erase straight down", StepErase(100, 100, CmdDown, CmdDown), "M100,100 L100,82 M100,81 "},
      {"erase turn down after right", StepErase(100, 100, CmdDown, CmdRight),
       "M100,100 L100,82 M100,87 white L97,84 "},
      {"erase turn left after up", StepErase(100, 100, CmdLeft, CmdUp),
       "M100,100 L114,100 M113,100 white L116,103 "},
  };
  for (const Case& c : cases) EXPECT_EQ(Script(c.script), c.want) << c.name;
}

TEST(ClockDigits, SplitSecondsAndWriteTimes) {
  struct Case {
    std::int32_t second;
    ClockDigits digits;
    std::int32_t score;
  };
  for (const Case& c : {Case{0, {0, 0, 0}, 0}, Case{9, {0, 0, 9}, 9}, Case{59, {0, 5, 9}, 59},
                        Case{60, {1, 0, 0}, 100}, Case{83, {1, 2, 3}, 123},
                        Case{kLastShownSecond, {9, 5, 9}, 959}}) {
    const ClockDigits d = DigitsOfSecond(c.second);
    EXPECT_EQ(d.Minutes, c.digits.Minutes) << c.second;
    EXPECT_EQ(d.Tens, c.digits.Tens) << c.second;
    EXPECT_EQ(d.Units, c.digits.Units) << c.second;
    EXPECT_EQ(TimeScoreOf(d), c.score) << c.second;
  }
  EXPECT_EQ(ResultTimeText({1, 2, 3}), "Time : 1' 23\"");
  EXPECT_EQ(RankingTimeText(959), "9' 59\"");
  EXPECT_EQ(RankingTimeText(5), "0' 05\"");
  EXPECT_EQ(RankingTimeText(-123), "-1' -2-3\"") << "a crafted file's negative time";
  EXPECT_EQ(RankingTimeText(INT32_MIN), "-21474836' -4-8\"") << "no overflow";
  const std::pair<int, const char*> ordinals[] = {{1, "1st"},   {2, "2nd"},   {3, "3rd"},
                                                  {4, "4th"},   {11, "11th"}, {12, "12th"},
                                                  {13, "13th"}, {20, "20th"}};
  for (const auto& [rank, text] : ordinals) EXPECT_EQ(Ordinal(rank), text);
}

}  // namespace
}  // namespace enclova
