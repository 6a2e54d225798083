// SPDX-License-Identifier: MIT
// The order of work within one key press and one timer tick: title keys, the ranking screen's
// way back, keys ignored while the game is not listening, quitting, and the reversal rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

constexpr TColor kMarker = 0x00ABCDEF;  // a colour no picture of the test sheet has

// The sprite of `level` laid on the title, straight from the sheet.
void LayLevelSprite(Picture& picture, int level) {
  picture.Sheet(kLevelSpriteX, kLevelSpriteY, LevelSpriteRegion(level));
}

Picture TitleAlone() {
  Picture picture(kClientWidth, kClientHeight, clBlack);
  picture.Sheet(0, 0, kTitleRegion);
  return picture;
}

Picture TitleWithLevel(int level) {
  Picture picture = TitleAlone();
  LayLevelSprite(picture, level);
  return picture;
}

// The variables a key press or a tick may change, to tell "nothing happened" exactly.
struct FlowState {
  std::int32_t mode, phase, level, cursorX, cursorY, drawing, steps, stage, shown, result;
  bool operator==(const FlowState&) const = default;
};

FlowState StateOf(const TForm1& f) {
  return {f.GameMode,       f.PlayPhase, f.Level,          f.CursorX,     f.CursorY,
          f.DrawingStarted, f.StepCount, f.CountdownStage, f.ShownSecond, f.ResultStage};
}

std::ostream& operator<<(std::ostream& out, const FlowState& s) {
  return out << "mode " << s.mode << " phase " << s.phase << " level " << s.level << " cursor ("
             << s.cursorX << ", " << s.cursorY << ") drawing " << s.drawing << " steps " << s.steps
             << " stage " << s.stage << " shown " << s.shown << " result " << s.result;
}

void ToTitle(GameHarness& game, int level) {
  game.Tick();
  while (game.Form.Level < level) game.Key(VK_RIGHT);
  while (game.Form.Level > level) game.Key(VK_LEFT);
}

// Level 1, a loop around the centre cell, closed: the result is showing.
void ToResult(GameHarness& game) {
  game.StartRound(1);
  game.Run(2100);
  game.Keys({VK_Z, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_Z});
  ASSERT_EQ(game.Form.GameMode, ModeResult);
}

// Every screen a key can find the game on.
struct Screen {
  std::string name;
  std::function<void(GameHarness&)> reach;
};

std::vector<Screen> Screens() {
  return {
      {"title before the first tick", [](GameHarness&) {}},
      {"title", [](GameHarness& g) { ToTitle(g, 4); }},
      {"ranking",
       [](GameHarness& g) {
         ToTitle(g, 4);
         g.Key(VK_X);
       }},
      {"countdown",
       [](GameHarness& g) {
         ToTitle(g, 2);
         g.Key(VK_Z);
         g.Run(2500);
       }},
      {"running",
       [](GameHarness& g) {
         g.Tick();
         g.StartRound(2);
         g.Run(3000);
       }},
      {"drawing",
       [](GameHarness& g) {
         g.Tick();
         g.StartRound(2);
         g.Keys({VK_Z, VK_RIGHT, VK_DOWN});
       }},
      {"result", [](GameHarness& g) { ToResult(g); }},
  };
}

// Z on the title sets up the board and starts the countdown's timing in the same press; the
// CmdAction it also makes starts no path.
TEST(KeyDispatch, ZOnTheTitleSetsUpTheBoardAndStartsTheCountdown) {
  GameHarness game;
  ToTitle(game, 1);
  game.Clock.Local = 7'654'321;
  game.Key(VK_Z);
  EXPECT_EQ(game.Form.GameMode, ModePlay);
  EXPECT_EQ(game.Form.PlayPhase, PhaseCountdown);
  EXPECT_EQ(game.Form.Command, CmdAction);
  EXPECT_EQ(game.Form.ReferenceTime, 7'654'321);
  EXPECT_EQ(game.Form.CountdownStage, 0);
  EXPECT_EQ(game.Form.DrawingStarted, 0);
  EXPECT_EQ(game.Form.StepCount, 0);
  EXPECT_EQ(game.Form.CursorX, 3);
  EXPECT_EQ(game.Form.CursorY, 3);
  // The board of level 1 is on the window: a black frame round the white square.
  EXPECT_EQ(game.Form.Canvas.GetPixel(0, 0), clBlack);
  EXPECT_EQ(game.Form.Canvas.GetPixel(143, 143), clBlack);
  EXPECT_EQ(game.Form.Canvas.GetPixel(144, 144), clWhite);
  // Within the countdown's first second a tick draws nothing.
  const std::uint64_t changes = game.Form.Canvas.ChangeCount();
  game.Run(1000);
  EXPECT_EQ(game.Form.Canvas.ChangeCount(), changes);
}

// While the countdown runs a key only sets the Command; nothing moves and nothing is drawn.
TEST(KeyDispatch, CountdownIgnoresKeysButTranslatesThem) {
  struct Case {
    std::uint16_t key;
    std::int32_t command;
  };
  const Case cases[] = {
      {VK_DOWN, CmdDown},   {VK_NUMPAD2, CmdDown},  {VK_LEFT, CmdLeft}, {VK_NUMPAD4, CmdLeft},
      {VK_RIGHT, CmdRight}, {VK_NUMPAD6, CmdRight}, {VK_UP, CmdUp},     {VK_NUMPAD8, CmdUp},
      {VK_Z, CmdAction},    {VK_X, CmdBack},        {'A', CmdNone},     {0x65, CmdNone},
      {VK_ESCAPE, CmdNone}, {0x0125, CmdNone},      {0x2500, CmdNone},  {0xFFFF, CmdNone},
  };
  GameHarness game;
  ToTitle(game, 3);
  game.Key(VK_Z);
  game.Run(2500);
  ASSERT_EQ(game.Form.CountdownStage, 2);
  const FlowState state = StateOf(game.Form);
  const Surface pixels = game.Form.Canvas;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "key 0x" << c.key);
    game.Key(c.key);
    EXPECT_EQ(game.Form.Command, c.command);
    EXPECT_EQ(StateOf(game.Form), state);
    EXPECT_TRUE(SamePicture(game.Form.Canvas, pixels));
  }
  EXPECT_EQ(game.Host.TerminateRequests, 1);
}

TEST(KeyDispatch, ResultIgnoresKeys) {
  GameHarness game;
  ToResult(game);
  const FlowState state = StateOf(game.Form);
  const Surface pixels = game.Form.Canvas;
  for (const std::uint16_t key : {VK_Z, VK_X, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_NUMPAD4,
                                  VK_NUMPAD6, std::uint16_t{'A'}}) {
    SCOPED_TRACE(::testing::Message() << std::hex << "key 0x" << key);
    game.Key(key);
    EXPECT_EQ(StateOf(game.Form), state);
    EXPECT_TRUE(SamePicture(game.Form.Canvas, pixels));
  }
}

// Left and Right step the level within 1..10 and draw its sprite, even when it stayed at a
// bound; every other key leaves the title alone.
TEST(KeyDispatch, TitleLevelKeysRedrawTheLevelSprite) {
  struct Case {
    int level;
    std::uint16_t key;
    int want;
    bool drawn;
  };
  const Case cases[] = {
      {1, VK_LEFT, 1, true},      {1, VK_NUMPAD4, 1, true},  {5, VK_LEFT, 4, true},
      {5, VK_NUMPAD4, 4, true},   {2, VK_LEFT, 1, true},     {5, VK_RIGHT, 6, true},
      {5, VK_NUMPAD6, 6, true},   {9, VK_RIGHT, 10, true},   {10, VK_RIGHT, 10, true},
      {10, VK_NUMPAD6, 10, true}, {5, VK_UP, 5, false},      {5, VK_DOWN, 5, false},
      {5, VK_NUMPAD8, 5, false},  {5, VK_NUMPAD2, 5, false}, {5, 'A', 5, false},
      {5, 0x0125, 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "level " << c.level << std::hex << ", key 0x" << c.key);
    GameHarness game;
    ToTitle(game, c.level);
    game.Form.Canvas.Fill(kMarker);
    game.Key(c.key);
    EXPECT_EQ(game.Form.Level, c.want);
    EXPECT_EQ(game.Form.GameMode, ModeTitle);
    EXPECT_EQ(game.Form.PlayPhase, 1);
    Picture want(kClientWidth, kClientHeight, kMarker);
    if (c.drawn) LayLevelSprite(want, c.want);
    EXPECT_TRUE(SamePicture(game.Form.Canvas, want));
  }
}

// Any key leaves the ranking screen for the title, and the same press then acts as a title
// key: Left lowers the level at once, but Z and X do not start a round or reopen the ranking.
TEST(KeyDispatch, RankingScreenReturnsToTheTitleAndTheSamePressGoesOn) {
  struct Case {
    std::uint16_t key;
    int level;
  };
  const Case cases[] = {{VK_LEFT, 4}, {VK_NUMPAD4, 4}, {VK_RIGHT, 6}, {VK_NUMPAD6, 6}, {VK_Z, 5},
                        {VK_X, 5},    {VK_ESCAPE, 5},  {VK_UP, 5},    {VK_DOWN, 5},    {'A', 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "key 0x" << c.key);
    GameHarness game;
    ToTitle(game, 5);
    game.Key(VK_X);
    ASSERT_EQ(game.Form.GameMode, ModeRanking);
    game.Key(c.key);
    EXPECT_EQ(game.Form.GameMode, ModeTitle);
    EXPECT_EQ(game.Form.PlayPhase, 1);
    EXPECT_EQ(game.Form.Level, c.level);
    EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleWithLevel(c.level)));
    EXPECT_EQ(game.Host.TerminateRequests, c.key == VK_ESCAPE ? 1 : 0);
  }
}

// The first tick draws the title picture alone, over a level sprite chosen before it; the next
// repaint or level key shows the sprite again. Later ticks on the title draw nothing.
TEST(TimerDispatch, FirstTickDrawsTheTitlePictureAlone) {
  GameHarness game;
  game.Keys({VK_RIGHT, VK_RIGHT});
  EXPECT_EQ(game.Form.Level, 3);
  EXPECT_EQ(game.Form.PlayPhase, 0);
  Picture sprite(kClientWidth, kClientHeight, clBtnFace);
  LayLevelSprite(sprite, 3);
  EXPECT_TRUE(SamePicture(game.Form.Canvas, sprite));

  game.Tick();
  EXPECT_EQ(game.Form.PlayPhase, 1);
  EXPECT_EQ(game.Form.Level, 3);
  EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleAlone()));
  const std::uint64_t changes = game.Form.Canvas.ChangeCount();
  game.Run(10'000);
  EXPECT_EQ(game.Form.Canvas.ChangeCount(), changes);

  game.Paint();
  EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleWithLevel(3)));
  game.Form.Canvas.Fill(kMarker);
  game.Tick();
  EXPECT_EQ(game.Form.Canvas.GetPixel(0, 0), kMarker) << "the first tick's drawing comes once";
}

// X before the first tick opens the ranking with PlayPhase still 0, so the tick after the
// return to the title draws the title picture alone once more.
TEST(TimerDispatch, RankingBeforeTheFirstTickLeavesTheFirstDrawingPending) {
  GameHarness game;
  game.Key(VK_X);
  EXPECT_EQ(game.Form.GameMode, ModeRanking);
  EXPECT_EQ(game.Form.PlayPhase, 0);
  game.Run(1000);
  EXPECT_EQ(game.Form.PlayPhase, 0);
  game.Key(VK_RIGHT);
  EXPECT_EQ(game.Form.GameMode, ModeTitle);
  EXPECT_EQ(game.Form.PlayPhase, 0);
  EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleWithLevel(2)));
  game.Tick();
  EXPECT_EQ(game.Form.PlayPhase, 1);
  EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleAlone()));
}

// Escape asks once for the end on every screen, and the rest of the press runs as for any key
// without a meaning: the ranking screen still returns to the title, and a running round still
// takes the key (its cursor is removed and shown again).
TEST(KeyDispatch, EscapeRequestsTheEndOnceAndThePressGoesOn) {
  for (const Screen& screen : Screens()) {
    SCOPED_TRACE(screen.name);
    GameHarness game, twin;
    screen.reach(game);
    screen.reach(twin);
    const std::uint64_t changes = game.Form.Canvas.ChangeCount();
    ASSERT_EQ(twin.Form.Canvas.ChangeCount(), changes);
    game.Key(VK_ESCAPE);
    twin.Key('A');
    EXPECT_EQ(game.Host.TerminateRequests, 1);
    EXPECT_EQ(twin.Host.TerminateRequests, 0);
    EXPECT_EQ(StateOf(game.Form), StateOf(twin.Form));
    EXPECT_EQ(game.Form.Command, twin.Form.Command);
    EXPECT_EQ(game.Form.Canvas.ChangeCount(), twin.Form.Canvas.ChangeCount());
    EXPECT_TRUE(SamePicture(game.Form.Canvas, twin.Form.Canvas));
    if (screen.name == "ranking") {
      EXPECT_EQ(game.Form.GameMode, ModeTitle);
      EXPECT_TRUE(SamePicture(game.Form.Canvas, TitleWithLevel(4)));
    }
    if (screen.name == "running" || screen.name == "drawing") {
      EXPECT_GT(game.Form.Canvas.ChangeCount(), changes) << "the round took the key";
    }
  }
}

// The event loop may sleep exactly when a tick would do nothing: on a title already drawn and
// on the ranking screen. Everywhere else a tick, given time, changes something.
TEST(TimerDispatch, TimerIsIdleExactlyWhenATickDoesNothing) {
  std::vector<Screen> screens = Screens();
  screens.push_back({"ranking before the first tick", [](GameHarness& g) { g.Key(VK_X); }});
  for (const Screen& screen : screens) {
    SCOPED_TRACE(screen.name);
    const bool idle = screen.name == "title" || screen.name == "ranking" ||
                      screen.name == "ranking before the first tick";
    GameHarness game;
    screen.reach(game);
    EXPECT_EQ(game.Form.TimerIsIdle(), idle);
    const FlowState state = StateOf(game.Form);
    const std::int32_t reference = game.Form.ReferenceTime;
    const std::uint64_t changes = game.Form.Canvas.ChangeCount();
    game.Clock.Advance(20'000);
    game.Tick();
    const bool quiet = StateOf(game.Form) == state && game.Form.ReferenceTime == reference &&
                       game.Form.Canvas.ChangeCount() == changes;
    EXPECT_EQ(quiet, idle) << StateOf(game.Form);
  }
}

// The reversal rule runs on every press, whatever the mode; outside a running round nothing
// acts on the CmdBack it makes.
TEST(KeyDispatch, ReversalRuleTurnsTheOppositeKeyIntoBack) {
  struct Case {
    std::string screen;
    std::int32_t steps, last;
    std::uint16_t key;
    std::int32_t command;
    int levelChange;  // the title's level choice ran first, on the translated key
  };
  const Case cases[] = {
      {"title", 3, CmdRight, VK_LEFT, CmdBack, -1},
      {"title", 3, CmdLeft, VK_NUMPAD6, CmdBack, +1},
      {"title", 2, CmdUp, VK_DOWN, CmdBack, 0},
      {"title", 1, CmdRight, VK_LEFT, CmdLeft, -1},
      {"title", 0, CmdRight, VK_LEFT, CmdLeft, -1},
      {"title", 3, CmdRight, VK_RIGHT, CmdRight, +1},
      {"title", 3, CmdUp, VK_UP, CmdUp, 0},
      {"title", 3, CmdDown, 'A', CmdNone, 0},
      {"ranking", 3, CmdRight, VK_LEFT, CmdBack, -1},
      {"countdown", 4, CmdDown, VK_UP, CmdBack, 0},
      {"countdown", 4, CmdDown, VK_Z, CmdAction, 0},
      {"countdown", 4, CmdDown, VK_X, CmdBack, 0},
      {"result", 9, CmdLeft, VK_RIGHT, CmdBack, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.screen << ", " << c.steps << " steps, last " << c.last
                                      << std::hex << ", key 0x" << c.key);
    GameHarness game;
    for (const Screen& s : Screens()) {
      if (s.name == c.screen) s.reach(game);
    }
    const std::int32_t level = game.Form.Level;
    game.Form.StepCount = c.steps;
    if (c.steps > 0) game.Form.MoveHistory[c.steps - 1] = c.last;
    game.Key(c.key);
    EXPECT_EQ(game.Form.Command, c.command);
    EXPECT_EQ(game.Form.Level, level + c.levelChange);
  }
}

TEST(KeyDispatch, ReversalRuleDuringTheCountdownChangesNothingElse) {
  GameHarness game;
  ToTitle(game, 2);
  game.Key(VK_Z);
  game.Form.StepCount = 4;
  game.Form.MoveHistory[3] = CmdDown;
  const FlowState state = StateOf(game.Form);
  game.Key(VK_UP);
  EXPECT_EQ(game.Form.Command, CmdBack);
  EXPECT_EQ(StateOf(game.Form), state);
}

// In a running round Z and X and the opposite arrow reach the puzzle as its commands.
TEST(KeyDispatch, RunningRoundHandsCommandsToThePuzzle) {
  GameHarness game;
  game.Tick();
  game.StartRound(3);
  const int x = game.Form.CursorX, y = game.Form.CursorY;
  game.Key(VK_Z);
  EXPECT_EQ(game.Form.DrawingStarted, 1);
  EXPECT_EQ(game.Form.StepCount, 1);
  game.Keys({VK_RIGHT, VK_DOWN});
  EXPECT_EQ(game.Form.StepCount, 3);
  game.Key(VK_UP);  // opposite of the last step: taken back
  EXPECT_EQ(game.Form.Command, CmdBack);
  EXPECT_EQ(game.Form.StepCount, 2);
  EXPECT_EQ(game.Form.CursorX, x + 1);
  EXPECT_EQ(game.Form.CursorY, y);
  game.Key(VK_X);
  EXPECT_EQ(game.Form.StepCount, 1);
  game.Key(VK_NUMPAD2);
  EXPECT_EQ(game.Form.StepCount, 2);
  game.Keys({VK_X, VK_X});
  EXPECT_EQ(game.Form.DrawingStarted, 0);
  EXPECT_EQ(game.Form.StepCount, 0);
  EXPECT_EQ(game.Form.CursorX, x);
  EXPECT_EQ(game.Form.CursorY, y);
}

}  // namespace
}  // namespace enclova::testing
