// SPDX-License-Identifier: MIT
// The SDL binding: the game's window, its event loop and timer, key codes, and the error box.
//
// The binding holds no game logic. It turns SDL events into the four handler calls: a key-down
// for every press and every auto-repeat, a 33 ms timer, a paint request for the part of the
// window that was uncovered (the whole window when it is shown or restored), termination after
// the handler that asked for it; and it presents the game's Canvas whenever it has changed.
//
// This header names no SDL type, so tests of the real binary can read the error box's layout.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/seams.h"
#include "gfx/surface.h"

struct SDL_Window;
struct SDL_Surface;
union SDL_Event;

namespace enclova {

// The largest --scale: a 9600x6400 window is beyond any screen sold today.
inline constexpr int kMaxScale = 16;

// The largest whole scale of a w x h picture that takes at most three quarters of a usable
// area of `usableWidth` x `usableHeight`, and never less than 1.
constexpr int DefaultScale(int usableWidth, int usableHeight, int w, int h) {
  const int byWidth = usableWidth * 3 / (4 * w);
  const int byHeight = usableHeight * 3 / (4 * h);
  const int scale = byWidth < byHeight ? byWidth : byHeight;
  return scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
}

// Where a w x h picture stands, at the largest whole scale that fits, centred in an area.
struct Placement {
  int Scale = 1;
  int X = 0;
  int Y = 0;
};
constexpr Placement PlaceInArea(int areaWidth, int areaHeight, int w, int h) {
  int scale = areaWidth / w < areaHeight / h ? areaWidth / w : areaHeight / h;
  if (scale < 1) scale = 1;
  return {scale, (areaWidth - w * scale) / 2, (areaHeight - h * scale) / 2};
}

// The picture's pixels that a rectangle of the window touches, clipped to the w x h picture;
// empty when the rectangle lies on the black around it.
constexpr TRect PictureArea(const TRect& window, const Placement& at, int w, int h) {
  auto floorDiv = [](int a, int n) { return a >= 0 ? a / n : -((-a + n - 1) / n); };
  const int n = at.Scale;
  const int left = floorDiv(window.Left - at.X, n);
  const int top = floorDiv(window.Top - at.Y, n);
  const int right = -floorDiv(-(window.Right - at.X), n);  // rounded up
  const int bottom = -floorDiv(-(window.Bottom - at.Y), n);
  TRect area{left < 0 ? 0 : left, top < 0 ? 0 : top, right > w ? w : right,
             bottom > h ? h : bottom};
  if (area.Left >= area.Right || area.Top >= area.Bottom) return TRect{0, 0, 0, 0};
  return area;
}

// What the command line and the player's settings ask of the window.
struct WindowOptions {
  int Scale = 0;                  // 0: the largest that takes three quarters of the display
  std::string SettingsPath;       // where fullscreen on or off is remembered; "" not at all
  std::string PicturesDirectory;  // where F12 writes its pictures
};

class Application;
class Surface;
namespace replay {
class Player;
}
class TForm1;
class Typeface;

// The error box's fixed geometry, in pixels of the box's client area. The text area grows with
// the message; everything else sits at fixed offsets from the edges.
struct ErrorBoxLayout {
  static constexpr int kMargin = 20;    // around the icon and the text
  static constexpr int kIconSize = 32;  // the stop icon, at (kMargin, kMargin)
  static constexpr int kTextLeft = kMargin + kIconSize + 16;
  static constexpr int kTextHeight = 16;     // Font.Height of the message
  static constexpr int kMaxTextWidth = 520;  // longer messages wrap
  static constexpr int kMinWidth = 240;
  static constexpr int kBandHeight = 44;  // the grey band holding the button
  static constexpr int kButtonWidth = 80;
  static constexpr int kButtonHeight = 26;
  static constexpr int kButtonRight = 12;  // gap between the button and the right edge

  // The button's top-left corner in a box of the given size.
  static constexpr int ButtonX(int boxWidth) { return boxWidth - kButtonRight - kButtonWidth; }
  static constexpr int ButtonY(int boxHeight) {
    return boxHeight - kBandHeight + (kBandHeight - kButtonHeight) / 2;
  }
};

// Colours of the error box, 0x00BBGGRR like every colour of ours.
constexpr std::uint32_t kErrorBoxFace = 0x00FFFFFF;     // behind the icon and the text
constexpr std::uint32_t kErrorBoxBand = 0x00F0F0F0;     // behind the button
constexpr std::uint32_t kErrorBoxStopRed = 0x002311E8;  // the stop icon's disc
constexpr std::uint32_t kErrorBoxButtonEdge = 0x00D77800;
constexpr std::uint32_t kErrorBoxButtonFace = 0x00E1E1E1;

// The Windows virtual-key code for a key press, from its SDL scancode and the SDL keycode it has
// in the current layout (SDL_Scancode and SDL_Keycode passed as int). A key that types a Latin
// letter has that letter's code, so Z is the key labelled Z on any keyboard, and a letter's place
// that types a digit or punctuation has that character's code; every other key, letter places
// of non-Latin layouts included, has a code by its place, whatever NumLock or the modifiers:
// keypad 2/4/6/8 stay 0x62/0x64/0x66/0x68, Shift+Z is Z. A key without a code of its own is
// 0xFF; 0 only for SDL_SCANCODE_UNKNOWN without a letter.
std::uint16_t VirtualKeyOf(int scancode, int keycode);
inline constexpr std::uint16_t kKeyWithoutCode = 0xFF;

// Copies the columns x0..x1-1 of the rows y0..y1-1 of a picture of 0x00BBGGRR pixels
// (`sourcePitch` pixels a row) to the target, each pixel an N x N block, the picture's corner
// at (at.X, at.Y); clipped to the target. `row` is scratch space kept between calls.
void CopyScaled(const std::uint32_t* source, int sourcePitch, int x0, int y0, int x1, int y1,
                const Placement& at, SDL_Surface* target, std::vector<std::uint32_t>& row);

// The window, the host of the game's handlers, and the event loop.
//
// Use: InitVideo(); construct; run Application::Create() (an error box may show, before the
// main window exists); Run(). ShowError may be called at any point in between.
class SdlWindow final : public Host {
 public:
  // Sets the hints (software presentation, no OpenGL) and initialises SDL's video. Call once,
  // before anything else; false with a reason on failure.
  static bool InitVideo(std::string* error);

  // `face` draws the error box's text (may be null: the box then shows no text); not owned.
  SdlWindow(const Typeface* face, WindowOptions options);
  ~SdlWindow() override;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  // Host: ends the event loop once the running handler has returned.
  void Terminate() override { terminate_ = true; }
  // Host: the modal error box; runs its own event loop until OK, Return, Space or Escape.
  void ShowError(const std::string& caption, const std::string& text) override;

  // The game's quiet-timer promise is measured on its clock; a clock that a test steps by hand
  // makes no such promise, so every tick is then delivered.
  void SleepThroughQuietTicks(bool sleep) { sleepThroughQuiet_ = sleep; }

  // When set, the first presented frame prints how long after `start` it reached the screen.
  void TraceFirstFrame(std::chrono::steady_clock::time_point start) {
    traceFirstFrame_ = true;
    start_ = start;
  }

  // When set, every key that changes the picture prints how long its handling and present
  // took, from the moment the key was taken from the queue.
  void TraceKeyLatency() { traceKeys_ = true; }

  // Opens the window (600x400 at the chosen scale, or fullscreen as last time) centred on the
  // screen and runs the events until the game asks to
  // end or the window is closed. False with a reason when the window cannot be opened.
  bool Run(TForm1& form, Application& app, std::string* error);

  // Plays a recorded round at its recorded pace: each call after its recorded delay, the
  // picture presented after each. Escape or closing the window ends it early; the window's
  // own repaints show the picture as it stands, without calling the game. False with a reason
  // when the window cannot be opened.
  bool RunReplay(replay::Player& player, std::string* error);

 private:
  // One event of the main loop; a paint request repaints through `app`.
  void Dispatch(const SDL_Event& event, Application& app);
  bool OpenMainWindow(std::string* error);
  // Paint requests of the main window, from either event loop: the areas the window system
  // says were uncovered, or the whole window where it names none. True when `event` was one.
  bool HandlePaintRequest(const SDL_Event& event);
  void Repaint(const TRect& area);
  // A key press that SDL drops for want of a scancode; it still reaches the game, as 0xFF.
  bool IsKeyWithoutScancode(const SDL_Event& event) const;
  // Copies what changed in the Canvas since the last present to the window, each pixel as a
  // block of the scale that fits the window, centred on black (everything when `force`).
  void Present(bool force);
  bool MainWindowShown() const;
  // The window's own keys (fullscreen, screenshot); true when `event` was one of them.
  bool WindowKey(const SDL_Event& event);
  void ToggleFullscreen();
  void SaveScreenshot();
  // The scale the picture is shown at now, for the error box too.
  int CurrentScale() const { return placement_.Scale; }

  const Typeface* face_;
  WindowOptions options_;
  SDL_Window* window_ = nullptr;
  SDL_Window* box_ = nullptr;  // the error box, hidden between errors
  const Surface* canvas_ = nullptr;
  Application* app_ = nullptr;  // for paint requests that arrive while a box is open
  std::uint64_t presentedChange_ = 0;
  bool presentedOnce_ = false;
  bool terminate_ = false;
  bool boxOpen_ = false;
  bool traceFirstFrame_ = false;
  bool traceKeys_ = false;
  bool keyPending_ = false;  // a traced key whose frame has not been presented yet
  bool sleepThroughQuiet_ = true;
  bool exposedOnce_ = false;
  // Set when the window system names the uncovered areas (X11 Expose events): their union so
  // far in the current series, and the main window's X id to tell them apart.
  bool exposeAreas_ = false;
  unsigned long mainXWindow_ = 0;
  void* mainXDisplay_ = nullptr;  // the X connection (Display*) when on X11
  std::optional<TRect> exposed_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point keyTaken_;
  // What the window shows: the placement it was drawn for and the pixels presented last.
  Placement placement_;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  std::vector<std::uint32_t> shown_;
  std::vector<std::uint32_t> row_;
};

}  // namespace enclova
