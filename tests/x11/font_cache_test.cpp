// SPDX-License-Identifier: MIT
// The first countdown text comes on time even when fontconfig has no cache: the game's glyphs are
// built in, and it never asks fontconfig for anything.
#include <X11/keysym.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "gfx/bmp.h"
#include "tests/x11/xserver.h"

namespace enclova::x11 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr TColor kCountdownInk = 0x00E6E6E6;

// Light-grey ink where "Ready" is written: the countdown's first text is on the screen.
bool ShowsReady(const Surface& window) {
  int ink = 0;
  for (int y = 183; y < 231; ++y) {
    for (int x = 424; x < 540; ++x) ink += window.GetPixel(x, y) == kCountdownInk;
  }
  return ink > 50;
}

// The board of a round: the white board square at level 1 inside its black frame.
bool ShowsBoard(const Surface& window) {
  return window.GetPixel(143, 143) == clBlack && window.GetPixel(150, 150) == clWhite &&
         window.GetPixel(5, 395) == clBlack;
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

TEST(FontCacheTest, FirstReadyComesOnTimeWithAColdFontCache) {
  XServer& x = SharedServer();
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("fdata.dat"), testing::EmptyRecordFile());
  testing::WriteFileBytes(dir.File("fgra.bmp"), EncodeBmp24(testing::MakeTestSheet()));
  // Every installed font, and a cache directory of its own that starts empty: fontconfig must
  // scan every font file before its first answer.
  const std::string cache = dir.File("fontcache");
  std::filesystem::create_directory(cache);
  {
    std::ofstream conf(dir.File("fonts.conf"));
    conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
         << "<fontconfig>\n  <dir>/usr/share/fonts</dir>\n  <cachedir>" << cache
         << "</cachedir>\n</fontconfig>\n";
  }
  setenv("FONTCONFIG_FILE", dir.File("fonts.conf").c_str(), 1);
  GameProcess game(x, dir.Path());
  unsetenv("FONTCONFIG_FILE");

  const Window main = x.WaitForWindow("Enclova", game.Pid());
  ASSERT_NE(main, 0u) << game.Stderr();
  // The title is up (the first tick has drawn its picture); Z at once. A face looked for at the
  // first text made "Ready" late; one looked for while the title was up made a quick player's
  // "Ready" late on a loaded machine.
  ASSERT_TRUE(WaitFor([&] {
    const Surface s = x.Capture(main);
    return s.Exists() && s.GetPixel(300, 200) != 0x00F0F0F0;
  })) << game.Stderr();
  x.Tap(XK_z);
  const Clock::time_point pressed = Clock::now();
  std::optional<Clock::time_point> board, ready;
  while (!ready && Clock::now() - pressed < kPatience) {
    const Surface s = x.Capture(main);
    const Clock::time_point seen = Clock::now();
    if (!board && s.Exists() && ShowsBoard(s)) board = seen;
    if (board && ShowsReady(s)) ready = seen;
  }
  ASSERT_TRUE(board && ready) << game.Stderr();
  // Measured from Z, which sets the board up: the board is only seen once a capture finds it.
  const double readyAfter = Ms(*ready - pressed);
  std::printf("board seen %.0f ms after Z, first \"Ready\" seen %.0f ms after Z\n%s",
              Ms(*board - pressed), readyAfter, game.Stderr().c_str());
  // "Ready" comes on the first tick past one second; a face looked for only then came half a
  // second late or more here.
  EXPECT_GE(readyAfter, 980);
  EXPECT_LE(readyAfter, 1300);
  x.Tap(XK_Escape);
  EXPECT_EQ(game.WaitExit(), 0) << game.Stderr();
  // fontconfig, asked anything, would have filled its cache first.
  EXPECT_TRUE(std::filesystem::is_empty(cache)) << "the game asked fontconfig for a font";
}

}  // namespace
}  // namespace enclova::x11
