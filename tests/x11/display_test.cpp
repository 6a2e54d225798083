// SPDX-License-Identifier: MIT
// How the picture reaches the screen: whole-number scales, fullscreen under a window manager,
// the screenshot key, and the refusal to run without a display. Also the installed game, started
// from an unrelated directory with a fresh home.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/form.h"
#include "gfx/bmp.h"
#include "tests/kit/png_oracle.h"
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

using testing::GameHarness;
using testing::Mask;
using testing::Picture;
using testing::ReadPng;
using testing::SamePicture;
using testing::TempDir;

// The window shows `picture` at `scale` with its corner at (left, top), every pixel an exact
// block, and black everywhere else.
::testing::AssertionResult ShowsScaled(const Surface& window, const Picture& expected) {
  if (!window.Exists()) return ::testing::AssertionFailure() << "no capture";
  return SamePicture(window, expected);
}

// The window shows `picture` centred at the largest whole scale its size allows.
::testing::AssertionResult ShowsCentred(const Surface& window, const Surface& picture) {
  if (!window.Exists()) return ::testing::AssertionFailure() << "no capture";
  const Placement p = PlaceInArea(window.Width(), window.Height(), 600, 400);
  return SamePicture(window,
                     Picture::Scaled(picture, p.Scale, window.Width(), window.Height(), p.X, p.Y));
}

class ScaledWindowTest : public RealAndHeadless, public ::testing::WithParamInterface<int> {
 protected:
  ScaledWindowTest() : RealAndHeadless(LargeServer()) {}

  ::testing::AssertionResult Shows(const Surface& picture) {
    const int n = GetParam();
    const Picture expected = Picture::Scaled(picture, n, 600 * n, 400 * n);
    ::testing::AssertionResult last = ::testing::AssertionFailure();
    WaitFor([&] { return static_cast<bool>(last = ShowsScaled(X.Capture(Main), expected)); });
    return last;
  }
};

// The title, the ranking and a path being drawn, each exactly the 1x picture blown up.
TEST_P(ScaledWindowTest, EveryGamePixelIsAnExactBlock) {
  const int n = GetParam();
  Launch({}, {"--seed=12345", "--scale=" + std::to_string(n)}, true);
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  const std::optional<WindowGeometry> g = X.Geometry(Main);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->Width, 600 * n);
  EXPECT_EQ(g->Height, 400 * n);

  Headless->Tick();
  ASSERT_TRUE(Shows(Headless->Form.Canvas)) << "the title";
  X.Tap(XK_x);
  Headless->Key(VK_X);
  ASSERT_TRUE(Shows(Headless->Form.Canvas)) << "the ranking";
  X.Tap(XK_x);
  Headless->Key(VK_X);
  Headless->Tick();
  ASSERT_TRUE(Shows(Headless->Form.Canvas)) << "back on the title";

  X.Tap(XK_z);
  Headless->Key(VK_Z);
  RoundStarted();
  ASSERT_TRUE(Shows(Headless->Form.Canvas)) << "the board";
  // Keys are ignored until "Go!".
  AdvanceRoundTo(5300);
  ASSERT_TRUE(Shows(Headless->Form.Canvas)) << "\"Go!\"";
  for (const auto& [sym, key] : std::vector<std::pair<KeySym, std::uint16_t>>{
           {XK_z, VK_Z}, {XK_Right, VK_RIGHT}, {XK_Down, VK_DOWN}, {XK_Left, VK_LEFT}}) {
    X.Tap(sym);
    Headless->Key(key);
  }
  ASSERT_GE(Headless->Form.StepCount, 3);
  EXPECT_TRUE(Shows(Headless->Form.Canvas)) << "the path";

  // F12 in a running round: the picture at 1x, whatever the scale, and the round goes on.
  X.Tap(XK_F12);
  const std::string path = FirstPrintedLine();
  ASSERT_FALSE(path.empty()) << Game->Stderr();
  Surface saved;
  std::string error;
  ASSERT_TRUE(ReadPng(path, saved, &error)) << error;
  EXPECT_TRUE(SamePicture(saved, Headless->Form.Canvas));
  X.Tap(XK_Up);
  Headless->Key(VK_UP);
  EXPECT_TRUE(Shows(Headless->Form.Canvas)) << "the path after F12";
}

// The error box at the game's scale: the same box, each pixel a block, its button where the
// scaled layout puts it (a click there closes it).
TEST_P(ScaledWindowTest, ErrorBoxScalesWithTheWindow) {
  const int n = GetParam();
  GameHarness::Options options;
  options.WriteRecordFile = false;
  Launch(options, {"--scale=" + std::to_string(n)});
  const Window box = X.WaitForWindow("enclova", Game->Pid());
  ASSERT_NE(box, 0u) << Game->Stderr();
  Surface picture;
  ASSERT_TRUE(WaitFor([&] {
    picture = X.Capture(box);
    return picture.Exists() && picture.GetPixel(2 * n, 2 * n) == kErrorBoxFace;
  }));
  ASSERT_EQ(picture.Width() % n, 0);
  ASSERT_EQ(picture.Height() % n, 0);
  Surface small(picture.Width() / n, picture.Height() / n);
  for (int y = 0; y < small.Height(); ++y) {
    for (int x = 0; x < small.Width(); ++x) small.SetPixel(x, y, picture.GetPixel(x * n, y * n));
  }
  EXPECT_TRUE(ShowsScaled(picture, Picture::Scaled(small, n, picture.Width(), picture.Height())))
      << "every pixel a whole block";
  ExpectErrorBoxPicture(small);
  const std::optional<WindowGeometry> g = X.Geometry(box);
  ASSERT_TRUE(g);
  X.Click(g->X + (ErrorBoxLayout::ButtonX(small.Width()) + 10) * n,
          g->Y + (ErrorBoxLayout::ButtonY(small.Height()) + 10) * n);
  EXPECT_TRUE(WaitForMainWindow()) << "the box closed and the window opened";
  EXPECT_NE(Game->Stderr().find("enclova: cannot open " + Dir->File("fdata.dat") +
                                ": No such file or directory"),
            std::string::npos)
      << Game->Stderr();
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaledWindowTest, ::testing::Values(2, 3));

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Sends the window manager the request a title bar's button makes.
void RequestState(const XServer& x, Window window, const char* state, bool on) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x.Dpy(), "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = on ? 1 : 0;
  event.xclient.data.l[1] = static_cast<long>(XInternAtom(x.Dpy(), state, False));
  event.xclient.data.l[3] = 1;
  XSendEvent(x.Dpy(), DefaultRootWindow(x.Dpy()), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(x.Dpy(), False);
}

class FullscreenTest : public RealAndHeadless {
 protected:
  explicit FullscreenTest(XServer& server = ManagedServer()) : RealAndHeadless(server) {}

  // Starts the game and shows its ranking, whose repaint after every change of size is the
  // same picture. The keyboard goes to the game's window, as a click on it would make it.
  void LaunchToRanking() {
    if (!Game) Launch({});
    ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
    // The manager hands new windows the focus in its own time; take it and see it held.
    ASSERT_TRUE(WaitFor([&] {
      XSetInputFocus(X.Dpy(), Main, RevertToParent, CurrentTime);
      XSync(X.Dpy(), False);
      Window focus = 0;
      int revert = 0;
      XGetInputFocus(X.Dpy(), &focus, &revert);
      return focus == Main;
    }));
    Headless->Tick();
    X.Tap(XK_x);
    Headless->Key(VK_X);
  }

  // Waits until the window has the size and shows the picture centred at the largest scale.
  ::testing::AssertionResult ShowsPlaced(int width, int height) {
    ::testing::AssertionResult last = ::testing::AssertionFailure() << "never that size";
    WaitFor([&] {
      const std::optional<WindowGeometry> g = X.Geometry(Main);
      if (!g || g->Width != width || g->Height != height) return false;
      return static_cast<bool>(last = ShowsCentred(X.Capture(Main), Headless->Form.Canvas));
    });
    return last;
  }
};

// On the ranking screen, where any key that reached the game would leave it.
TEST_F(FullscreenTest, AltEnterAndF11ToggleFullscreenAtTheLargestScaleAndAreRemembered) {
  LaunchToRanking();
  // 1920x1200 takes 2x in a window; fullscreen fits 3x, 60 pixels of black left and right.
  ASSERT_TRUE(ShowsPlaced(1200, 800)) << "the window at 2x";
  const std::string settings = Dir->File("config/enclova/settings");

  X.Tap(XK_F11);
  ASSERT_TRUE(ShowsPlaced(1920, 1200)) << "F11";
  EXPECT_EQ(ReadText(settings), "fullscreen=1\n");
  X.Press(XK_Alt_L), X.Tap(XK_Return), X.Release(XK_Alt_L);
  ASSERT_TRUE(ShowsPlaced(1200, 800)) << "Alt+Enter";
  EXPECT_EQ(ReadText(settings), "fullscreen=0\n");
  X.Press(XK_Alt_L), X.Tap(XK_Return), X.Release(XK_Alt_L);
  ASSERT_TRUE(ShowsPlaced(1920, 1200)) << "Alt+Enter again";
  EXPECT_EQ(Headless->Form.GameMode, ModeRanking);

  // The next run opens as the last one left it.
  Game.reset();
  Game = std::make_unique<GameProcess>(X, Dir->Path());
  GameHarness::Options options;
  options.RealFont = true;
  Headless = std::make_unique<GameHarness>(options);
  Headless->Paint();
  LaunchToRanking();
  EXPECT_TRUE(ShowsPlaced(1920, 1200)) << "fullscreen at the next start";
}

// With no window manager nobody grants fullscreen and the window keeps its size, though SDL
// sizes its surface for the screen: the whole picture stays in the window all the same.
class BareFullscreenTest : public FullscreenTest {
 protected:
  BareFullscreenTest() : FullscreenTest(LargeServer()) {}
};

TEST_F(BareFullscreenTest, F11WithoutAWindowManagerKeepsTheWholePictureInTheWindow) {
  LaunchToRanking();
  ASSERT_TRUE(ShowsPlaced(1200, 800));
  X.Tap(XK_F11);
  ASSERT_TRUE(WaitFor([&] { return ReadText(Dir->File("config/enclova/settings")) != ""; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(ShowsPlaced(1200, 800));
  X.Tap(XK_F11);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(ShowsPlaced(1200, 800));
}

TEST_F(FullscreenTest, WindowManagersFullscreenAndMaximiseGiveTheSamePicture) {
  LaunchToRanking();
  ASSERT_TRUE(ShowsPlaced(1200, 800));
  RequestState(X, Main, "_NET_WM_STATE_FULLSCREEN", true);
  ASSERT_TRUE(ShowsPlaced(1920, 1200)) << "the window manager's fullscreen";
  RequestState(X, Main, "_NET_WM_STATE_FULLSCREEN", false);
  ASSERT_TRUE(ShowsPlaced(1200, 800));

  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = Main;
  event.xclient.message_type = XInternAtom(X.Dpy(), "_NET_WM_STATE", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;
  event.xclient.data.l[1] =
      static_cast<long>(XInternAtom(X.Dpy(), "_NET_WM_STATE_MAXIMIZED_VERT", False));
  event.xclient.data.l[2] =
      static_cast<long>(XInternAtom(X.Dpy(), "_NET_WM_STATE_MAXIMIZED_HORZ", False));
  event.xclient.data.l[3] = 1;
  XSendEvent(X.Dpy(), DefaultRootWindow(X.Dpy()), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(X.Dpy(), False);
  // Maximised, the window is the screen less the frame: whatever its size, the picture stands
  // at the largest whole scale, centred.
  ::testing::AssertionResult last = ::testing::AssertionFailure() << "never maximised";
  WaitFor([&] {
    const std::optional<WindowGeometry> g = X.Geometry(Main);
    if (!g || g->Width <= 1200) return false;
    return static_cast<bool>(last = ShowsCentred(X.Capture(Main), Headless->Form.Canvas));
  });
  EXPECT_TRUE(last);
}

class ScreenshotTest : public RealAndHeadless {
 protected:
  ScreenshotTest() : RealAndHeadless(SharedServer()) {}
};

// F12 on the ranking screen: the picture at 1x in the pictures folder, its path on standard
// output, and the ranking still up, since the key never reached the game.
TEST_F(ScreenshotTest, F12WritesTheGamesPictureAsPng) {
  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  Headless->Tick();
  X.Tap(XK_x);
  Headless->Key(VK_X);
  ASSERT_TRUE(ShowsHeadless());
  X.Tap(XK_F12);
  const std::string path = FirstPrintedLine();
  ASSERT_FALSE(path.empty()) << Game->Stderr();
  EXPECT_EQ(path.rfind(Dir->File("pictures/enclova-"), 0), 0u) << path;
  EXPECT_EQ(path.substr(path.size() - 4), ".png");
  Surface saved;
  std::string error;
  ASSERT_TRUE(ReadPng(path, saved, &error)) << error;
  EXPECT_TRUE(SamePicture(saved, Headless->Form.Canvas));
  X.Tap(XK_F12);
  ASSERT_TRUE(WaitFor([&] { return Game->Stdout().size() > path.size() + 1; }));
  EXPECT_NE(Game->Stdout().substr(path.size() + 1), path + "\n") << "a second picture of its own";
  EXPECT_TRUE(ShowsHeadless()) << "still the ranking";
  EXPECT_EQ(Headless->Form.GameMode, ModeRanking);
}

// The window's name as both properties hold it: the old WM_NAME and _NET_WM_NAME (UTF-8), which
// desktops show; "" for either when it is missing.
std::pair<std::string, std::string> Names(Display* display, Window window) {
  std::string old;
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) old = name;
  if (name != nullptr) XFree(name);
  std::string current;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                         False, utf8, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && type == utf8 && format == 8) {
    current.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  return {old, current};
}

// Waits until both names are `title`; the time that took, or nothing after the time-out.
std::optional<std::chrono::steady_clock::duration> WaitForTitle(
    const XServer& x, Window window, const std::string& title,
    std::chrono::steady_clock::time_point since) {
  std::chrono::steady_clock::time_point seen;
  if (!WaitFor([&] {
        seen = std::chrono::steady_clock::now();
        return Names(x.Dpy(), window) == std::pair{title, title};
      })) {
    return std::nullopt;
  }
  return seen - since;
}

// The name the game gives a picture taken at `when`, before any "-2".
std::string PictureStem(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "enclova-%Y-%m-%d-%H%M%S", &local);
  return stamp;
}

// F12's outcome stands in the title for two seconds, never on the picture, and the title is the
// game's again after them, even on the title screen, where nothing else wakes the game. A link
// planted at the picture's name, pointing where no file is, is passed over: the picture takes
// the next name, and nothing appears where the link points.
TEST_F(ScreenshotTest, SavedPathShowsInTheTitleForTwoSecondsNotOnThePicture) {
  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  ASSERT_TRUE(TitleIsUp()) << Game->Stderr();
  std::filesystem::create_directories(Dir->File("pictures"));
  const std::time_t start = std::time(nullptr);
  for (int s = -1; s <= 10; ++s) {
    const std::string link = Dir->File("pictures/" + PictureStem(start + s) + ".png");
    ASSERT_EQ(symlink(Dir->File("planted" + std::to_string(s)).c_str(), link.c_str()), 0);
  }

  const auto pressed = std::chrono::steady_clock::now();
  X.Tap(XK_F12);
  const std::string path = FirstPrintedLine();
  ASSERT_FALSE(path.empty()) << Game->Stderr();
  EXPECT_EQ(path.substr(path.size() - 6), "-2.png") << path;
  for (int s = -1; s <= 10; ++s) {
    EXPECT_FALSE(std::filesystem::exists(Dir->File("planted" + std::to_string(s))))
        << "a file made where a link pointed";
  }
  Surface saved;
  std::string error;
  ASSERT_TRUE(ReadPng(path, saved, &error)) << error;
  EXPECT_TRUE(SamePicture(saved, Headless->Form.Canvas));

  ASSERT_TRUE(WaitForTitle(X, Main, "Enclova - Picture saved: " + path, pressed));
  EXPECT_TRUE(ShowsHeadless()) << "the line is drawn on the picture";
  const auto restored = WaitForTitle(X, Main, "Enclova", pressed);
  ASSERT_TRUE(restored) << "the title never came back: " << X.Title(Main);
  EXPECT_GE(*restored, std::chrono::milliseconds(1990));
  EXPECT_LT(*restored, std::chrono::milliseconds(4000));
  EXPECT_TRUE(ShowsHeadless());
  EXPECT_EQ(Game->Stderr(), "");
}

// A picture that cannot be written says why in the title, and the game goes on as before.
TEST_F(ScreenshotTest, FailureShowsItsCauseInTheTitle) {
  Launch({});
  ASSERT_TRUE(WaitForMainWindow()) << Game->Stderr();
  ASSERT_TRUE(TitleIsUp()) << Game->Stderr();
  std::filesystem::remove_all(Dir->File("pictures"));
  testing::WriteFileBytes(Dir->File("pictures"), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'i', 'r'});

  const auto pressed = std::chrono::steady_clock::now();
  X.Tap(XK_F12);
  const std::string line = "Picture not saved: " + Dir->File("pictures") + ": Not a directory";
  ASSERT_TRUE(WaitForTitle(X, Main, "Enclova - " + line, pressed)) << X.Title(Main);
  EXPECT_TRUE(ShowsHeadless());
  ASSERT_TRUE(WaitForTitle(X, Main, "Enclova", pressed));
  EXPECT_EQ(Game->Stdout(), "");
  EXPECT_EQ(Game->Stderr(), "enclova: " + line + "\n");
  X.Tap(XK_x);
  Headless->Key(VK_X);
  EXPECT_TRUE(ShowsHeadless()) << "the keys still reach the game";
}

// Without a display there is nothing to play on: one line, status 1, and no invisible driver.
TEST(NoDisplay, SaysSoInOneLineAndExits1) {
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
      {"no DISPLAY", {"DISPLAY"}},
      {"empty DISPLAY", {"DISPLAY="}},
      {"no server there", {"DISPLAY=:4099"}},
      {"no such host", {"DISPLAY=nowhere.invalid:0"}},
  };
  for (const auto& [what, environment] : cases) {
    SCOPED_TRACE(what);
    TempDir dir;
    GameProcess game(SharedServer(), dir.Path(), {}, environment);
    EXPECT_EQ(game.WaitExit(), 1);
    const std::string err = game.Stderr();
    EXPECT_EQ(err.rfind("enclova: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  // Asked for by name, the off-screen driver is used.
  TempDir dir;
  testing::WriteFileBytes(dir.File("fgra.bmp"), EncodeBmp24(testing::MakeTestSheet()));
  testing::WriteFileBytes(dir.File("fdata.dat"), testing::EmptyRecordFile());
  GameProcess game(SharedServer(), dir.Path(), {}, {"DISPLAY", "SDL_VIDEODRIVER=offscreen"});
  EXPECT_FALSE(game.WaitExit(std::chrono::milliseconds(700))) << game.Stderr();
}

// Every file under `root`, with its size and modification time.
void ListFiles(const std::string& root, const std::string& prefix,
               std::map<std::string, std::string>& out) {
  DIR* dir = opendir(root.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string path = root + "/" + name;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ListFiles(path, prefix + name + "/", out);
    } else {
      out[prefix + name] = std::to_string(st.st_size) + "@" + std::to_string(st.st_mtim.tv_sec) +
                           "." + std::to_string(st.st_mtim.tv_nsec);
    }
  }
  closedir(dir);
}

// The game as a package installs it, started from an empty directory by a new player: the
// title shows, the ranking is seeded in the XDG data directory, and nothing else is written.
TEST(InstalledGame, StartsFromAnywhereWithAFreshHome) {
  TempDir stage, home, elsewhere;
  const std::string install = std::string("DESTDIR='") + stage.Path() +
                              "' '" ENCLOVA_CMAKE "' --install '" ENCLOVA_BUILD_DIR
                              "' --prefix /usr >/dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0);
  std::map<std::string, std::string> installed, after;
  ListFiles(stage.Path(), "", installed);

  GameHarness::Options options;
  options.RealSheet = true;
  options.RealFont = true;
  GameHarness headless(options);
  headless.Tick();
  {
    GameProcess game(
        SharedServer(), elsewhere.Path(), {},
        {"HOME=" + home.Path(), "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_PICTURES_DIR"},
        stage.File("usr/games/enclova"));
    const Window main = SharedServer().WaitForWindow("Enclova", game.Pid());
    ASSERT_NE(main, 0u) << game.Stderr();
    Surface seen;
    EXPECT_TRUE(WaitFor([&] {
      return SamePicture(seen = SharedServer().Capture(main), headless.Form.Canvas);
    })) << SamePicture(seen, headless.Form.Canvas)
        << game.Stderr();
    EXPECT_EQ(game.Stderr(), "");
  }
  std::map<std::string, std::string> homeFiles, here;
  ListFiles(home.Path(), "", homeFiles);
  // The ranking and its lock; the sheet is read from the installation, not copied.
  ASSERT_EQ(homeFiles.size(), 2u);
  EXPECT_TRUE(homeFiles.count(".local/share/enclova/fdata.dat"));
  EXPECT_TRUE(homeFiles.count(".local/share/enclova/fdata.dat.lock"));
  EXPECT_EQ(testing::ReadFileBytes(home.File(".local/share/enclova/fdata.dat")),
            testing::ReadFileBytes(ENCLOVA_SOURCE_DIR "/assets/fdata.dat"));
  ListFiles(elsewhere.Path(), "", here);
  EXPECT_EQ(here.size(), 2u) << "only the test's own stdout.txt and stderr.txt";
  ListFiles(stage.Path(), "", after);
  EXPECT_EQ(after, installed) << "the installation is never written";
}

// Without a usable home the installed game says once that it keeps no records, and makes
// nothing in the directory it was started from, nor in the installation.
TEST(InstalledGame, WithoutAHomeWritesNothingAnywhere) {
  TempDir stage;
  const std::string install = std::string("DESTDIR='") + stage.Path() +
                              "' '" ENCLOVA_CMAKE "' --install '" ENCLOVA_BUILD_DIR
                              "' --prefix /usr >/dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0);
  std::map<std::string, std::string> installed, after;
  ListFiles(stage.Path(), "", installed);
  for (const char* home : {"HOME", "HOME=", "HOME=relative/home"}) {
    SCOPED_TRACE(home);
    TempDir elsewhere;
    {
      GameProcess game(SharedServer(), elsewhere.Path(), {},
                       {home, "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_PICTURES_DIR"},
                       stage.File("usr/games/enclova"));
      EXPECT_TRUE(WaitFor([&] {
        return game.Stderr().find("records will not be kept") != std::string::npos;
      })) << game.Stderr();
      EXPECT_TRUE(game.Running()) << game.Stderr();
    }
    std::map<std::string, std::string> here;
    ListFiles(elsewhere.Path(), "", here);
    EXPECT_EQ(here.size(), 2u) << "only the test's own stdout.txt and stderr.txt";
  }
  ListFiles(stage.Path(), "", after);
  EXPECT_EQ(after, installed) << "the installation is never written";
}

}  // namespace
}  // namespace enclova::x11
