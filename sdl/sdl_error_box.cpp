// SPDX-License-Identifier: MIT
// The modal error box, drawn by ourselves: SDL's own box needs the core X fonts and a locale that
// can show Japanese, and neither can be counted on.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/error_box.h"
#include "sdl/sdl_window.h"

namespace enclova {

namespace {

using Layout = ErrorBoxLayout;

// The box at the game's scale: every pixel an N x N block, as in the game's window.
void PresentBox(SDL_Window* window, const ErrorBoxPicture& box, int scale) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  std::vector<std::uint32_t> row;
  CopyScaled(box.Pixels.data(), box.Width, 0, 0, box.Width, box.Height, Placement{scale, 0, 0},
             surface, row);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window);
}

}  // namespace

void SdlWindow::ShowErrorBox(const GameSession::ErrorMessage& message) {
  boxOpen_ = true;
  const std::string caption = message.Caption;
  const ErrorBoxPicture box =
      DrawErrorBox(face_ != nullptr ? face_->Face() : nullptr, GameSession::BoxText(message));
  const int scale = CurrentScale();
  const int boxWidth = box.Width * scale;
  const int boxHeight = box.Height * scale;

  // Over the middle of the game's window when it is open, else in the middle of the screen.
  int x = static_cast<int>(SDL_WINDOWPOS_CENTERED);
  int y = static_cast<int>(SDL_WINDOWPOS_CENTERED);
  const bool overMain = MainWindowShown();
  if (overMain) {
    int mx = 0, my = 0, mw = 0, mh = 0;
    SDL_GetWindowPosition(window_, &mx, &my);
    SDL_GetWindowSize(window_, &mw, &mh);
    x = mx + (mw - boxWidth) / 2;
    y = my + (mh - boxHeight) / 2;
  }
  // One window serves every box, shown and hidden, never destroyed (see ~SdlWindow).
  if (box_ == nullptr) {
    box_ = SDL_CreateWindow(caption.c_str(), x, y, boxWidth, boxHeight,
                            SDL_WINDOW_HIDDEN | SDL_WINDOW_SKIP_TASKBAR);
    if (box_ == nullptr) {  // the message has gone to standard error already
      boxOpen_ = false;
      session_->AnswerError();
      return;
    }
  } else {
    SDL_SetWindowTitle(box_, caption.c_str());
    SDL_SetWindowSize(box_, boxWidth, boxHeight);
    SDL_SetWindowPosition(box_, x, y);
  }
  SDL_Window* window = box_;
  if (overMain) SDL_SetWindowModalFor(window, window_);
  SDL_ShowWindow(window);
  SDL_SetWindowInputFocus(window);
  const Uint32 boxId = SDL_GetWindowID(window);
  const Uint32 mainId = window_ != nullptr ? SDL_GetWindowID(window_) : 0;

  // The box's own loop: the keys are the box's, but the game's timer keeps running and its
  // window is repainted when uncovered, as under a modal box of the window system: a failed
  // save does not hold up the result, which goes on to the ranking behind the box.
  bool open = true;
  bool buttonPressed = false;
  SDL_Event event;
  // Before the main window is shown (a start-up failure) the game has no timer yet.
  const bool ticking = MainWindowShown();
  while (open) {
    // F12's line leaves the title on time behind the box too.
    const LoopStep step = Step(ticking && !terminate_ ? session_ : nullptr);
    if (step.Tick) {
      session_->Tick();
      Present(false);
      continue;
    }
    const int wait = step.WaitMilliseconds;
    if (wait >= 0) {
      if (SDL_WaitEventTimeout(&event, wait) == 0) continue;
    } else if (SDL_WaitEvent(&event) == 0) {
      break;
    }
    switch (event.type) {
      case SDL_QUIT:
        terminate_ = true;
        open = false;
        break;
      case SDL_KEYDOWN:
        if (ClosesErrorBox(VirtualKeyOf(event.key.keysym.scancode, event.key.keysym.sym))) {
          open = false;
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.windowID == boxId && event.button.button == SDL_BUTTON_LEFT) {
          buttonPressed = InErrorBoxButton(box, event.button.x / scale, event.button.y / scale);
        }
        break;
      case SDL_MOUSEBUTTONUP:
        // A click is a press and a release both on the button, as with any push button.
        if (event.button.windowID == boxId && event.button.button == SDL_BUTTON_LEFT) {
          if (buttonPressed &&
              InErrorBoxButton(box, event.button.x / scale, event.button.y / scale)) {
            open = false;
          }
          buttonPressed = false;
        }
        break;
      case SDL_WINDOWEVENT: {
        const Uint8 what = event.window.event;
        const bool paint = what == SDL_WINDOWEVENT_SHOWN || what == SDL_WINDOWEVENT_EXPOSED ||
                           what == SDL_WINDOWEVENT_RESTORED;
        if (event.window.windowID == boxId) {
          if (paint) PresentBox(window, box, scale);
          if (what == SDL_WINDOWEVENT_CLOSE) open = false;
        } else if (event.window.windowID == mainId && mainId != 0) {
          HandlePaintRequest(event);
          if (what == SDL_WINDOWEVENT_CLOSE) {
            terminate_ = true;
            open = false;
          }
        }
        break;
      }
      case SDL_SYSWMEVENT:
        HandlePaintRequest(event);
        break;
      default:
        break;
    }
  }
  SDL_HideWindow(window);
  if (MainWindowShown()) SDL_SetWindowInputFocus(window_);
  boxOpen_ = false;
  session_->AnswerError();
}

}  // namespace enclova
