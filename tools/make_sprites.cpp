// SPDX-License-Identifier: MIT
// Draws the game's sprite sheet (fgra.bmp) and its empty ranking file (fdata.dat) from code.
//
//   make_sprites SHEET.bmp [RANKING.dat] [--preview DIR] [--icons DIR]
//
// Every picture is drawn with our own surfaces and the text renderer pinned to one installed
// face, so the same build on the same system writes the same bytes every time; the shipped
// assets are checked against this output by the tests. Pictures of boards are the game's own:
// the tool runs the game headless on the sheet it is drawing, presses its keys and ticks its
// clock. --preview also writes a few whole screens played that way, to see the art in place.
// --icons writes the game's icon at the desktop's usual sizes, as DIR/NxN.png, and all of
// them in one DIR/enclova.ico for the Windows executable, the page's maskable icon as
// DIR/maskable-NxN.png, and the Windows installer's side panel as DIR/installer-panel.bmp.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form.h"
#include "app/game.h"
#include "app/game_icon.h"
#include "app/game_typeface.h"
#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "base/memory_file_system.h"
#include "base/seams.h"
#include "fonts/freetype_face.h"
#include "gfx/bmp.h"
#include "gfx/png.h"
#include "gfx/surface.h"
#include "gfx/typeface.h"
#include "puzzle/board_geometry.h"
#include "ranking/ranking_table.h"

namespace enclova {
namespace {

// ---------------------------------------------------------------------------------------------
// Colours (0x00BBGGRR).

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}
constexpr int Channel(TColor c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

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
    const SheetRegion r = CellSpriteRegion(k);
    sheet.Pen.Color = kGridColor;
    sheet.Brush.Color = kCellWhite;
    sheet.Rectangle(r.X, r.Y, r.X + r.Width, r.Y + r.Height);
    const double cx = r.X + r.Width / 2.0, cy = r.Y + r.Height / 2.0;
    if (k == 1) DarkStone(sheet, cx, cy, 6.0);
    if (k == 2) LightStone(sheet, cx, cy, 6.0, 1.7);
  }
  // Kinds 0..2 as the judging shows them inside the loop. The grid line of every judging
  // picture carries the same wash, since neighbours overlap there; a stone that belongs
  // outside turns its cell pink, so a missed round shows why without any marker.
  for (int k = 3; k < 6; ++k) {
    const SheetRegion r = CellSpriteRegion(k);
    sheet.Pen.Color = kWashInside;
    sheet.Brush.Color = k == 5 ? kWashWrong : kWashInside;
    sheet.Rectangle(r.X, r.Y, r.X + r.Width, r.Y + r.Height);
    if (k == 5) Annulus(sheet, r.X + r.Width / 2.0, r.Y + r.Height / 2.0, 6.0, 7.5, kMarkRed);
  }
}

void DrawMissMarker(Surface& sheet) {
  // Laid over a stone that was left outside. It reaches the board through AND, so red can
  // only show on white: the stone itself stays as it is (white here), circled in red on a
  // pink cell.
  const SheetRegion r = kMissMarkerRegion;
  SolidRectangle(sheet, kWashWrong, r.X, r.Y, r.X + r.Width, r.Y + r.Height);
  const double cx = r.X + r.Width / 2.0, cy = r.Y + r.Height / 2.0;
  Disc(sheet, cx, cy, 6.2, clWhite);
  Annulus(sheet, cx, cy, 6.0, 7.5, kMarkRed);
}

void DrawCursors(Surface& sheet) {
  // Black is the XOR's "no change": both sprites sit on black. Both are 7x7, centred on
  // their vertex.
  const SheetRegion idle = kCursorIdleRegion, drawing = kCursorDrawingRegion;
  SolidRectangle(sheet, clBlack, idle.X, idle.Y, idle.X + idle.Width, idle.Y + idle.Height);
  SolidRectangle(sheet, clBlack, drawing.X, drawing.Y, drawing.X + drawing.Width,
                 drawing.Y + drawing.Height);
  // Idle: a hollow square round the vertex, with the vertex itself marked.
  sheet.Pen.Color = kCursorIdleXor;
  sheet.Brush.Color = clBlack;
  sheet.Rectangle(idle.X, idle.Y, idle.X + idle.Width, idle.Y + idle.Height);
  Blend(sheet, idle.X + kCursorSpriteOffset, idle.Y + kCursorSpriteOffset, kCursorIdleXor, 1);
  // Drawing: a filled diamond, the pen on the paper.
  constexpr int centre = kCursorSpriteOffset;
  for (int row = 0; row < drawing.Height; ++row) {
    const int half = centre - std::abs(row - centre);
    for (int col = centre - half; col <= centre + half; ++col) {
      Blend(sheet, drawing.X + col, drawing.Y + row, kCursorDrawingXor, 1);
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
  for (int d = 0; d < 10; ++d) {
    DrawClockDigit(sheet, DigitSpriteRegion(d).X, DigitSpriteRegion(d).Y, d);
  }
}

// The level box on the title: the number sits on this colour.
constexpr TColor kLevelBoxFill = Rgb(246, 250, 255);
constexpr TColor kLevelInk = Rgb(30, 38, 66);
constexpr TColor kLevelLabel = Rgb(96, 110, 146);

void DrawLevelNumber(Surface& s, const Lettering& text, int level) {
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
  Surface number(LevelSpriteRegion(level).Width, LevelSpriteRegion(level).Height);
  number.Fill(kLevelBoxFill);
  int x = (number.Width() - width) / 2;
  const int y = (number.Height() - (inkBottom - inkTop)) / 2 - inkTop;
  for (const char c : label) {
    const std::string digit(1, c);
    const auto [l, r] = text.InkColumns(digit, kHeight);
    text.Print(number, x - l, y, digit, kHeight, kLevelInk);
    text.Print(number, x - l + 1, y, digit, kHeight, kLevelInk);
    x += r - l + 1 + kGap;
  }
  s.Draw(LevelSpriteRegion(level).X, LevelSpriteRegion(level).Y, number);
}

void DrawLevels(Surface& sheet, const Lettering& text) {
  for (int level = 1; level <= 10; ++level) {
    DrawLevelNumber(sheet, text, level);
  }
}

// ---------------------------------------------------------------------------------------------
// The game itself, run headless, for every picture of a board, a path or a judgement. Its
// clock stands still until the tool moves it, its files are the sheet being drawn and an empty
// ranking, held in memory, and what it would show in its error box is kept and reported.

struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

RankingTable EmptyRanking() {
  RankingTable empty;  // twenty places of time 0 and level -1
  for (int i = 1; i <= kRankingEntries; ++i) empty.RankLevels[i] = -1;
  return empty;
}

class StillClock final : public Clock {
 public:
  std::int32_t CurrentMilliseconds() override { return Now; }
  std::uint32_t UtcMillisecondsOfDay() override { return 0; }
  std::int32_t Now = 0;
};

// Where the headless games find their sheet and ranking, in memory.
constexpr const char* kGameDirectory = "/enclova/";

// The game on `sheet`, dealing its boards from `seed`, its title shown. Keys are written as
// letters: R L U D for the arrows, Z and X.
struct HeadlessGame {
  HeadlessGame(const Surface& sheet, const Typeface* face, std::uint32_t seed)
      : Running(Time, Files, face, "make_sprites") {
    Files.ChangeDirectory(kGameDirectory);
    Files.Put(std::string(kGameDirectory) + "fgra.bmp", EncodeBmp24(sheet));
    const auto ranking = EncodeRecordFile(EmptyRanking());
    Files.Put(std::string(kGameDirectory) + "fdata.dat", {ranking.begin(), ranking.end()});
    Running.Create(seed);
    Running.Tick();  // the first tick shows the title
    Check("start-up");
  }

  void Press(std::string_view keys) {
    constexpr std::pair<char, std::uint16_t> kKeys[] = {
        {'R', VK_RIGHT}, {'L', VK_LEFT}, {'U', VK_UP}, {'D', VK_DOWN}, {'Z', VK_Z}, {'X', VK_X}};
    for (const char key : keys) {
      const auto* it = std::find_if(std::begin(kKeys), std::end(kKeys),
                                    [key](const auto& k) { return k.first == key; });
      if (it == std::end(kKeys)) throw ToolError(std::string("no key '") + key + "'");
      Running.Key(it->second);
    }
    Check("a key press");
  }

  void TickAt(std::int32_t ms) {
    Time.Now = ms;
    Running.Tick();
    Check("a timer tick");
  }

  // Ticks through the countdown of a board just dealt, up to `stage` (5 is "Go!").
  void CountdownTo(std::int32_t stage) {
    const std::int32_t dealt = Form.ReferenceTime;
    for (std::int32_t s = Form.CountdownStage + 1; s <= stage; ++s) {
      TickAt(dealt + CountdownThreshold(s) + 1);
    }
  }

  // After "Go!": the clock showing `seconds`.
  void ClockAt(std::int32_t seconds) { TickAt(Form.ReferenceTime + 1000 * seconds); }

  // Moves the free cursor to vertex `start`, starts the path there and takes `moves`.
  void Trace(TPoint start, std::string_view moves) {
    while (Form.CursorX < start.X) Press("R");
    while (Form.CursorX > start.X) Press("L");
    while (Form.CursorY < start.Y) Press("D");
    while (Form.CursorY > start.Y) Press("U");
    Press("Z");
    Press(moves);
  }

  // After the loop closed: the verdict panel.
  void ShowVerdict() {
    TickAt(Time.Now);  // the result starts counting
    TickAt(Time.Now + kVerdictAfter + 1);
  }

  void Check(const char* when) const {
    const auto& errors = Running.Host.Errors;
    if (!errors.empty()) {
      throw ToolError(std::string("the game failed in ") + when + ": " + errors.front().second);
    }
  }

  StillClock Time;
  MemoryFileSystem Files;
  Game Running;
  TForm1& Form = Running.Form;
};

// A designed board, row by row from the top: a stone of kind 1 or 2, or '.' for none.
using StonePlan = std::array<std::string_view, 5>;

int PlannedKind(const StonePlan& plan, int i, int j) {
  const char c = plan[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(i - 1)];
  return c == '.' ? 0 : c - '0';
}

bool DealtAsPlanned(const TForm1& form, const StonePlan& plan) {
  const int n = static_cast<int>(plan.size());
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      if (form.CellGrid[i][j] != PlannedKind(plan, i, j)) return false;
    }
  }
  return true;
}

// The first seed from which the game deals `plan`, drawn from the game's own random source in
// the order a board is dealt: column by column, a stone on every other cell.
std::uint32_t SearchSeed(TForm1& dealer, const StonePlan& plan) {
  const int n = static_cast<int>(plan.size());
  for (std::uint32_t seed = 0;; ++seed) {
    dealer.RandSeed = seed;
    bool same = true;
    for (int cell = 0; cell < n * n && same; ++cell) {
      const int kind = cell % 2 == 0 ? 1 + dealer.Random(2) : 0;
      same = kind == PlannedKind(plan, cell / n + 1, cell % n + 1);
    }
    if (same) return seed;
    if (seed == UINT32_MAX) throw ToolError("no seed deals the title's board");
  }
}

// The title's board: level 1, its stones of kind 1 inside the loop and those of kind 2 outside.
constexpr std::int32_t kTitleLevel = 1;
static_assert(BoardSize(kTitleLevel) == 5);
constexpr StonePlan kTitleStones = {"2.1.2", ".1.1.", "1.1.2", ".2.1.", "2.2.2"};
constexpr TPoint kTitleLoopStart{2, 1};
constexpr std::string_view kTitleLoop = "RRDRDDDLLULLUURU";
// The seed that deals it, found by SearchSeed; searched again should the deal ever change.
constexpr std::uint32_t kTitleSeed = 4959;

// The title's picture of a good round's end: the whole board square of the judged window.
Surface TitleBoard(const Surface& sheet, const Typeface& face) {
  std::uint32_t seed = kTitleSeed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HeadlessGame game(sheet, &face, seed);
    game.Press("Z");
    if (!DealtAsPlanned(game.Form, kTitleStones)) {
      seed = SearchSeed(game.Form, kTitleStones);
      std::fprintf(stderr, "make_sprites: the title's board is now dealt from seed %u\n", seed);
      continue;
    }
    game.CountdownTo(5);
    game.Trace(kTitleLoopStart, kTitleLoop);
    game.Press("Z");
    if (game.Form.GameMode != ModeResult || game.Form.Missed != 0) {
      throw ToolError("the title's loop is not judged a good one");
    }
    const int m = Margin(kTitleLevel);
    return Cut(game.Form.Canvas, m, m, kPlayAreaSize - 2 * m, kPlayAreaSize - 2 * m);
  }
  throw ToolError("the game does not deal the title's board from the seed found for it");
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
// In the panel's own coordinates.
constexpr int kClockBoxLeft = kClockAreaLeft - kSidePanelX;
constexpr int kClockBoxTop = kClockAreaTop;
constexpr int kClockBoxBottom = kClockAreaBottom;

// A cell exactly as the game cut it from the sheet, for legends.
void CellPicture(Surface& s, const TForm1& game, int x, int y, int kind) {
  s.Draw(x, y, game.CellSprites[kind]);
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

void DrawSidePanel(Surface& sheet, const Lettering& text, const TForm1& game) {
  const SheetRegion where = kSidePanelRegion;
  Surface panel(where.Width, where.Height);
  VerticalGradient(panel, 0, 0, where.Width, where.Height, kNightTop, kNightBottom);

  // Name.
  text.PrintCentred(panel, 102, 14, "Enclova", 34, kShadow);
  text.PrintCentred(panel, 101, 12, "Enclova", 34, kInk);
  panel.Pen.Color = kAccent;
  panel.MoveTo(46, 57);
  panel.LineTo(156, 57);

  // What goes where.
  CellPicture(panel, game, 30, 72, 1);
  text.Print(panel, 56, 72, "inside the loop", 16, kInkSoft);
  CellPicture(panel, game, 30, 102, 2);
  text.Print(panel, 56, 102, "outside it", 16, kInkSoft);

  // The clock box: black, as the game blacks it, in a bezel open at the window's edge.
  RoundRect(panel, kClockBoxLeft - 3, kClockBoxTop - 3, 210, kClockBoxBottom + 3, 4, kBezel);
  RoundRect(panel, kClockBoxLeft - 2, kClockBoxTop - 2, 210, kClockBoxBottom + 2, 3,
            Rgb(10, 12, 20));
  SolidRectangle(panel, clBlack, kClockBoxLeft, kClockBoxTop, where.Width, kClockBoxBottom);

  // Inside the clock: the unlit display where the game draws its three digits, the marks of
  // minutes and seconds, and labels, at the game's window positions.
  const int d0 = kMinutesX - kSidePanelX, d1 = kTensX - kSidePanelX, d2 = kUnitsX - kSidePanelX;
  const int dy = kDigitY;
  const int dw = DigitSpriteRegion(0).Width, dh = DigitSpriteRegion(0).Height;
  RoundRect(panel, d0 - 12, dy - 10, d2 + dw + 20, dy + dh + 10, 4, kClockFrame);
  RoundRect(panel, d0 - 11, dy - 9, d2 + dw + 19, dy + dh + 9, 3, clBlack);
  for (const int x : {d0, d1, d2}) DrawClockDigit(panel, x, dy, -1);
  // The marks: ' between minutes and tens, " after the units, both at the digits' top.
  SolidRectangle(panel, kClockLit, d0 + 13, dy, d0 + 15, dy + 4);
  SolidRectangle(panel, kClockLit, d2 + 12, dy, d2 + 14, dy + 4);
  SolidRectangle(panel, kClockLit, d2 + 16, dy, d2 + 18, dy + 4);
  text.PrintCentred(panel, d0 + 4, dy + 26, "min", 12, kClockLabel);
  text.PrintCentred(panel, (d1 + d2 + dw) / 2, dy + 26, "sec", 12, kClockLabel);
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
  panel.Pen.Color = kSeparatorGrey;
  panel.MoveTo(0, 0);
  panel.LineTo(0, where.Height);
  panel.Pen.Color = kSeparatorSilver;
  panel.MoveTo(1, 0);
  panel.LineTo(1, where.Height);

  sheet.Draw(where.X, where.Y, panel);
}

// ---------------------------------------------------------------------------------------------
// The title screen, 600x400.

void DrawTitle(Surface& sheet, const Lettering& text, const TForm1& game, const Surface& board) {
  const SheetRegion where = kTitleRegion;
  Surface title(where.Width, where.Height);
  VerticalGradient(title, 0, 0, where.Width, where.Height, kNightTop, kNightBottom);

  // Name.
  text.PrintCentred(title, 302, 20, "Enclova", 72, kShadow);
  text.PrintCentred(title, 300, 17, "Enclova", 72, kInk);

  // The rule, with the two stones as they look on the board in place of words.
  {
    constexpr int kH = 17;
    const std::string a = "Enclose every ", b = "  in one loop, keep every ", c = "  outside.";
    const int cell = CellSpriteRegion(1).Width;
    const int width = text.Width(a, kH) + text.Width(b, kH) + text.Width(c, kH) + 2 * cell;
    int x = 300 - width / 2;
    const int y = 104;
    const auto [inkTop, inkBottom] = text.InkRows("E", kH);
    const int cellY = y + (inkTop + inkBottom) / 2 - 8;
    x = text.Print(title, x, y, a, kH, kInkSoft);
    CellPicture(title, game, x, cellY, 1);
    x = text.Print(title, x + cell, y, b, kH, kInkSoft);
    CellPicture(title, game, x, cellY, 2);
    text.Print(title, x + cell, y, c, kH, kInkSoft);
  }

  // A small board as a good round ends: the loop drawn, its inside washed.
  constexpr int kBoardX = 62, kBoardY = 166;
  RoundRect(title, kBoardX - 6, kBoardY - 6, kBoardX + 118, kBoardY + 118, 6, kBezel);
  title.Draw(kBoardX, kBoardY, board);
  text.PrintCentred(title, kBoardX + 56, kBoardY + 124, "a good loop", 14, kInkDim);

  // Start, and the level box round the spot where the game draws the level number.
  {
    constexpr int kCx = kLevelSpriteX + LevelSpriteRegion(1).Width / 2;
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
    title.Draw(kLevelSpriteX, kLevelSpriteY, game.LevelSprites[1]);
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

  sheet.Draw(where.X, where.Y, title);
}

// ---------------------------------------------------------------------------------------------

Surface DrawSheet(const Lettering& text, const Typeface& face) {
  Surface sheet(kSheetWidth, kSheetHeight);
  DrawCells(sheet);
  DrawMissMarker(sheet);
  DrawCursors(sheet);
  DrawDigits(sheet);
  DrawLevels(sheet, text);
  // The screens show cells, a board and the level number: the game cuts them from the strip,
  // and plays the title's board on it.
  const HeadlessGame strip(sheet, &face, 0);
  const Surface board = TitleBoard(sheet, face);
  DrawSidePanel(sheet, text, strip.Form);
  DrawTitle(sheet, text, strip.Form, board);
  return sheet;
}

// ---------------------------------------------------------------------------------------------
// Files and previews.

// The desktop's icon sizes.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
// The Windows installer's side panel on its first and last pages, as NSIS's pages size it.
constexpr int kInstallerPanelWidth = 164;
constexpr int kInstallerPanelHeight = 314;
// The sizes a phone's launcher asks a page for.
constexpr int kMaskableIconSizes[] = {192, 512};

// An .ico file holding each size as a PNG (which Windows reads since Vista), in the order given.
std::vector<std::uint8_t> IcoFile(const std::vector<std::vector<std::uint8_t>>& pngs) {
  std::vector<std::uint8_t> ico;
  auto put16 = [&ico](std::size_t v) {
    for (int i = 0; i < 2; ++i) ico.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  auto put32 = [&ico](std::size_t v) {
    for (int i = 0; i < 4; ++i) ico.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put16(0);  // reserved
  put16(1);  // an icon, not a cursor
  put16(pngs.size());
  std::size_t offset = 6 + 16 * pngs.size();
  for (std::size_t i = 0; i < pngs.size(); ++i) {
    const int size = kIconSizes[i];
    ico.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));  // 0 stands for 256
    ico.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
    ico.push_back(0);  // no palette
    ico.push_back(0);
    put16(1);   // planes
    put16(32);  // bits a pixel
    put32(pngs[i].size());
    put32(offset);
    offset += pngs[i].size();
  }
  for (const auto& png : pngs) ico.insert(ico.end(), png.begin(), png.end());
  return ico;
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

// The previews' board at level 3, dealt from kPreviewSeed, and two loops on it from the same
// vertex: one round exactly its stones of kind 1, and one that leaves out the stone of kind 1
// at cell (1, 5) and takes in the stone of kind 2 at (6, 4).
constexpr std::uint32_t kPreviewSeed = 16;
constexpr TPoint kPreviewLoopStart{2, 2};
constexpr std::string_view kGoodLoop =
    "RDRRRURDRURDDDDDDDRDLLUULUURUULLDDDLLDLDRRRDLLLLUULURRUURULLDDLUUURU";
constexpr std::string_view kMissLoop =
    "RDRRRURDRURDDDDDDDRDLLUULUURUULDLDDLLDLDRRRDLLLLUULURRUURULLDLUURU";
constexpr std::size_t kStepsUnderWay = 30;
constexpr std::int32_t kPreviewSeconds = 83;  // 1' 23"

// Whole screens as the game shows them, played on the finished sheet.
bool WritePreviews(const std::string& dir, const Surface& sheet, const Typeface* face) {
  bool ok = true;
  HeadlessGame game(sheet, face, kPreviewSeed);
  game.Press("RR");
  ok &= WriteBmp(dir + "/title.bmp", game.Form.Canvas);

  game.Press("Z");
  game.CountdownTo(3);  // "Ready.."
  ok &= WriteBmp(dir + "/countdown.bmp", game.Form.Canvas);

  game.CountdownTo(5);
  game.Trace(kPreviewLoopStart, kGoodLoop.substr(0, kStepsUnderWay));
  game.ClockAt(kPreviewSeconds);
  ok &= WriteBmp(dir + "/play.bmp", game.Form.Canvas);

  game.Press(kGoodLoop.substr(kStepsUnderWay));
  game.Press("Z");
  game.ShowVerdict();
  if (game.Form.Missed != 0) throw ToolError("the good preview's loop is judged a miss");
  ok &= WriteBmp(dir + "/good.bmp", game.Form.Canvas);

  HeadlessGame missed(sheet, face, kPreviewSeed);
  missed.Press("RRZ");
  missed.CountdownTo(5);
  missed.Trace(kPreviewLoopStart, kMissLoop);
  missed.ClockAt(kPreviewSeconds);
  missed.Press("Z");
  missed.ShowVerdict();
  if (missed.Form.Missed != 1) throw ToolError("the missed preview's loop is judged good");
  ok &= WriteBmp(dir + "/miss.bmp", missed.Form.Canvas);
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
  try {
    const Lettering text(*face);
    const Surface sheet = DrawSheet(text, *face);
    if (!WriteBmp(sheetPath, sheet)) {
      std::fprintf(stderr, "make_sprites: cannot write %s\n", sheetPath.c_str());
      return 1;
    }

    if (!rankingPath.empty()) {
      const auto bytes = EncodeRecordFile(EmptyRanking());
      if (!WriteFile(rankingPath, bytes.data(), bytes.size())) {
        std::fprintf(stderr, "make_sprites: cannot write %s\n", rankingPath.c_str());
        return 1;
      }
    }

    std::vector<std::vector<std::uint8_t>> iconPngs;
    for (const int size : kIconSizes) {
      if (iconDir.empty()) break;
      const std::string path =
          iconDir + "/" + std::to_string(size) + "x" + std::to_string(size) + ".png";
      if (!WritePngRgba(path, size, size, DrawGameIcon(size).data(), &error)) {
        std::fprintf(stderr, "make_sprites: cannot write %s: %s\n", path.c_str(), error.c_str());
        return 1;
      }
      iconPngs.push_back(EncodePngRgba(size, size, DrawGameIcon(size).data()));
    }
    // The page's icons for launchers that cut their own shape.
    for (const int size : kMaskableIconSizes) {
      if (iconDir.empty()) break;
      const std::string path =
          iconDir + "/maskable-" + std::to_string(size) + "x" + std::to_string(size) + ".png";
      if (!WritePngRgba(path, size, size, DrawMaskableGameIcon(size).data(), &error)) {
        std::fprintf(stderr, "make_sprites: cannot write %s: %s\n", path.c_str(), error.c_str());
        return 1;
      }
    }
    if (!iconDir.empty()) {
      const std::vector<std::uint32_t> panel =
          DrawInstallerPanel(kInstallerPanelWidth, kInstallerPanelHeight);
      std::vector<TColor> colours(panel.size());
      for (std::size_t i = 0; i < panel.size(); ++i) colours[i] = panel[i] & 0xFFFFFFu;
      const std::string path = iconDir + "/installer-panel.bmp";
      if (!WriteBmp(path, Surface(kInstallerPanelWidth, kInstallerPanelHeight, colours))) {
        std::fprintf(stderr, "make_sprites: cannot write %s\n", path.c_str());
        return 1;
      }
    }
    if (!iconDir.empty()) {
      const std::string path = iconDir + "/enclova.ico";
      const std::vector<std::uint8_t> ico = IcoFile(iconPngs);
      if (!WriteFile(path, ico.data(), ico.size())) {
        std::fprintf(stderr, "make_sprites: cannot write %s\n", path.c_str());
        return 1;
      }
    }

    // The previews write in the game's own typeface, as the player sees them.
    const std::unique_ptr<Typeface> gameFace = OpenGameTypeface();
    if (!previewDir.empty() &&
        !WritePreviews(previewDir, sheet, gameFace ? gameFace.get() : face.get())) {
      std::fprintf(stderr, "make_sprites: cannot write the previews to %s\n", previewDir.c_str());
      return 1;
    }
  } catch (const ToolError& e) {
    std::fprintf(stderr, "make_sprites: %s\n", e.what());
    return 1;
  }
  return 0;
}
