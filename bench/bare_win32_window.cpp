// SPDX-License-Identifier: MIT
// The floor for the Windows game's start-up: a bare Win32 window of the game's size and style at
// scale 1, painting one solid frame the way the game paints its first.
//
// Usage: enclova_bare_window.exe
// Prints "bare window: first frame <ms> ms after start, at <seconds since 1970>" when the frame
// has gone to the display, as enclova.exe does with ENCLOVA_TRACE_FIRST_FRAME, then waits to be
// closed.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "win32/first_frame.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;
// The game's windowed style: fixed size, a caption, the system menu, minimise.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

std::chrono::steady_clock::time_point start;
bool presented = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      static const std::vector<std::uint32_t> frame(kWidth * kHeight, 0x00F0F0F0u);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = kWidth;
      info.bmiHeader.biHeight = -kHeight;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(window, &paint);
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchDIBits(dc, 0, 0, kWidth, kHeight, 0, 0, kWidth, kHeight, frame.data(), &info,
                    DIB_RGB_COLORS, SRCCOPY);
      EndPaint(window, &paint);
      if (!presented) {
        presented = true;
        enclova::ReportFirstFrame("bare window", start);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

}  // namespace

int main() {
  start = std::chrono::steady_clock::now();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.lpszClassName = L"EnclovaBareWindow";
  if (!RegisterClassExW(&windowClass)) return 1;
  // Created, sized for a 600x400 client area and centred on the work area, shown: as the game.
  const HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, L"bare window", kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  RECT frame{0, 0, kWidth, kHeight};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, 0, GetDpiForWindow(window));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr,
               monitor.rcWork.left + (monitor.rcWork.right - monitor.rcWork.left - width) / 2,
               monitor.rcWork.top + (monitor.rcWork.bottom - monitor.rcWork.top - height) / 2,
               width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  SetFocus(window);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
