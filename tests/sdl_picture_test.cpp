// SPDX-License-Identifier: MIT
// The picture on the window's surface: every game pixel an exact N x N block in the surface's
// own format, clipped to the surface, black around it, and nothing else touched.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sdl/sdl_window.h"

namespace enclova {
namespace {

constexpr int kWidth = 7;
constexpr int kHeight = 5;
constexpr std::uint32_t kUntouched = 0x00336699;  // 0x00BBGGRR, as every picture here

// Every pixel of the picture differs from the others in each of its three channels.
std::vector<std::uint32_t> TestPicture() {
  std::vector<std::uint32_t> picture(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const auto i = static_cast<std::uint32_t>(y * kWidth + x);
      picture[i] = (40 + i * 5) | (200 - i * 4) << 8 | (10 + i * 7) << 16;
    }
  }
  return picture;
}

struct Surfaces {
  SDL_Surface* Target;
  SDL_Surface* Expected;
  ~Surfaces() {
    SDL_FreeSurface(Target);
    SDL_FreeSurface(Expected);
  }
};

// A target of `format` and what it should hold, both `w` x `h`, filled with kUntouched; the
// expected picture is drawn in our own format by `draw` and converted by SDL at the end.
Surfaces Make(int w, int h, Uint32 format) {
  Surfaces s{SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format),
             SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XBGR8888)};
  if (s.Target == nullptr || s.Expected == nullptr) return s;
  auto* ours = static_cast<std::uint32_t*>(s.Expected->pixels);
  for (int i = 0; i < w * h; ++i) ours[i] = kUntouched;
  SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XBGR8888, s.Expected->pixels, s.Expected->pitch, format,
                    s.Target->pixels, s.Target->pitch);
  return s;
}

// The expected picture in the target's format, compared row by row; the first differing pixel.
::testing::AssertionResult Matches(const Surfaces& s) {
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(s.Expected, s.Target->format->format, 0);
  if (converted == nullptr) return ::testing::AssertionFailure() << SDL_GetError();
  const int bytes = s.Target->format->BytesPerPixel;
  for (int y = 0; y < s.Target->h; ++y) {
    const auto* got = static_cast<const std::uint8_t*>(s.Target->pixels) + y * s.Target->pitch;
    const auto* want = static_cast<const std::uint8_t*>(converted->pixels) + y * converted->pitch;
    for (int x = 0; x < s.Target->w; ++x) {
      if (std::memcmp(got + x * bytes, want + x * bytes, static_cast<std::size_t>(bytes)) != 0) {
        SDL_FreeSurface(converted);
        return ::testing::AssertionFailure() << "first difference at (" << x << ", " << y << ")";
      }
    }
  }
  SDL_FreeSurface(converted);
  return ::testing::AssertionSuccess();
}

// Our picture's pixels x0..x1-1, y0..y1-1 as blocks placed at `at`, drawn by the definition.
void DrawExpected(SDL_Surface* expected, const std::vector<std::uint32_t>& picture,
                  const Placement& at, int x0, int y0, int x1, int y1) {
  auto* pixels = static_cast<std::uint32_t*>(expected->pixels);
  for (int ty = 0; ty < expected->h; ++ty) {
    for (int tx = 0; tx < expected->w; ++tx) {
      const int dx = tx - at.X, dy = ty - at.Y;
      if (dx < 0 || dy < 0) continue;
      const int x = dx / at.Scale, y = dy / at.Scale;
      if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
      pixels[ty * expected->w + tx] = picture[y * kWidth + x];
    }
  }
}

const Uint32 kFormats[] = {SDL_PIXELFORMAT_XRGB8888, SDL_PIXELFORMAT_XBGR8888,
                           SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_RGB24};

TEST(CopyScaled, EveryPixelABlockOfItsScaleClippedToTheSurfaceAndNothingElseTouched) {
  struct Case {
    const char* what;
    int w, h;  // the target
    Placement at;
    int x0, y0, x1, y1;  // the picture's area copied
  };
  const Case cases[] = {
      {"the whole at 1x, exactly", kWidth, kHeight, {1, 0, 0}, 0, 0, kWidth, kHeight},
      {"the whole at 2x, exactly", 2 * kWidth, 2 * kHeight, {2, 0, 0}, 0, 0, kWidth, kHeight},
      {"the whole at 3x, off the corner",
       3 * kWidth + 5,
       3 * kHeight + 4,
       {3, 3, 1},
       0,
       0,
       kWidth,
       kHeight},
      {"one pixel at 4x", 4 * kWidth, 4 * kHeight, {4, 0, 0}, 2, 3, 3, 4},
      {"a middle part at 3x", 3 * kWidth + 2, 3 * kHeight, {3, 1, 0}, 1, 1, 5, 3},
      {"left and top edges cut through blocks",
       3 * kWidth - 7,
       3 * kHeight - 5,
       {3, -4, -2},
       0,
       0,
       kWidth,
       kHeight},
      {"right and bottom edges cut through blocks",
       3 * kWidth - 4,
       3 * kHeight - 2,
       {3, 0, 0},
       0,
       0,
       kWidth,
       kHeight},
      {"a part cut on every side", 9, 7, {3, -5, -4}, 1, 1, 6, 5},
      {"a part wholly outside", 3 * kWidth, 6, {3, 0, 0}, 0, 3, kWidth, kHeight},
      {"at 1x, shifted off the left", kWidth - 2, kHeight, {1, -2, 0}, 0, 0, kWidth, kHeight},
  };
  const std::vector<std::uint32_t> picture = TestPicture();
  std::vector<std::uint32_t> row;
  for (const Uint32 format : kFormats) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " in " + SDL_GetPixelFormatName(format));
      const Surfaces s = Make(c.w, c.h, format);
      ASSERT_NE(s.Target, nullptr) << SDL_GetError();
      CopyScaled(picture.data(), kWidth, c.x0, c.y0, c.x1, c.y1, c.at, s.Target, row);
      DrawExpected(s.Expected, picture, c.at, c.x0, c.y0, c.x1, c.y1);
      EXPECT_TRUE(Matches(s));
    }
  }
}

TEST(DrawWholePicture, ThePictureInBlocksAndBlackEverywhereElse) {
  struct Case {
    const char* what;
    int w, h;
    Placement at;
  };
  const Case cases[] = {
      {"exactly the picture at 3x", 3 * kWidth, 3 * kHeight, {3, 0, 0}},
      {"centred with margins on every side", 2 * kWidth + 5, 2 * kHeight + 3, {2, 2, 1}},
      {"margins left and right only", 2 * kWidth + 4, 2 * kHeight, {2, 2, 0}},
      {"margins above and below only", kWidth, kHeight + 6, {1, 0, 3}},
      {"larger than the surface, clipped", 3 * kWidth - 6, 3 * kHeight - 4, {3, -3, -2}},
  };
  const std::vector<std::uint32_t> picture = TestPicture();
  std::vector<std::uint32_t> row;
  for (const Uint32 format : kFormats) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " in " + SDL_GetPixelFormatName(format));
      const Surfaces s = Make(c.w, c.h, format);
      ASSERT_NE(s.Target, nullptr) << SDL_GetError();
      DrawWholePicture(picture.data(), kWidth, kHeight, c.at, s.Target, row);
      SDL_FillRect(s.Expected, nullptr, 0);
      DrawExpected(s.Expected, picture, c.at, 0, 0, kWidth, kHeight);
      EXPECT_TRUE(Matches(s));
    }
  }
}

}  // namespace
}  // namespace enclova
