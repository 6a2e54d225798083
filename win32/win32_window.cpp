// SPDX-License-Identifier: MIT
// The game's window on Win32.
#include "win32/win32_window.h"

#include <timeapi.h>

#include <utility>

#include "base/file_io.h"
#include "frontend/keys.h"
#include "win32/first_frame.h"

namespace enclova {

namespace {

// The id the game goes by on every desktop: its Linux desktop entry's and its X window's class.
constexpr wchar_t kClassName[] = L"io.github.enclova.Enclova";
constexpr DWORD kWindowedStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR kBoxTimer = 1;
constexpr UINT kBoxTimerMilliseconds = 10;
constexpr int kWidth = GameSession::kWidth;
constexpr int kHeight = GameSession::kHeight;

bool Repeated(LPARAM flags) {
  return (flags & (LPARAM{1} << 30)) != 0;
}

HMONITOR PrimaryMonitor() {
  return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

}  // namespace

std::uint16_t GameKeyOf(WPARAM virtualKey, LPARAM flags) {
  // The keypad's keys without NumLock (or with Shift) arrive as the keys of the cluster above
  // the arrows; only the extended bit tells the cluster's own keys apart.
  if ((flags & (LPARAM{1} << 24)) == 0) {
    switch (virtualKey) {
      case VK_INSERT:
        return keys::Numpad(0);
      case VK_END:
        return keys::Numpad(1);
      case VK_DOWN:
        return keys::Numpad(2);
      case VK_NEXT:
        return keys::Numpad(3);
      case VK_LEFT:
        return keys::Numpad(4);
      case VK_CLEAR:
        return keys::Numpad(5);
      case VK_RIGHT:
        return keys::Numpad(6);
      case VK_HOME:
        return keys::Numpad(7);
      case VK_UP:
        return keys::Numpad(8);
      case VK_PRIOR:
        return keys::Numpad(9);
      default:
        break;
    }
  }
  if (virtualKey == 0 || virtualKey > 0xFE) return keys::kWithoutCode;
  return static_cast<std::uint16_t>(virtualKey);
}

Win32Window::Win32Window(Win32FileSystem& files, WindowOptions options)
    : files_(files),
      options_(std::move(options)),
      rules_(files_, options_.SettingsPath, options_.PicturesDirectory) {
  bgr_.resize(static_cast<std::size_t>(kWidth) * kHeight);
  bitmap_.bmiHeader.biSize = sizeof bitmap_.bmiHeader;
  bitmap_.bmiHeader.biWidth = kWidth;
  bitmap_.bmiHeader.biPlanes = 1;
  bitmap_.bmiHeader.biBitCount = 32;
  bitmap_.bmiHeader.biCompression = BI_RGB;
  windowed_.length = sizeof windowed_;
}

Win32Window::~Win32Window() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::int64_t Win32Window::Now() {
  // The tick count moves in steps of the system's timer (15.6 ms by default): too coarse for
  // 33 ms ticks.
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<std::int64_t>(now.QuadPart) / frequency * 1000 +
         static_cast<std::int64_t>(now.QuadPart) % frequency * 1000 / frequency;
}

int Win32Window::ScaleFor(HMONITOR monitor, UINT dpi) const {
  if (options_.Scale > 0) return options_.Scale;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return 1;
  // The system tells the frame exactly: what it adds around an empty client area.
  RECT around{0, 0, 0, 0};
  AdjustWindowRectExForDpi(&around, kWindowedStyle, FALSE, 0, dpi);
  const WindowFrame frame{-around.left, -around.top, around.right, around.bottom};
  return DefaultScale(info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top,
                      frame, kWidth, kHeight);
}

void Win32Window::SizeWindow(int scale, UINT dpi, const RECT* suggested) {
  windowScale_ = scale;
  RECT frame{0, 0, kWidth * scale, kHeight * scale};
  AdjustWindowRectExForDpi(&frame, kWindowedStyle, FALSE, 0, dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = 0, y = 0;
  if (suggested != nullptr) {
    x = suggested->left;
    y = suggested->top;
  } else {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &info);
    x = info.rcWork.left + (info.rcWork.right - info.rcWork.left - width) / 2;
    y = info.rcWork.top + (info.rcWork.bottom - info.rcWork.top - height) / 2;
    if (x < info.rcWork.left) x = info.rcWork.left;
    if (y < info.rcWork.top) y = info.rcWork.top;
  }
  SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Window::Open(std::string* error) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) {
    *error = "cannot register the window class (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  window_ =
      CreateWindowExW(0, kClassName, Utf16Of(rules_.Title()).c_str(), kWindowedStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, this);
  if (window_ == nullptr) {
    *error = "cannot create the window (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  const UINT dpi = GetDpiForWindow(window_);
  SizeWindow(ScaleFor(PrimaryMonitor(), dpi), dpi, nullptr);
  if (rules_.StartsFullscreen()) SetFullscreen(true);
  // Showing it paints it at once (WM_PAINT), before the first tick draws over it.
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetForegroundWindow(window_);
  SetFocus(window_);
  return true;
}

void Win32Window::Draw(HDC dc, const PixelArea& area, bool all) {
  const int n = placement_.Scale;
  if (all) {
    RECT client{};
    GetClientRect(window_, &client);
    const RECT picture{placement_.X, placement_.Y, placement_.X + kWidth * n,
                       placement_.Y + kHeight * n};
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bands[] = {{client.left, client.top, client.right, picture.top},
                          {client.left, picture.bottom, client.right, client.bottom},
                          {client.left, picture.top, picture.left, picture.bottom},
                          {picture.right, picture.top, client.right, picture.bottom}};
    for (const RECT& band : bands) {
      if (band.left < band.right && band.top < band.bottom) FillRect(dc, &band, black);
    }
  }
  if (area.Empty()) return;
  const std::uint32_t* pixels = session_->Pixels();
  for (int y = area.Top; y < area.Bottom; ++y) {
    for (int x = area.Left; x < area.Right; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
      const std::uint32_t c = pixels[i];
      bgr_[i] = (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
  }
  // The changed rows alone, as a top-down bitmap of their own: its first row is the area's.
  const int rows = area.Bottom - area.Top;
  BITMAPINFO rowsInfo = bitmap_;
  rowsInfo.bmiHeader.biHeight = -rows;
  // Whole-number scales copy each pixel to an exact block; no blending at any scale.
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, placement_.X + area.Left * n, placement_.Y + area.Top * n,
                (area.Right - area.Left) * n, rows * n, area.Left, 0, area.Right - area.Left, rows,
                bgr_.data() + static_cast<std::size_t>(area.Top) * kWidth, &rowsInfo,
                DIB_RGB_COLORS, SRCCOPY);
}

void Win32Window::Present(bool all) {
  if (window_ == nullptr || session_ == nullptr) return;
  const PixelArea changed = session_->TakeChanges(all);
  if (changed.Empty() && !all) return;
  const HDC dc = GetDC(window_);
  Draw(dc, changed, all);
  ReleaseDC(window_, dc);
}

void Win32Window::AfterCall() {
  Present(false);
  if (boxOpen_) return;
  while (const GameSession::ErrorMessage* message = session_->PendingError()) {
    ShowError(*message);
    Present(false);
  }
}

void Win32Window::TickIfDue() {
  // Under the error box too, F12's line leaves the title on time.
  if (!Step().Tick) return;
  session_->Tick();
  Present(false);
}

void Win32Window::ShowError(const GameSession::ErrorMessage& message) {
  // The box's own loop runs until it is closed: a timer in it keeps the game ticking, and the
  // window still repaints, while the keys are the box's.
  boxOpen_ = true;
  if (window_ != nullptr) SetTimer(window_, kBoxTimer, kBoxTimerMilliseconds, nullptr);
  // Beneath the game's own words, the English line that names the file, its path as Windows
  // writes it, and the cause: the player can act on that.
  std::string text = message.Text;
  if (!message.Detail.empty()) {
    const std::string program = "enclova: ";
    const std::string& d = message.Detail;
    text += "\n\n" + WithSystemPath(d.rfind(program, 0) == 0 ? d.substr(program.size()) : d);
  }
  MessageBoxW(window_, Utf16Of(text).c_str(), Utf16Of(message.Caption).c_str(),
              MB_OK | MB_ICONSTOP);
  if (window_ != nullptr) KillTimer(window_, kBoxTimer);
  boxOpen_ = false;
  session_->AnswerError();
}

bool Win32Window::WindowKey(WPARAM key, LPARAM flags, bool alt) {
  switch (WindowKeyOf(GameKeyOf(key, flags), alt, Repeated(flags))) {
    case WindowKey::Game:
      return false;
    case WindowKey::ToggleFullscreen:
      ToggleFullscreen();
      break;
    case WindowKey::SavePicture:
      SaveScreenshot();
      break;
    case WindowKey::Ignored:
      break;
  }
  return true;
}

void Win32Window::SetFullscreen(bool on) {
  if (on == fullscreen_) return;
  fullscreen_ = on;
  if (on) {
    GetWindowPlacement(window_, &windowed_);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info);
    const LONG_PTR visible = GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(WS_POPUP) | visible);
    SetWindowPos(window_, HWND_TOP, info.rcMonitor.left, info.rcMonitor.top,
                 info.rcMonitor.right - info.rcMonitor.left,
                 info.rcMonitor.bottom - info.rcMonitor.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
  } else {
    const LONG_PTR visible = GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(kWindowedStyle) | visible);
    SetWindowPlacement(window_, &windowed_);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  }
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32Window::ToggleFullscreen() {
  SetFullscreen(!fullscreen_);
  rules_.FullscreenChanged(fullscreen_);
}

void Win32Window::SaveScreenshot() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const CivilTime at{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, 0};
  SetWindowTextW(window_, Utf16Of(rules_.SavePicture(session_->PictureAsPng(), at, Now())).c_str());
}

LoopStep Win32Window::Step() {
  LoopStep step = rules_.Step(session_, Now());
  if (step.Title && window_ != nullptr) SetWindowTextW(window_, Utf16Of(*step.Title).c_str());
  return step;
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
    auto* created = static_cast<Win32Window*>(create->lpCreateParams);
    created->window_ = window;  // messages come before CreateWindowExW returns
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->session_ == nullptr) return DefWindowProcW(window, message, w, l);
  return self->Handle(message, w, l);
}

LRESULT Win32Window::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const bool alt = message == WM_SYSKEYDOWN && (l & (LPARAM{1} << 29)) != 0;
      if (alt && w == VK_F4) break;  // the system closes the window
      if (WindowKey(w, l, alt)) return 0;
      // Auto-repeats too: a held key acts once per repeat.
      session_->Key(GameKeyOf(w, l));
      AfterCall();
      return 0;
    }
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      // Left to the system, Alt or F10 alone would enter the menu mode and take the next keys.
      return 0;
    case WM_SYSCOMMAND:
      if ((w & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_TIMER:
      if (w == kBoxTimer) TickIfDue();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the picture and its black surround cover it all
    case WM_SIZE: {
      RECT client{};
      GetClientRect(window_, &client);
      placement_ = PlaceInArea(client.right, client.bottom, kWidth, kHeight);
      InvalidateRect(window_, nullptr, FALSE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(window_, &paint);
      // The system names window pixels; the game paints its own, each a block of the scale.
      const PixelArea uncovered{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                                paint.rcPaint.bottom};
      const PixelArea picture = PictureArea(uncovered, placement_, kWidth, kHeight);
      if (!picture.Empty()) session_->Paint(picture);
      // Drawn whole: what lies outside the uncovered area is clipped away.
      session_->TakeChanges(true);
      Draw(dc, PixelArea{0, 0, kWidth, kHeight}, true);
      EndPaint(window_, &paint);
      if (!presentedOnce_) {
        presentedOnce_ = true;
        if (options_.TraceFirstFrameFrom)
          ReportFirstFrame("enclova", *options_.TraceFirstFrameFrom);
      }
      return 0;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another density: the scale that fits there, at the place the
      // system suggests.
      const auto* suggested = reinterpret_cast<const RECT*>(l);
      if (fullscreen_) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST), &info);
        SetWindowPos(window_, nullptr, info.rcMonitor.left, info.rcMonitor.top,
                     info.rcMonitor.right - info.rcMonitor.left,
                     info.rcMonitor.bottom - info.rcMonitor.top, SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        SizeWindow(ScaleFor(MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST), HIWORD(w)),
                   HIWORD(w), suggested);
      }
      return 0;
    }
    case WM_CLOSE:
      terminate_ = true;
      return 0;
    case WM_DEVICECHANGE:
      // A device came or went: it may be a pad.
      if (pads_) pads_->LookForPads(Now());
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

void Win32Window::ReadPads() {
  if (!pads_) return;
  const std::vector<std::uint16_t> keys = pads_->Read(Now());
  for (std::uint16_t key : keys) session_->Key(key);
  if (!keys.empty()) AfterCall();
}

bool Win32Window::Run(GameSession& session, std::string* error) {
  session_ = &session;
  // A start-up failure is shown before the main window exists.
  while (const GameSession::ErrorMessage* message = session.PendingError()) ShowError(*message);
  if (session.QuitRequested()) return true;
  if (!Open(error)) return false;
  Present(false);
  xinput_ = SystemXInput();
  pads_ = std::make_unique<Win32Pads>(xinput_.get());
  pads_->LookForPads(Now(), 1);
  // Waits end on the millisecond asked, not at the next step of the system's timer.
  timeBeginPeriod(1);
  MSG message{};
  while (!terminate_ && !session.QuitRequested()) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        terminate_ = true;
        break;
      }
      DispatchMessageW(&message);
    }
    if (terminate_ || session.QuitRequested()) break;
    ReadPads();
    if (terminate_ || session.QuitRequested()) break;
    const LoopStep step = Step();
    if (step.Tick) {
      session.Tick();
      AfterCall();
      continue;
    }
    // The plan may itself end a playback whose last picture has been held long enough.
    if (session.QuitRequested()) break;
    // No tick is needed until something happens (the title, the ranking screen): no wake-up
    // until then, but the one that takes F12's line out of the title and the pads' reading.
    const int soonest = SoonerWait(step.WaitMilliseconds, pads_->WaitMilliseconds(Now()));
    const DWORD wait = soonest < 0 ? INFINITE : static_cast<DWORD>(soonest);
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  timeEndPeriod(1);
  return true;
}

}  // namespace enclova
