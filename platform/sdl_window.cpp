// The game's window on SDL: events to handlers, the 33 ms timer, and presenting the Canvas.
#include "platform/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/application.h"
#include "app/form.h"
#include "gfx/surface.h"

namespace enclova {

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTimerPeriod = kTickPeriod;
constexpr std::chrono::milliseconds kQuietMargin{2};

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
  // With no session bus, SDL's D-Bus use (input methods, screen saver) would fork dbus-launch
  // to start one, before the first frame; we need no bus, so outside a session there is none.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    if (error != nullptr) *error = SDL_GetError();
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

SdlWindow::SdlWindow(const Typeface* face) : face_(face) {}

// Windows are never destroyed, and SDL is not shut down: the end of the process closes the
// connection and the X server drops the windows. SDL wakes a waiting loop by sending a message
// to one of its windows over a second connection; a window destroyed just after that message
// was sent turns it into a BadWindow error, which Xlib treats as fatal (exit status 1).
SdlWindow::~SdlWindow() = default;

bool SdlWindow::MainWindowShown() const {
  return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
}

void SdlWindow::Present(bool force) {
  if (window_ == nullptr || canvas_ == nullptr || !canvas_->Exists()) return;
  if (!force && presentedOnce_ && canvas_->ChangeCount() == presentedChange_) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  const int width = std::min(canvas_->Width(), surface->w);
  const int height = std::min(canvas_->Height(), surface->h);
  const int sourcePitch = canvas_->Width() * 4;
  const std::uint32_t* source = canvas_->Pixels().data();
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  if (surface->format->format == SDL_PIXELFORMAT_XBGR8888) {
    // Our 0x00BBGGRR is this format as it stands.
    auto* target = static_cast<std::uint8_t*>(surface->pixels);
    for (int y = 0; y < height; ++y) {
      std::memcpy(target + static_cast<std::ptrdiff_t>(y) * surface->pitch,
                  source + static_cast<std::ptrdiff_t>(y) * canvas_->Width(),
                  static_cast<std::size_t>(width) * 4);
    }
  } else {
    SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_XBGR8888, source, sourcePitch,
                      surface->format->format, surface->pixels, surface->pitch);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window_);
  presentedChange_ = canvas_->ChangeCount();
  if (traceFirstFrame_ && !presentedOnce_) {
    const auto elapsed = std::chrono::duration<double, std::milli>(SteadyClock::now() - start_);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "enclova: first frame %.2f ms after start, at %lld.%09ld\n",
                 elapsed.count(), static_cast<long long>(now.tv_sec), now.tv_nsec);
  }
  const bool first = !presentedOnce_;
  presentedOnce_ = true;
  if (first && afterFirstFrame_) std::exchange(afterFirstFrame_, nullptr)();
}

void SdlWindow::Dispatch(const SDL_Event& event, Application& app) {
  switch (event.type) {
    case SDL_QUIT:
      terminate_ = true;
      break;
    case SDL_KEYDOWN:
      // Repeats too: every auto-repeat is a key-down, and a held key acts once per repeat.
      if (const std::uint16_t key =
              VirtualKeyOf(event.key.keysym.scancode, event.key.keysym.sym);
          key != 0) {
        app.KeyDown(key);
      }
      break;
    case SDL_WINDOWEVENT:
      if (event.window.windowID != SDL_GetWindowID(window_)) break;  // the hidden error box
      if (event.window.event == SDL_WINDOWEVENT_SHOWN) {
        // Shown again after being taken off the screen: the focus it had went with it, and
        // with no window manager to hand it back the keys would go nowhere.
        SDL_SetWindowInputFocus(window_);
      }
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) terminate_ = true;
      HandlePaintRequest(event);
      break;
    case SDL_SYSWMEVENT:
      if (!HandlePaintRequest(event) && IsKeyWithoutScancode(event)) app.KeyDown(kKeyWithoutCode);
      break;
    default:
      break;
  }
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
  if (window_ == nullptr || app_ == nullptr) return false;
  if (event.type == SDL_SYSWMEVENT) {
    const SDL_SysWMmsg* msg = event.syswm.msg;
    if (!exposeAreas_ || msg == nullptr || msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x = msg->msg.x11.event;
    if (x.type != Expose || x.xexpose.window != mainXWindow_) return false;
    // One uncovering comes as a series of rectangles; the last says no more follow. Their
    // union is repainted at once, so a series costs one paint.
    const TRect area{x.xexpose.x, x.xexpose.y, x.xexpose.x + x.xexpose.width,
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
      const TRect union_ = *exposed_;
      exposed_.reset();
      Repaint(union_);
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
      Repaint({0, 0, kClientWidth, kClientHeight});
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
      // Where the system names the areas, they have been repainted already.
      if (!exposeAreas_) Repaint({0, 0, kClientWidth, kClientHeight});
      return true;
    default:
      return false;
  }
}

void SdlWindow::Repaint(const TRect& area) {
  app_->Paint(area);
  Present(true);
}

bool SdlWindow::Run(TForm1& form, Application& app, std::string* error) {
  canvas_ = &form.Canvas;
  app_ = &app;
  if (terminate_) return true;  // asked to end while a start-up error box was open
  window_ = SDL_CreateWindow("Enclova", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kClientWidth, kClientHeight, SDL_WINDOW_HIDDEN);
  if (window_ == nullptr) {
    if (error != nullptr) *error = SDL_GetError();
    return false;
  }
  // On X11 the server names every uncovered rectangle in its Expose events, which SDL passes
  // on only as window-manager events; its own expose event says nothing of where.
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    mainXWindow_ = info.info.x11.window;
    exposeAreas_ = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  }
  // Showing it queues SDL_WINDOWEVENT_SHOWN, whose handling paints the first frame and gives
  // the window the keyboard.
  SDL_ShowWindow(window_);

  // The timer runs from a deadline, so ticks keep their 33 ms rhythm however long the handlers
  // take; one that falls due late is delivered once, and the rhythm starts again from then.
  SteadyClock::time_point next = SteadyClock::now() + kTimerPeriod;
  SDL_Event event;
  while (!terminate_) {
    if (form.TimerIsIdle()) {
      // A tick would do nothing: sleep until something happens.
      if (SDL_WaitEvent(&event) == 0) break;
      Dispatch(event, app);
      Present(false);
      if (next < SteadyClock::now()) next = SteadyClock::now() + kTimerPeriod;
      continue;
    }
    SteadyClock::time_point now = SteadyClock::now();
    // Ticks that certainly do nothing (between the countdown's stages, the clock's seconds and
    // the result's stages) are passed over without waking; the first that may act comes at
    // its usual time in the rhythm. The margin covers the two clocks' different phases.
    const SteadyClock::time_point quietUntil =
        now + std::chrono::milliseconds(form.QuietMilliseconds()) - kQuietMargin;
    if (now >= next) {
      if (next < quietUntil) {
        next += kTimerPeriod;
        continue;
      }
      app.Tick();
      Present(false);
      next += kTimerPeriod;
      if (next <= now) next = now + kTimerPeriod;
      continue;
    }
    SteadyClock::time_point wakeAt = next;
    while (wakeAt < quietUntil) wakeAt += kTimerPeriod;
    // Rounded up: waking a fraction of a millisecond early would cost a second wake-up.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now);
    if (SDL_WaitEventTimeout(&event, static_cast<int>(wait.count())) != 0) {
      Dispatch(event, app);
      Present(false);
    }
  }
  return true;
}

}  // namespace enclova
