// SPDX-License-Identifier: MIT
// Raster surfaces with lasting drawing state: the only place the game's pixels change.
//
// Pixel contract (every clause is relied on by the game and checked in tests/surface_test.cpp):
//  * Colours are 0x00BBGGRR, red in the low byte; the top byte of every stored pixel is 0.
//  * Every operation is clipped to the target; nothing outside it is touched.
//  * Draw(x, y, image): the whole image lands with its top-left pixel at (x, y), each pixel
//    combined with the target by the target's CopyMode. Negative offsets cut a part out of a
//    larger image. An image that does not exist draws nothing.
//  * Rectangle(x1, y1, x2, y2): pixels x1 <= x < x2, y1 <= y < y2; the outer ring in the pen
//    colour, the inside in the brush colour. PenPos is neither used nor changed.
//  * MoveTo sets PenPos. LineTo draws from PenPos to (x, y) in the pen colour, the start pixel
//    included and the end pixel excluded, then PenPos := (x, y). Horizontal, vertical and
//    45-degree lines are exact; other slopes are stepped along the major axis.
//  * FloodFill(x, y, border): the brush colour over every pixel 4-connected to (x, y) through
//    pixels that are not the border colour. A diagonal line of border pixels is a closed wall.
//    Iterative, so a 400x400 fill needs no deep stack.
//  * TextOut(x, y, text): fills the text's advance width by its cell height with the brush
//    colour, draws the glyphs in the font colour over it, then PenPos := (x + width, y).
//  * A surface that does not exist (default-constructed, 0x0) is drawn on as nothing and
//    draws nothing; GetPixel on it, or outside any surface, returns kInvalidColor.
//  * While a clip rectangle is set, every operation that changes pixels (Fill and SetPixel
//    included) changes only pixels inside it, exactly as if the rest of the surface were not
//    there: a flood fill neither paints nor spreads outside it. PenPos, the drawing state and
//    GetPixel behave as without a clip.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace enclova {

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor kInvalidColor = 0xFFFFFFFF;  // what GetPixel answers where there is no pixel

// Copy modes, by the raster-operation codes that name them.
enum TCopyMode : std::uint32_t {
  SRCCOPY = 0x00CC0020,    // target := image
  SRCINVERT = 0x00660046,  // target := target XOR image
  SRCAND = 0x008800C6,     // target := target AND image
};

// Combines one image pixel with one target pixel; the single place where copy modes live.
TColor CombinePixel(TCopyMode copyMode, TColor target, TColor image);

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Pixels Left <= x < Right, Top <= y < Bottom.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRect&) const = default;
};

struct TPen {
  TColor Color = clBlack;
};

struct TBrush {
  TColor Color = clWhite;
};

// Face and character set are the game's one typeface; only height and colour vary.
// A positive height is a character cell height in pixels, a negative one a character height.
struct TFont {
  int Height = -12;
  TColor Color = clBlack;
};

class Typeface;

// Pixels row by row, named by a stamp that copies share and every change replaces. Assigning a
// buffer the picture it already holds then copies nothing: restoring a saved game copies only
// the layers drawn on since it was saved.
class PixelBuffer {
 public:
  PixelBuffer() = default;  // no pixels
  explicit PixelBuffer(std::vector<TColor> values);
  PixelBuffer(const PixelBuffer&) = default;
  PixelBuffer(PixelBuffer&& other) noexcept;
  PixelBuffer& operator=(const PixelBuffer& other);
  PixelBuffer& operator=(PixelBuffer&& other) noexcept;
  ~PixelBuffer() = default;

  const std::vector<TColor>& Values() const { return values_; }
  // For writing; whoever writes calls Restamp before the buffer is next copied.
  TColor* Data() { return values_.data(); }
  void Restamp();

 private:
  std::vector<TColor> values_;
  std::uint64_t stamp_ = 0;  // 0 only for no pixels
};

class Surface {
 public:
  Surface() = default;             // a surface that does not exist
  Surface(int width, int height);  // all white
  // A picture made elsewhere (a decoded file, a screenshot): width x height pixels, row by row.
  Surface(int width, int height, std::vector<TColor> pixels);

  bool Exists() const { return width_ > 0 && height_ > 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::vector<TColor>& Pixels() const { return pixels_.Values(); }

  // Bumped by every operation that may change a pixel, so a presenter can skip unchanged frames.
  std::uint64_t ChangeCount() const { return changes_; }

  void Draw(int x, int y, const Surface& image);
  void Rectangle(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void FloodFill(int x, int y, TColor border);
  TColor GetPixel(int x, int y) const;
  // One pixel, clipped like every operation; the drawing state is neither used nor changed.
  void SetPixel(int x, int y, TColor color);
  void TextOut(int x, int y, std::string_view utf8);

  // Sets every pixel without touching the drawing state (the platform's background fill).
  void Fill(TColor color);

  // Limits every change of pixels to `area` (cut to the surface) until ClearClip.
  void SetClip(const TRect& area);
  void ClearClip() { clip_.reset(); }
  const std::optional<TRect>& Clip() const { return clip_; }

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TCopyMode CopyMode = SRCCOPY;
  TPoint PenPos;
  const Typeface* Face = nullptr;  // not owned; text draws nothing without one

 private:
  void MarkChanged() {
    ++changes_;
    pixels_.Restamp();
  }
  // The pixels an operation may change: the whole surface, or its part inside the clip.
  TRect Writable() const;
  // Pixels left..right-1 of row y; aborts when any of them lies outside the surface.
  TColor* Row(int y, int left, int right);
  const TColor* Row(int y, int left, int right) const;
  // The same for rows top..bottom-1 (top < bottom), checked once: the first row, which the next
  // follows Width() pixels on.
  TColor* Rows(int top, int bottom, int left, int right);
  const TColor* Rows(int top, int bottom, int left, int right) const;

  int width_ = 0;
  int height_ = 0;
  PixelBuffer pixels_;
  std::uint64_t changes_ = 0;
  std::optional<TRect> clip_;
};

// Pen and brush in one colour make Rectangle a solid fill; both stay in that colour.
void SolidRectangle(Surface& s, TColor color, int x1, int y1, int x2, int y2);

}  // namespace enclova
