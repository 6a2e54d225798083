// SPDX-License-Identifier: MIT
// The error box's picture, drawn by ourselves where the system has no box that can show the
// game's Japanese text (SDL on Linux): the stop icon, the message wrapped to the box, the OK
// button. A front end shows it and tells a click on the button from one elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace enclova {

class AtlasTypeface;
class Typeface;

// The face the box writes with: the game's own glyphs (the atlas built into the core), or what
// `make` makes of them. A message names any file, so a system with installed fonts passes a
// `make` that falls back on them for a text the atlas lacks characters of (posix/
// installed_fonts.h); `make` is given no atlas when the built-in one cannot be read. A front end
// holds the face and passes it back; it never draws with it itself.
class ErrorBoxFace {
 public:
  using Maker = std::function<std::unique_ptr<Typeface>(const AtlasTypeface* atlas)>;

  explicit ErrorBoxFace(const Maker& make = {});
  ~ErrorBoxFace();
  ErrorBoxFace(const ErrorBoxFace&) = delete;
  ErrorBoxFace& operator=(const ErrorBoxFace&) = delete;

  // Null when there is none: the box then shows no text.
  const Typeface* Face() const;

 private:
  std::unique_ptr<AtlasTypeface> atlas_;
  std::unique_ptr<Typeface> made_;
};

// The box's picture at 1x, 0x00BBGGRR, row by row.
struct ErrorBoxPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
};

// The error box's fixed geometry, in pixels of the box's client area. The text area grows with
// the message; everything else sits at fixed offsets from the edges.
struct ErrorBoxLayout {
  static constexpr int kMargin = 20;    // around the icon and the text
  static constexpr int kIconSize = 32;  // the stop icon, at (kMargin, kMargin)
  static constexpr int kTextLeft = kMargin + kIconSize + 16;
  static constexpr int kTextHeight = 16;     // Font.Height of the message
  static constexpr int kMaxTextWidth = 520;  // longer messages wrap
  static constexpr int kMinWidth = 240;
  static constexpr int kBandHeight = 44;  // the grey band holding the button
  static constexpr int kButtonWidth = 80;
  static constexpr int kButtonHeight = 26;
  static constexpr int kButtonRight = 12;  // gap between the button and the right edge

  // The button's top-left corner in a box of the given size.
  static constexpr int ButtonX(int boxWidth) { return boxWidth - kButtonRight - kButtonWidth; }
  static constexpr int ButtonY(int boxHeight) {
    return boxHeight - kBandHeight + (kBandHeight - kButtonHeight) / 2;
  }
};

// Colours of the error box, 0x00BBGGRR like every colour of ours.
constexpr std::uint32_t kErrorBoxFace = 0x00FFFFFF;     // behind the icon and the text
constexpr std::uint32_t kErrorBoxBand = 0x00F0F0F0;     // behind the button
constexpr std::uint32_t kErrorBoxStopRed = 0x002311E8;  // the stop icon's disc
constexpr std::uint32_t kErrorBoxButtonEdge = 0x00D77800;
constexpr std::uint32_t kErrorBoxButtonFace = 0x00E1E1E1;

// The whole box for `text` at 1x: icon and message on white, the OK button on a grey band below.
// `face` may be null: the box then shows no text.
ErrorBoxPicture DrawErrorBox(const Typeface* face, const std::string& text);

// The message broken into lines no wider than the box allows: at a newline, after the last
// space that fits, or, in a run without spaces (a long path, Japanese text), before the first
// character that does not fit.
std::vector<std::string> WrapErrorLines(const Typeface* face, const std::string& text);

// (x, y) in the box's own pixels, before scaling.
bool InErrorBoxButton(const ErrorBoxPicture& box, int x, int y);

}  // namespace enclova
