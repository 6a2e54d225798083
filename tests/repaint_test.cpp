// SPDX-License-Identifier: MIT
// The repaint of each mode, compared pixel by pixel with what the handlers drew directly, and
// with the sheet where the repaint shows other pictures than they did.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "base/texts.h"
#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

// What a repaint of the side panel shows over the direct drawing: ClockPanel, then (while the
// clock runs) the digits held.
Picture RepaintedPanel(const Surface& direct, const TForm1& f) {
  Picture want(direct);
  want.Sheet(kClockPanelX, kClockPanelY, kClockPanelRegion);
  if (f.PlayPhase == PhaseRunning) {
    want.Sheet(kMinutesX, kDigitY, DigitSpriteRegion(f.ClockMinutes));
    want.Sheet(kTensX, kDigitY, DigitSpriteRegion(f.ClockTens));
    want.Sheet(kUnitsX, kDigitY, DigitSpriteRegion(f.ClockUnits));
  }
  return want;
}

// The board's square at the window's left.
const Mask kBoardOnly = Mask::Only({{0, 0, 400, 400}});

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
    Picture want(kClientWidth, kClientHeight, clBlack);
    want.Sheet(0, 0, kTitleRegion);
    want.Sheet(kLevelSpriteX, kLevelSpriteY, LevelSpriteRegion(level));
    EXPECT_TRUE(SamePicture(game.Form.Canvas, want));
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
  const Surface opened = game.Form.Canvas;

  const auto direct = [&](std::int32_t highlight) {
    game.Form.Canvas.Fill(clBtnFace);
    game.Form.DrawRanking(highlight);
    return Surface(game.Form.Canvas);
  };
  for (const std::int32_t lastRank : {kNoRank, 1, 3, 20}) {
    SCOPED_TRACE(::testing::Message() << "LastRank " << lastRank);
    game.Form.LastRank = lastRank;
    const Surface want = direct(lastRank);
    game.Paint();
    EXPECT_TRUE(SamePicture(game.Form.Canvas, want));
    EXPECT_EQ(game.Form.GameMode, ModeRanking);
    if (lastRank == kNoRank) {
      EXPECT_TRUE(SamePicture(game.Form.Canvas, opened));
    } else {
      EXPECT_FALSE(SamePicture(game.Form.Canvas, opened)) << "highlight shown";
    }
  }
}

// During the countdown the repaint shows the board as it was drawn, ClockPanel in place of the
// blacked-out clock area, and the text of the current stage on black.
TEST(Repaint, CountdownShowsTheBoardAndTheCurrentStage) {
  for (const int level : {1, 10}) {
    for (const int stage : {0, 1, 3, 4}) {
      SCOPED_TRACE(::testing::Message() << "level " << level << ", stage " << stage);
      GameHarness game;
      game.Tick();
      while (game.Form.Level < level) game.Key(VK_RIGHT);
      game.Key(VK_Z);
      game.Run(1000 * stage + 500);
      ASSERT_EQ(game.Form.CountdownStage, stage);
      const Surface direct = game.Form.Canvas;
      const FlowState state = StateOf(game.Form);
      game.Paint();
      const std::vector<TColor>& got = game.Form.Canvas.Pixels();

      EXPECT_TRUE(SamePicture(game.Form.Canvas, direct, kBoardOnly)) << "the board";
      Picture want = RepaintedPanel(direct, game.Form);
      if (stage > 0) {
        // The text of the stage covers the panel as it covered the blacked-out area.
        const int width = game.Face->Render(kCountdownTexts[stage], kCountdownFontHeight).Width;
        for (int y = kCountdownY; y < kCountdownY + kCountdownFontHeight; ++y) {
          for (int x = kReadyX; x < kReadyX + width && x < kClientWidth; ++x)
            want.At(x, y) = direct.GetPixel(x, y);
        }
      }
      EXPECT_TRUE(SamePicture(game.Form.Canvas, want));

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
      const Surface direct = game.Form.Canvas;
      const FlowState state = StateOf(game.Form);
      game.Paint();

      Picture want = RepaintedPanel(direct, game.Form);
      const Surface& fresh = twin.Form.Canvas;
      for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
          want.At(x, y) =
              game.Form.PathLayer.GetPixel(x, y) == clBlack ? clBlack : fresh.GetPixel(x, y);
        }
      }
      EXPECT_TRUE(SamePicture(game.Form.Canvas, want));
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
    EXPECT_TRUE(SamePicture(game.Form.Canvas, twin.Form.Canvas, kBoardOnly));
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
    EXPECT_TRUE(SamePicture(game.Form.Canvas, Picture(kClientWidth, kClientHeight, clBtnFace)));
    EXPECT_EQ(game.Form.Canvas.CopyMode, before.CopyMode);
    EXPECT_EQ(game.Form.Canvas.Pen.Color, before.Pen.Color);
    EXPECT_EQ(game.Form.Canvas.Brush.Color, before.Brush.Color);
    EXPECT_EQ(game.Form.Canvas.PenPos, before.PenPos);
  }
}

// A paint request for part of the window fills and redraws that part alone: inside it the window
// shows what a whole repaint shows, outside it what was there, erase traces and a judged board
// included. The drawing state after it is the whole repaint's.
TEST(Repaint, AreaRepaintChangesOnlyThatArea) {
  struct State {
    const char* name;
    std::function<void(GameHarness&)> reach;
  };
  const State states[] = {
      {"title", [](GameHarness& g) { g.Key(VK_RIGHT); }},
      {"ranking", [](GameHarness& g) { g.Key(VK_X); }},
      {"countdown",
       [](GameHarness& g) {
         g.Key(VK_Z);
         g.Run(3100);
       }},
      {"path with erase traces",
       [](GameHarness& g) {
         g.StartRound(3);
         g.Run(2100);
         Press(g, "ZRRDDLXXXRD");
       }},
      {"result",
       [](GameHarness& g) {
         g.StartRound(1);
         g.Run(2100);
         Press(g, "ZRDLUZ");
         g.Run(3000);
       }},
  };
  const TRect areas[] = {
      {0, 0, 600, 400},      // the whole window
      {150, 120, 470, 260},  // across the board, the cursor and the clock panel
      {380, -20, 640, 60},   // partly outside the window
      {-10, 390, 20, 420},   // a corner
      {123, 201, 124, 202},  // one pixel
  };
  for (const State& state : states) {
    for (const TRect& a : areas) {
      SCOPED_TRACE(::testing::Message() << state.name << ", area " << a.Left << "," << a.Top
                                        << " to " << a.Right << "," << a.Bottom);
      GameHarness game, twin;
      for (GameHarness* g : {&game, &twin}) {
        g->Tick();
        state.reach(*g);
      }
      const std::vector<TColor> before = game.Form.Canvas.Pixels();
      const FlowState flow = StateOf(game.Form);
      twin.Paint();
      game.App.Paint(a);
      std::vector<TColor> want = before;
      for (int y = std::max(a.Top, 0); y < std::min(a.Bottom, 400); ++y) {
        for (int x = std::max(a.Left, 0); x < std::min(a.Right, 600); ++x) {
          want[y * 600 + x] = twin.Form.Canvas.Pixels()[y * 600 + x];
        }
      }
      EXPECT_TRUE(SamePicture(game.Form.Canvas, Picture(600, 400, want)));
      EXPECT_EQ(StateOf(game.Form), flow);
      EXPECT_FALSE(game.Form.Canvas.Clip().has_value()) << "the clip outlives the paint";
      EXPECT_EQ(game.Form.Canvas.CopyMode, twin.Form.Canvas.CopyMode);
      EXPECT_EQ(game.Form.Canvas.Pen.Color, twin.Form.Canvas.Pen.Color);
      EXPECT_EQ(game.Form.Canvas.Brush.Color, twin.Form.Canvas.Brush.Color);
      EXPECT_EQ(game.Form.Canvas.PenPos, twin.Form.Canvas.PenPos);
      // The next key draws on the whole window again, and changes the same pixels in the same
      // way as after a whole repaint: the cursor is found once wherever it stood.
      const std::vector<TColor> gameBefore = game.Form.Canvas.Pixels();
      const std::vector<TColor> twinBefore = twin.Form.Canvas.Pixels();
      Press(game, "R");
      Press(twin, "R");
      const std::vector<TColor>& gameAfter = game.Form.Canvas.Pixels();
      const std::vector<TColor>& twinAfter = twin.Form.Canvas.Pixels();
      int differ = 0;
      for (std::size_t i = 0; i < gameAfter.size(); ++i) {
        const bool gameChanged = gameAfter[i] != gameBefore[i];
        const bool twinChanged = twinAfter[i] != twinBefore[i];
        if (gameChanged != twinChanged || (gameChanged && gameAfter[i] != twinAfter[i])) ++differ;
      }
      EXPECT_EQ(differ, 0) << "pixels the next key drew differently";
    }
  }
}

}  // namespace
}  // namespace enclova::testing
