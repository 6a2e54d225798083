// SPDX-License-Identifier: MIT
// Where the game plays: the data directory it chooses and seeds, its settings, the pictures
// folder, the plain English account of a file error, the window's scales, PNG files, the icon.
#include "posix/user_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/game.h"
#include "app/game_icon.h"
#include "base/file_io.h"
#include "frontend/data_directory_files.h"
#include "frontend/placement.h"
#include "gfx/png.h"
#include "posix/posix_platform.h"
#include "sdl/sdl_window.h"
#include "tests/kit/fakes.h"
#include "tests/kit/pictures.h"
#include "tests/kit/png_oracle.h"

namespace enclova {
namespace {

using testing::FakeClock;
using testing::ReadFileBytes;
using testing::ReadPng;
using testing::TempDir;
using testing::WriteFileBytes;

const std::vector<std::uint8_t> kSheet = {'B', 'M', 1, 2, 3};
const std::vector<std::uint8_t> kEmptyRanking = testing::EmptyRecordFile();

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// A home, a working directory and an installation, all empty but the installed files.
class DataDirectoryTest : public ::testing::Test {
 protected:
  DataDirectoryTest() {
    mkdir(Root.File("home").c_str(), 0755);
    mkdir(Root.File("work").c_str(), 0755);
    mkdir(Root.File("installed").c_str(), 0755);
    WriteFileBytes(Root.File("installed/fgra.bmp"), kSheet);
    WriteFileBytes(Root.File("installed/fdata.dat"), kEmptyRanking);
    Request.Working = Root.File("work");
    Request.Installed = Root.File("installed");
    Request.Home = Root.File("home");
  }
  std::string Own() const { return Root.File("home/.local/share/enclova"); }

  // The choice on the process's own files, with the player's folder by the XDG rules.
  DataDirectoryChoice Choose() {
    DataDirectoryRequest request;
    request.Explicit = Request.Explicit;
    request.Working = Request.Working;
    request.Installed = Request.Installed;
    request.UserDirectory = UserDataDirectory(Request.XdgDataHome, Request.Home);
    PosixFileSystem files;
    return ChooseDataDirectory(files, request);
  }

  TempDir Root;
  // What the Linux front end knows when it chooses.
  struct {
    std::string Explicit, Working, Installed, XdgDataHome, Home;
  } Request;
};

TEST_F(DataDirectoryTest, WorkingDirectoryHoldingEitherFileIsUsedAsIs) {
  for (const char* file : {"fgra.bmp", "fdata.dat"}) {
    SCOPED_TRACE(file);
    TempDir work;
    WriteFileBytes(work.File(file), {1});
    Request.Working = work.Path();
    const DataDirectoryChoice choice = Choose();
    EXPECT_EQ(choice.Directory, work.Path());
    EXPECT_TRUE(choice.Notices.empty());
    EXPECT_FALSE(choice.OwnFolder) << "its boxes stay exactly as they are";
    EXPECT_TRUE(choice.InstalledSheet.empty());
  }
  EXPECT_FALSE(Exists(Own())) << "nothing is seeded when the working directory has the files";
}

TEST_F(DataDirectoryTest, DataDirOptionWinsAndIsMadeAbsolute) {
  WriteFileBytes(Root.File("work/fdata.dat"), {1});
  Request.Explicit = Root.File("elsewhere");
  EXPECT_EQ(Choose().Directory, Root.File("elsewhere"));
  Request.Explicit = "mine";
  EXPECT_EQ(Choose().Directory, Root.File("work/mine"));
  EXPECT_FALSE(Exists(Own()));
}

TEST_F(DataDirectoryTest, WithoutAnInstallationTheWorkingDirectoryStays) {
  for (const std::string& installed : {std::string(), Root.File("missing")}) {
    Request.Installed = installed;
    EXPECT_EQ(Choose().Directory, Root.File("work"));
  }
  EXPECT_FALSE(Exists(Own()));
}

TEST_F(DataDirectoryTest, InstalledGameSeedsTheRankingOnceAndSharesTheSheet) {
  const DataDirectoryChoice first = Choose();
  EXPECT_EQ(first.Directory, Own());
  EXPECT_TRUE(first.OwnFolder);
  EXPECT_FALSE(first.InMemory);
  EXPECT_TRUE(first.Notices.empty()) << first.Notices[0];
  EXPECT_EQ(first.InstalledSheet, Root.File("installed/fgra.bmp"));
  EXPECT_EQ(ReadFileBytes(Own() + "/fdata.dat"), kEmptyRanking);
  // The sheet is read from the installation, and nothing else is left behind.
  EXPECT_EQ(testing::DirectoryEntries(Own()),
            (std::vector<std::string>{"fdata.dat", "fdata.dat.lock"}));

  // The player's ranking is never replaced.
  std::vector<std::uint8_t> played = kEmptyRanking;
  played[0] = 9;
  WriteFileBytes(Own() + "/fdata.dat", played);
  EXPECT_EQ(Choose().Directory, Own());
  EXPECT_EQ(ReadFileBytes(Own() + "/fdata.dat"), played);
  // The installation is only read.
  EXPECT_EQ(ReadFileBytes(Root.File("installed/fdata.dat")), kEmptyRanking);
  EXPECT_EQ(ReadFileBytes(Root.File("installed/fgra.bmp")), kSheet);
}

// A sheet in the player's folder that is the installation's own is a copy earlier versions
// made: it goes. One that differs was put there on purpose: it stays, and the game reads it
// rather than the installation's, from the moment it is there.
TEST_F(DataDirectoryTest, ACopyOfTheInstalledSheetGoesAndThePlayersOwnSheetWins) {
  const std::vector<std::uint8_t> mine = {'B', 'M', 4, 5, 6};
  struct Case {
    const char* what;
    std::vector<std::uint8_t> sheet;
    bool kept;
  };
  const Case cases[] = {{"the installation's copy", kSheet, false},
                        {"the player's own", mine, true},
                        {"an empty file", {}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(Own());
    ASSERT_TRUE(std::filesystem::is_directory(Own()));
    WriteFileBytes(Own() + "/fgra.bmp", c.sheet);
    const DataDirectoryChoice choice = Choose();
    EXPECT_EQ(Exists(Own() + "/fgra.bmp"), c.kept);
    PosixFileSystem posix;
    DataDirectoryFileSystem files(posix, choice.Directory, choice.InstalledSheet);
    // As the game names it: the directory with one slash, then the file's name.
    const WholeFile read = ReadWholeFile(files, Own() + "/fgra.bmp", 1 << 20);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.Bytes, c.kept ? c.sheet : kSheet);
    unlink((Own() + "/fgra.bmp").c_str());
    EXPECT_EQ(ReadWholeFile(files, Own() + "/fgra.bmp", 1 << 20).Bytes, kSheet);
  }
}

TEST_F(DataDirectoryTest, XdgDataHomeIsHonouredOnlyWhenAbsolute) {
  Request.XdgDataHome = Root.File("data");
  EXPECT_EQ(Choose().Directory, Root.File("data/enclova"));
  Request.XdgDataHome = "relative/data";
  EXPECT_EQ(Choose().Directory, Own());
}

// Unset, empty or relative, HOME is no home: nothing is made under the working directory,
// whose name the game was started from says nothing of the player.
TEST(XdgDirectories, NoAbsoluteHomeMeansNoFolder) {
  for (const char* home : {"", "relative", "./home", "."}) {
    SCOPED_TRACE(std::string("HOME=") + home);
    EXPECT_EQ(UserDataDirectory("", home), "");
    EXPECT_EQ(UserDataDirectory("relative/data", home), "");
    EXPECT_EQ(UserDataDirectory("/data", home), "/data/enclova");
    EXPECT_EQ(XdgDirectory(nullptr, home, ".config"), "");
    EXPECT_EQ(XdgDirectory("/cfg", home, ".config"), "/cfg");
    EXPECT_EQ(PicturesDirectory(nullptr, home, ""), "");
    EXPECT_EQ(PicturesDirectory("/pics", home, ""), "/pics");
  }
  // user-dirs.dirs in an absolute configuration folder, naming the pictures under $HOME.
  TempDir config;
  const std::string dirs = "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  WriteFileBytes(config.File("user-dirs.dirs"),
                 std::vector<std::uint8_t>(dirs.begin(), dirs.end()));
  EXPECT_EQ(PicturesDirectory(nullptr, "", config.Path()), "");
  EXPECT_EQ(PicturesDirectory(nullptr, "/home/p", config.Path()), "/home/p/Bilder");
}

TEST(Settings, RoundTripAndDefaults) {
  TempDir dir;
  const std::string path = dir.File("config/enclova/settings");
  EXPECT_FALSE(LoadSettings(path).Fullscreen);
  ASSERT_TRUE(SaveSettings(path, Settings{true}));
  EXPECT_TRUE(LoadSettings(path).Fullscreen);
  ASSERT_TRUE(SaveSettings(path, Settings{false}));
  EXPECT_FALSE(LoadSettings(path).Fullscreen);
  WriteFileBytes(path, {'x', '\n'});
  EXPECT_FALSE(LoadSettings(path).Fullscreen);
}

TEST(PicturesDirectory, VariableThenUserDirsThenHome) {
  TempDir config;
  EXPECT_EQ(PicturesDirectory("/pics", "/home/p", config.Path()), "/pics");
  EXPECT_EQ(PicturesDirectory(nullptr, "/home/p", config.Path()), "/home/p/Pictures");
  EXPECT_EQ(PicturesDirectory("relative", "/home/p", config.Path()), "/home/p/Pictures");
  const std::string dirs =
      "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
      "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  WriteFileBytes(config.File("user-dirs.dirs"),
                 std::vector<std::uint8_t>(dirs.begin(), dirs.end()));
  EXPECT_EQ(PicturesDirectory(nullptr, "/home/p", config.Path()), "/home/p/Bilder");
  EXPECT_EQ(XdgDirectory(nullptr, "/home/p", ".config"), "/home/p/.config");
  EXPECT_EQ(XdgDirectory("/cfg", "/home/p", ".config"), "/cfg");
}

// Starts the game in `dir` through the file system main() gives it: the English line for the
// one error box start-up shows ("" when it shows none or several).
std::string StartUpErrorLine(const TempDir& dir) {
  PosixFileSystem posix;
  DataDirectoryFileSystem files(posix, dir.Path());
  FakeClock clock;
  Game game(clock, files, nullptr, "Enclova");
  game.Create();
  const auto& errors = game.Host.Errors;
  EXPECT_EQ(errors.size(), 1u);
  return errors.size() == 1 ? files.Explain(errors[0].second) : "";
}

// Start-up in a directory through the file system the game is given: the error box's text is
// the game's, and the English line names the file with its full path.
TEST(EnglishErrorLines, NameTheFileAndWhatWentWrong) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> ranking;  // empty: no file
    bool sheet;
    const char* expected;  // after the directory
  };
  const std::vector<std::uint8_t> full(160, 0);
  const Case cases[] = {
      {"no ranking", {}, true, "fdata.dat: No such file or directory"},
      {"short ranking", {1, 2, 3}, true, "fdata.dat ends after 3 bytes, too soon"},
      {"no sheet", full, false, "fgra.bmp: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (!c.ranking.empty()) WriteFileBytes(dir.File("fdata.dat"), c.ranking);
    if (c.sheet) WriteFileBytes(dir.File("fgra.bmp"), {'B', 'M'});
    const std::string line = StartUpErrorLine(dir);
    EXPECT_EQ(line.rfind("enclova: ", 0), 0u) << line;
    EXPECT_NE(line.find(dir.Path() + "/" + c.expected), std::string::npos) << line;
  }
  // A data file that is not a file at all is refused without a failed call; the line says why.
  {
    TempDir dir;
    WriteFileBytes(dir.File("fgra.bmp"), {'B', 'M'});
    ASSERT_EQ(mkdir(dir.File("fdata.dat").c_str(), 0755), 0);
    EXPECT_EQ(StartUpErrorLine(dir),
              "enclova: " + dir.File("fdata.dat") + " is not a regular file");
  }
  // A sheet that is there but is no picture.
  TempDir dir;
  WriteFileBytes(dir.File("fdata.dat"), full);
  WriteFileBytes(dir.File("fgra.bmp"), {'B', 'M'});
  EXPECT_EQ(StartUpErrorLine(dir),
            "enclova: " + dir.File("fgra.bmp") + " is not a BMP picture the game can read");
}

// The window opens as large as it can while the whole of it, frame and title bar too, stays on
// the usable part of the screen: the work areas of common screens below their panels and
// taskbars, with the frame a Linux desktop is guessed to draw and the one Windows reports for the
// game's fixed-size window at 100%.
TEST(WindowScale, LargestWholeScaleWhoseWindowFitsTheUsableArea) {
  constexpr WindowFrame kWindows{3, 26, 3, 3};
  constexpr WindowFrame kNone{};
  struct Case {
    const char* what;
    int Width, Height;  // the usable area
    WindowFrame Frame;
    int Scale;
  };
  const Case cases[] = {
      {"1366x768, a top bar of 32", 1366, 736, kLikelyFrame, 1},
      {"1366x768, a taskbar of 40", 1366, 728, kWindows, 1},
      {"1600x900, a top bar of 32", 1600, 868, kLikelyFrame, 2},
      {"1600x900, a taskbar of 40", 1600, 860, kWindows, 2},
      {"1680x1050, a top bar of 32", 1680, 1018, kLikelyFrame, 2},
      {"1680x1050, a taskbar of 40", 1680, 1010, kWindows, 2},
      {"1680x1050, no window manager", 1680, 1050, kNone, 2},
      {"1920x1080, a panel of 44", 1920, 1036, kLikelyFrame, 2},
      {"1920x1080, a taskbar of 48", 1920, 1032, kWindows, 2},
      {"1920x1200, no frame: 3x fills it exactly", 1920, 1200, kNone, 3},
      {"1920x1200, a frame guessed", 1920, 1200, kLikelyFrame, 2},
      {"2560x1440, a top bar of 32", 2560, 1408, kLikelyFrame, 3},
      {"2560x1440, a taskbar of 48", 2560, 1392, kWindows, 3},
      {"3840x2160, a panel of 44", 3840, 2116, kLikelyFrame, 5},
      {"3840x2160, a taskbar of 48", 3840, 2112, kWindows, 5},
      {"1280x1024, a dock of 80 at the side", 1200, 1024, kLikelyFrame, 1},
      {"exactly room for 2x", 1208, 844, kLikelyFrame, 2},
      {"a pixel too narrow for 2x", 1207, 844, kLikelyFrame, 1},
      {"a pixel too short for 2x", 1208, 843, kLikelyFrame, 1},
      {"smaller than the picture", 640, 480, kLikelyFrame, 1},
      {"nothing usable", 0, 0, kLikelyFrame, 1},
      {"beyond the largest scale", 15360, 8640, kLikelyFrame, kMaxScale},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultScale(c.Width, c.Height, c.Frame, 600, 400), c.Scale) << c.what;
  }
}

// An uncovered rectangle of the window, in window pixels, is repainted as the game pixels
// whose blocks it touches; one on the black around the picture asks nothing of the game.
TEST(WindowScale, UncoveredWindowAreaIsTheGamePixelsItTouches) {
  struct Case {
    PixelArea Window;
    Placement At;
    PixelArea Expected;
  };
  const Case cases[] = {
      {{10, 20, 30, 40}, {1, 0, 0}, {10, 20, 30, 40}},
      {{0, 0, 1800, 1200}, {3, 0, 0}, {0, 0, 600, 400}},
      {{4, 5, 6, 7}, {3, 0, 0}, {1, 1, 2, 3}},                     // inside blocks: rounded out
      {{300, 0, 1500, 1200}, {2, 360, 0}, {0, 0, 570, 400}},       // overlaps the black on the left
      {{1560, 100, 1920, 200}, {2, 360, 0}, {600, 50, 600, 100}},  // black on the right only
      {{0, 0, 359, 1200}, {2, 360, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const PixelArea got = PictureArea(c.Window, c.At, 600, 400);
    const PixelArea want = c.Expected.Left < c.Expected.Right ? c.Expected : PixelArea{};
    EXPECT_EQ(got, want) << c.Window.Left << "," << c.Window.Top << " " << c.Window.Right << ","
                         << c.Window.Bottom << " at " << c.At.Scale;
  }
}

TEST(PngFiles, RoundTripEveryPixelAndFailCleanly) {
  Surface picture(37, 11);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 37; ++x) picture.SetPixel(x, y, testing::SheetColor(x * 7, y * 13));
  }
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WritePng(dir.File("p.png"), picture, &error)) << error;
  Surface back;
  ASSERT_TRUE(ReadPng(dir.File("p.png"), back, &error)) << error;
  EXPECT_EQ(back.Width(), 37);
  EXPECT_EQ(back.Height(), 11);
  EXPECT_EQ(back.Pixels(), picture.Pixels());

  EXPECT_FALSE(WritePng(dir.File("missing/p.png"), picture, &error));
  EXPECT_FALSE(error.empty());
  WriteFileBytes(dir.File("bad.png"), {0x89, 'P', 'N', 'G'});
  EXPECT_FALSE(ReadPng(dir.File("bad.png"), back, &error));
}

TEST(GameIcon, OpaqueTileWithTransparentCornersAtEverySize) {
  for (int size : {16, 48, 64}) {
    SCOPED_TRACE(size);
    const std::vector<std::uint32_t> icon = DrawGameIcon(size);
    ASSERT_EQ(icon.size(), static_cast<std::size_t>(size * size));
    auto alpha = [&](int x, int y) { return icon[static_cast<std::size_t>(y * size + x)] >> 24; };
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_EQ(alpha(size - 1, size - 1), 0u);
    EXPECT_EQ(alpha(size / 2, size / 2), 255u);
    EXPECT_EQ(alpha(size / 2, size / 10), 255u);  // the tile reaches out between the corners
    EXPECT_EQ(DrawGameIcon(size), icon);
  }
}

// A launcher may cut the icon to any shape that holds the circle of 40 % of its size round the
// middle: every pixel is opaque, and the tile's board lies wholly inside that circle, so no mask
// cuts it, while a band of the frame shows round it.
TEST(GameIcon, MaskableIconIsOpaqueWithTheWholeTileInsideTheSafeCircle) {
  for (int size : {48, 192, 512}) {
    SCOPED_TRACE(size);
    const std::vector<std::uint32_t> icon = DrawMaskableGameIcon(size);
    ASSERT_EQ(icon.size(), static_cast<std::size_t>(size * size));
    int boardOutside = 0, board = 0, opaque = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::uint32_t pixel = icon[static_cast<std::size_t>(y * size + x)];
        if (pixel >> 24 == 255) ++opaque;
        // The board is white; the frame round it is a dark blue.
        const bool white = (pixel & 0xFFFFFFu) == 0xFFFFFFu;
        if (!white) continue;
        ++board;
        const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
        if (std::hypot(dx, dy) > 0.4 * size) ++boardOutside;
      }
    }
    EXPECT_EQ(opaque, size * size);
    EXPECT_GT(board, size * size / 10);
    EXPECT_EQ(boardOutside, 0);
    const std::uint32_t corner = icon[0], middleEdge = icon[static_cast<std::size_t>(size / 2)];
    EXPECT_NE(corner & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_NE(middleEdge & 0xFFFFFFu, 0xFFFFFFu);
  }
}

// The installer's side panel: opaque, the night darkening downwards, and the icon's white board
// in its upper half, whole (the panel's lower part is where the installer's text never reaches).
TEST(GameIcon, InstallerPanelIsTheNightWithTheIconAbove) {
  constexpr int kWidth = 164, kHeight = 314;
  const std::vector<std::uint32_t> panel = DrawInstallerPanel(kWidth, kHeight);
  ASSERT_EQ(panel.size(), static_cast<std::size_t>(kWidth * kHeight));
  int opaque = 0, whiteAbove = 0, whiteBelow = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t pixel = panel[static_cast<std::size_t>(y * kWidth + x)];
      if (pixel >> 24 == 255) ++opaque;
      if ((pixel & 0xFFFFFFu) == 0xFFFFFFu) ++(y < kHeight / 2 ? whiteAbove : whiteBelow);
    }
  }
  EXPECT_EQ(opaque, kWidth * kHeight);
  EXPECT_GT(whiteAbove, kWidth * kWidth / 8);
  EXPECT_EQ(whiteBelow, 0);
  const auto brightness = [](std::uint32_t p) {
    return (p & 0xFF) + (p >> 8 & 0xFF) + (p >> 16 & 0xFF);
  };
  EXPECT_GT(brightness(panel[0]),
            brightness(panel[static_cast<std::size_t>((kHeight - 1) * kWidth)]));
}

}  // namespace
}  // namespace enclova
