// SPDX-License-Identifier: MIT
// A private X server and the real game binary running in it, for tests that look at real pixels
// and press real keys.
//
// Everything waits on what the screen shows, polling every 20 ms up to a time-out, never on
// fixed sleeps: the tests then run as fast as the machine allows and still pass when it is slow.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) would break GoogleTest's own names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/error_box.h"
#include "gfx/surface.h"
#include "sdl/sdl_window.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::x11 {

using namespace std::chrono_literals;
using testing::SamePicture;

// Long enough for a sanitizer build on a loaded machine; a passing test never waits this long.
constexpr std::chrono::milliseconds kPatience = 15s;

// Calls `ready` every 20 ms until it returns true or `timeout` has passed; true if it did.
bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds timeout = kPatience);

struct WindowGeometry {
  int X = 0;  // the client area's top-left corner on the screen
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool Viewable = false;
};

// WM_NORMAL_HINTS as a window manager reads them.
struct SizeHints {
  bool HasMinSize = false;
  bool HasMaxSize = false;
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

// Xvfb on a display number of its own choosing (-displayfd), 1024x768 at 24 bits unless asked
// otherwise, with no window manager unless asked for one (openbox). Stopped with the object, or
// with the test process if that dies first.
class XServer {
 public:
  static constexpr int kScreenWidth = 1024;
  static constexpr int kScreenHeight = 768;

  // Throws std::runtime_error when the server (or the window manager) cannot be started.
  XServer(int width = kScreenWidth, int height = kScreenHeight, bool windowManager = false);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& DisplayName() const { return name_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  Display* Dpy() const { return display_; }

  // The viewable top-level window with this title (WM_NAME or _NET_WM_NAME) that belongs to
  // process `pid` (its _NET_WM_PID); 0 when there is none.
  Window FindWindow(const std::string& title, pid_t pid) const;
  // Waits for FindWindow to find one; 0 after the time-out.
  Window WaitForWindow(const std::string& title, pid_t pid,
                       std::chrono::milliseconds timeout = kPatience) const;
  // Every viewable top-level window of process `pid`.
  std::vector<Window> WindowsOf(pid_t pid) const;

  std::string Title(Window window) const;
  std::optional<WindowGeometry> Geometry(Window window) const;
  SizeHints NormalHints(Window window) const;

  // The window's pixels as a surface (colours 0x00BBGGRR); a surface that does not exist when
  // the window cannot be read (gone, unmapped).
  Surface Capture(Window window) const;

  // Synthetic input through XTest, as from the real keyboard and mouse. Keys are X keysyms.
  void Press(unsigned long keysym) const;
  void Release(unsigned long keysym) const;
  void Tap(unsigned long keysym) const { Press(keysym), Release(keysym); }
  // A key by its X keycode, that is by its place on the keyboard, whatever the layout.
  void TapKeycode(unsigned keycode) const;
  // Switches the server's keyboard layout (setxkbmap); false when that failed.
  bool SetLayout(const std::string& layout) const;
  void Click(int screenX, int screenY) const;
  // Toggles NumLock until the server's lock state is `on`.
  void SetNumLock(bool on) const;
  bool NumLockOn() const;

  // Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW).
  void RequestClose(Window window) const;

  // Maps a plain window of our own over the given screen rectangle, and takes it away again:
  // the windows beneath are then exposed.
  Window Cover(int x, int y, int width, int height) const;
  void Uncover(Window cover) const;

  // Takes the window off the screen and puts it back, as minimising and restoring do.
  void Unmap(Window window) const;
  void Map(Window window) const;

  // The server's own key repeat: first repeat after `delay`, then one every `interval`.
  void SetAutoRepeat(std::chrono::milliseconds delay, std::chrono::milliseconds interval) const;
  // Starts counting the key presses the server delivers to `window` (repeats included); returns
  // the count of presses of `keysym` since the last call.
  void WatchKeys(Window window) const;
  int TakeKeyPresses(unsigned long keysym) const;

  // X errors raised by our own requests since the last call (a window that went away while we
  // looked at it is not a failure of the test by itself).
  int TakeErrorCount() const;

 private:
  pid_t pid_ = -1;
  pid_t windowManager_ = -1;
  int width_;
  int height_;
  std::string name_;
  Display* display_ = nullptr;
  // Captures go through a shared memory segment (MIT-SHM), grown to the largest window captured
  // so far, rather than through the socket into a fresh buffer each time; the tests capture the
  // window many times a second while they wait.
  struct SharedSegment;
  mutable std::unique_ptr<SharedSegment> shared_;
  XImage* SharedImage(const XWindowAttributes& attributes) const;
};

// The one server of this test process, started on first use.
XServer& SharedServer();
// A 1920x1200 server with room for a window at 3x (1800x1200), without a window manager.
XServer& LargeServer();
// The same size, with a window manager that obeys fullscreen requests.
XServer& ManagedServer();

// The game binary running in `workDir` on `server`, with LANG=C so the error box cannot lean on
// the locale, and its settings, data and pictures directories under workDir (config/, data/,
// pictures/), so no run touches the player's. `environment` then sets more ("NAME=value", or
// "NAME" alone to remove it); `binary` replaces the built one. Standard output and error go to
// files in workDir. Killed with the object.
class GameProcess {
 public:
  GameProcess(const XServer& server, const std::string& workDir,
              const std::vector<std::string>& args = {},
              const std::vector<std::string>& environment = {}, const std::string& binary = {});
  ~GameProcess();
  GameProcess(const GameProcess&) = delete;
  GameProcess& operator=(const GameProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // The exit status once the process has ended within `timeout` (128 + the signal's number when
  // a signal ended it); nothing if it is still running.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout = kPatience);
  bool Running();
  std::string Stdout() const;
  std::string Stderr() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::string workDir_;
};

// Where the game's binary is: ENCLOVA_BINARY from the environment, else the one CMake built.
std::string GameBinary();

// A binary PPM of the surface, for looking at a picture.
void WritePpm(const std::string& path, const Surface& surface);

// What the error box shows at its fixed places, given its captured pixels: the stop icon, the
// two faces, the button's edge, and ink where the message is.
void ExpectErrorBoxPicture(const Surface& box);

// The game binary's clock in a test that steps it (ENCLOVA_TEST_CLOCK): a file both processes
// map, with the milliseconds the test sets and the number of readings the game has made.
class SteppedClock {
 public:
  SteppedClock(const std::string& path, std::uint32_t start);
  ~SteppedClock();
  SteppedClock(const SteppedClock&) = delete;
  SteppedClock& operator=(const SteppedClock&) = delete;

  const std::string& Path() const { return path_; }
  void Set(std::uint32_t ms);
  std::uint64_t Readings() const;

 private:
  std::string path_;
  void* words_ = nullptr;
};

// The real binary and the headless game side by side, started from the same data files, so the
// window can be compared pixel for pixel with the headless Canvas in the same state.
class RealAndHeadless : public ::testing::Test {
 protected:
  RealAndHeadless() : X(SharedServer()) {}

  explicit RealAndHeadless(XServer& server) : X(server) {}

  // Writes the data files `options` describes into a fresh working directory, starts the
  // binary there with `args`, and builds the headless game from the same files, painted once as
  // the window's first showing paints it. The headless game uses the real font, as the binary
  // does. Does not wait for the window. With `steppedClock` the binary's time is the headless
  // game's and moves only by StepClockTo; otherwise it runs on the real clock.
  void Launch(testing::GameHarness::Options options, const std::vector<std::string>& args = {},
              bool steppedClock = false);
  // With a stepped clock: waits for the binary to tick at the time it has now, ticks the
  // headless game once at it, then moves both to `local` and does the same there. Ticks are
  // only awaited while the timer runs (not on the title or the ranking screen).
  void StepClockTo(std::uint32_t local);
  // Z was just pressed on the title of both games: the round's time counts from now.
  void RoundStarted() {
    roundStart_ = Headless->Clock.Local;
    roundMs_ = 0;
  }
  // With a stepped clock: both games `ms` on from the round's start, in steps that end on the
  // middle of each second, as a player's game would see them.
  void AdvanceRoundTo(std::uint32_t ms);
  std::uint32_t RoundMs() const { return roundMs_; }
  // Waits for the main window ("Enclova") and remembers it in Main; false after the time-out.
  bool WaitForMainWindow();
  // Waits for the binary's first whole line on standard output (where F12 prints the picture's
  // path) and returns it without its newline; "" after the time-out.
  std::string FirstPrintedLine();
  // Waits until the main window shows exactly `expected`; on time-out the last difference.
  ::testing::AssertionResult WindowShows(const Surface& expected,
                                         std::chrono::milliseconds timeout = kPatience);
  // Waits until the main window shows the headless game's Canvas.
  ::testing::AssertionResult ShowsHeadless() { return WindowShows(Headless->Form.Canvas); }
  // Ticks the headless game once and waits for the window's title, with or without the level
  // sprite: a loaded X server may deliver the window's first repaint after the first tick, and
  // keys pressed before the title is up may find the window without the keyboard.
  ::testing::AssertionResult TitleIsUp();

  XServer& X;
  std::unique_ptr<testing::TempDir> Dir;
  std::unique_ptr<GameProcess> Game;
  std::unique_ptr<testing::GameHarness> Headless;
  std::unique_ptr<SteppedClock> GameClock;
  Window Main = 0;

 private:
  void TickBothAtTheSameTime();

  std::uint32_t roundStart_ = 0;
  std::uint32_t roundMs_ = 0;
};

}  // namespace enclova::x11
