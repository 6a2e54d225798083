// SPDX-License-Identifier: MIT
// The ranking screen: its layout and colours to the pixel, its texts, and the drawing state it
// leaves behind.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/screen_layout.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

constexpr const char* kFooter = "########　　　Press any key　　　########";
constexpr const char* kNoEntry = "-------    No Entry    -------";

// One row of the table as stored and as the screen must write it; no texts for an empty entry.
struct Row {
  std::int32_t level;
  std::int32_t time;
  const char* levelText;
  const char* timeText;
};

const std::vector<Row> kRows = {
    {10, 5, "10", "0' 05\""},    {9, 123, "9", "1' 23\""},       {9, 959, "9", "9' 59\""},
    {0, 100, "0", "1' 00\""},    {3, 7, "3", "0' 07\""},         {2, 0, "2", "0' 00\""},
    {-1, 0, nullptr, nullptr},   {INT_MIN, 5, nullptr, nullptr}, {2, 540, "2", "5' 40\""},
    {1, 959, "1", "9' 59\""},    {-1, 0, nullptr, nullptr},      {-1, 0, nullptr, nullptr},
    {-1, 0, nullptr, nullptr},   {-1, 0, nullptr, nullptr},      {-1, 0, nullptr, nullptr},
    {-1, 0, nullptr, nullptr},   {-1, 0, nullptr, nullptr},      {-1, 0, nullptr, nullptr},
    {-1, 999, nullptr, nullptr}, {1, 10, "1", "0' 10\""},
};

int RowTop(int i) {
  return 17 * i + 6;
}

struct RankingScreenTest : ::testing::Test {
  void SetUp() override {
    Form.Canvas.Face = &Face;
    for (int i = 1; i <= 20; ++i) {
      Form.Ranking.RankLevels[i] = kRows[i - 1].level;
      Form.Ranking.RankTimes[i] = kRows[i - 1].time;
    }
    Form.Canvas.Fill(0x00123456);  // whatever was on screen before
  }

  // The screen as it must look, from the rows' texts and the layout.
  Picture Expected(int highlight) const {
    Picture p(kClientWidth, kClientHeight, clWhite);
    p.Text(116, 2, "Rank", 16, kGreen, clWhite);
    p.Text(200, 2, "Level", 16, kGreen, clWhite);
    p.Text(316, 2, "Time", 16, kGreen, clWhite);
    for (int i = 1; i <= 20; ++i) {
      p.Text(123, RowTop(i), std::to_string(i), 16, i == highlight ? kRed : kOlive, clWhite);
    }
    for (int i = 1; i <= 20; ++i) {
      const Row& row = kRows[i - 1];
      if (row.levelText == nullptr) {
        p.Text(191, RowTop(i), kNoEntry, 16, kGrey, clWhite);
      } else {
        const TColor ink = i == highlight ? kRed : clBlack;
        p.Text(216, RowTop(i), row.levelText, 16, ink, clWhite);
        p.Text(316, RowTop(i), row.timeText, 16, ink, clWhite);
      }
    }
    p.Text(100, 374, kFooter, 16, kBlue, clWhite);
    for (int x = 61; x < 446; ++x) p.Set(x, 21, clBlack);
    return p;
  }

  GameHarness Game;
  TForm1& Form = Game.Form;
  RecordingTypeface Face;
};

TEST_F(RankingScreenTest, CoversTheWindowToThePixel) {
  for (int highlight : {21, 1, 3, 7, 20, 0, -1, INT_MAX}) {
    SCOPED_TRACE(highlight);
    Form.Canvas.Fill(0x00123456);
    Form.DrawRanking(highlight);
    EXPECT_TRUE(SamePicture(Form.Canvas, Expected(highlight)));
  }
}

TEST_F(RankingScreenTest, ColoursEachRowByHighlightAndEntry) {
  // The first ink pixel of a text at (x, y) lies one column right and one row down.
  auto ink = [&](int x, int y) { return Form.Canvas.GetPixel(x + 1, y + 1); };
  for (int highlight : {21, 3, 7, 20}) {
    SCOPED_TRACE(highlight);
    Form.DrawRanking(highlight);
    for (int i = 1; i <= 20; ++i) {
      SCOPED_TRACE(i);
      const bool empty = kRows[i - 1].levelText == nullptr;
      EXPECT_EQ(ink(123, RowTop(i)), i == highlight ? kRed : kOlive);
      if (empty) {
        EXPECT_EQ(ink(191, RowTop(i)), kGrey);
        EXPECT_EQ(ink(216, RowTop(i)), kGrey);  // inside the empty-entry text
      } else {
        EXPECT_EQ(ink(191, RowTop(i)), clWhite);
        EXPECT_EQ(ink(216, RowTop(i)), i == highlight ? kRed : clBlack);
        EXPECT_EQ(ink(316, RowTop(i)), i == highlight ? kRed : clBlack);
      }
    }
    EXPECT_EQ(ink(116, 2), kGreen);
    EXPECT_EQ(ink(200, 2), kGreen);
    EXPECT_EQ(ink(316, 2), kGreen);
    EXPECT_EQ(ink(100, 374), kBlue);
    EXPECT_EQ(Form.Canvas.GetPixel(60, 21), clWhite);
    EXPECT_EQ(Form.Canvas.GetPixel(61, 21), clBlack);
    EXPECT_EQ(Form.Canvas.GetPixel(445, 21), clBlack);
    EXPECT_EQ(Form.Canvas.GetPixel(446, 21), clWhite);
  }
}

TEST_F(RankingScreenTest, DrawsItsTextsInOrderAtHeight16) {
  Form.DrawRanking(21);
  std::vector<std::string> expected = {"Rank", "Level", "Time"};
  for (int i = 1; i <= 20; ++i) expected.push_back(std::to_string(i));
  for (const Row& row : kRows) {
    if (row.levelText == nullptr) {
      expected.emplace_back(kNoEntry);
    } else {
      expected.emplace_back(row.levelText);
      expected.emplace_back(row.timeText);
    }
  }
  expected.emplace_back(kFooter);
  EXPECT_EQ(Face.Texts, expected);
  EXPECT_EQ(Face.Heights, std::vector<int>(expected.size(), 16));
}

TEST_F(RankingScreenTest, WritesLevelAndTimeAsTheArithmeticGives) {
  struct Case {
    std::int32_t level, time;
    const char* levelText;
    const char* timeText;
  } const cases[] = {
      {1, 123, "1", "1' 23\""},
      {1, 5, "1", "0' 05\""},
      {1, 959, "1", "9' 59\""},
      {1, 100, "1", "1' 00\""},
      {1, 7, "1", "0' 07\""},
      {1, 0, "1", "0' 00\""},
      {1, 1000, "1", "10' 00\""},
      {1, 99, "1", "0' 99\""},
      {0, 60, "0", "0' 60\""},
      {1, -5, "1", "0' 0-5\""},
      {1, -123, "1", "-1' -2-3\""},
      {INT_MAX, INT_MAX, "2147483647", "21474836' 47\""},
      {0, INT_MIN, "0", "-21474836' -4-8\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    Form.Ranking.RankLevels[1] = c.level;
    Form.Ranking.RankTimes[1] = c.time;
    Face.Texts.clear();
    Form.DrawRanking(21);
    ASSERT_GE(Face.Texts.size(), 25u);
    EXPECT_EQ(Face.Texts[23], c.levelText);  // after three headings and twenty rank numbers
    EXPECT_EQ(Face.Texts[24], c.timeText);
  }
}

TEST_F(RankingScreenTest, LeavesPenBlackBrushWhiteAndBlueFontAndChangesNoState) {
  Form.Canvas.Pen.Color = 0x00111111;
  Form.Canvas.Brush.Color = 0x00222222;
  Form.Canvas.Font = {48, 0x00E6E6E6};
  Form.GameMode = ModeRanking;
  Form.LastRank = 3;
  const RankingTable before = Form.Ranking;

  Form.DrawRanking(3);

  EXPECT_EQ(Form.Canvas.Pen.Color, clBlack);
  EXPECT_EQ(Form.Canvas.Brush.Color, clWhite);
  EXPECT_EQ(Form.Canvas.Font.Height, 16);
  EXPECT_EQ(Form.Canvas.Font.Color, kBlue);
  EXPECT_EQ(Form.Canvas.PenPos, (TPoint{446, 21}));
  EXPECT_EQ(Form.GameMode, ModeRanking);
  EXPECT_EQ(Form.LastRank, 3);
  for (int i = 1; i <= 20; ++i) {
    EXPECT_EQ(Form.Ranking.RankLevels[i], before.RankLevels[i]);
    EXPECT_EQ(Form.Ranking.RankTimes[i], before.RankTimes[i]);
  }
}

}  // namespace
}  // namespace enclova::testing
