// SPDX-License-Identifier: MIT
// The game's window on Win32: messages to the session, its timer, presenting the picture, the
// window's own keys (fullscreen, screenshot) and the error box.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/placement.h"
#include "frontend/session.h"
#include "frontend/window_rules.h"
#include "win32/win32_files.h"
#include "win32/win32_pads.h"

namespace enclova {

struct WindowOptions {
  int Scale = 0;                  // 0: the largest whose window fits the work area
  std::string SettingsPath;       // where fullscreen on or off is remembered
  std::string PicturesDirectory;  // where F12 writes its pictures
  // When set (ENCLOVA_TRACE_FIRST_FRAME), the first frame's time since this is printed.
  std::optional<std::chrono::steady_clock::time_point> TraceFirstFrameFrom;
};

// The game's key code for a key-down's wParam and lParam: the virtual key, the keypad by its
// place whatever NumLock says.
std::uint16_t GameKeyOf(WPARAM virtualKey, LPARAM flags);

class Win32Window {
 public:
  Win32Window(Win32FileSystem& files, WindowOptions options);
  ~Win32Window();
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Runs a started session until it asks to end or the window is closed; false with a reason
  // when the window cannot be opened.
  bool Run(GameSession& session, std::string* error);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);

  bool Open(std::string* error);
  // The largest scale whose window, frame and all, fits the monitor's work area at `dpi`.
  int ScaleFor(HMONITOR monitor, UINT dpi) const;
  // Sizes the window for its client area to hold the picture at `scale` at `dpi`.
  void SizeWindow(int scale, UINT dpi, const RECT* suggested);
  // Draws the changed part of the picture, or all of it with the black around it.
  void Present(bool all);
  void Draw(HDC dc, const PixelArea& area, bool all);
  void AfterCall();
  void TickIfDue();
  void ShowError(const GameSession::ErrorMessage& message);
  bool WindowKey(WPARAM key, LPARAM flags, bool alt);
  void ToggleFullscreen();
  void SetFullscreen(bool on);
  // Writes the picture under a new name and shows the outcome in the title for a while.
  void SaveScreenshot();
  // The loop's next step; the window's title set first when F12's line has had its time.
  LoopStep Step();
  // The keys of the game controllers, to the game.
  void ReadPads();
  static std::int64_t Now();

  Win32FileSystem& files_;
  WindowOptions options_;
  WindowRules rules_;
  GameSession* session_ = nullptr;
  HWND window_ = nullptr;
  Placement placement_;
  int windowScale_ = 1;
  bool fullscreen_ = false;
  WINDOWPLACEMENT windowed_{};
  bool terminate_ = false;
  bool boxOpen_ = false;
  bool presentedOnce_ = false;
  std::vector<std::uint32_t> bgr_;  // the picture as the system's 0x00RRGGBB
  BITMAPINFO bitmap_{};
  // Made once the first frame is up: no one plays before the picture is there.
  std::unique_ptr<XInputReader> xinput_;
  std::unique_ptr<Win32Pads> pads_;
};

}  // namespace enclova
