// SPDX-License-Identifier: MIT
// The shipped sprite sheet, ranking file and glyph atlas: made by our tools, and fit for how the
// game draws them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/screen_layout.h"
#include "gfx/bmp.h"
#include "gfx/surface.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

const std::string kShippedSheet = ENCLOVA_SOURCE_DIR "/assets/fgra.bmp";
const std::string kShippedRanking = ENCLOVA_SOURCE_DIR "/assets/fdata.dat";
const std::string kShippedAtlas = ENCLOVA_SOURCE_DIR "/assets/glyphs.atlas";

int Red(TColor c) {
  return static_cast<int>(c & 0xFF);
}
int Green(TColor c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(TColor c) {
  return static_cast<int>((c >> 16) & 0xFF);
}
int Luma(TColor c) {
  return (299 * Red(c) + 587 * Green(c) + 114 * Blue(c)) / 1000;
}
int Distance(TColor a, TColor b) {
  return std::abs(Red(a) - Red(b)) + std::abs(Green(a) - Green(b)) + std::abs(Blue(a) - Blue(b));
}
bool OnRing(int x, int y, int size) {
  return x == 0 || y == 0 || x == size - 1 || y == size - 1;
}

// Runs a tool with the given arguments; its exit code, or -1 when it did not exit.
int RunTool(const std::string& args, const char* tool = ENCLOVA_MAKE_SPRITES) {
  const int status = std::system((std::string("'") + tool + "' " + args).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Surface Filled(int w, int h, TColor color) {
  Surface s(w, h);
  s.Fill(color);
  return s;
}

TEST(ShippedAssets, AreExactlyWhatTheToolMakesEveryTime) {
  TempDir dir;
  for (const std::string run : {"a", "b"}) {
    const std::string sheet = dir.File(run + ".bmp"), ranking = dir.File(run + ".dat");
    ASSERT_EQ(RunTool("'" + sheet + "' '" + ranking + "'"), 0);
    EXPECT_TRUE(ReadFileBytes(sheet) == ReadFileBytes(kShippedSheet))
        << "run " << run << ": assets/fgra.bmp differs from what tools/make_sprites makes";
    EXPECT_EQ(ReadFileBytes(ranking), ReadFileBytes(kShippedRanking)) << "run " << run;
  }
}

// The tool refuses to run without IPAPGothic, so a machine without the font fails here.
TEST(ShippedAssets, GlyphAtlasIsExactlyWhatTheToolMakesEveryTime) {
  TempDir dir;
  for (const std::string run : {"a", "b"}) {
    const std::string atlas = dir.File(run + ".atlas");
    ASSERT_EQ(RunTool("'" + atlas + "' >/dev/null", ENCLOVA_MAKE_ATLAS), 0);
    EXPECT_TRUE(ReadFileBytes(atlas) == ReadFileBytes(kShippedAtlas))
        << "run " << run << ": assets/glyphs.atlas differs from what tools/make_atlas makes";
  }
}

TEST(ShippedAssets, ToolsFailLoudlyWhenTheyCannotDoTheirJob) {
  TempDir dir;
  EXPECT_EQ(RunTool(""), 2);  // no sheet path: usage
  EXPECT_EQ(RunTool("'" + dir.File("missing/dir/fgra.bmp") + "'"), 1);
  EXPECT_EQ(RunTool("'" + dir.File("fgra.bmp") + "' '" + dir.File("missing/fdata.dat") + "'"), 1);
  EXPECT_EQ(RunTool("", ENCLOVA_MAKE_ATLAS), 2);
  EXPECT_EQ(RunTool("a b", ENCLOVA_MAKE_ATLAS), 2);
  EXPECT_EQ(RunTool("'" + dir.File("missing/glyphs.atlas") + "'", ENCLOVA_MAKE_ATLAS), 1);
}

TEST(ShippedAssets, RankingFileHoldsTwentyEmptyPlaces) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(kShippedRanking);
  ASSERT_EQ(bytes.size(), 160u);
  auto int32At = [&](std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[at]) |
                                     static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                     static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                                     static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  };
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(int32At(4 * i), 0) << "time " << i + 1;
    EXPECT_EQ(int32At(80 + 4 * i), -1) << "level " << i + 1;
  }
}

TEST(ShippedAssets, SheetDecodesToTheFullSize) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(kShippedSheet);
  Surface sheet;
  ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), sheet));
  EXPECT_EQ(sheet.Width(), 800);
  EXPECT_EQ(sheet.Height(), 417);
}

// The sprites exactly as the game cuts them from the shipped sheet at start-up.
class ShippedSprites : public ::testing::Test {
 protected:
  ShippedSprites() : game_(Options()) {}
  static GameHarness::Options Options() {
    GameHarness::Options o;
    o.RealSheet = true;
    return o;
  }
  void SetUp() override {
    ASSERT_TRUE(game_.Form.StartupComplete());
    ASSERT_TRUE(game_.Host.Errors.empty());
  }
  TForm1& form() { return game_.Form; }

 private:
  GameHarness game_;
};

TEST_F(ShippedSprites, EmptyCellIsWhiteInsideTheGridLine) {
  EXPECT_TRUE(SamePicture(form().CellSprites[0],
                          [](int x, int y) { return OnRing(x, y, 17) ? kGridColor : clWhite; }));
}

// Neighbouring cells share their ring, and taking back a step repaints the grid line in the
// erase colour and a cut corner in white: every cell must look the same there.
TEST_F(ShippedSprites, StoneCellsKeepTheGridLineAndWhiteCorners) {
  for (int kind = 1; kind <= 2; ++kind) {
    const Surface& cell = form().CellSprites[kind];
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 17; ++x) {
        const bool nearCorner = std::min(x, 16 - x) <= 3 && std::min(y, 16 - y) <= 3;
        if (OnRing(x, y, 17)) {
          EXPECT_EQ(cell.GetPixel(x, y), kGridColor) << "kind " << kind << " " << x << "," << y;
        } else if (nearCorner) {
          EXPECT_EQ(cell.GetPixel(x, y), clWhite) << "kind " << kind << " " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(ShippedSprites, StoneKindsDifferInShapeNotOnlyInColour) {
  const Surface& solid = form().CellSprites[1];
  const Surface& hollow = form().CellSprites[2];
  // Kind 1 is dark through and through; kind 2 is white at the heart inside a dark ring.
  for (int y = 6; y <= 10; ++y) {
    for (int x = 6; x <= 10; ++x) {
      EXPECT_LT(Luma(solid.GetPixel(x, y)), 140) << x << "," << y;
      EXPECT_GT(Luma(hollow.GetPixel(x, y)), 230) << x << "," << y;
    }
  }
  for (const auto& [x, y] : {std::pair{3, 8}, {13, 8}, {8, 3}, {8, 13}}) {
    EXPECT_LT(Luma(hollow.GetPixel(x, y)), 140) << "ring at " << x << "," << y;
  }
}

// The judging pictures are drawn on JudgeLayer and flood-filled white from outside the loop:
// a black pixel would wall part of them off and leave it on the board.
TEST_F(ShippedSprites, JudgingPicturesNeverHoldBackTheFill) {
  for (int kind = 3; kind <= 5; ++kind) {
    Surface layer(400, 400);
    for (int i = 1; i <= 23; ++i) {
      for (int j = 1; j <= 23; ++j) layer.Draw(16 * i, 16 * j, form().CellSprites[kind]);
    }
    layer.Brush.Color = clWhite;
    layer.FloodFill(0, 0, clBlack);
    int left = 0;
    for (const TColor p : layer.Pixels()) left += p != clWhite;
    EXPECT_EQ(left, 0) << "kind " << kind - 3 << ": pixels the fill did not reach";
  }
}

TEST_F(ShippedSprites, JudgingPicturesTintTheInsideAndAgreeOnTheGridLine) {
  for (int kind = 0; kind <= 2; ++kind) {
    Surface cell = form().CellSprites[kind];
    const Surface before = cell;
    cell.CopyMode = SRCAND;
    cell.Draw(0, 0, form().CellSprites[kind + 3]);
    int changed = 0;
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 17; ++x) changed += cell.GetPixel(x, y) != before.GetPixel(x, y);
    }
    EXPECT_GT(changed, 17 * 17 / 2) << "kind " << kind;
    // Neighbours overlap on the ring, so the wash of the grid line must not depend on the kind.
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 17; ++x) {
        if (OnRing(x, y, 17)) {
          EXPECT_EQ(form().CellSprites[kind + 3].GetPixel(x, y),
                    form().CellSprites[3].GetPixel(x, y))
              << "kind " << kind << " " << x << "," << y;
        }
      }
    }
  }
}

// The marker reaches the board by AND over a stone of kind 1 left outside the loop.
TEST_F(ShippedSprites, MissMarkerCirclesTheStoneInRedAndKeepsIt) {
  Surface cell = form().CellSprites[1];
  const Surface stone = cell;
  cell.CopyMode = SRCAND;
  cell.Draw(1, 1, form().MissMarker);
  int red = 0;
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 17; ++x) {
      const TColor p = cell.GetPixel(x, y);
      red += Red(p) > 200 && Green(p) < 90 && Blue(p) < 90;
      if ((x - 8) * (x - 8) + (y - 8) * (y - 8) <= 16) {
        EXPECT_EQ(p, stone.GetPixel(x, y)) << "the stone itself changed at " << x << "," << y;
      }
    }
  }
  EXPECT_GE(red, 24);
}

TEST_F(ShippedSprites, CursorsShowByXorOnWhiteAndOnTheGrid) {
  const struct {
    const char* name;
    const Surface& sprite;
  } cursors[] = {{"idle", form().CursorIdle}, {"drawing", form().CursorDrawing}};
  for (const auto& cursor : cursors) {
    ASSERT_EQ(cursor.sprite.Width(), 7);
    ASSERT_EQ(cursor.sprite.Height(), 7);
    for (const TColor under : {clWhite, kGridColor}) {
      Surface board = Filled(7, 7, under);
      board.CopyMode = SRCINVERT;
      board.Draw(0, 0, cursor.sprite);
      int strong = 0;
      for (const TColor p : board.Pixels()) strong += Distance(p, under) >= 300;
      EXPECT_GE(strong, 12) << cursor.name << " cursor on " << std::hex << under;
    }
  }
  // Told apart by shape, not only by colour.
  int differentShape = 0;
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) {
      differentShape += (form().CursorIdle.GetPixel(x, y) == clBlack) !=
                        (form().CursorDrawing.GetPixel(x, y) == clBlack);
    }
  }
  EXPECT_GE(differentShape, 8);
}

// The clock digits are drawn over ClockPanelBlank at (55, 68), (77, 68) and (88, 68) of it.
TEST_F(ShippedSprites, ClockDigitsOnlyLightUpTheBlankDisplay) {
  const Surface& blank = form().ClockPanelBlank;
  for (const int slotX : {55, 77, 88}) {
    for (int y = 0; y < 13; ++y) {
      for (int x = 0; x < 9; ++x) {
        const TColor under = blank.GetPixel(slotX + x, 68 + y);
        ASSERT_LT(Luma(under), 80) << "the blank clock shows a lit pixel at " << slotX + x;
        for (int d = 0; d < 10; ++d) {
          const TColor p = form().DigitSprites[d].GetPixel(x, y);
          EXPECT_TRUE(p == under || Luma(p) > 150)
              << "digit " << d << " at slot " << slotX << " pixel " << x << "," << y;
        }
      }
    }
  }
  for (int d = 0; d < 10; ++d) {
    int lit = 0;
    for (const TColor p : form().DigitSprites[d].Pixels()) lit += Luma(p) > 150;
    EXPECT_GE(lit, 10) << "digit " << d;
    for (int e = 0; e < d; ++e) {
      EXPECT_FALSE(SamePicture(form().DigitSprites[d], form().DigitSprites[e]))
          << d << " and " << e;
    }
  }
}

// "   Go!       " and the verdict are wider than the black area and the 190-wide blank clock
// that replaces them, so they leave black in the panel's last columns; the display must
// already be black there or the text leaves a scar.
TEST_F(ShippedSprites, ClockDisplayIsBlackOutToTheWindowEdge) {
  int notBlack = 0;
  for (int y = 150; y < 264; ++y) {
    for (int x = 190; x < 200; ++x) {
      notBlack += form().SidePanel.GetPixel(x, y) != clBlack;
      notBlack += form().ClockPanel.GetPixel(x - 5, y - 150) != clBlack;
    }
  }
  EXPECT_EQ(notBlack, 0);
}

// The first frame of the game draws TitleImage alone at level 1; later frames add the level
// number at its place on the title, which must sit in its box without a seam.
TEST_F(ShippedSprites, LevelNumbersSitSeamlesslyInTheTitleLevelBox) {
  const Surface& title = form().TitleImage;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 18; ++x) {
      EXPECT_EQ(title.GetPixel(kLevelSpriteX + x, kLevelSpriteY + y),
                form().LevelSprites[1].GetPixel(x, y))
          << "the title does not show level 1 at " << x << "," << y;
    }
  }
  for (int level = 1; level <= 10; ++level) {
    const Surface& number = form().LevelSprites[level];
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 18; ++x) {
        if (x != 0 && x != 17 && y != 0 && y != 11) continue;
        // The sprite's edge continues the box around it.
        const int ox = x == 0 ? -1 : x == 17 ? 1 : 0, oy = y == 0 ? -1 : y == 11 ? 1 : 0;
        EXPECT_EQ(number.GetPixel(x, y),
                  title.GetPixel(kLevelSpriteX + x + ox, kLevelSpriteY + y + oy))
            << "level " << level << " edge " << x << "," << y;
      }
    }
    for (int other = 1; other < level; ++other) {
      EXPECT_FALSE(SamePicture(number, form().LevelSprites[other])) << level << "/" << other;
    }
  }
}

}  // namespace
}  // namespace enclova::testing
