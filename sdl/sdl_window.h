// SPDX-License-Identifier: MIT
// The SDL front end: the game's window, its event loop, key codes, and the error box.
//
// The window holds no game logic. It drives a GameSession (frontend/session.h): a key-down for
// every press and every auto-repeat, ticks when the session's timer plan says, a paint request
// for the part of the window that was uncovered (the whole window when it is shown or
// restored); and it presents the part of the picture that changed, each game pixel a block of
// the whole scale that fits.
//
// This header includes no SDL header (the few SDL types it names are only declared), so the
// tests of the real binary read what it declares without SDL.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/seams.h"
#include "frontend/error_box.h"
#include "frontend/placement.h"
#include "frontend/session.h"
#include "frontend/window_rules.h"
#include "sdl/sdl_pads.h"

struct SDL_Window;
struct SDL_Surface;
union SDL_Event;

namespace enclova {

// What the command line and the player's settings ask of the window.
struct WindowOptions {
  int Scale = 0;                  // 0: the largest whose window fits the usable screen
  std::string SettingsPath;       // where fullscreen on or off is remembered; "" not at all
  std::string PicturesDirectory;  // where F12 writes its pictures
};

// The Windows virtual-key code for a key press, from its SDL scancode and the SDL keycode it has
// in the current layout (SDL_Scancode and SDL_Keycode passed as int). A key that types a Latin
// letter has that letter's code, so Z is the key labelled Z on any keyboard, and a letter's place
// that types a digit or punctuation has that character's code; every other key, letter places
// of non-Latin layouts included, has a code by its place, whatever NumLock or the modifiers:
// keypad 2/4/6/8 stay 0x62/0x64/0x66/0x68, Shift+Z is Z. A key without a code of its own is
// 0xFF; 0 only for SDL_SCANCODE_UNKNOWN without a letter.
std::uint16_t VirtualKeyOf(int scancode, int keycode);

// Copies the columns x0..x1-1 of the rows y0..y1-1 of a picture of 0x00BBGGRR pixels
// (`sourcePitch` pixels a row) to the target, each pixel an N x N block, the picture's corner
// at (at.X, at.Y); clipped to the target. `row` is scratch space kept between calls.
void CopyScaled(const std::uint32_t* source, int sourcePitch, int x0, int y0, int x1, int y1,
                const Placement& at, SDL_Surface* target, std::vector<std::uint32_t>& row);

// The whole target: a width x height picture as CopyScaled places it, black around it, every
// pixel written once.
void DrawWholePicture(const std::uint32_t* picture, int width, int height, const Placement& at,
                      SDL_Surface* target, std::vector<std::uint32_t>& row);

// Gives the pages of [start, start + size) their memory, from the last to the first, without
// writing to them, so that a first drawing from the top finds them ready. A new window
// surface's memory is had from the kernel page by page on first touch: at 3x (8.6 MB) a few
// milliseconds, most of a first frame's time. Run beside the drawing on a second core, the
// two meet somewhere in the middle. Does nothing before Linux 5.14.
void ReadyMemoryFromTheEnd(std::uint8_t* start, std::size_t size);

// The window and its event loop.
//
// Use: InitVideo(); construct; Run() a started session. A start-up error the session holds is
// shown before the main window opens.
class SdlWindow {
 public:
  // Sets the hints (software presentation, no OpenGL) and initialises SDL's video. Call once,
  // before anything else; false with a reason on failure.
  static bool InitVideo(std::string* error);

  // `face` draws the error box's text (may be null: the box then shows no text); F12's pictures
  // are written through `files`. Neither is owned.
  SdlWindow(const ErrorBoxFace* face, FileSystem& files, WindowOptions options);
  ~SdlWindow();
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  // When set, the first presented frame prints how long after `start` it reached the screen.
  void TraceFirstFrame(std::chrono::steady_clock::time_point start) {
    traceFirstFrame_ = true;
    start_ = start;
  }

  // When set, every key that changes the picture prints how long its handling and present
  // took, from the moment the key was taken from the queue.
  void TraceKeyLatency() { traceKeys_ = true; }

  // Opens the window (600x400 at the chosen scale, or fullscreen as last time) centred on the
  // screen and runs the session until it asks to end or the window is closed. False with a
  // reason when the window cannot be opened.
  bool Run(GameSession& session, std::string* error);

 private:
  // One event of the main loop.
  void Dispatch(const SDL_Event& event);
  bool OpenMainWindow(std::string* error);
  // Paint requests of the main window, from either event loop: the areas the window system
  // says were uncovered, or the whole window where it names none. True when `event` was one.
  bool HandlePaintRequest(const SDL_Event& event);
  void Repaint(const PixelArea& area);
  // A key press that SDL drops for want of a scancode; it still reaches the game, as 0xFF.
  bool IsKeyWithoutScancode(const SDL_Event& event) const;
  // Copies what changed in the picture since the last present to the window, each pixel as a
  // block of the scale that fits the window, centred on black (everything when `force`).
  void Present(bool force);
  // After each call into the session: the changes presented, and any error box it now holds
  // shown until answered.
  void AfterCall();
  bool MainWindowShown() const;
  // The window's icon, drawn once the first frame is up: drawing it takes longer than opening
  // the window, and no one looks at an icon before the picture.
  void SetIcon();
  // The window's own keys (fullscreen, screenshot, Alt); true when `event` was one of them.
  bool WindowKey(const SDL_Event& event);
  void ToggleFullscreen();
  // Writes the picture under a new name and shows the outcome in the title for a while.
  void SaveScreenshot();
  // The loop's next step; the window's title set first when F12's line has had its time.
  LoopStep Step(GameSession* session);
  // The session's error box, in a window of its own, with its own loop: the keys are the box's,
  // but the game's timer keeps running and its window is repainted when uncovered.
  void ShowErrorBox(const GameSession::ErrorMessage& message);
  static std::int64_t Now();
  // The keys of the game controllers, to the game.
  void ReadPads();
  // The scale the picture is shown at now, for the error box too.
  int CurrentScale() const { return placement_.Scale; }

  const ErrorBoxFace* face_;
  FileSystem& files_;
  WindowOptions options_;
  WindowRules rules_;
  GameSession* session_ = nullptr;
  SDL_Window* window_ = nullptr;
  SDL_Window* box_ = nullptr;  // the error box, hidden between errors
  bool presentedOnce_ = false;
  bool terminate_ = false;
  bool boxOpen_ = false;
  bool traceFirstFrame_ = false;
  bool traceKeys_ = false;
  bool keyPending_ = false;  // a traced key whose frame has not been presented yet
  bool exposedOnce_ = false;
  // Set when the window system names the uncovered areas (X11 Expose events): their union so
  // far in the current series, and the main window's X id to tell them apart.
  bool exposeAreas_ = false;
  unsigned long mainXWindow_ = 0;
  void* mainXDisplay_ = nullptr;  // the X connection (Display*) when on X11
  std::optional<PixelArea> exposed_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point keyTaken_;
  // What the window shows: the placement it was drawn for and the surface's size then.
  Placement placement_;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  std::vector<std::uint32_t> row_;
  std::thread prefault_;  // readies the new surface's memory (OpenMainWindow)
  SdlPads pads_;
};

}  // namespace enclova
