// SPDX-License-Identifier: MIT
// The error box's picture.
#include "frontend/error_box.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "app/game_typeface.h"
#include "app/screen_layout.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"
#include "gfx/typeface_atlas.h"

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

}  // namespace

// Breaks the message into lines no wider than the box allows: at a newline, after the last
// space that fits, or, in a run without spaces (a long path, Japanese text), before the first
// character that does not fit.
std::vector<std::string> WrapErrorLines(const Typeface* face, const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t lastSpace = std::string::npos;  // in `line`
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n =
        std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
    const std::string piece = text.substr(i, n);
    i += n;
    if (piece == "\n") {  // the English line beneath the game's text starts a line of its own
      lines.push_back(line);
      line.clear();
      lastSpace = std::string::npos;
      continue;
    }
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

ErrorBoxFace::ErrorBoxFace(const Maker& make) : atlas_(OpenGameTypeface()) {
  if (make) made_ = make(atlas_.get());
}

ErrorBoxFace::~ErrorBoxFace() = default;

const Typeface* ErrorBoxFace::Face() const {
  if (made_ != nullptr) return made_.get();
  return atlas_.get();
}

ErrorBoxPicture DrawErrorBox(const Typeface* face, const std::string& text) {
  const Surface box = DrawBox(face, WrapErrorLines(face, text));
  return {box.Width(), box.Height(), box.Pixels()};
}

// (x, y) in the box's own pixels, before scaling.
bool InErrorBoxButton(const ErrorBoxPicture& box, int x, int y) {
  const int bx = Layout::ButtonX(box.Width);
  const int by = Layout::ButtonY(box.Height);
  return x >= bx && x < bx + Layout::kButtonWidth && y >= by && y < by + Layout::kButtonHeight;
}

}  // namespace enclova
