// SPDX-License-Identifier: MIT
// The game's window on SDL: events to handlers, the 33 ms timer, and presenting the Canvas.
#include "sdl/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "frontend/keys.h"

namespace enclova {

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int kIconSize = 64;

bool IsFullscreen(SDL_Window* window) {
  return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
         SDL_WINDOW_FULLSCREEN_DESKTOP;
}

// A whole scale for a new window on the first display: the largest at which the window, with
// the frame a window manager is likely to put around it, fits the display's usable area (the
// screen less its panels); or the one the player asked for. The real frame is known only once
// the window is up.
int OpeningScale(int requested) {
  if (requested > 0) return requested;
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
  return DefaultScale(usable.w, usable.h, kLikelyFrame, GameSession::kWidth, GameSession::kHeight);
}

}  // namespace

bool SdlWindow::InitVideo(std::string* error) {
  // Without this SDL 2.26 presents window surfaces through Mesa's OpenGL: tens of MiB and tens
  // of milliseconds before the first frame, for pixels we have already made ourselves. With it
  // the surface goes to the X server as shared memory.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The game's window does not keep the screen saver away.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Closing the error box when it is the only window (an error at start-up) must not end the
  // game: the main window's own close is the one that does.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A click that brings the error box the focus also presses its button at once; SDL would
  // otherwise drop a click that comes within 10 ms of the focus.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // The window's class (WM_CLASS on X11, the app id on Wayland) is the desktop entry's id, so
  // that a desktop shows the entry's name and icon for the window and keeps it with the entry
  // in a dock. SDL reads this as it starts; it is ours to set, whatever a parent left there.
  setenv("SDL_VIDEO_X11_WMCLASS", ENCLOVA_APP_ID, 1);
  // With no session bus, SDL's D-Bus use (input methods, screen saver) would fork dbus-launch
  // to start one, before the first frame; we need no bus, so outside a session there is none.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  // Left to itself SDL falls back to drivers that show nothing (off-screen, dummy) when no
  // display answers, and the game would run unseen. Only a driver the player names may be one.
  const char* named = std::getenv("SDL_VIDEODRIVER");
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool hasX = display != nullptr && *display != '\0';
  const bool hasWayland = wayland != nullptr && *wayland != '\0';
  if (named == nullptr || *named == '\0') {
    if (!hasX && !hasWayland) {
      if (error != nullptr) *error = "no display to open: DISPLAY is not set";
      return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, hasX && hasWayland ? "x11,wayland"
                                      : hasX             ? "x11"
                                                         : "wayland");
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    if (error != nullptr) {
      *error = hasX ? std::string("cannot open the display \"") + display + "\": " + SDL_GetError()
                    : std::string("cannot open a display: ") + SDL_GetError();
    }
    return false;
  }

  // Only key-downs, window events and clicks in the error box are of use; dropping the rest
  // here keeps them out of the queue, so they cost no pass through the loop. A change of the
  // keyboard layout needs no event of ours: SDL rereads its keymap either way, and every key
  // press carries the keycode of the layout in force.
  SDL_StopTextInput();
  for (Uint32 type : {SDL_TEXTINPUT, SDL_TEXTEDITING, SDL_KEYUP, SDL_MOUSEMOTION, SDL_MOUSEWHEEL,
                      SDL_KEYMAPCHANGED, SDL_CLIPBOARDUPDATE, SDL_DROPFILE, SDL_DROPTEXT,
                      SDL_DROPBEGIN, SDL_DROPCOMPLETE, SDL_POLLSENTINEL}) {
    SDL_EventState(type, SDL_IGNORE);
  }
  return true;
}

SdlWindow::SdlWindow(const ErrorBoxFace* face, FileSystem& files, WindowOptions options)
    : face_(face),
      files_(files),
      options_(std::move(options)),
      rules_(files_, options_.SettingsPath, options_.PicturesDirectory) {
  placement_.Scale = OpeningScale(options_.Scale);
}

// Windows are never destroyed, and SDL is not shut down: the end of the process closes the
// connection and the X server drops the windows. SDL wakes a waiting loop by sending a message
// to one of its windows over a second connection; a window destroyed just after that message
// was sent turns it into a BadWindow error, which Xlib treats as fatal (exit status 1).
SdlWindow::~SdlWindow() {
  if (prefault_.joinable()) prefault_.join();
}

bool SdlWindow::MainWindowShown() const {
  return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
}

std::int64_t SdlWindow::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             SteadyClock::now().time_since_epoch())
      .count();
}

void SdlWindow::Present(bool force) {
  if (window_ == nullptr || session_ == nullptr) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  const int width = GameSession::kWidth;
  const int height = GameSession::kHeight;
  const bool whole =
      force || !presentedOnce_ || surface->w != surfaceWidth_ || surface->h != surfaceHeight_;
  const PixelArea changed = session_->TakeChanges(whole);
  if (changed.Empty()) {  // nothing new, or drawn over with the same pixels
    keyPending_ = false;
    return;
  }
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  if (whole) {
    int areaWidth = surface->w, areaHeight = surface->h;
    // Without a window manager nobody grants fullscreen: SDL sizes the surface for the whole
    // screen while the X window keeps its size, in fullscreen and after it. The picture then
    // belongs in the part shown. A window just opened, not fullscreen, is the size it was
    // made, and asking would cost the first frame a round trip to the server.
    const bool asMade = !presentedOnce_ && !IsFullscreen(window_);
    XWindowAttributes shown;
    if (mainXDisplay_ != nullptr && !asMade &&
        XGetWindowAttributes(static_cast<Display*>(mainXDisplay_), mainXWindow_, &shown) != 0) {
      areaWidth = std::min(areaWidth, shown.width);
      areaHeight = std::min(areaHeight, shown.height);
    }
    placement_ = PlaceInArea(areaWidth, areaHeight, width, height);
    surfaceWidth_ = surface->w;
    surfaceHeight_ = surface->h;
    DrawWholePicture(session_->Pixels(), width, height, placement_, surface, row_);
  } else {
    CopyScaled(session_->Pixels(), width, changed.Left, changed.Top, changed.Right, changed.Bottom,
               placement_, surface, row_);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (whole) {
    SDL_UpdateWindowSurface(window_);
  } else {
    const int n = placement_.Scale;
    SDL_Rect rect{placement_.X + changed.Left * n, placement_.Y + changed.Top * n,
                  (changed.Right - changed.Left) * n, (changed.Bottom - changed.Top) * n};
    SDL_Rect visible{};
    const SDL_Rect all{0, 0, surface->w, surface->h};
    if (SDL_IntersectRect(&rect, &all, &visible))
      SDL_UpdateWindowSurfaceRects(window_, &visible, 1);
  }
  if (traceFirstFrame_ && !presentedOnce_) {
    const auto elapsed = std::chrono::duration<double, std::milli>(SteadyClock::now() - start_);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "enclova: first frame %.2f ms after start, at %lld.%09ld\n",
                 elapsed.count(), static_cast<long long>(now.tv_sec), now.tv_nsec);
  }
  if (keyPending_) {
    const auto elapsed = std::chrono::duration<double, std::milli>(SteadyClock::now() - keyTaken_);
    std::fprintf(stderr, "enclova: key to present %.3f ms\n", elapsed.count());
    keyPending_ = false;
  }
  if (!presentedOnce_) {
    presentedOnce_ = true;
    SetIcon();
  }
}

void SdlWindow::SetIcon() {
  std::vector<std::uint32_t> icon = WindowIcon(kIconSize);
  if (SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
          icon.data(), kIconSize, kIconSize, 32, kIconSize * 4, SDL_PIXELFORMAT_ABGR8888)) {
    SDL_SetWindowIcon(window_, picture);
    SDL_FreeSurface(picture);
  }
}

void SdlWindow::AfterCall() {
  Present(false);
  if (boxOpen_) return;
  if (const GameSession::ErrorMessage* message = session_->PendingError()) ShowErrorBox(*message);
}

bool SdlWindow::WindowKey(const SDL_Event& event) {
  const std::uint16_t key = VirtualKeyOf(event.key.keysym.scancode, event.key.keysym.sym);
  switch (WindowKeyOf(key, (event.key.keysym.mod & KMOD_ALT) != 0, event.key.repeat != 0)) {
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

void SdlWindow::ToggleFullscreen() {
  const bool on = !IsFullscreen(window_);
  SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  rules_.FullscreenChanged(on);
  Present(true);
}

void SdlWindow::SaveScreenshot() {
  if (session_ == nullptr) return;
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  const CivilTime at{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     local.tm_sec,
                     0};
  SDL_SetWindowTitle(window_, rules_.SavePicture(session_->PictureAsPng(), at, Now()).c_str());
}

LoopStep SdlWindow::Step(GameSession* session) {
  LoopStep step = rules_.Step(session, Now());
  if (step.Title && window_ != nullptr) SDL_SetWindowTitle(window_, step.Title->c_str());
  return step;
}

void SdlWindow::Dispatch(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      terminate_ = true;
      break;
    case SDL_KEYDOWN:
      if (WindowKey(event)) break;
      if (traceKeys_) {
        keyTaken_ = SteadyClock::now();
        keyPending_ = true;
      }
      // Repeats too: every auto-repeat is a key-down, and a held key acts once per repeat.
      if (const std::uint16_t key = VirtualKeyOf(event.key.keysym.scancode, event.key.keysym.sym);
          key != 0) {
        session_->Key(key);
      }
      break;
    case SDL_WINDOWEVENT:
      if (event.window.windowID != SDL_GetWindowID(window_)) break;  // the hidden error box
      if (event.window.event == SDL_WINDOWEVENT_SHOWN ||
          event.window.event == SDL_WINDOWEVENT_RESTORED) {
        // Shown again after being taken off the screen: the focus it had went with it, and
        // with no window manager to hand it back the keys would go nowhere. SDL reports an
        // unmapped window's return as restored first and shown second, and each repaints it:
        // the focus is taken at the first, before a repaint makes it look ready for keys.
        SDL_SetWindowInputFocus(window_);
      }
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) terminate_ = true;
      HandlePaintRequest(event);
      break;
    case SDL_SYSWMEVENT:
      if (!HandlePaintRequest(event) && IsKeyWithoutScancode(event)) {
        session_->Key(keys::kWithoutCode);
      }
      break;
    default:
      pads_.Woken(event, Now());
      break;
  }
}

void SdlWindow::ReadPads() {
  const std::vector<std::uint16_t> keys = pads_.Read(Now());
  for (std::uint16_t key : keys) session_->Key(key);
  if (!keys.empty()) AfterCall();
}

bool SdlWindow::IsKeyWithoutScancode(const SDL_Event& event) const {
  const SDL_SysWMmsg* msg = event.syswm.msg;
  if (!exposeAreas_ || msg == nullptr || msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = msg->msg.x11.event;
  if (x.type != KeyPress || x.xkey.window != mainXWindow_) return false;
  // SDL queues its key-down right behind the window-manager event of the same press, and
  // drops the press instead when it has no scancode for the key.
  SDL_Event next;
  return SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1 ||
         next.type != SDL_KEYDOWN;
}

bool SdlWindow::HandlePaintRequest(const SDL_Event& event) {
  if (window_ == nullptr || session_ == nullptr) return false;
  if (event.type == SDL_SYSWMEVENT) {
    const SDL_SysWMmsg* msg = event.syswm.msg;
    if (!exposeAreas_ || msg == nullptr || msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x = msg->msg.x11.event;
    if (x.type != Expose || x.xexpose.window != mainXWindow_) return false;
    exposedOnce_ = true;
    // One uncovering comes as a series of rectangles; the last says no more follow. Their
    // union is repainted at once, so a series costs one paint.
    const PixelArea area{x.xexpose.x, x.xexpose.y, x.xexpose.x + x.xexpose.width,
                         x.xexpose.y + x.xexpose.height};
    if (!exposed_) {
      exposed_ = area;
    } else {
      exposed_->Left = std::min(exposed_->Left, area.Left);
      exposed_->Top = std::min(exposed_->Top, area.Top);
      exposed_->Right = std::max(exposed_->Right, area.Right);
      exposed_->Bottom = std::max(exposed_->Bottom, area.Bottom);
    }
    if (x.xexpose.count == 0) {
      // The server names window pixels; the game paints its own, each a block of the scale.
      const PixelArea inWindow = *exposed_;
      exposed_.reset();
      const PixelArea picture =
          PictureArea(inWindow, placement_, GameSession::kWidth, GameSession::kHeight);
      if (!picture.Empty()) {
        Repaint(picture);
      } else {
        Present(true);  // only the black around the picture
      }
    }
    return true;
  }
  if (event.type != SDL_WINDOWEVENT || event.window.windowID != SDL_GetWindowID(window_)) {
    return false;
  }
  switch (event.window.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
      // Shown for the first time or again: the system names no area, the whole is new.
      Repaint({0, 0, GameSession::kWidth, GameSession::kHeight});
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
      exposedOnce_ = true;
      // Where the system names the areas, they have been repainted already.
      if (!exposeAreas_) Repaint({0, 0, GameSession::kWidth, GameSession::kHeight});
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // Fullscreen, maximised or resized: the same picture, at the scale that now fits.
      Present(true);
      return true;
    default:
      return false;
  }
}

void SdlWindow::Repaint(const PixelArea& area) {
  session_->Paint(area);
  Present(true);
}

bool SdlWindow::OpenMainWindow(std::string* error) {
  const int scale = placement_.Scale;
  const bool fullscreen = rules_.StartsFullscreen();
  window_ = SDL_CreateWindow(
      rules_.Title().c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
      GameSession::kWidth * scale, GameSession::kHeight * scale,
      SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
  if (window_ == nullptr) {
    if (error != nullptr) *error = SDL_GetError();
    return false;
  }
  // Resizable so that a window manager can maximise it, but never smaller than the picture.
  SDL_SetWindowMinimumSize(window_, GameSession::kWidth, GameSession::kHeight);
  // The surface is made before the window is shown, and its memory readied on a second core
  // while the window is shown and the first frame drawn.
  if (SDL_Surface* surface = SDL_GetWindowSurface(window_);
      surface != nullptr && !prefault_.joinable()) {
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    const auto size = static_cast<std::size_t>(surface->pitch) * surface->h;
    prefault_ = std::thread([pixels, size] { ReadyMemoryFromTheEnd(pixels, size); });
  }
  // On X11 the server names every uncovered rectangle in its Expose events, which SDL passes
  // on only as window-manager events; its own expose event says nothing of where.
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    mainXWindow_ = info.info.x11.window;
    mainXDisplay_ = info.info.x11.display;
    exposeAreas_ = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  }
  SDL_ShowWindow(window_);
  return true;
}

bool SdlWindow::Run(GameSession& session, std::string* error) {
  session_ = &session;
  // A start-up failure is shown before the main window exists.
  if (const GameSession::ErrorMessage* message = session.PendingError()) ShowErrorBox(*message);
  if (terminate_) return true;  // asked to end while a start-up error box was open
  // Showing it queues SDL_WINDOWEVENT_SHOWN, whose handling paints the first frame and gives
  // the window the keyboard.
  if (!OpenMainWindow(error)) return false;
  pads_.Start(Now());

  SDL_Event event;
  auto handle = [&] {
    Dispatch(event);
    AfterCall();
    keyPending_ = false;
  };
  // The server's first paint request (the window mapped and exposed) comes before the first
  // tick, whatever the server's pace, so every start shows the same picture: the first tick
  // draws the title over what that paint drew. A server that never asks is waited for a second.
  const SteadyClock::time_point exposeBy = SteadyClock::now() + std::chrono::seconds(1);
  while (!terminate_ && !exposedOnce_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(exposeBy - SteadyClock::now());
    if (left.count() <= 0) break;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(left.count())) == 0) continue;
    handle();
  }
  while (!terminate_ && !session.QuitRequested()) {
    ReadPads();
    if (terminate_ || session.QuitRequested()) break;
    const LoopStep step = Step(&session);
    if (step.Tick) {
      session.Tick();
      AfterCall();
      continue;
    }
    // No tick is needed until something happens (the title, the ranking screen): sleep until
    // then, or until F12's line leaves the title, or the pads are to be read.
    const int wait = SoonerWait(step.WaitMilliseconds, pads_.WaitMilliseconds(Now()));
    if (wait < 0) {
      if (SDL_WaitEvent(&event) == 0) break;
      handle();
    } else if (SDL_WaitEventTimeout(&event, wait) != 0) {
      handle();
    }
  }
  return true;
}

}  // namespace enclova
