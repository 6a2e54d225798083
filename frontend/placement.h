// SPDX-License-Identifier: MIT
// Where the game's picture stands in a window or on a page: the whole scale it is shown at, and
// which of its pixels a window area touches. Every front end places the picture by these rules,
// so a player gets the same size and the same sharp pixels everywhere.
#pragma once

namespace enclova {

// The largest scale anyone asks for: a 9600x6400 window is beyond any screen sold today.
inline constexpr int kMaxScale = 16;

// The thickness of what the window system draws around a window's client area: its borders
// and title bar.
struct WindowFrame {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// The frame to count on while the real one is unknown: an X window manager tells it only once the
// window is up, too late to choose the size it opens at. A title bar and borders as thick as the
// common Linux desktops draw them, a little more rather than less, since a window taller than the
// usable area runs off its bottom edge.
inline constexpr WindowFrame kLikelyFrame{4, 40, 4, 4};

// The largest whole scale at which a w x h picture, with the frame around it, fits in a usable
// area of `usableWidth` x `usableHeight` (the screen less its panels and taskbars); never less
// than 1 and never more than kMaxScale.
constexpr int DefaultScale(int usableWidth, int usableHeight, const WindowFrame& frame, int w,
                           int h) {
  const int byWidth = (usableWidth - frame.Left - frame.Right) / w;
  const int byHeight = (usableHeight - frame.Top - frame.Bottom) / h;
  const int scale = byWidth < byHeight ? byWidth : byHeight;
  return scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
}

// The largest whole scale at which a w x h picture fits in an area (a fullscreen window, a
// page): never less than 1 and never more than kMaxScale.
constexpr int FitScale(int areaWidth, int areaHeight, int w, int h) {
  const int scale = areaWidth / w < areaHeight / h ? areaWidth / w : areaHeight / h;
  return scale < 1 ? 1 : (scale > kMaxScale ? kMaxScale : scale);
}

// Where a w x h picture stands, at FitScale, centred in an area.
struct Placement {
  int Scale = 1;
  int X = 0;
  int Y = 0;
};
constexpr Placement PlaceInArea(int areaWidth, int areaHeight, int w, int h) {
  const int scale = FitScale(areaWidth, areaHeight, w, h);
  return {scale, (areaWidth - w * scale) / 2, (areaHeight - h * scale) / 2};
}

// A rectangle of pixels: Left and Top inside, Right and Bottom just outside.
struct PixelArea {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr bool Empty() const { return Left >= Right || Top >= Bottom; }
  friend constexpr bool operator==(const PixelArea&, const PixelArea&) = default;
};

// The picture's pixels that an area of the window touches, clipped to the w x h picture; empty
// when the area lies on the black around it.
constexpr PixelArea PictureArea(const PixelArea& window, const Placement& at, int w, int h) {
  auto floorDiv = [](int a, int n) { return a >= 0 ? a / n : -((-a + n - 1) / n); };
  const int n = at.Scale;
  const int left = floorDiv(window.Left - at.X, n);
  const int top = floorDiv(window.Top - at.Y, n);
  const int right = -floorDiv(-(window.Right - at.X), n);  // rounded up
  const int bottom = -floorDiv(-(window.Bottom - at.Y), n);
  const PixelArea area{left < 0 ? 0 : left, top < 0 ? 0 : top, right > w ? w : right,
                       bottom > h ? h : bottom};
  if (area.Empty()) return PixelArea{};
  return area;
}

}  // namespace enclova
