// SPDX-License-Identifier: MIT
// The repaint of each mode, compared pixel by pixel with what the handlers drew directly, and
// with the sheet where the repaint shows other pictures than they did.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "tests/fakes.h"
#include "tests/path_helpers.h"

namespace enclova::testing {
namespace {

using Pixels = std::vector<TColor>;

// The first pixel of the window where two pictures differ within [x0, x1) x [y0, y1), or "".
std::string FirstDifference(const Pixels& got, const Pixels& want, int x0 = 0, int y0 = 0,
                            int x1 = 600, int y1 = 400) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const TColor g = got[y * 600 + x], w = want[y * 600 + x];
      if (g != w) {
        std::ostringstream out;
        out << "at (" << x << ", " << y << ") got 0x" << std::hex << g << ", want 0x" << w;
        return out.str();
      }
    }
  }
  return "";
}

void LaySheet(Pixels& pixels, int x, int y, int w, int h, int sheetX, int sheetY) {
  for (int dy = 0; dy < h; ++dy) {
    for (int dx = 0; dx < w; ++dx) {
      pixels[(y + dy) * 600 + x + dx] = SheetColor(sheetX + dx, sheetY + dy);
    }
  }
}

// What a repaint of the side panel shows over the direct drawing: ClockPanel, then (while the
// clock runs) the digits held.
Pixels RepaintedPanel(const Pixels& direct, const TForm1& f) {
  Pixels want = direct;
  LaySheet(want, 405, 150, 195, 115, 605, 150);
  if (f.PlayPhase == PhaseRunning) {
    LaySheet(want, 460, 218, 9, 13, 320 + 11 * f.ClockMinutes, 402);
    LaySheet(want, 482, 218, 9, 13, 320 + 11 * f.ClockTens, 402);
    LaySheet(want, 493, 218, 9, 13, 320 + 11 * f.ClockUnits, 402);
  }
  return want;
}

struct FlowState {
  std::int32_t mode, phase, level, cursorX, cursorY, drawing, steps, stage, shown;
  bool operator==(const FlowState&) const = default;
};

FlowState StateOf(const TForm1& f) {
  return {f.GameMode,       f.PlayPhase, f.Level,          f.CursorX,    f.CursorY,
          f.DrawingStarted, f.StepCount, f.CountdownStage, f.ShownSecond};
}

TEST(Repaint, TitleShowsThePictureWithTheLevelSprite) {
  for (const int level : {1, 7, 10}) {
    SCOPED_TRACE(::testing::Message() << "level " << level);
    GameHarness game;
    game.Tick();
    while (game.Form.Level < level) game.Key(VK_RIGHT);
    game.Paint();
    Pixels want(600 * 400);
    LaySheet(want, 0, 0, 600, 400, 0, 0);
    LaySheet(want, 315, 251, 18, 12, 18 * (level - 1), 400);
    EXPECT_EQ(FirstDifference(game.Form.Canvas.Pixels(), want), "");
    EXPECT_EQ(game.Form.Canvas.CopyMode, SRCCOPY);
  }
}

// The ranking is repainted with LastRank highlighted, which need not be the highlight it was
// opened with: from the title it opens with none.
TEST(Repaint, RankingHighlightsTheLastRoundsPlace) {
  GameHarness::Options options;
  for (int i = 0; i < 20; ++i) {
    options.RecordFile[static_cast<std::size_t>(4 * i)] = static_cast<std::uint8_t>(100 + i);
    options.RecordFile[static_cast<std::size_t>(80 + 4 * i)] = 5;
    for (int b = 1; b < 4; ++b) options.RecordFile[static_cast<std::size_t>(80 + 4 * i + b)] = 0;
  }
  GameHarness game(options);
  game.Tick();
  game.Key(VK_X);
  ASSERT_EQ(game.Form.GameMode, ModeRanking);
  const Pixels opened = game.Form.Canvas.Pixels();

  const auto direct = [&](std::int32_t highlight) {
    game.Form.Canvas.Fill(clBtnFace);
    game.Form.DrawRanking(highlight);
    return game.Form.Canvas.Pixels();
  };
  for (const std::int32_t lastRank : {kNoRank, 1, 3, 20}) {
    SCOPED_TRACE(::testing::Message() << "LastRank " << lastRank);
    game.Form.LastRank = lastRank;
    const Pixels want = direct(lastRank);
    game.Paint();
    EXPECT_EQ(FirstDifference(game.Form.Canvas.Pixels(), want), "");
    EXPECT_EQ(game.Form.GameMode, ModeRanking);
    if (lastRank == kNoRank) {
      EXPECT_EQ(FirstDifference(game.Form.Canvas.Pixels(), opened), "");
    } else {
      EXPECT_NE(FirstDifference(game.Form.Canvas.Pixels(), opened), "") << "highlight shown";
    }
  }
}

// During the countdown the repaint shows the board as it was drawn, ClockPanel in place of the
// blacked-out clock area, and the text of the current stage on black.
TEST(Repaint, CountdownShowsTheBoardAndTheCurrentStage) {
  const char* const texts[] = {"", "Ready", "Ready.", "Ready..", "Ready..."};
  for (const int level : {1, 10}) {
    for (const int stage : {0, 1, 3, 4}) {
      SCOPED_TRACE(::testing::Message() << "level " << level << ", stage " << stage);
      GameHarness game;
      game.Tick();
      while (game.Form.Level < level) game.Key(VK_RIGHT);
      game.Key(VK_Z);
      game.Run(1000 * stage + 500);
      ASSERT_EQ(game.Form.CountdownStage, stage);
      const Pixels direct = game.Form.Canvas.Pixels();
      const FlowState state = StateOf(game.Form);
      game.Paint();
      const Pixels& got = game.Form.Canvas.Pixels();

      EXPECT_EQ(FirstDifference(got, direct, 0, 0, 400, 400), "") << "the board";
      Pixels want = RepaintedPanel(direct, game.Form);
      if (stage > 0) {
        // The text of the stage covers the panel as it covered the blacked-out area.
        const int width = game.Face->Render(texts[stage], 48).Width;
        for (int y = 183; y < 183 + 48; ++y) {
          for (int x = 424; x < 424 + width && x < 600; ++x)
            want[y * 600 + x] = direct[y * 600 + x];
        }
      }
      EXPECT_EQ(FirstDifference(got, want), "");

      // The board's frame: black outside the white square, white between it and the cells.
      const int m = 16 * (10 - level), n = 2 * level + 3;
      for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
          const bool inSquare = x >= m && y >= m && x < 400 - m && y < 400 - m;
          const bool inCells =
              x >= m + 16 && y >= m + 16 && x <= m + 16 * (n + 1) && y <= m + 16 * (n + 1);
          if (!inSquare) {
            ASSERT_EQ(got[y * 600 + x], clBlack) << x << ", " << y;
          } else if (!inCells) {
            ASSERT_EQ(got[y * 600 + x], clWhite) << x << ", " << y;
          }
        }
      }
      EXPECT_EQ(StateOf(game.Form), state);
      EXPECT_EQ(game.Form.Canvas.CopyMode, SRCCOPY);
      EXPECT_EQ(game.Form.Canvas.Pen.Color, clWhite);
      EXPECT_EQ(game.Form.Canvas.Brush.Color, clBlack);
    }
  }
}

// While the round runs the repaint rebuilds the board, the cursor, the clock digits held and
// the path from PathLayer: taken-back steps are gone with their erase traces, and the pixels an
// erase leaves black on the path's own line show black.
TEST(Repaint, RunningRoundShowsThePathCursorAndClock) {
  struct Case {
    std::string keys;   // played before the repaint
    std::string fresh;  // the same path drawn without taking anything back
    std::int64_t afterGo;
  };
  const Case cases[] = {
      {"", "", 100},          {"", "", 2100},         {"RD", "RD", 2100},     {"Z", "Z", 2100},
      {"ZRDR", "ZRDR", 3100}, {"ZRDDX", "ZRD", 3100}, {"ZRDDU", "ZRD", 3100}, {"ZRRX", "ZR", 3100},
      {"ZRX", "Z", 3100},     {"ZRXX", "", 3100},
  };
  for (const int level : {1, 10}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "level " << level << ", keys \"" << c.keys << "\" at "
                                        << c.afterGo << " ms after Go");
      GameHarness game, twin;
      for (GameHarness* g : {&game, &twin}) {
        g->Tick();
        g->StartRound(level);
        g->Run(c.afterGo - 100);
      }
      Press(game, c.keys);
      Press(twin, c.fresh);
      ASSERT_EQ(game.Form.StepCount, twin.Form.StepCount);
      const Pixels direct = game.Form.Canvas.Pixels();
      const FlowState state = StateOf(game.Form);
      game.Paint();
      const Pixels& got = game.Form.Canvas.Pixels();

      Pixels want = RepaintedPanel(direct, game.Form);
      const Pixels& fresh = twin.Form.Canvas.Pixels();
      for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
          want[y * 600 + x] =
              game.Form.PathLayer.GetPixel(x, y) == clBlack ? clBlack : fresh[y * 600 + x];
        }
      }
      EXPECT_EQ(FirstDifference(got, want), "");
      EXPECT_EQ(StateOf(game.Form), state);
      EXPECT_EQ(game.Form.Canvas.CopyMode, SRCCOPY);
      EXPECT_EQ(game.Form.Canvas.Pen.Color, clWhite);
      EXPECT_EQ(game.Form.Canvas.Brush.Color, clWhite);
    }
  }
}

// The repaint leaves the cursor on the window exactly once, so the next key removes it cleanly:
// a repainted game and one never repainted go on to draw the same board.
TEST(Repaint, NextKeysFindTheCursorOnce) {
  for (const std::string before : {"", "RR", "ZR", "ZRD"}) {
    SCOPED_TRACE("keys before the repaint \"" + before + "\"");
    GameHarness game, twin;
    for (GameHarness* g : {&game, &twin}) {
      g->Tick();
      g->StartRound(4);
      g->Run(2100);
      Press(*g, before);
    }
    game.Paint();
    for (GameHarness* g : {&game, &twin}) Press(*g, "DLZRUUX");
    EXPECT_EQ(FirstDifference(game.Form.Canvas.Pixels(), twin.Form.Canvas.Pixels(), 0, 0, 400, 400),
              "");
  }
}

// The result is not rebuilt: the repainted window stays the button face, and so does it for
// the mode that only lives inside a key press. Nothing of the canvas's state changes either.
TEST(Repaint, ResultPaintsNothing) {
  GameHarness game;
  game.Tick();
  game.StartRound(1);
  game.Run(2100);
  Press(game, "ZRDLUZ");
  ASSERT_EQ(game.Form.GameMode, ModeResult);
  for (const std::int32_t mode : {ModeResult, ModeRankingRequested}) {
    SCOPED_TRACE(::testing::Message() << "mode " << mode);
    game.Form.GameMode = mode;
    const Surface before = game.Form.Canvas;
    game.Paint();
    EXPECT_EQ(FirstDifference(game.Form.Canvas.Pixels(), Pixels(600 * 400, clBtnFace)), "");
    EXPECT_EQ(game.Form.Canvas.CopyMode, before.CopyMode);
    EXPECT_EQ(game.Form.Canvas.Pen.Color, before.Pen.Color);
    EXPECT_EQ(game.Form.Canvas.Brush.Color, before.Brush.Color);
    EXPECT_EQ(game.Form.Canvas.PenPos, before.PenPos);
  }
}

}  // namespace
}  // namespace enclova::testing
