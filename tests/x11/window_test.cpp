// SPDX-License-Identifier: MIT
// The real binary in a real X server: its window, keys, quitting, the error box, the command line.
#include <X11/keysym.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/form.h"
#include "tests/x11/xserver.h"
// After xserver.h, which orders GoogleTest before Xlib.
#include <X11/Xutil.h>

namespace enclova::x11 {
namespace {

using testing::GameHarness;

class WindowTest : public RealAndHeadless {};

TEST_F(WindowTest, OpensCentredWindowWithCaptionAtItsScale) {
  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  const std::optional<WindowGeometry> g = X.Geometry(Main);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->Width, 600);
  EXPECT_EQ(g->Height, 400);
  // No window manager runs, so the window stands exactly where the game put it.
  EXPECT_EQ(g->X, (XServer::kScreenWidth - 600) / 2);
  EXPECT_EQ(g->Y, (XServer::kScreenHeight - 400) / 2);
  EXPECT_EQ(X.Title(Main), "Enclova");
  // A window manager may maximise it or make it larger, never smaller than the picture.
  const SizeHints hints = X.NormalHints(Main);
  EXPECT_TRUE(hints.HasMinSize);
  EXPECT_EQ(hints.MinWidth, 600);
  EXPECT_EQ(hints.MinHeight, 400);
  EXPECT_FALSE(hints.HasMaxSize);
}

TEST_F(WindowTest, FirstTickShowsTitleImage) {
  Launch({});
  Headless->Tick();
  ASSERT_TRUE(SamePicture(Headless->Form.Canvas, Headless->Form.TitleImage));
  EXPECT_TRUE(ShowsHeadless()) << Game->Stderr();
}

// One game, a sequence of keys on the title screen; after each, the window must show what the
// headless game shows after the same keys. Keypad keys count whatever NumLock says, and Shift
// changes nothing.
TEST_F(WindowTest, LevelKeysRedrawTheLevelSprite) {
  struct Step {
    const char* what;
    std::vector<KeySym> keys;  // pressed together, released in reverse order
    bool numLock;
    std::uint16_t headlessKey;
    int level;
  };
  const Step steps[] = {
      {"Right", {XK_Right}, false, VK_RIGHT, 2},
      {"keypad 6, NumLock off", {XK_KP_6}, false, VK_NUMPAD6, 3},
      {"keypad 6, NumLock on", {XK_KP_6}, true, VK_NUMPAD6, 4},
      {"Shift+Right", {XK_Shift_L, XK_Right}, false, VK_RIGHT, 5},
      {"keypad 4, NumLock on", {XK_KP_4}, true, VK_NUMPAD4, 4},
      {"keypad 4, NumLock off", {XK_KP_4}, false, VK_NUMPAD4, 3},
      {"Left", {XK_Left}, false, VK_LEFT, 2},
      {"Left", {XK_Left}, false, VK_LEFT, 1},
      {"Left at level 1", {XK_Left}, false, VK_LEFT, 1},
      {"Up does nothing", {XK_Up}, false, 0, 1},
  };
  Launch({});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    X.SetNumLock(step.numLock);
    for (KeySym key : step.keys) X.Press(key);
    for (auto it = step.keys.rbegin(); it != step.keys.rend(); ++it) X.Release(*it);
    if (step.headlessKey != 0) Headless->Key(step.headlessKey);
    ASSERT_EQ(Headless->Form.Level, step.level);
    ASSERT_TRUE(ShowsHeadless());
  }
  X.SetNumLock(false);
  EXPECT_TRUE(Game->Running());
}

// Unmapped and mapped again, with no window manager to hand the focus back, the window takes
// the keyboard before its picture is back: a key pressed the moment it shows is the game's.
// SDL reports the return as restored before shown, and the window repaints on both.
TEST_F(WindowTest, KeyboardIsBackBeforeThePictureAfterUnmapping) {
  Launch({});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(::testing::Message() << "mapped again " << i + 1 << " times");
    X.Unmap(Main);
    X.Map(Main);
    Headless->Paint();
    ASSERT_TRUE(ShowsHeadless());
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(X.Dpy(), &focus, &revert);
    EXPECT_EQ(focus, Main) << "the picture is back before the keyboard";
    const bool right = i % 2 == 0;
    X.Tap(right ? XK_Right : XK_Left);
    Headless->Key(right ? VK_RIGHT : VK_LEFT);
    ASSERT_TRUE(ShowsHeadless()) << "the level key";
  }
}

TEST_F(WindowTest, XShowsRankingAndAnyKeyReturnsToTitle) {
  // Keys the game gives no meaning still leave the ranking screen. The headless game gets the
  // key's code where the game tests it, else any code: the ranking gives way to every key.
  const std::pair<KeySym, std::uint16_t> anyKeys[] = {
      {XK_space, 0x20},    {XK_F5, 0x74}, {XK_Shift_L, 0x10}, {XK_a, 0x41},
      {XK_KP_Enter, 0x0D}, {XK_z, VK_Z},  {XK_Left, VK_LEFT}};
  Launch({});
  Headless->Tick();
  ASSERT_TRUE(ShowsHeadless()) << Game->Stderr();
  const Surface title = Headless->Form.Canvas;
  for (const auto& [key, code] : anyKeys) {
    SCOPED_TRACE(XKeysymToString(key));
    X.Tap(XK_x);
    Headless->Key(VK_X);
    ASSERT_EQ(Headless->Form.GameMode, ModeRanking);
    ASSERT_FALSE(SamePicture(Headless->Form.Canvas, title)) << "the ranking looks like the title";
    ASSERT_TRUE(ShowsHeadless());
    X.Tap(key);
    Headless->Key(code);
    ASSERT_EQ(Headless->Form.GameMode, ModeTitle);
    ASSERT_TRUE(ShowsHeadless());
  }
}

// Letters come by the letter they type: on a French or a German keyboard the key that types z
// starts a round, and the key in z's place on a US keyboard (w or y there) does nothing on the
// title. One game sees its layout switched while it runs, the other starts in it.
TEST_F(WindowTest, LetterKeysFollowTheKeyboardLayout) {
  // X keycodes (evdev) of the places of W, Y and Z on a US keyboard.
  constexpr unsigned kWPlace = 25, kYPlace = 29, kZPlace = 52;
  ASSERT_TRUE(X.SetLayout("us"));
  struct LayoutBack {
    const XServer& x;
    ~LayoutBack() { x.SetLayout("us"); }
  } layoutBack{X};
  ASSERT_EQ(XKeysymToKeycode(X.Dpy(), XK_z), kZPlace);
  struct Case {
    const char* layout;
    bool whileRunning;
    unsigned typesZ;
  };
  const Case cases[] = {{"fr", true, kWPlace}, {"de", false, kYPlace}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.layout) + (c.whileRunning ? ", switched while running" : ""));
    if (!c.whileRunning) {
      ASSERT_TRUE(X.SetLayout(c.layout));
    }
    GameHarness::Options options;
    options.Seed = 7;
    Launch(options, {"--seed", "7"});
    Main = 0;
    ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
    ASSERT_TRUE(TitleIsUp());
    X.Tap(XK_Right);
    Headless->Key(VK_RIGHT);
    ASSERT_TRUE(ShowsHeadless());
    if (c.whileRunning) {
      ASSERT_TRUE(X.SetLayout(c.layout));
    }
    X.TapKeycode(kZPlace);
    // Had it started a round, the board would show instead of the title at level 3.
    X.Tap(XK_Right);
    Headless->Key(VK_RIGHT);
    ASSERT_TRUE(ShowsHeadless()) << "the key in z's US place";
    X.TapKeycode(c.typesZ);
    Headless->Key(VK_Z);
    ASSERT_EQ(Headless->Form.GameMode, ModePlay);
    EXPECT_TRUE(ShowsHeadless()) << "the key that types z";
    X.Tap(XK_Escape);
    EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();
    ASSERT_TRUE(X.SetLayout("us"));
  }
}

// A key SDL has no scancode for still reaches the game, as a key without a code of its own,
// and leaves the ranking screen like any other.
TEST_F(WindowTest, KeyWithoutAScancodeStillLeavesTheRanking) {
  // Keycode 8 stands for no key at all (evdev's reserved code 0).
  constexpr unsigned kNoKey = 8;
  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  ASSERT_TRUE(TitleIsUp());
  X.Tap(XK_x);
  Headless->Key(VK_X);
  ASSERT_EQ(Headless->Form.GameMode, ModeRanking);
  ASSERT_TRUE(ShowsHeadless());
  X.TapKeycode(kNoKey);
  Headless->Key(0xFF);
  ASSERT_EQ(Headless->Form.GameMode, ModeTitle);
  EXPECT_TRUE(ShowsHeadless());
}

// Escape ends the game from the title, and from the ranking screen after returning to the
// title; closing the window ends it too. Each with exit status 0.
TEST_F(WindowTest, EscapeAndClosingEndTheGameWithStatusZero) {
  struct Case {
    const char* what;
    std::vector<std::pair<KeySym, std::uint16_t>> keysBefore;
    bool close;
  };
  const Case cases[] = {
      {"Escape on the title", {}, false},
      {"Escape on the ranking screen", {{XK_x, VK_X}}, false},
      {"the window closed", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Launch({});
    Main = 0;
    ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
    Headless->Tick();
    ASSERT_TRUE(ShowsHeadless());
    for (const auto& [key, code] : c.keysBefore) {
      X.Tap(key);
      Headless->Key(code);
    }
    ASSERT_TRUE(ShowsHeadless());
    if (c.close) {
      X.RequestClose(Main);
    } else {
      X.Tap(XK_Escape);
    }
    EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();
  }
}

// A missing ranking file stops start-up with the error box, before the window opens; whichever
// way the box is closed, the window then opens and the game runs on.
TEST_F(WindowTest, MissingRecordFileShowsErrorBoxThenGameRuns) {
  enum Close { kReturn, kSpace, kEscape, kClickOk };
  struct Case {
    const char* what;
    Close how;
  };
  const Case cases[] = {
      {"Return", kReturn}, {"Space", kSpace}, {"Escape", kEscape}, {"a click on OK", kClickOk}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GameHarness::Options options;
    options.WriteRecordFile = false;
    Launch(options);
    ASSERT_EQ(Headless->Host.Errors.size(), 1u);
    const std::string caption = Headless->Host.Errors[0].first;
    ASSERT_EQ(Headless->Host.Errors[0].second, "ファイルが見つかりません.");

    const Window box = X.WaitForWindow("enclova", Game->Pid());
    ASSERT_NE(box, 0u) << Game->Stderr();
    EXPECT_EQ(X.Title(box), caption);
    EXPECT_EQ(X.FindWindow("Enclova", Game->Pid()), 0u) << "the window opened before the box";
    Surface picture;
    ASSERT_TRUE(WaitFor([&] {
      picture = X.Capture(box);
      return picture.Exists() && picture.GetPixel(2, 2) == kErrorBoxFace;
    }));
    ExpectErrorBoxPicture(picture);
    EXPECT_NE(Game->Stderr().find("ファイルが見つかりません."), std::string::npos);

    switch (c.how) {
      case kReturn:
        X.Tap(XK_Return);
        break;
      case kSpace:
        X.Tap(XK_space);
        break;
      case kEscape:
        X.Tap(XK_Escape);
        break;
      case kClickOk: {
        const std::optional<WindowGeometry> g = X.Geometry(box);
        ASSERT_TRUE(g);
        X.Click(g->X + ErrorBoxLayout::ButtonX(g->Width) + ErrorBoxLayout::kButtonWidth / 2,
                g->Y + ErrorBoxLayout::ButtonY(g->Height) + ErrorBoxLayout::kButtonHeight / 2);
        break;
      }
    }
    Main = 0;
    ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
    EXPECT_EQ(X.FindWindow(caption, Game->Pid()), 0u) << "the box is still open";
    // Start-up ended early, so only the background shows, also after a tick; the ranking screen
    // is made of rectangles and text and still opens.
    Headless->Tick();
    EXPECT_TRUE(ShowsHeadless());
    X.Tap(XK_x);
    Headless->Key(VK_X);
    EXPECT_TRUE(ShowsHeadless());
    X.Tap(XK_Escape);
    EXPECT_EQ(Game->WaitExit(), 0) << Game->Stderr();
  }
}

TEST(CommandLineTest, HelpAndVersionPrintAndExitZero) {
  struct Case {
    std::vector<std::string> args;
    std::string stdoutStart;
  };
  const Case cases[] = {
      {{"--help"}, "Usage: enclova"},
      {{"-h"}, "Usage: enclova"},
      {{"--version"}, "enclova 1.0.0\n"},
      {{"--seed", "7", "--version"}, "enclova 1.0.0\n"},
      {{"--seed=7", "--scale=3", "--data-dir=x", "-h"}, "Usage: enclova"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    testing::TempDir dir;
    GameProcess game(SharedServer(), dir.Path(), c.args);
    EXPECT_EQ(game.WaitExit(), 0);
    EXPECT_EQ(game.Stdout().substr(0, c.stdoutStart.size()), c.stdoutStart);
    EXPECT_EQ(game.Stderr(), "");
  }
}

TEST(CommandLineTest, HelpNamesTheKeysAndOptions) {
  testing::TempDir dir;
  GameProcess game(SharedServer(), dir.Path(), {"--help"});
  ASSERT_EQ(game.WaitExit(), 0);
  const std::string help = game.Stdout();
  for (const char* word : {"Escape", "Z ", "X ", "--seed", "--version", "--help", "keypad",
                           "--scale", "--data-dir", "F11", "F12", "Alt+Enter"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

// A bad command line is refused with one line on standard error and status 2, before any
// window opens: the working directory has no data files, so a started game would show the box.
TEST(CommandLineTest, BadOptionsExitWithTwoAndOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"-x"},
      {"-hx"},
      {"level1"},
      {"--seed=1", "--seed=2"},
      {"--scale=2", "--scale", "2"},
      {"-h", "--help"},
      {"--scale=0"},
      {"--scale=17"},
      {"--scale"},
      {"--scale=2x"},
      {"--data-dir="},
      {"--data-dir"},
      {"--seed"},
      {"--seed", "-1"},
      {"--seed", "4294967296"},
      {"--seed", "12x"},
      {"--seed", ""},
      {"--seed", "+5"},
      {"--seed", "99999999999999999999999"},
      {"--seed", "1", "--seed"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += "[" + a + "]";
    SCOPED_TRACE(shown);
    testing::TempDir dir;
    GameProcess game(SharedServer(), dir.Path(), args);
    EXPECT_EQ(game.WaitExit(), 2);
    const std::string err = game.Stderr();
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_EQ(game.Stdout(), "");
  }
}

// A desktop finds the running game's entry, its name and icon by the window's class: the class
// is the entry's id, and the entry says so (StartupWMClass), so the two cannot drift apart.
TEST_F(WindowTest, WindowClassIsTheDesktopEntrysId) {
  std::ifstream entry(ENCLOVA_SOURCE_DIR "/packaging/" ENCLOVA_APP_ID ".desktop");
  ASSERT_TRUE(entry) << "no desktop entry named after " ENCLOVA_APP_ID;
  std::string line, startupClass;
  while (std::getline(entry, line)) {
    if (line.rfind("StartupWMClass=", 0) == 0) startupClass = line.substr(15);
  }
  EXPECT_EQ(startupClass, ENCLOVA_APP_ID);

  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  XClassHint hint{};
  ASSERT_NE(XGetClassHint(X.Dpy(), Main, &hint), 0) << "no WM_CLASS";
  const std::string name = hint.res_name != nullptr ? hint.res_name : "";
  const std::string windowClass = hint.res_class != nullptr ? hint.res_class : "";
  if (hint.res_name != nullptr) XFree(hint.res_name);
  if (hint.res_class != nullptr) XFree(hint.res_class);
  EXPECT_EQ(windowClass, ENCLOVA_APP_ID);
  EXPECT_EQ(name, ENCLOVA_APP_ID);
}

// Without --scale the window opens at the largest scale at which it fits the screen with room
// for a title bar and borders: 2x on 1680x1050, where three quarters of the screen held only
// 1x, and 1x on 1366x768. Centred, as always.
TEST(OpeningScale, LargestThatFitsTheScreenWithAFrame) {
  struct Case {
    int Width, Height, Scale;
  };
  for (const Case& c : {Case{1680, 1050, 2}, Case{1366, 768, 1}}) {
    SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height));
    XServer server(c.Width, c.Height);
    testing::TempDir dir;
    testing::WriteGameFiles(dir, {});
    GameProcess game(server, dir.Path());
    const Window window = server.WaitForWindow("Enclova", game.Pid());
    ASSERT_NE(window, 0u) << game.Stderr();
    const std::optional<WindowGeometry> g = server.Geometry(window);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Width, 600 * c.Scale);
    EXPECT_EQ(g->Height, 400 * c.Scale);
    EXPECT_EQ(g->X, (c.Width - g->Width) / 2);
    EXPECT_EQ(g->Y, (c.Height - g->Height) / 2);
  }
}

TEST_F(WindowTest, LargestSeedIsAccepted) {
  Launch({}, {"--seed", "4294967295"});
  Headless->Tick();
  EXPECT_TRUE(ShowsHeadless()) << Game->Stderr();
}

}  // namespace
}  // namespace enclova::x11
