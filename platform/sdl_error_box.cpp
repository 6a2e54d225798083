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

#include "app/application.h"
#include "app/screen_layout.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"
#include "platform/sdl_window.h"
#include "platform/tick_schedule.h"

namespace enclova {

namespace {

using Layout = ErrorBoxLayout;

// The game's glyph atlas holds the box's texts at the game's small height only.
static_assert(Layout::kTextHeight == kSmallFontHeight);

int TextWidth(const Typeface* face, std::string_view text) {
  return face != nullptr ? face->Render(text, Layout::kTextHeight).Width : 0;
}

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray continuation byte).
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Breaks the message into lines no wider than the box allows: after the last space that fits,
// or, in a run without spaces (a long path, Japanese text), before the first character that
// does not fit.
std::vector<std::string> WrapLines(const Typeface* face, const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t lastSpace = std::string::npos;  // in `line`
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n =
        std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
    const std::string piece = text.substr(i, n);
    i += n;
    if (line.empty() || TextWidth(face, line + piece) <= Layout::kMaxTextWidth) {
      if (piece == " ") lastSpace = line.size();
      line += piece;
      continue;
    }
    if (piece == " ") {  // the break falls on a space: it goes
      lines.push_back(line);
      line.clear();
      lastSpace = std::string::npos;
      continue;
    }
    if (lastSpace != std::string::npos) {
      lines.push_back(line.substr(0, lastSpace));
      line = line.substr(lastSpace + 1) + piece;
    } else {
      lines.push_back(line);
      line = piece;
    }
    lastSpace = std::string::npos;
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

TColor Blend(TColor back, TColor ink, int coverage, int full) {
  TColor out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int b = static_cast<int>((back >> shift) & 0xFF);
    const int f = static_cast<int>((ink >> shift) & 0xFF);
    out |= static_cast<TColor>((b * (full - coverage) + f * coverage + full / 2) / full) << shift;
  }
  return out;
}

// The stop sign: a red disc with a white cross, smoothed by 4x4 samples per pixel.
void DrawStopIcon(Surface& box, int left, int top) {
  constexpr int kSamples = 4;
  constexpr double kCentre = Layout::kIconSize / 2.0;
  constexpr double kRadius = kCentre - 0.5;
  constexpr double kArm = 7.0;      // half the cross's extent
  constexpr double kStroke = 1.75;  // half the cross's stroke, measured along an axis
  for (int y = 0; y < Layout::kIconSize; ++y) {
    for (int x = 0; x < Layout::kIconSize; ++x) {
      int red = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double dx = x + (sx + 0.5) / kSamples - kCentre;
          const double dy = y + (sy + 0.5) / kSamples - kCentre;
          if (dx * dx + dy * dy > kRadius * kRadius) continue;
          const bool inCross = std::abs(dx) <= kArm && std::abs(dy) <= kArm &&
                               (std::abs(dx - dy) <= kStroke || std::abs(dx + dy) <= kStroke);
          if (!inCross) ++red;
        }
      }
      const TColor back = box.GetPixel(left + x, top + y);
      box.SetPixel(left + x, top + y, Blend(back, kErrorBoxStopRed, red, kSamples * kSamples));
    }
  }
}

// The whole box: icon and message on white, the OK button on a grey band below.
Surface DrawBox(const Typeface* face, const std::vector<std::string>& lines) {
  int textWidth = 0;
  for (const std::string& line : lines) textWidth = std::max(textWidth, TextWidth(face, line));
  const int textHeight = static_cast<int>(lines.size()) * Layout::kTextHeight;
  const int width = std::max(Layout::kMinWidth, Layout::kTextLeft + textWidth + Layout::kMargin);
  const int contentHeight = std::max(Layout::kIconSize, textHeight) + 2 * Layout::kMargin;
  const int height = contentHeight + Layout::kBandHeight;

  Surface box(width, height);
  box.Face = face;
  box.Fill(kErrorBoxFace);
  box.Pen.Color = kErrorBoxBand;
  box.Brush.Color = kErrorBoxBand;
  box.Rectangle(0, contentHeight, width, height);

  DrawStopIcon(box, Layout::kMargin, Layout::kMargin);

  // One line sits level with the icon's middle; more start at its top.
  int y = lines.size() == 1 ? Layout::kMargin + (Layout::kIconSize - Layout::kTextHeight) / 2
                            : Layout::kMargin;
  box.Font.Height = Layout::kTextHeight;
  box.Font.Color = 0x00000000;
  box.Brush.Color = kErrorBoxFace;
  for (const std::string& line : lines) {
    box.TextOut(Layout::kTextLeft, y, line);
    y += Layout::kTextHeight;
  }

  // The button, with the double edge of the default button that has the focus.
  const int bx = Layout::ButtonX(width);
  const int by = Layout::ButtonY(height);
  box.Pen.Color = kErrorBoxButtonEdge;
  box.Brush.Color = kErrorBoxButtonFace;
  box.Rectangle(bx, by, bx + Layout::kButtonWidth, by + Layout::kButtonHeight);
  box.Rectangle(bx + 1, by + 1, bx + Layout::kButtonWidth - 1, by + Layout::kButtonHeight - 1);
  const int labelWidth = TextWidth(face, "OK");
  box.TextOut(bx + (Layout::kButtonWidth - labelWidth) / 2,
              by + (Layout::kButtonHeight - Layout::kTextHeight) / 2, "OK");
  return box;
}

// The box at the game's scale: every pixel an N x N block, as in the game's window.
void PresentBox(SDL_Window* window, const Surface& box, int scale) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  std::vector<std::uint32_t> row;
  CopyScaled(box.Pixels().data(), box.Width(), 0, 0, box.Width(), box.Height(),
             Placement{scale, 0, 0}, surface, row);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  SDL_UpdateWindowSurface(window);
}

// (x, y) in the box's own pixels, before scaling.
bool InButton(const Surface& box, int x, int y) {
  const int bx = Layout::ButtonX(box.Width());
  const int by = Layout::ButtonY(box.Height());
  return x >= bx && x < bx + Layout::kButtonWidth && y >= by && y < by + Layout::kButtonHeight;
}

}  // namespace

void SdlWindow::ShowError(const std::string& caption, const std::string& text) {
  // A tick run by an open box's loop failing again: one box at a time; the message has gone to
  // standard error already.
  if (boxOpen_) return;
  boxOpen_ = true;
  // What the failed handler drew up to the error is on the screen while the box waits.
  Present(false);
  const Surface box = DrawBox(face_, WrapLines(face_, text));
  const int scale = CurrentScale();
  const int boxWidth = box.Width() * scale;
  const int boxHeight = box.Height() * scale;

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
  const bool ticking = app_ != nullptr && MainWindowShown();
  TickSchedule schedule(std::chrono::steady_clock::now());
  while (open) {
    if (ticking && !terminate_) {
      // Every tick is delivered here: the box's loop makes no quiet-timer promise.
      const TickPlan plan = schedule.Plan(std::chrono::steady_clock::now(), {});
      if (plan.Tick) {
        app_->Tick();
        Present(false);
        continue;
      }
      if (SDL_WaitEventTimeout(&event, static_cast<int>(plan.Wait.count())) == 0) continue;
    } else if (SDL_WaitEvent(&event) == 0) {
      break;
    }
    switch (event.type) {
      case SDL_QUIT:
        terminate_ = true;
        open = false;
        break;
      case SDL_KEYDOWN:
        switch (event.key.keysym.scancode) {
          case SDL_SCANCODE_RETURN:
          case SDL_SCANCODE_KP_ENTER:
          case SDL_SCANCODE_SPACE:
          case SDL_SCANCODE_ESCAPE:
            open = false;
            break;
          default:
            break;
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.windowID == boxId && event.button.button == SDL_BUTTON_LEFT) {
          buttonPressed = InButton(box, event.button.x / scale, event.button.y / scale);
        }
        break;
      case SDL_MOUSEBUTTONUP:
        // A click is a press and a release both on the button, as with any push button.
        if (event.button.windowID == boxId && event.button.button == SDL_BUTTON_LEFT) {
          if (buttonPressed && InButton(box, event.button.x / scale, event.button.y / scale)) {
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
}

}  // namespace enclova
