// SPDX-License-Identifier: MIT
// The icon uses the board's own colours, so a menu shows the same things as the game.
#include "app/game_icon.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace enclova {

namespace {

struct Rgb {
  double R, G, B;
};

constexpr Rgb kNightTop{38, 46, 74};
constexpr Rgb kNightBottom{16, 20, 34};
constexpr Rgb kBoard{255, 255, 255};
constexpr Rgb kGrid{152, 255, 192};
constexpr Rgb kLoop{0, 0, 0};
constexpr Rgb kStoneDark{36, 44, 72};
constexpr Rgb kStoneHighlight{122, 136, 176};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

// Signed distance from a rounded square [lo, hi]^2 with corner radius r (negative inside).
double RoundSquareDistance(double u, double v, double lo, double hi, double r) {
  const double centre = (lo + hi) / 2;
  const double qx = std::abs(u - centre) - ((hi - lo) / 2 - r);
  const double qy = std::abs(v - centre) - ((hi - lo) / 2 - r);
  return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
}

// The icon's colour at (u, v) in the unit square, nothing outside the tile.
std::optional<Rgb> IconAt(double u, double v, double pixel) {
  if (RoundSquareDistance(u, v, 0.02, 0.98, 0.18) > 0) return std::nullopt;
  if (RoundSquareDistance(u, v, 0.11, 0.89, 0.07) > 0) return Mix(kNightTop, kNightBottom, v);
  // The grid shows only where a line can be a pixel or more wide.
  const double cell = 0.78 / 4;
  const double gu = std::fmod(u - 0.11, cell), gv = std::fmod(v - 0.11, cell);
  const double line = std::max(pixel, 0.012);
  const bool onGrid = pixel < 0.03 && (gu < line || gv < line);
  // The loop: the square ring through the grid's inner vertices, round the middle stone.
  const double ring = std::abs(RoundSquareDistance(u, v, 0.11 + cell, 0.89 - cell, 0.03));
  if (ring < std::max(0.045, pixel)) return kLoop;
  const double r = std::hypot(u - 0.5, v - 0.5);
  if (r < 0.17) {
    const double t = std::clamp(1.0 - std::hypot(u - 0.44, v - 0.43) / 0.16, 0.0, 1.0);
    return Mix(kStoneDark, kStoneHighlight, t * t);
  }
  return onGrid ? kGrid : kBoard;
}

// A maskable icon is the frame's night to every edge with the board in the middle, shrunk so
// that its rounded corners stay within the circle of 40 % of the size round the middle, which
// every launcher's mask keeps.
constexpr double kMaskableScale = 0.72;

std::optional<Rgb> MaskableIconAt(double u, double v, double pixel) {
  const double tu = (u - 0.5) / kMaskableScale + 0.5, tv = (v - 0.5) / kMaskableScale + 0.5;
  if (RoundSquareDistance(tu, tv, 0.11, 0.89, 0.07) > 0) return Mix(kNightTop, kNightBottom, v);
  return IconAt(tu, tv, pixel / kMaskableScale);
}

template <typename ColourAt>
std::vector<std::uint32_t> Draw(int size, ColourAt colourAt) {
  constexpr int kSamples = 4;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) *
                                    static_cast<std::size_t>(size));
  const double pixel = 1.0 / size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0;
      int covered = 0;
      for (int j = 0; j < kSamples; ++j) {
        for (int i = 0; i < kSamples; ++i) {
          const auto c = colourAt((x + (i + 0.5) / kSamples) * pixel,
                                  (y + (j + 0.5) / kSamples) * pixel, pixel);
          if (!c) continue;
          r += c->R, g += c->G, b += c->B;
          ++covered;
        }
      }
      if (covered == 0) continue;
      auto channel = [&](double sum) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(sum / covered), 0L, 255L));
      };
      const auto alpha = static_cast<std::uint32_t>((covered * 255 + kSamples * kSamples / 2) /
                                                    (kSamples * kSamples));
      pixels[static_cast<std::size_t>(y) * size + x] =
          channel(r) | channel(g) << 8 | channel(b) << 16 | alpha << 24;
    }
  }
  return pixels;
}

}  // namespace

std::vector<std::uint32_t> DrawGameIcon(int size) {
  return Draw(size, IconAt);
}

std::vector<std::uint32_t> DrawMaskableGameIcon(int size) {
  return Draw(size, MaskableIconAt);
}

std::vector<std::uint32_t> DrawInstallerPanel(int width, int height) {
  const int size = std::min(width * 3 / 4, height / 2);
  const int left = (width - size) / 2, top = height / 8;
  const std::vector<std::uint32_t> icon = DrawGameIcon(size);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
  auto channel = [](double v) {
    return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
  };
  for (int y = 0; y < height; ++y) {
    const Rgb night = Mix(kNightTop, kNightBottom, (y + 0.5) / height);
    for (int x = 0; x < width; ++x) {
      Rgb c = night;
      if (x >= left && x < left + size && y >= top && y < top + size) {
        // The icon's rounded corners laid over the night.
        const std::uint32_t p = icon[static_cast<std::size_t>(y - top) * size + (x - left)];
        const Rgb own{double(p & 0xFF), double(p >> 8 & 0xFF), double(p >> 16 & 0xFF)};
        c = Mix(night, own, (p >> 24) / 255.0);
      }
      pixels[static_cast<std::size_t>(y) * width + x] =
          channel(c.R) | channel(c.G) << 8 | channel(c.B) << 16 | 0xFFu << 24;
    }
  }
  return pixels;
}

}  // namespace enclova
