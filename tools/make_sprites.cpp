// SPDX-License-Identifier: MIT
// Draws the game's sprite sheet (fgra.bmp) and its empty ranking file (fdata.dat) from code.
//
//   make_sprites SHEET.bmp [RANKING.dat] [--preview DIR] [--icons DIR]
//
// Every picture is drawn with our own surfaces and the text renderer pinned to one installed
// face, so the same build on the same system writes the same bytes every time; the shipped
// assets are checked against this output by the tests. --preview also writes a few whole
// screens, composed with the game's own raster operations, for looking at the art in place.
// --icons writes the game's icon at the desktop's usual sizes, as DIR/NxN.png.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/game_icon.h"
#include "gfx/bmp.h"
#include "gfx/png.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"
#include "ranking/ranking_table.h"

namespace enclova {
namespace {

// ---------------------------------------------------------------------------------------------
// Where the game cuts each picture from the sheet. These positions are fixed by the game.

constexpr int kSheetWidth = 800;
constexpr int kSheetHeight = 417;
constexpr int kSideX = 600;   // the side panel, 200x400
constexpr int kClockX = 605;  // the clock area, 195x115 (190 wide for the blank panel)
constexpr int kClockY = 150;
constexpr int kStripY = 400;  // the row of small sprites under the two screens
// Level numbers 18x12 at y 400, cells 17x17 at y 400, digits 9x13 at y 402.
constexpr int LevelX(int level) {
  return 18 * (level - 1);
}
constexpr int kCursorIdleX = 181;  // 7x7 at y 401
constexpr int kCursorDrawingX = 189;
constexpr int kCursorY = 401;
constexpr int CellX(int k) {
  return 200 + 17 * k;
}
constexpr int kMarkerX = 303;  // 15x15
constexpr int kMarkerY = 401;
constexpr int DigitX(int d) {
  return 320 + 11 * d;
}
constexpr int kDigitY = 402;

// Where the game shows them on its 600x400 window.
constexpr int kLevelSpotX = 315;  // the level number on the title
constexpr int kLevelSpotY = 251;
constexpr int kDigitSpotX[3] = {460, 482, 493};  // minutes, tens, units
constexpr int kDigitSpotY = 218;

// ---------------------------------------------------------------------------------------------
// Colours (0x00BBGGRR).

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}
constexpr int Channel(TColor c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

// The grid line: also the colour the game erases a taken-back path with, so that an erased
// stretch of line disappears into the grid.
constexpr TColor kGrid = Rgb(152, 255, 192);
constexpr TColor kCellWhite = clWhite;

constexpr TColor kNightTop = Rgb(38, 46, 74);  // backgrounds of the title and the side panel
constexpr TColor kNightBottom = Rgb(16, 20, 34);
constexpr TColor kInk = Rgb(236, 240, 248);  // text on the dark backgrounds
constexpr TColor kInkSoft = Rgb(170, 180, 204);
constexpr TColor kInkDim = Rgb(112, 124, 152);
constexpr TColor kAccent = Rgb(120, 236, 176);  // the mint of the grid, a little deeper
constexpr TColor kStoneDark = Rgb(36, 44, 72);
constexpr TColor kStoneHighlight = Rgb(122, 136, 176);
constexpr TColor kStoneRing = Rgb(40, 48, 78);

// Judging pictures are ANDed onto the board, bit by bit, so their channels are runs of high
// bits (0xFF, 0xE0, 0xC0): the board's colours are then only rounded down, never scrambled.
constexpr TColor kWashInside = Rgb(0xC0, 0xE0, 0xFF);  // pale blue over the inside
constexpr TColor kWashWrong = Rgb(0xFF, 0xC0, 0xC0);   // pink under a stone that must be out
constexpr TColor kMarkRed = Rgb(0xFF, 0x00, 0x00);

// The cursors are drawn by XOR: black leaves the board alone, and these turn white into blue
// (idle) and red (drawing), and the mint grid into violet and crimson.
constexpr TColor kCursorIdleXor = Rgb(255, 255, 0);
constexpr TColor kCursorDrawingXor = Rgb(0, 255, 255);

constexpr TColor kClockLit = Rgb(160, 255, 208);
constexpr TColor kClockGhost = Rgb(5, 10, 8);  // barely there: a lit 1 must not read as an 8
constexpr TColor kClockFrame = Rgb(34, 64, 50);
constexpr TColor kClockLabel = Rgb(92, 168, 128);

constexpr TColor kShadow = Rgb(52, 136, 100);  // under the name
constexpr TColor kBezel = Rgb(70, 82, 116);    // round the clock, the level box, the picture

constexpr const char* kArrows = "\xE2\x86\x90\xE2\x86\x91\xE2\x86\x93\xE2\x86\x92";  // ←↑↓→
constexpr const char* kLeftRight = "\xE2\x86\x90 \xE2\x86\x92";                      // ← →

TColor Mix(TColor from, TColor to, double t) {
  auto ch = [&](int shift) {
    const double a = Channel(from, shift);
    const double b = Channel(to, shift);
    const int v = static_cast<int>(std::lround(a + (b - a) * t));
    return static_cast<TColor>(std::clamp(v, 0, 255)) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}

void Blend(Surface& s, int x, int y, TColor color, double alpha) {
  if (x < 0 || y < 0 || x >= s.Width() || y >= s.Height() || alpha <= 0) return;
  s.SetPixel(x, y, alpha >= 1 ? color : Mix(s.GetPixel(x, y), color, alpha));
}

// ---------------------------------------------------------------------------------------------
// Anti-aliased shapes: each pixel takes the average colour of the samples a shape paints, in
// proportion to how many of its 4x4 samples the shape covers.

using Paint = std::function<std::optional<TColor>(double x, double y)>;

void Shade(Surface& s, int x0, int y0, int x1, int y1, const Paint& paint) {
  constexpr int kSamples = 4;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int n = 0;
      double r = 0, g = 0, b = 0;
      for (int j = 0; j < kSamples; ++j) {
        for (int i = 0; i < kSamples; ++i) {
          const auto c = paint(x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples);
          if (!c) continue;
          ++n;
          r += Channel(*c, 0);
          g += Channel(*c, 8);
          b += Channel(*c, 16);
        }
      }
      if (n == 0) continue;
      const TColor avg =
          Rgb(static_cast<int>(std::lround(r / n)), static_cast<int>(std::lround(g / n)),
              static_cast<int>(std::lround(b / n)));
      Blend(s, x, y, avg, static_cast<double>(n) / (kSamples * kSamples));
    }
  }
}

Paint Solid(TColor color, std::function<bool(double, double)> inside) {
  return [color, inside = std::move(inside)](double x, double y) -> std::optional<TColor> {
    if (inside(x, y)) return color;
    return std::nullopt;
  };
}

// A disc of radius r around (cx, cy), in continuous coordinates: pixel (x, y) spans
// [x, x + 1) x [y, y + 1), so the centre of pixel 8 is 8.5.
void Disc(Surface& s, double cx, double cy, double r, TColor color) {
  Shade(s, static_cast<int>(cx - r) - 1, static_cast<int>(cy - r) - 1, static_cast<int>(cx + r) + 2,
        static_cast<int>(cy + r) + 2,
        Solid(color, [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; }));
}

void Annulus(Surface& s, double cx, double cy, double inner, double outer, TColor color) {
  Shade(s, static_cast<int>(cx - outer) - 1, static_cast<int>(cy - outer) - 1,
        static_cast<int>(cx + outer) + 2, static_cast<int>(cy + outer) + 2,
        Solid(color, [=](double x, double y) {
          const double d = std::hypot(x - cx, y - cy);
          return d >= inner && d <= outer;
        }));
}

bool InRoundRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
  if (x < x0 || y < y0 || x > x1 || y > y1) return false;
  const double dx = std::max({x0 + r - x, 0.0, x - (x1 - r)});
  const double dy = std::max({y0 + r - y, 0.0, y - (y1 - r)});
  return dx * dx + dy * dy <= r * r;
}

// A rounded rectangle over the pixels x0..x1-1, y0..y1-1.
void RoundRect(Surface& s, int x0, int y0, int x1, int y1, double r, TColor color) {
  Shade(s, x0, y0, x1, y1,
        Solid(color, [=](double x, double y) { return InRoundRect(x, y, x0, y0, x1, y1, r); }));
}

void VerticalGradient(Surface& s, int x0, int y0, int x1, int y1, TColor top, TColor bottom) {
  for (int y = y0; y < y1; ++y) {
    const TColor c = Mix(top, bottom, static_cast<double>(y - y0) / std::max(y1 - y0 - 1, 1));
    for (int x = x0; x < x1; ++x) Blend(s, x, y, c, 1);
  }
}

// Copies the w x h rectangle at (x, y) out of a larger picture, as the game cuts its sprites.
Surface Cut(const Surface& from, int x, int y, int w, int h) {
  Surface part(w, h);
  part.Draw(-x, -y, from);
  return part;
}

// ---------------------------------------------------------------------------------------------
// Lettering over any background: the glyph coverage of our text renderer, blended by hand.

class Lettering {
 public:
  explicit Lettering(const Typeface& face) : face_(face) {}

  int Width(std::string_view text, int height) const { return face_.Render(text, height).Width; }

  // The first and one-past-last rows that hold ink, in the text's cell.
  std::pair<int, int> InkRows(std::string_view text, int height) const {
    const GlyphRun run = face_.Render(text, height);
    int top = run.Height, bottom = 0;
    for (int y = 0; y < run.Height; ++y) {
      for (int x = 0; x < run.Width; ++x) {
        if (run.Coverage[static_cast<std::size_t>(y) * run.Width + x] > 96) {
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
        }
      }
    }
    return {top, bottom};
  }

  // The first and one-past-last columns that hold ink.
  std::pair<int, int> InkColumns(std::string_view text, int height) const {
    const GlyphRun run = face_.Render(text, height);
    int left = run.Width, right = 0;
    for (int y = 0; y < run.Height; ++y) {
      for (int x = 0; x < run.Width; ++x) {
        if (run.Coverage[static_cast<std::size_t>(y) * run.Width + x] > 96) {
          left = std::min(left, x);
          right = std::max(right, x + 1);
        }
      }
    }
    return {left, right};
  }

  // Draws the text with its cell's top-left corner at (x, y); returns the x after it.
  int Print(Surface& s, int x, int y, std::string_view text, int height, TColor color) const {
    const GlyphRun run = face_.Render(text, height);
    for (int j = 0; j < run.Height; ++j) {
      for (int i = 0; i < run.Width; ++i) {
        const int cov = run.Coverage[static_cast<std::size_t>(j) * run.Width + i];
        if (cov > 0) Blend(s, x + i, y + j, color, cov / 255.0);
      }
    }
    return x + run.Width;
  }

  int PrintCentred(Surface& s, int cx, int y, std::string_view text, int height,
                   TColor color) const {
    return Print(s, cx - Width(text, height) / 2, y, text, height, color);
  }

 private:
  const Typeface& face_;
};

// ---------------------------------------------------------------------------------------------
// Stones, at any size: the two kinds differ in shape (solid or hollow) as well as in tone, so
// they are told apart without relying on colour.

void DarkStone(Surface& s, double cx, double cy, double r) {
  // Lit from the top left: a soft highlight blended into the body.
  const double hx = cx - r * 0.38, hy = cy - r * 0.42;
  Shade(s, static_cast<int>(cx - r) - 1, static_cast<int>(cy - r) - 1, static_cast<int>(cx + r) + 2,
        static_cast<int>(cy + r) + 2, [=](double x, double y) -> std::optional<TColor> {
          if (std::hypot(x - cx, y - cy) > r) return std::nullopt;
          const double t = std::clamp(1.0 - std::hypot(x - hx, y - hy) / (r * 0.95), 0.0, 1.0);
          return Mix(kStoneDark, kStoneHighlight, t * t);
        });
}

void LightStone(Surface& s, double cx, double cy, double r, double ring) {
  Disc(s, cx, cy, r, kCellWhite);
  Annulus(s, cx, cy, r - ring, r, kStoneRing);
}

// ---------------------------------------------------------------------------------------------
// The small sprites along the bottom of the sheet.

void DrawCells(Surface& sheet) {
  // Kinds 0..2 as the board shows them: white inside a one-pixel ring of grid line.
  for (int k = 0; k < 3; ++k) {
    const int x = CellX(k);
    sheet.Pen.Color = kGrid;
    sheet.Brush.Color = kCellWhite;
    sheet.Rectangle(x, kStripY, x + 17, kStripY + 17);
    const double cx = x + 8.5, cy = kStripY + 8.5;
    if (k == 1) DarkStone(sheet, cx, cy, 6.0);
    if (k == 2) LightStone(sheet, cx, cy, 6.0, 1.7);
  }
  // Kinds 0..2 as the judging shows them inside the loop. The grid line of every judging
  // picture carries the same wash, since neighbours overlap there; a stone that belongs
  // outside turns its cell pink, so a missed round shows why without any marker.
  for (int k = 3; k < 6; ++k) {
    const int x = CellX(k);
    sheet.Pen.Color = kWashInside;
    sheet.Brush.Color = k == 5 ? kWashWrong : kWashInside;
    sheet.Rectangle(x, kStripY, x + 17, kStripY + 17);
    if (k == 5) Annulus(sheet, x + 8.5, kStripY + 8.5, 6.0, 7.5, kMarkRed);
  }
}

void DrawMissMarker(Surface& sheet) {
  // Laid over a stone that was left outside. It reaches the board through AND, so red can
  // only show on white: the stone itself stays as it is (white here), circled in red on a
  // pink cell.
  const int x = kMarkerX, y = kMarkerY;
  sheet.Pen.Color = kWashWrong;
  sheet.Brush.Color = kWashWrong;
  sheet.Rectangle(x, y, x + 15, y + 15);
  Disc(sheet, x + 7.5, y + 7.5, 6.2, clWhite);
  Annulus(sheet, x + 7.5, y + 7.5, 6.0, 7.5, kMarkRed);
}

void DrawCursors(Surface& sheet) {
  // Black is the XOR's "no change": both sprites sit on black.
  sheet.Pen.Color = clBlack;
  sheet.Brush.Color = clBlack;
  sheet.Rectangle(kCursorIdleX, kCursorY, kCursorIdleX + 7, kCursorY + 7);
  sheet.Rectangle(kCursorDrawingX, kCursorY, kCursorDrawingX + 7, kCursorY + 7);
  // Idle: a hollow square round the vertex, with the vertex itself marked.
  sheet.Pen.Color = kCursorIdleXor;
  sheet.Brush.Color = clBlack;
  sheet.Rectangle(kCursorIdleX, kCursorY, kCursorIdleX + 7, kCursorY + 7);
  Blend(sheet, kCursorIdleX + 3, kCursorY + 3, kCursorIdleXor, 1);
  // Drawing: a filled diamond, the pen on the paper.
  for (int row = 0; row < 7; ++row) {
    const int half = 3 - std::abs(row - 3);
    for (int col = 3 - half; col <= 3 + half; ++col) {
      Blend(sheet, kCursorDrawingX + col, kCursorY + row, kCursorDrawingXor, 1);
    }
  }
}

// Seven-segment clock digits, 9x13, pixel-exact: segments a (top) b c (right) d (bottom)
// e f (left) g (middle), each a rectangle; the corners stay dark, as on a real display.
constexpr std::array<std::uint8_t, 10> kSegments = {0b0111111, 0b0000110, 0b1011011, 0b1001111,
                                                    0b1100110, 0b1101101, 0b1111101, 0b0000111,
                                                    0b1111111, 0b1101111};
struct SegmentBox {
  int X0, Y0, X1, Y1;
};
constexpr SegmentBox kSegmentBoxes[7] = {{2, 0, 7, 2},  {7, 2, 9, 5}, {7, 7, 9, 11}, {2, 11, 7, 13},
                                         {0, 7, 2, 11}, {0, 2, 2, 5}, {2, 5, 7, 7}};

// A digit on black with its unlit segments faintly visible; -1 draws the unlit display alone
// (the blank clock).
void DrawClockDigit(Surface& s, int left, int top, int digit) {
  s.Pen.Color = clBlack;
  s.Brush.Color = clBlack;
  s.Rectangle(left, top, left + 9, top + 13);
  for (int seg = 0; seg < 7; ++seg) {
    const bool lit = digit >= 0 && (kSegments[static_cast<std::size_t>(digit)] >> seg & 1);
    const SegmentBox& b = kSegmentBoxes[seg];
    s.Pen.Color = lit ? kClockLit : kClockGhost;
    s.Brush.Color = s.Pen.Color;
    s.Rectangle(left + b.X0, top + b.Y0, left + b.X1, top + b.Y1);
  }
}

void DrawDigits(Surface& sheet) {
  for (int d = 0; d < 10; ++d) DrawClockDigit(sheet, DigitX(d), kDigitY, d);
}

// The level box on the title: the number sits on this colour.
constexpr TColor kLevelBoxFill = Rgb(246, 250, 255);
constexpr TColor kLevelInk = Rgb(30, 38, 66);
constexpr TColor kLevelLabel = Rgb(96, 110, 146);

void DrawLevelNumber(Surface& s, const Lettering& text, int left, int top, int level) {
  // Struck twice, a pixel apart: the face has no bold, and one-pixel strokes look faint here.
  // The digits are set by their ink, one pixel apart, so that 10 keeps clear of the edges.
  constexpr int kHeight = 15;
  constexpr int kGap = 1;
  const std::string label = std::to_string(level);
  const auto [inkTop, inkBottom] = text.InkRows("0123456789", kHeight);
  int width = -kGap;
  for (const char c : label) {
    const auto [l, r] = text.InkColumns(std::string(1, c), kHeight);
    width += r - l + 1 + kGap;
  }
  Surface number(18, 12);
  number.Fill(kLevelBoxFill);
  int x = (18 - width) / 2;
  const int y = (12 - (inkBottom - inkTop)) / 2 - inkTop;
  for (const char c : label) {
    const std::string digit(1, c);
    const auto [l, r] = text.InkColumns(digit, kHeight);
    text.Print(number, x - l, y, digit, kHeight, kLevelInk);
    text.Print(number, x - l + 1, y, digit, kHeight, kLevelInk);
    x += r - l + 1 + kGap;
  }
  s.Draw(left, top, number);
}

void DrawLevels(Surface& sheet, const Lettering& text) {
  for (int level = 1; level <= 10; ++level) {
    DrawLevelNumber(sheet, text, LevelX(level), kStripY, level);
  }
}

// ---------------------------------------------------------------------------------------------
// Boards drawn as the game draws them: used for the picture on the title and for previews.

struct Board {
  int Level = 1;
  std::vector<int> Kinds;  // (N x N) cell kinds, column by column from cell (1, 1)
  int N() const { return 2 * Level + 3; }
  int M() const { return 16 * (10 - Level); }
  int& Kind(int i, int j) { return Kinds[static_cast<std::size_t>((i - 1) * N() + (j - 1))]; }
  int Kind(int i, int j) const { return Kinds[static_cast<std::size_t>((i - 1) * N() + (j - 1))]; }
};

struct Sprites {
  Surface Cells[6];
  Surface Marker;
  Surface CursorIdle;
  Surface CursorDrawing;
  Surface Digits[10];
  Surface Levels[11];
  Surface Title;
  Surface Side;
  Surface Clock;
  Surface ClockBlank;

  explicit Sprites(const Surface& sheet) {
    for (int k = 0; k < 6; ++k) Cells[k] = Cut(sheet, CellX(k), kStripY, 17, 17);
    Marker = Cut(sheet, kMarkerX, kMarkerY, 15, 15);
    CursorIdle = Cut(sheet, kCursorIdleX, kCursorY, 7, 7);
    CursorDrawing = Cut(sheet, kCursorDrawingX, kCursorY, 7, 7);
    for (int d = 0; d < 10; ++d) Digits[d] = Cut(sheet, DigitX(d), kDigitY, 9, 13);
    for (int i = 1; i <= 10; ++i) Levels[i] = Cut(sheet, LevelX(i), kStripY, 18, 12);
    Title = Cut(sheet, 0, 0, 600, 400);
    Side = Cut(sheet, kSideX, 0, 200, 400);
    Clock = Cut(sheet, kClockX, kClockY, 195, 115);
    ClockBlank = Cut(sheet, kClockX, kClockY, 190, 115);
  }
};

// A board of stones on the checkerboard's stone cells, kind 1 inside `loop` and 2 outside.
struct Vertex {
  int X = 0;
  int Y = 0;
};

bool InsidePolygon(const std::vector<Vertex>& loop, double px, double py) {
  bool in = false;
  for (std::size_t a = 0, b = loop.size() - 1; a < loop.size(); b = a++) {
    const double xa = loop[a].X, ya = loop[a].Y, xb = loop[b].X, yb = loop[b].Y;
    if ((ya > py) != (yb > py) && px < xa + (py - ya) * (xb - xa) / (yb - ya)) in = !in;
  }
  return in;
}

Board StonesAround(int level, const std::vector<Vertex>& loop) {
  Board board;
  board.Level = level;
  board.Kinds.assign(static_cast<std::size_t>(board.N() * board.N()), 0);
  for (int i = 1; i <= board.N(); ++i) {
    for (int j = 1; j <= board.N(); ++j) {
      if ((i + j) % 2 != 0) continue;
      board.Kind(i, j) = InsidePolygon(loop, i + 0.5, j + 0.5) ? 1 : 2;
    }
  }
  return board;
}

// Walks `moves` (R, L, U, D) from a vertex; the loop is closed when it comes back.
std::vector<Vertex> Walk(Vertex start, std::string_view moves) {
  std::vector<Vertex> path = {start};
  for (const char m : moves) {
    Vertex v = path.back();
    if (m == 'R') ++v.X;
    if (m == 'L') --v.X;
    if (m == 'D') ++v.Y;
    if (m == 'U') --v.Y;
    path.push_back(v);
  }
  return path;
}

void DrawBoard(Surface& window, const Sprites& sprites, const Board& board) {
  const int m = board.M();
  window.CopyMode = SRCCOPY;
  window.Pen.Color = clBlack;
  window.Brush.Color = clBlack;
  window.Rectangle(0, 0, 400, 400);
  window.Pen.Color = clWhite;
  window.Brush.Color = clWhite;
  window.Rectangle(m, m, 400 - m, 400 - m);
  for (int i = 1; i <= board.N(); ++i) {
    for (int j = 1; j <= board.N(); ++j) {
      window.Draw(m + 16 * i, m + 16 * j, sprites.Cells[board.Kind(i, j)]);
    }
  }
}

// The traced path as the game leaves it: one pixel wide on the grid lines, every corner cut by
// a three-pixel diagonal, and an open path stopping three pixels short of both of its ends.
void DrawPath(Surface& s, int margin, const std::vector<Vertex>& path, bool closed) {
  std::vector<Vertex> v = path;
  if (closed) v.pop_back();  // the last vertex repeats the first
  const std::size_t n = v.size();
  auto px = [&](const Vertex& a) { return Vertex{margin + 16 * a.X, margin + 16 * a.Y}; };
  auto dir = [&](std::size_t a, std::size_t b) { return Vertex{v[b].X - v[a].X, v[b].Y - v[a].Y}; };
  auto turns = [&](std::size_t i) {                      // the path turns at vertex i
    if (!closed && (i == 0 || i == n - 1)) return true;  // open ends stop short like corners
    const Vertex p = dir((i + n - 1) % n, i), d = dir(i, (i + 1) % n);
    return p.X != d.X || p.Y != d.Y;
  };
  auto set = [&](int x, int y) { Blend(s, x, y, clBlack, 1); };
  const std::size_t segments = closed ? n : n - 1;
  for (std::size_t i = 0; i < segments; ++i) {
    const std::size_t next = (i + 1) % n;
    const Vertex a = px(v[i]), u = dir(i, next);
    for (int k = turns(i) ? 3 : 0; k <= (turns(next) ? 12 : 15); ++k) {
      set(a.X + k * u.X, a.Y + k * u.Y);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!turns(i) || (!closed && (i == 0 || i == n - 1))) continue;
    const Vertex c = px(v[i]), p = dir((i + n - 1) % n, i), d = dir(i, (i + 1) % n);
    set(c.X - 3 * p.X, c.Y - 3 * p.Y);
    set(c.X - 2 * p.X + d.X, c.Y - 2 * p.Y + d.Y);
    set(c.X - p.X + 2 * d.X, c.Y - p.Y + 2 * d.Y);
  }
}

// Judges a closed loop on the window as the game does; true when a stone is misplaced.
bool JudgeOnWindow(Surface& window, const Sprites& sprites, const Board& board,
                   const std::vector<Vertex>& loop) {
  const int m = board.M();
  Surface path(400, 400), judge(400, 400);
  DrawPath(path, m, loop, true);
  for (int i = 1; i <= board.N(); ++i) {
    for (int j = 1; j <= board.N(); ++j) {
      judge.Draw(m + 16 * i, m + 16 * j, sprites.Cells[board.Kind(i, j) + 3]);
    }
  }
  judge.CopyMode = SRCAND;
  judge.Draw(0, 0, path);
  judge.CopyMode = SRCCOPY;
  judge.Brush.Color = clWhite;
  judge.FloodFill(0, 0, clBlack);
  path.Brush.Color = clBlack;
  path.FloodFill(0, 0, clBlack);
  bool missed = false;
  for (int i = 1; i <= board.N(); ++i) {
    for (int j = 1; j <= board.N(); ++j) {
      const TColor c = path.GetPixel(m + 16 * i + 8, m + 16 * j + 8);
      if (board.Kind(i, j) == 1 && c == clBlack) {
        judge.Draw(m + 16 * i + 1, m + 16 * j + 1, sprites.Marker);
        missed = true;
      }
      if (board.Kind(i, j) == 2 && c == clWhite) missed = true;
    }
  }
  window.CopyMode = SRCAND;
  window.Draw(0, 0, judge);
  window.CopyMode = SRCCOPY;
  return missed;
}

// ---------------------------------------------------------------------------------------------
// Key caps and the pieces of text shared by the title and the side panel.

constexpr TColor kCapTop = Rgb(74, 86, 122);
constexpr TColor kCapBottom = Rgb(50, 60, 92);
constexpr TColor kCapEdge = Rgb(132, 148, 190);

// A key cap w x h at (x, y) with its label centred; returns the x after it.
int KeyCap(Surface& s, const Lettering& text, int x, int y, int w, int h, std::string_view label,
           int height) {
  Shade(s, x, y, x + w, y + h, [=](double px, double py) -> std::optional<TColor> {
    if (!InRoundRect(px, py, x, y, x + w, y + h, 3.5)) return std::nullopt;
    if (!InRoundRect(px, py, x + 1, y + 1, x + w - 1, y + h - 1, 2.5)) return kCapEdge;
    return Mix(kCapTop, kCapBottom, (py - y) / h);
  });
  const auto [inkTop, inkBottom] = text.InkRows(label, height);
  const auto [inkLeft, inkRight] = text.InkColumns(label, height);
  const int lx = x + (w - (inkRight - inkLeft)) / 2 - inkLeft;
  const int ly = y + (h - (inkBottom - inkTop)) / 2 - inkTop;
  text.Print(s, lx, ly, label, height, kInk);
  return x + w;
}

// ---------------------------------------------------------------------------------------------
// The side panel, 200x400, beside the board during a round.

// The clock area: the game blacks out (5,150)-(193,263) of the panel at every round and shows
// the countdown there; the clock is then drawn over it from (5,150), 190 or 195 wide. The wide
// texts ("Go!" with its trailing spaces, the verdict) run on to the window's right edge, past
// the 190-wide blank clock, so the display is black right up to that edge.
constexpr int kClockBoxLeft = 5, kClockBoxTop = 150, kClockBoxBottom = 264;

// A cell exactly as the board shows it, for legends.
void CellPicture(Surface& s, const Sprites& sprites, int x, int y, int kind) {
  s.Draw(x, y, sprites.Cells[kind]);
}

// A stopwatch face beside the clock digits.
void Stopwatch(Surface& s, double cx, double cy, double r) {
  Annulus(s, cx, cy, r - 2.0, r, kClockLabel);
  Shade(s, static_cast<int>(cx - r) - 2, static_cast<int>(cy - r) - 6, static_cast<int>(cx + r) + 3,
        static_cast<int>(cy + r) + 2, Solid(kClockLabel, [=](double x, double y) {
          const bool crown = std::abs(x - cx) <= 2.5 && y >= cy - r - 4 && y <= cy - r;
          const bool cap = std::abs(x - cx) <= 4.5 && y >= cy - r - 6 && y <= cy - r - 4;
          // The hand, from the centre towards two o'clock.
          const double hx = std::sin(1.0), hy = -std::cos(1.0);
          const double along = (x - cx) * hx + (y - cy) * hy;
          const double across = std::abs((x - cx) * hy - (y - cy) * hx);
          const bool hand = along >= -1.0 && along <= r - 5 && across <= 0.9;
          return crown || cap || hand || std::hypot(x - cx, y - cy) <= 1.8;
        }));
  for (int q = 0; q < 4; ++q) {  // marks at the quarters
    const double a = q * 1.5707963267948966;
    const double tx = cx + std::sin(a) * (r - 4.5), ty = cy - std::cos(a) * (r - 4.5);
    Disc(s, tx, ty, 1.0, kClockLabel);
  }
}

void DrawSidePanel(Surface& sheet, const Lettering& text, const Sprites& sprites) {
  Surface panel(200, 400);
  VerticalGradient(panel, 0, 0, 200, 400, kNightTop, kNightBottom);

  // Name.
  text.PrintCentred(panel, 102, 14, "Enclova", 34, kShadow);
  text.PrintCentred(panel, 101, 12, "Enclova", 34, kInk);
  panel.Pen.Color = kAccent;
  panel.MoveTo(46, 57);
  panel.LineTo(156, 57);

  // What goes where.
  CellPicture(panel, sprites, 30, 72, 1);
  text.Print(panel, 56, 72, "inside the loop", 16, kInkSoft);
  CellPicture(panel, sprites, 30, 102, 2);
  text.Print(panel, 56, 102, "outside it", 16, kInkSoft);

  // The clock box: black, as the game blacks it, in a bezel open at the window's edge.
  RoundRect(panel, kClockBoxLeft - 3, kClockBoxTop - 3, 210, kClockBoxBottom + 3, 4, kBezel);
  RoundRect(panel, kClockBoxLeft - 2, kClockBoxTop - 2, 210, kClockBoxBottom + 2, 3,
            Rgb(10, 12, 20));
  panel.Pen.Color = clBlack;
  panel.Brush.Color = clBlack;
  panel.Rectangle(kClockBoxLeft, kClockBoxTop, 200, kClockBoxBottom);

  // Inside the clock: the unlit display where the game draws its three digits, the marks of
  // minutes and seconds, and labels. Positions are the game's window positions less 400.
  const int d0 = kDigitSpotX[0] - 400, d1 = kDigitSpotX[1] - 400, d2 = kDigitSpotX[2] - 400;
  const int dy = kDigitSpotY;
  RoundRect(panel, d0 - 12, dy - 10, d2 + 9 + 20, dy + 13 + 10, 4, kClockFrame);
  RoundRect(panel, d0 - 11, dy - 9, d2 + 9 + 19, dy + 13 + 9, 3, clBlack);
  for (const int x : {d0, d1, d2}) DrawClockDigit(panel, x, dy, -1);
  // The marks: ' between minutes and tens, " after the units, both at the digits' top.
  panel.Pen.Color = kClockLit;
  panel.Brush.Color = kClockLit;
  panel.Rectangle(d0 + 13, dy, d0 + 15, dy + 4);
  panel.Rectangle(d2 + 12, dy, d2 + 14, dy + 4);
  panel.Rectangle(d2 + 16, dy, d2 + 18, dy + 4);
  text.PrintCentred(panel, d0 + 4, dy + 26, "min", 12, kClockLabel);
  text.PrintCentred(panel, (d1 + d2 + 9) / 2, dy + 26, "sec", 12, kClockLabel);
  text.Print(panel, d0 - 12, dy - 32, "TIME", 15, kClockLabel);
  Stopwatch(panel, 160.5, dy + 6.5, 15.0);

  // Keys of a round.
  int y = 280;
  constexpr int kRow = 27;
  constexpr int kCapRight = 72;
  auto key = [&](std::string_view cap, int w, std::string_view what) {
    KeyCap(panel, text, kCapRight - w, y, w, 19, cap, 13);
    text.Print(panel, kCapRight + 10, y + 1, what, 15, kInkSoft);
    y += kRow;
  };
  key(kArrows, 56, "move, trace");
  key("Z", 22, "start / close");
  key("X", 22, "take back");
  key("Esc", 32, "quit");

  // The two columns that the game covers with its grey and silver separator.
  panel.Pen.Color = Rgb(128, 128, 128);
  panel.MoveTo(0, 0);
  panel.LineTo(0, 400);
  panel.Pen.Color = Rgb(192, 192, 192);
  panel.MoveTo(1, 0);
  panel.LineTo(1, 400);

  sheet.Draw(kSideX, 0, panel);
}

// ---------------------------------------------------------------------------------------------
// The title screen, 600x400.

void DrawTitle(Surface& sheet, const Lettering& text, const Sprites& sprites) {
  Surface title(600, 400);
  VerticalGradient(title, 0, 0, 600, 400, kNightTop, kNightBottom);

  // Name.
  text.PrintCentred(title, 302, 20, "Enclova", 72, kShadow);
  text.PrintCentred(title, 300, 17, "Enclova", 72, kInk);

  // The rule, with the two stones as they look on the board in place of words.
  {
    constexpr int kH = 17;
    const std::string a = "Enclose every ", b = "  in one loop, keep every ", c = "  outside.";
    const int width = text.Width(a, kH) + text.Width(b, kH) + text.Width(c, kH) + 2 * 17;
    int x = 300 - width / 2;
    const int y = 104;
    const auto [inkTop, inkBottom] = text.InkRows("E", kH);
    const int cellY = y + (inkTop + inkBottom) / 2 - 8;
    x = text.Print(title, x, y, a, kH, kInkSoft);
    CellPicture(title, sprites, x, cellY, 1);
    x = text.Print(title, x + 17, y, b, kH, kInkSoft);
    CellPicture(title, sprites, x, cellY, 2);
    text.Print(title, x + 17, y, c, kH, kInkSoft);
  }

  // A small board as a good round ends: the loop drawn, its inside washed.
  constexpr int kBoardX = 62, kBoardY = 166;
  {
    const std::vector<Vertex> loop = Walk({2, 1}, "RRDRDDDLLULLUURU");
    const Board board = StonesAround(1, loop);
    Surface window(400, 400);
    DrawBoard(window, sprites, board);
    JudgeOnWindow(window, sprites, board, loop);
    RoundRect(title, kBoardX - 6, kBoardY - 6, kBoardX + 118, kBoardY + 118, 6, kBezel);
    title.Draw(kBoardX, kBoardY, Cut(window, 144, 144, 112, 112));
    text.PrintCentred(title, kBoardX + 56, kBoardY + 124, "a good loop", 14, kInkDim);
  }

  // Start, and the level box round the spot where the game draws the level number.
  {
    constexpr int kCx = kLevelSpotX + 9;
    const int startWidth = 30 + text.Width("start", 20);
    KeyCap(title, text, kCx - startWidth / 2, 178, 24, 22, "Z", 15);
    text.Print(title, kCx - startWidth / 2 + 31, 178, "start", 20, kAccent);

    RoundRect(title, kCx - 46, 222, kCx + 46, 274, 7, kBezel);
    RoundRect(title, kCx - 45, 223, kCx + 45, 273, 6, kLevelBoxFill);
    text.PrintCentred(title, kCx, 228, "LEVEL", 13, kLevelLabel);
    auto arrow = [&](double tipX, double dir) {  // points away from the number
      Shade(title, static_cast<int>(tipX) - 8, 248, static_cast<int>(tipX) + 8, 266,
            Solid(kLevelLabel, [=](double px, double py) {
              const double along = (px - tipX) * dir;  // 0 at the tip, growing inward
              return along >= 0 && along <= 6 && std::abs(py - 257.0) <= along * 0.75;
            }));
    };
    arrow(kCx - 35, 1);
    arrow(kCx + 35, -1);
    title.Draw(kLevelSpotX, kLevelSpotY, sprites.Levels[1]);
    const std::string choose = std::string(kLeftRight) + "  level";
    text.PrintCentred(title, kCx, 282, choose, 14, kInkDim);

    const int rankWidth = 28 + text.Width("ranking", 15);
    KeyCap(title, text, kCx - rankWidth / 2, 318, 22, 19, "X", 13);
    text.Print(title, kCx - rankWidth / 2 + 28, 319, "ranking", 15, kInkSoft);
  }

  // Keys of a round.
  {
    constexpr int kCapRight = 454;
    text.Print(title, kCapRight - 56, 160, "IN A ROUND", 12, kInkDim);
    int y = 180;
    auto key = [&](std::string_view cap, int w, std::string_view line1, std::string_view line2) {
      KeyCap(title, text, kCapRight - w, y, w, 19, cap, 13);
      text.Print(title, kCapRight + 10, y + 1, line1, 15, kInk);
      if (!line2.empty()) text.Print(title, kCapRight + 10, y + 18, line2, 13, kInkDim);
      y += line2.empty() ? 30 : 42;
    };
    key(kArrows, 56, "move, trace", "or keypad 8 4 6 2");
    key("Z", 22, "start the path,", "close the loop");
    key("X", 22, "take a step back", "");
    key("Esc", 32, "quit", "");
  }

  text.PrintCentred(title, 300, 370,
                    "Ten levels from 5\xC3\x97"
                    "5 to 23\xC3\x97"
                    "23  \xC2\xB7  the clock runs "
                    "from Go!  \xC2\xB7  the twenty best rounds are kept",
                    13, kInkDim);

  sheet.Draw(0, 0, title);
}

// ---------------------------------------------------------------------------------------------

Surface DrawSheet(const Lettering& text) {
  Surface sheet(kSheetWidth, kSheetHeight);
  DrawCells(sheet);
  DrawMissMarker(sheet);
  DrawCursors(sheet);
  DrawDigits(sheet);
  DrawLevels(sheet, text);
  // The screens show cells, a board and the level number: they are drawn from the strip.
  const Sprites strip(sheet);
  DrawSidePanel(sheet, text, strip);
  DrawTitle(sheet, text, strip);
  return sheet;
}

// ---------------------------------------------------------------------------------------------
// Previews: whole screens composed from the finished sheet with the game's raster operations.

void SidePanelInRound(Surface& window, const Sprites& sprites) {
  Surface side = sprites.Side;
  side.Pen.Color = clBlack;
  side.Brush.Color = clBlack;
  side.Rectangle(5, 150, 194, 264);
  window.Draw(400, 0, side);
  Surface separator(2, 400);
  separator.Pen.Color = Rgb(128, 128, 128);
  separator.MoveTo(0, 0);
  separator.LineTo(0, 400);
  separator.Pen.Color = Rgb(192, 192, 192);
  separator.MoveTo(1, 0);
  separator.LineTo(1, 400);
  window.Draw(400, 0, separator);
}

void ShowClock(Surface& window, const Sprites& sprites, int m, int t, int u) {
  window.Draw(405, 150, sprites.ClockBlank);
  window.Draw(kDigitSpotX[0], kDigitSpotY, sprites.Digits[m]);
  window.Draw(kDigitSpotX[1], kDigitSpotY, sprites.Digits[t]);
  window.Draw(kDigitSpotX[2], kDigitSpotY, sprites.Digits[u]);
}

void ToggleCursor(Surface& window, const Surface& cursor, int margin, Vertex v) {
  window.CopyMode = SRCINVERT;
  window.Draw(margin + 16 * v.X - 3, margin + 16 * v.Y - 3, cursor);
  window.CopyMode = SRCCOPY;
}

bool WriteFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  out.close();
  return static_cast<bool>(out);
}

bool WriteBmp(const std::string& path, const Surface& s) {
  const std::vector<std::uint8_t> bytes = EncodeBmp24(s);
  return !bytes.empty() && WriteFile(path, bytes.data(), bytes.size());
}

bool WritePreviews(const std::string& dir, const Surface& sheet, const Typeface& face) {
  const Sprites sprites(sheet);
  bool ok = true;

  // The title at level 3.
  Surface title(600, 400);
  title.Draw(0, 0, sprites.Title);
  title.Draw(kLevelSpotX, kLevelSpotY, sprites.Levels[3]);
  ok &= WriteBmp(dir + "/title.bmp", title);

  // A level 3 board during its countdown, and with a path under way at 1'23".
  const std::vector<Vertex> loop = Walk({3, 2}, "RRRRDDRRDDDLLDDLLLUULLUUUURU");
  Board board = StonesAround(3, loop);
  const int m = board.M();
  Surface window(600, 400);
  window.Face = &face;
  DrawBoard(window, sprites, board);
  ToggleCursor(window, sprites.CursorIdle, m, {5, 5});
  SidePanelInRound(window, sprites);
  window.Font.Height = 48;
  window.Font.Color = 0x00E6E6E6;
  window.Brush.Color = clBlack;
  window.TextOut(424, 183, "Ready..");
  ok &= WriteBmp(dir + "/countdown.bmp", window);

  DrawBoard(window, sprites, board);
  SidePanelInRound(window, sprites);
  ShowClock(window, sprites, 1, 2, 3);
  const std::vector<Vertex> partial(loop.begin(), loop.begin() + 15);
  DrawPath(window, m, partial, false);
  ToggleCursor(window, sprites.CursorDrawing, m, partial.back());
  ToggleCursor(window, sprites.CursorIdle, m, {1, 10});  // the idle cursor too, for comparison
  ok &= WriteBmp(dir + "/play.bmp", window);

  // The same loop closed and judged good, then a board with two misplaced stones.
  auto result = [&](const Board& b, const std::string& name) {
    DrawBoard(window, sprites, b);
    SidePanelInRound(window, sprites);
    ShowClock(window, sprites, 1, 2, 3);
    DrawPath(window, m, loop, true);
    const bool missed = JudgeOnWindow(window, sprites, b, loop);
    window.Pen.Color = clBlack;
    window.Brush.Color = clBlack;
    window.Rectangle(405, 150, 594, 264);
    window.Font.Height = 48;
    window.TextOut(420, 158,
                   missed ? "\xEF\xBC\xAD\xEF\xBD\x89\xEF\xBD\x93\xEF\xBD\x93!"
                          : "\xEF\xBC\xA7\xEF\xBD\x8F\xEF\xBD\x8F\xEF\xBD\x84!");
    window.Font.Height = 16;
    window.TextOut(440, 210, "Time : 1' 23\"");
    if (!missed) window.TextOut(440, 232, "Rank in 2nd");
    return WriteBmp(dir + "/" + name, window);
  };
  ok &= result(board, "good.bmp");
  Board wrong = board;
  wrong.Kind(4, 6) = 2;  // inside, but must be out
  wrong.Kind(9, 9) = 1;  // outside, but must be in
  ok &= result(wrong, "miss.bmp");
  return ok;
}

}  // namespace
}  // namespace enclova

int main(int argc, char** argv) {
  using namespace enclova;
  std::string sheetPath, rankingPath, previewDir, iconDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--preview" && i + 1 < argc) {
      previewDir = argv[++i];
    } else if (arg == "--icons" && i + 1 < argc) {
      iconDir = argv[++i];
    } else if (sheetPath.empty()) {
      sheetPath = arg;
    } else if (rankingPath.empty()) {
      rankingPath = arg;
    } else {
      sheetPath.clear();
      break;
    }
  }
  if (sheetPath.empty()) {
    std::fprintf(stderr,
                 "usage: make_sprites SHEET.bmp [RANKING.dat] [--preview DIR] [--icons DIR]\n");
    return 2;
  }

  // One face, pinned by name, so the lettering is the same wherever the sheet is rebuilt.
  std::string error;
  const std::unique_ptr<Typeface> face = OpenTypefaceByFamily("IPAPGothic", &error);
  if (!face) {
    std::fprintf(stderr, "make_sprites: no IPAPGothic face (install fonts-ipafont-gothic): %s\n",
                 error.c_str());
    return 1;
  }
  const Lettering text(*face);
  const Surface sheet = DrawSheet(text);
  if (!WriteBmp(sheetPath, sheet)) {
    std::fprintf(stderr, "make_sprites: cannot write %s\n", sheetPath.c_str());
    return 1;
  }

  if (!rankingPath.empty()) {
    // Twenty empty places: time 0, level -1.
    RankingTable empty;
    for (int i = 1; i <= kRankingEntries; ++i) empty.RankLevels[i] = -1;
    const auto bytes = EncodeRecordFile(empty);
    if (!WriteFile(rankingPath, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "make_sprites: cannot write %s\n", rankingPath.c_str());
      return 1;
    }
  }

  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    if (iconDir.empty()) break;
    const std::string side = std::to_string(size);
    const std::string path = iconDir + "/" + side + "x" + side + ".png";
    if (!WritePngRgba(path, size, size, DrawGameIcon(size).data(), &error)) {
      std::fprintf(stderr, "make_sprites: cannot write %s: %s\n", path.c_str(), error.c_str());
      return 1;
    }
  }

  if (!previewDir.empty() && !WritePreviews(previewDir, sheet, *face)) {
    std::fprintf(stderr, "make_sprites: cannot write the previews to %s\n", previewDir.c_str());
    return 1;
  }
  return 0;
}
