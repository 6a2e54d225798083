// SPDX-License-Identifier: MIT
// Helpers for the puzzle tests: a board set up directly on a headless game, an expected-pixel
// model to compare whole surfaces against, and a path drawer that calls the strokes the way the
// extension of the path does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "app/form.h"
#include "tests/fakes.h"

namespace enclova::testing {

// The mint the retraction paints grid lines with on the window.
constexpr TColor kEraseMint = 0x00C0FF98;

// A plain copy of a surface's pixels that a test edits into what it expects.
struct Raster {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Pixels;

  Raster(int width, int height, TColor color)
      : Width(width), Height(height), Pixels(static_cast<std::size_t>(width * height), color) {}
  explicit Raster(const Surface& s) : Width(s.Width()), Height(s.Height()), Pixels(s.Pixels()) {}

  TColor& At(int x, int y) { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
  TColor At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
  void Set(int x, int y, TColor c) {
    if (x >= 0 && y >= 0 && x < Width && y < Height) At(x, y) = c;
  }
  void FillRect(int x1, int y1, int x2, int y2, TColor c) {  // x1 <= x < x2, y1 <= y < y2
    for (int y = y1; y < y2; ++y) {
      for (int x = x1; x < x2; ++x) Set(x, y, c);
    }
  }
  // `count` pixels from (x, y) in steps of (dx, dy).
  void Run(int x, int y, int dx, int dy, int count, TColor c) {
    for (int k = 0; k < count; ++k) Set(x + k * dx, y + k * dy, c);
  }
  void Copy(int x, int y, const Surface& image) {
    for (int iy = 0; iy < image.Height(); ++iy) {
      for (int ix = 0; ix < image.Width(); ++ix) Set(x + ix, y + iy, image.GetPixel(ix, iy));
    }
  }
  void Xor(int x, int y, const Surface& image) {
    for (int iy = 0; iy < image.Height(); ++iy) {
      for (int ix = 0; ix < image.Width(); ++ix) {
        if (x + ix < Width && y + iy < Height) At(x + ix, y + iy) ^= image.GetPixel(ix, iy);
      }
    }
  }
};

// Compares every pixel; on a mismatch names how many differ and the first few.
inline ::testing::AssertionResult SamePixels(const Raster& expected, const Surface& actual) {
  if (expected.Width != actual.Width() || expected.Height != actual.Height()) {
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height();
  }
  int wrong = 0;
  std::ostringstream first;
  for (int y = 0; y < expected.Height; ++y) {
    for (int x = 0; x < expected.Width; ++x) {
      const TColor a = actual.GetPixel(x, y);
      if (a == expected.At(x, y)) continue;
      if (++wrong <= 8) {
        first << " (" << x << "," << y << ") is " << std::hex << a << " not " << expected.At(x, y)
              << std::dec << ";";
      }
    }
  }
  if (wrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " pixels differ:" << first.str();
}

// The colour a sprite of the synthetic sheet has at its own (x, y).
inline TColor CellSpriteColor(int kind, int x, int y) {
  return SheetColor(200 + 17 * kind + x, 400 + y);
}

// A game started up on the synthetic sheet, with a board of `level` set up directly, as the
// title's action key would.
struct BoardGame {
  explicit BoardGame(int level, std::uint32_t seed = 12345) : Game(MakeOptions(seed)) {
    SetUp(level);
  }
  void SetUp(int level) {
    Form.GameMode = ModePlay;
    Form.PlayPhase = PhaseSetup;
    Form.Level = level;
    Form.SetUpBoard();
  }
  static GameHarness::Options MakeOptions(std::uint32_t seed) {
    GameHarness::Options o;
    o.Seed = seed;
    return o;
  }

  GameHarness Game;
  TForm1& Form = Game.Form;
};

inline int DirX(std::int32_t d) {
  return d == CmdRight ? 1 : d == CmdLeft ? -1 : 0;
}
inline int DirY(std::int32_t d) {
  return d == CmdDown ? 1 : d == CmdUp ? -1 : 0;
}

// Draws a path from vertex (x, y) with the strokes in the order the extension calls them
// (window pen black before each stroke); with `close` the closing step repeats the first one.
// Moves no cursor sprite.
inline void DrawPath(TForm1& form, int x, int y, const std::vector<std::int32_t>& steps,
                     bool close) {
  form.CursorX = x;
  form.CursorY = y;
  std::vector<std::int32_t> all = steps;
  if (close) all.push_back(steps.front());
  for (std::size_t k = 0; k < all.size(); ++k) {
    form.CursorX += DirX(all[k]);
    form.CursorY += DirY(all[k]);
    form.Canvas.Pen.Color = clBlack;
    const int tx = form.VertexPixelX(form.CursorX), ty = form.VertexPixelY(form.CursorY);
    form.DrawPen(k == 0 ? FirstSegmentStroke(tx, ty, all[k])
                        : StepStroke(tx, ty, all[k - 1], all[k]));
  }
}

inline std::string DirName(std::int32_t d) {
  switch (d) {
    case CmdDown:
      return "down";
    case CmdUp:
      return "up";
    case CmdLeft:
      return "left";
    case CmdRight:
      return "right";
  }
  return std::to_string(d);
}

}  // namespace enclova::testing
