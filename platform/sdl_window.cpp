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
#include "platform/tick_schedule.h"
#include "replay/player.h"

namespace enclova {

namespace {

using SteadyClock = std::chrono::steady_clock;

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
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  // Our 0x00BBGGRR is SDL's XBGR8888; X servers' windows are usually XRGB (SDL's RGB888), so
  // SDL swaps the channels on the way (and copies alone when the formats agree).
  SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_XBGR8888, canvas_->Pixels().data(),
                    canvas_->Width() * 4, surface->format->format, surface->pixels, surface->pitch);
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
      if (const std::uint16_t key = VirtualKeyOf(event.key.keysym.scancode, event.key.keysym.sym);
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
    exposedOnce_ = true;
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
      exposedOnce_ = true;
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

bool SdlWindow::OpenMainWindow(std::string* error) {
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
  SDL_ShowWindow(window_);
  return true;
}

bool SdlWindow::RunReplay(replay::Player& player, std::string* error) {
  canvas_ = &player.Form().Canvas;
  if (!OpenMainWindow(error)) return false;
  // Window events only present: a repaint through the game would be a call the round never had.
  auto handle = [&](const SDL_Event& event) {
    if (event.type == SDL_QUIT) terminate_ = true;
    if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
      terminate_ = true;
    }
    if (event.type == SDL_WINDOWEVENT && event.window.windowID == SDL_GetWindowID(window_)) {
      switch (event.window.event) {
        case SDL_WINDOWEVENT_SHOWN:
          SDL_SetWindowInputFocus(window_);
          [[fallthrough]];
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
          Present(true);
          break;
        case SDL_WINDOWEVENT_CLOSE:
          terminate_ = true;
          break;
        default:
          break;
      }
    }
  };
  SteadyClock::time_point due = SteadyClock::now();
  if (!player.Done()) due += std::chrono::milliseconds(player.NextCall().DelayMs);
  SDL_Event event;
  while (!terminate_ && !player.Done()) {
    const SteadyClock::time_point now = SteadyClock::now();
    if (now >= due) {
      player.Step();
      Present(false);
      if (!player.Done()) due += std::chrono::milliseconds(player.NextCall().DelayMs);
      continue;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
    if (SDL_WaitEventTimeout(&event, static_cast<int>(wait.count())) != 0) handle(event);
  }
  // The last picture stays a moment, so the end of the round can be seen.
  const SteadyClock::time_point until = SteadyClock::now() + std::chrono::milliseconds(1500);
  while (!terminate_ && SteadyClock::now() < until) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - SteadyClock::now());
    if (SDL_WaitEventTimeout(&event, static_cast<int>(std::max<long>(1, wait.count()))) != 0) {
      handle(event);
    }
  }
  return true;
}

bool SdlWindow::Run(TForm1& form, Application& app, std::string* error) {
  canvas_ = &form.Canvas;
  app_ = &app;
  if (terminate_) return true;  // asked to end while a start-up error box was open
  // Showing it queues SDL_WINDOWEVENT_SHOWN, whose handling paints the first frame and gives
  // the window the keyboard.
  if (!OpenMainWindow(error)) return false;

  SDL_Event event;
  // The server's first paint request (the window mapped and exposed) comes before the first
  // tick, whatever the server's pace, so every start shows the same picture: the first tick
  // draws the title over what that paint drew. A server that never asks is waited for a second.
  const SteadyClock::time_point exposeBy = SteadyClock::now() + std::chrono::seconds(1);
  while (!terminate_ && !exposedOnce_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(exposeBy - SteadyClock::now());
    if (left.count() <= 0) break;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(left.count())) == 0) continue;
    Dispatch(event, app);
    Present(false);
  }
  TickSchedule schedule(SteadyClock::now());
  while (!terminate_) {
    if (form.TimerIsIdle()) {
      // A tick would do nothing: sleep until something happens.
      if (SDL_WaitEvent(&event) == 0) break;
      Dispatch(event, app);
      Present(false);
      schedule.Resync(SteadyClock::now());
      continue;
    }
    // Between the countdown's stages, the clock's seconds and the result's stages the ticks
    // certainly do nothing; the schedule sleeps through them.
    const std::chrono::milliseconds quiet(sleepThroughQuiet_ ? form.QuietMilliseconds() : 0);
    const TickPlan plan = schedule.Plan(SteadyClock::now(), quiet);
    if (plan.Tick) {
      app.Tick();
      Present(false);
    } else if (SDL_WaitEventTimeout(&event, static_cast<int>(plan.Wait.count())) != 0) {
      Dispatch(event, app);
      Present(false);
    }
  }
  return true;
}

}  // namespace enclova
