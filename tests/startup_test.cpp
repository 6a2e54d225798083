// SPDX-License-Identifier: MIT
// Start-up: the data directory, the ranking file, the sprite sheet and every picture cut from it,
// the random source, and a game that carries on after a start-up that ended early.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "app/screen_layout.h"
#include "app/sheet_regions.h"
#include "gfx/bmp.h"
#include "tests/kit/child.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova::testing {
namespace {

using Arrange = std::function<void(const TempDir&, FaultyFileSystem&)>;

// A game started in a fresh working directory that `arrange` lays out (files, faults, another
// working directory), with the random source left to the clock.
struct Started {
  explicit Started(const Arrange& arrange, std::uint32_t utcMilliseconds = 0)
      : game(Options(arrange, utcMilliseconds)) {}

  static GameHarness::Options Options(const Arrange& arrange, std::uint32_t utcMilliseconds) {
    GameHarness::Options o;
    o.WriteRecordFile = false;
    o.WriteSheet = false;
    o.Seed = std::nullopt;
    o.LocalMilliseconds = 5'000'000;
    o.UtcMilliseconds = utcMilliseconds;
    o.Arrange = arrange;
    return o;
  }

  std::vector<std::string> ErrorTexts() const {
    std::vector<std::string> texts;
    for (const auto& [caption, text] : host.Errors) {
      EXPECT_EQ(caption, "enclova");
      texts.push_back(text);
    }
    return texts;
  }

  GameHarness game;
  const TempDir& dir = game.Dir;
  FakeClock& clock = game.Clock;
  FaultyFileSystem& files = game.Files;
  GameHost& host = game.Host;
  TForm1& form = game.Form;
  Application& app = game.App;
};

// Twenty distinct times (1..20) then twenty distinct levels (21..40), as the file lays them
// out, cut or padded to `size` bytes.
std::vector<std::uint8_t> NumberedRecordFile(std::size_t size) {
  std::vector<std::uint8_t> bytes(size, 0);
  for (std::size_t i = 0; i < size; i += 4) bytes[i] = static_cast<std::uint8_t>(i / 4 + 1);
  return bytes;
}

void WriteRecord(const TempDir& dir, const std::vector<std::uint8_t>& bytes) {
  WriteFileBytes(dir.File("fdata.dat"), bytes);
}
void WriteSheet(const TempDir& dir, const Surface& sheet) {
  WriteFileBytes(dir.File("fgra.bmp"), EncodeBmp24(sheet));
}
void WriteGoodFiles(const TempDir& dir, FaultyFileSystem&) {
  WriteRecord(dir, NumberedRecordFile(160));
  WriteSheet(dir, MakeTestSheet());
}

TEST(StartUp, CompleteStartLeavesTheTitleWaitingForItsFirstTick) {
  Started s(WriteGoodFiles);
  EXPECT_TRUE(s.host.Errors.empty());
  EXPECT_TRUE(s.form.StartupComplete());
  EXPECT_EQ(s.form.GameMode, ModeTitle);
  EXPECT_EQ(s.form.PlayPhase, 0);
  EXPECT_EQ(s.form.Level, 1);
  EXPECT_EQ(s.form.LastRank, kNoRank);
  // Nothing is drawn on the window before the first repaint or tick.
  EXPECT_TRUE(SamePicture(s.form.Canvas, Picture(kClientWidth, kClientHeight, clBtnFace)));
}

// Each picture's size and where on the sheet it comes from; (-1, -1) for the surfaces that are
// not cut and start white.
struct CutCase {
  std::string name;
  const Surface* surface;
  int width, height, sheetX, sheetY;
};

std::vector<CutCase> CutsOf(const TForm1& f) {
  const auto cut = [](std::string name, const Surface& surface, const SheetRegion& r) {
    return CutCase{std::move(name), &surface, r.Width, r.Height, r.X, r.Y};
  };
  std::vector<CutCase> cuts = {
      cut("ClockPanel", f.ClockPanel, kClockPanelRegion),
      cut("TitleImage", f.TitleImage, kTitleRegion),
      cut("SidePanel", f.SidePanel, kSidePanelRegion),
      cut("ClockPanelBlank", f.ClockPanelBlank, kClockPanelBlankRegion),
      {"PathLayer", &f.PathLayer, 400, 400, -1, -1},
      {"JudgeLayer", &f.JudgeLayer, 400, 400, -1, -1},
      {"SeparatorStrip", &f.SeparatorStrip, 2, 400, -1, -1},
      cut("MissMarker", f.MissMarker, kMissMarkerRegion),
      cut("CursorIdle", f.CursorIdle, kCursorIdleRegion),
      cut("CursorDrawing", f.CursorDrawing, kCursorDrawingRegion),
  };
  for (int i = 1; i <= 10; ++i) {
    cuts.push_back(
        cut("LevelSprites[" + std::to_string(i) + "]", f.LevelSprites[i], LevelSpriteRegion(i)));
  }
  for (int i = 0; i <= 9; ++i) {
    cuts.push_back(
        cut("DigitSprites[" + std::to_string(i) + "]", f.DigitSprites[i], DigitSpriteRegion(i)));
  }
  for (int i = 0; i <= 5; ++i) {
    cuts.push_back(
        cut("CellSprites[" + std::to_string(i) + "]", f.CellSprites[i], CellSpriteRegion(i)));
  }
  return cuts;
}

// The full sheet, and sheets that stop short: where a sheet does not reach, a picture is white.
TEST(StartUp, EveryPictureIsCutFromItsPlaceAndWhiteBeyondTheSheet) {
  struct SheetSize {
    int width, height;
  };
  for (const SheetSize size : {SheetSize{800, 417}, SheetSize{700, 405}, SheetSize{310, 160}}) {
    SCOPED_TRACE(::testing::Message() << "sheet " << size.width << "x" << size.height);
    Started s([&](const TempDir& d, FaultyFileSystem&) {
      WriteRecord(d, EmptyRecordFile());
      WriteSheet(d, MakeTestSheet(size.width, size.height));
    });
    ASSERT_TRUE(s.host.Errors.empty());
    ASSERT_TRUE(s.form.StartupComplete());
    for (const CutCase& c : CutsOf(s.form)) {
      const auto expected = [&](int x, int y) {
        if (c.sheetX < 0) return clWhite;
        const int sx = c.sheetX + x, sy = c.sheetY + y;
        return sx < size.width && sy < size.height ? SheetColor(sx, sy) : clWhite;
      };
      EXPECT_TRUE(SamePicture(*c.surface, Picture(c.width, c.height, expected))) << c.name;
    }
  }
}

TEST(StartUp, RankingFileIsReadForItsFirst160Bytes) {
  for (const std::size_t size : {std::size_t{160}, std::size_t{161}, std::size_t{200}}) {
    SCOPED_TRACE(::testing::Message() << size << " bytes");
    Started s([&](const TempDir& d, FaultyFileSystem&) {
      WriteRecord(d, NumberedRecordFile(size));
      WriteSheet(d, MakeTestSheet());
    });
    EXPECT_TRUE(s.host.Errors.empty());
    EXPECT_TRUE(s.form.StartupComplete());
    for (int i = 1; i <= 20; ++i) {
      EXPECT_EQ(s.form.Ranking.RankTimes[i], i) << i;
      EXPECT_EQ(s.form.Ranking.RankLevels[i], 20 + i) << i;
    }
  }
}

TEST(StartUp, ShortRankingFileKeepsWhatWasReadAndStops) {
  Started s([](const TempDir& d, FaultyFileSystem&) {
    WriteRecord(d, NumberedRecordFile(100));
    WriteSheet(d, MakeTestSheet());
  });
  EXPECT_EQ(s.ErrorTexts(), std::vector<std::string>{"ファイルの末尾以降を読み込みました."});
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(s.form.Ranking.RankTimes[i], i) << i;
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(s.form.Ranking.RankLevels[i], 20 + i) << i;
  for (int i = 6; i <= 20; ++i) EXPECT_EQ(s.form.Ranking.RankLevels[i], 0) << i;
  EXPECT_FALSE(s.form.StartupComplete());
  EXPECT_FALSE(s.form.SpriteSheet.Exists());
  EXPECT_FALSE(s.form.TitleImage.Exists());
  // What was set before the file was read stays.
  EXPECT_EQ(s.form.Level, 1);
  EXPECT_EQ(s.form.LastRank, kNoRank);
}

TEST(StartUp, MissingRankingFileStopsBeforeTheSheet) {
  Started s([](const TempDir& d, FaultyFileSystem&) { WriteSheet(d, MakeTestSheet()); });
  EXPECT_EQ(s.ErrorTexts(), std::vector<std::string>{"ファイルが見つかりません."});
  EXPECT_FALSE(s.form.StartupComplete());
  EXPECT_FALSE(s.form.SpriteSheet.Exists());
  EXPECT_FALSE(s.form.ClockPanel.Exists());
}

// Each of the ranking file's three operations is checked on its own; the first failure ends
// the start-up before the sheet is opened.
TEST(StartUp, RankingFileOperationFailureIsReportedAndEndsStartUp) {
  struct Case {
    int operation;  // 0 the check before opening, 1 open, 2 its check, 3 read, 4 close
    FileError error;
    std::string text;
  };
  const Case cases[] = {
      {0, FileError::AccessDenied, "ファイルへのアクセスが拒否されました."},
      {1, FileError::AccessDenied, "ファイルへのアクセスが拒否されました."},
      {1, FileError::TooManyOpen, "オープンしたファイルが多すぎます."},
      {3, FileError::AccessDenied, "ファイルへのアクセスが拒否されました."},
      {4, FileError::AccessDenied, "ファイルへのアクセスが拒否されました."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "operation " << c.operation << " error " << int(c.error));
    Started s([&](const TempDir& d, FaultyFileSystem& files) {
      WriteGoodFiles(d, files);
      files.FailAt = c.operation;
      files.FailWith = c.error;
    });
    EXPECT_EQ(s.ErrorTexts(), std::vector<std::string>{c.text});
    EXPECT_FALSE(s.form.StartupComplete());
    EXPECT_FALSE(s.form.SpriteSheet.Exists());
    int opens = 0;
    for (const std::string& op : s.files.Log) opens += op == "open";
    EXPECT_EQ(opens, c.operation == 0 ? 0 : 1) << "only the ranking file is opened";
  }
}

TEST(StartUp, MissingSheetNamesItsFullPath) {
  Started s([](const TempDir& d, FaultyFileSystem&) { WriteRecord(d, NumberedRecordFile(160)); });
  EXPECT_EQ(s.ErrorTexts(),
            std::vector<std::string>{"ファイル " + s.dir.Path() + "/fgra.bmp は開けません."});
  EXPECT_FALSE(s.form.StartupComplete());
  EXPECT_FALSE(s.form.TitleImage.Exists());
  // The ranking was read before the sheet failed.
  EXPECT_EQ(s.form.Ranking.RankTimes[20], 20);
  EXPECT_EQ(s.form.Ranking.RankLevels[20], 40);
}

TEST(StartUp, MalformedSheetIsAnInvalidBitmap) {
  std::vector<std::uint8_t> truncated = EncodeBmp24(MakeTestSheet());
  truncated.resize(truncated.size() / 2);
  const std::vector<std::uint8_t> contents[] = {
      {},
      {'B', 'M'},
      std::vector<std::uint8_t>(4000, 0x5A),
      truncated,
  };
  for (const auto& bytes : contents) {
    SCOPED_TRACE(::testing::Message() << bytes.size() << " bytes");
    Started s([&](const TempDir& d, FaultyFileSystem&) {
      WriteRecord(d, EmptyRecordFile());
      WriteFileBytes(d.File("fgra.bmp"), bytes);
    });
    EXPECT_EQ(s.ErrorTexts(), std::vector<std::string>{"ビットマップイメージが不正です."});
    EXPECT_FALSE(s.form.StartupComplete());
    EXPECT_FALSE(s.form.TitleImage.Exists());
  }
}

// What lies under a data file's name instead of a file, for the table below.
enum class Thing { Fifo, DevZeroLink, Directory, Socket, HugeSparseSheet };

void Make(Thing thing, const std::string& path) {
  switch (thing) {
    case Thing::Fifo:
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
      break;
    case Thing::DevZeroLink:
      std::filesystem::create_symlink("/dev/zero", path);
      break;
    case Thing::Directory:
      std::filesystem::create_directory(path);
      break;
    case Thing::Socket: {
      const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      ASSERT_GE(fd, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      ASSERT_LT(path.size(), sizeof address.sun_path);
      std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
      ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
      close(fd);  // the socket file stays
      break;
    }
    case Thing::HugeSparseSheet: {
      // A valid sheet's start, then holes to 2 GiB: no disk used, but far beyond any sheet.
      WriteFileBytes(path, EncodeBmp24(MakeTestSheet()));
      ASSERT_EQ(truncate(path.c_str(), off_t{2} << 30), 0);
      break;
    }
  }
}

// Start-up against something that is no file, or a sheet too big for any picture, under each
// data file's name. Run in a child with an alarm, so a start-up that hangs fails the case
// instead of the whole run; the child reports the texts shown, how long it took and how much
// its memory grew.
TEST(StartUp, FilesThatAreNotFilesAreRefusedAtOnceWithBoundedMemory) {
  const std::string denied = "ファイルへのアクセスが拒否されました.";
  const std::string invalid = "ビットマップイメージが不正です.";
  struct Case {
    const char* name;
    const char* file;
    Thing thing;
    std::string text;
  } const cases[] = {
      {"ranking FIFO", "fdata.dat", Thing::Fifo, denied},
      {"ranking /dev/zero", "fdata.dat", Thing::DevZeroLink, denied},
      {"ranking directory", "fdata.dat", Thing::Directory, denied},
      {"ranking socket", "fdata.dat", Thing::Socket, denied},
      {"sheet FIFO", "fgra.bmp", Thing::Fifo, denied},
      {"sheet /dev/zero", "fgra.bmp", Thing::DevZeroLink, denied},
      {"sheet directory", "fgra.bmp", Thing::Directory, denied},
      {"sheet socket", "fgra.bmp", Thing::Socket, denied},
      {"sheet of 2 GiB", "fgra.bmp", Thing::HugeSparseSheet, invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ChildReport child = RunInChild([&] {
      alarm(10);  // a hang ends the child by SIGALRM
      std::string report;
      {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        std::chrono::steady_clock::time_point start;
        Started s([&](const TempDir& d, FaultyFileSystem& files) {
          WriteGoodFiles(d, files);
          std::filesystem::remove(d.File(c.file));
          Make(c.thing, d.File(c.file));
          start = std::chrono::steady_clock::now();
        });
        const auto took = std::chrono::steady_clock::now() - start;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        for (const std::string& text : s.ErrorTexts()) report += text + "\n";
        report +=
            std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) +
            " ms " + std::to_string((after.ru_maxrss - before.ru_maxrss) / 1024) + " MiB";
      }
      return report;
    });
    ASSERT_TRUE(child.Exited) << "the start-up hung or died: signal " << child.Signal;
    const std::string& report = child.Text;
    const std::string texts = c.text + "\n";
    ASSERT_EQ(report.substr(0, texts.size()), texts) << report;
    long ms = -1;
    long mib = -1;
    ASSERT_EQ(std::sscanf(report.c_str() + texts.size(), "%ld ms %ld MiB", &ms, &mib), 2) << report;
    EXPECT_LT(ms, 1000) << "at once";
    EXPECT_LT(mib, 64) << "nothing read into memory";
  }
}

TEST(StartUp, DataDirectoryEndsInExactlyOneSlash) {
  struct Case {
    std::string cwdSuffix;  // after the test directory; "/" alone for the root
    bool root, unreadable;
  };
  const Case cases[] = {
      {"", false, false}, {"/", false, false}, {"", true, false}, {"", false, true}};
  for (const Case& c : cases) {
    std::string want;
    Started s([&](const TempDir& d, FaultyFileSystem& files) {
      WriteGoodFiles(d, files);
      files.Cwd = c.root ? "/" : c.unreadable ? "" : d.Path() + c.cwdSuffix;
      // An unreadable working directory: the files are looked for where the process stands.
      want = c.root ? "/" : c.unreadable ? "./" : d.Path() + "/";
    });
    SCOPED_TRACE("cwd \"" + s.files.Cwd + "\"");
    EXPECT_EQ(s.form.DataDirectory, want);
    EXPECT_EQ(s.form.RecordFilePath(), want + "fdata.dat");
    EXPECT_EQ(s.form.SpriteSheetPath(), want + "fgra.bmp");
    if (!c.root && !c.unreadable) {
      EXPECT_TRUE(s.host.Errors.empty()) << "the files are found through it";
      EXPECT_TRUE(s.form.StartupComplete());
    }
  }
}

TEST(StartUp, SeedIsTheUtcMillisecondOfTheDay) {
  Started s(WriteGoodFiles, 86'399'999);  // 23:59:59.999
  EXPECT_EQ(s.form.RandSeed, 86'399'999u);
}

// Worked out by hand from seed := seed * 134775813 + 1 (mod 2^32) and the top 32 bits of
// seed * n: from seed 0 the seeds run 1, 134775814, 3698175007, 870078620, ...
TEST(RandomSource, FollowsTheLinearCongruentialSequence) {
  struct Case {
    std::uint32_t seed;
    std::vector<std::int32_t> n, want;
    std::uint32_t seedAfter;
  };
  const Case cases[] = {
      {0, {2, 2, 2, 2, 2, 2, 2, 2}, {0, 0, 1, 0, 0, 1, 0, 0}, 694906232u},
      {0, {100, 100, 100}, {0, 3, 86}, 3698175007u},
      {0xFFFFFFFFu, {2, 1000, 0x7FFFFFFF}, {1, 201, 1115652048}, 2231304098u},
      {12345, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, {0, 0, 0, 1, 1, 0, 0, 0, 0, 1}, 3964786223u},
      {777, {1, 1, 1}, {0, 0, 0}, 995570564u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "seed " << c.seed);
    GameHarness::Options options;
    options.Seed = c.seed;
    GameHarness game(options);
    TForm1& f = game.Form;
    ASSERT_EQ(f.RandSeed, c.seed) << "the start-up draws nothing";
    std::vector<std::int32_t> got;
    for (std::int32_t n : c.n) got.push_back(f.Random(n));
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(f.RandSeed, c.seedAfter);
  }
}

// Two starts at the same millisecond of the day deal the same boards; another millisecond
// deals others.
TEST(RandomSource, SameStartMillisecondGivesTheSameBoards) {
  const auto boardAfterStart = [](std::uint32_t utc, int level) {
    Started s(WriteGoodFiles, utc);
    s.app.Tick();
    while (s.form.Level < level) s.app.KeyDown(VK_RIGHT);
    s.app.KeyDown(VK_Z);
    EXPECT_EQ(s.form.PlayPhase, PhaseCountdown);
    std::vector<std::int32_t> cells;
    for (int i = 1; i <= s.form.BoardSize(); ++i) {
      for (int j = 1; j <= s.form.BoardSize(); ++j) cells.push_back(s.form.CellGrid[i][j]);
    }
    return std::make_pair(cells, Surface(s.form.Canvas));
  };
  for (const int level : {1, 10}) {
    SCOPED_TRACE(::testing::Message() << "level " << level);
    const auto first = boardAfterStart(43'210'123, level);
    const auto second = boardAfterStart(43'210'123, level);
    EXPECT_EQ(first.first, second.first);
    EXPECT_TRUE(SamePicture(first.second, second.second)) << "the drawn boards differ";
    if (level == 10) {
      EXPECT_NE(first.first, boardAfterStart(43'210'124, level).first);  // 265 coin flips
    }
  }
}

// Start-ups that end early, each leaving a different amount behind.
struct FailedStart {
  std::string name;
  Arrange arrange;
};

std::vector<FailedStart> FailedStarts() {
  return {
      {"missing ranking file",
       [](const TempDir& d, FaultyFileSystem&) { WriteSheet(d, MakeTestSheet()); }},
      {"short ranking file",
       [](const TempDir& d, FaultyFileSystem&) {
         WriteRecord(d, NumberedRecordFile(100));
         WriteSheet(d, MakeTestSheet());
       }},
      {"ranking file access denied",
       [](const TempDir& d, FaultyFileSystem& files) {
         WriteGoodFiles(d, files);
         files.FailAt = 1;  // its open
         files.FailWith = FileError::AccessDenied;
       }},
      {"missing sheet",
       [](const TempDir& d, FaultyFileSystem&) { WriteRecord(d, NumberedRecordFile(160)); }},
      {"malformed sheet",
       [](const TempDir& d, FaultyFileSystem&) {
         WriteRecord(d, NumberedRecordFile(160));
         WriteFileBytes(d.File("fgra.bmp"), std::vector<std::uint8_t>(64, 'B'));
       }},
  };
}

// Without pictures no round can be set up, but the title, the ranking and quitting still work,
// and nothing the player does reaches a missing surface.
TEST(FailedStartUp, EveryKeyTickAndPaintIsHandledWithoutARound) {
  const std::uint16_t keys[] = {VK_Z,    VK_X,       VK_LEFT,    VK_RIGHT,   VK_UP,
                                VK_DOWN, VK_NUMPAD2, VK_NUMPAD4, VK_NUMPAD6, VK_NUMPAD8,
                                'A',     0x0D,       VK_ESCAPE,  0xFFFF};
  for (const FailedStart& start : FailedStarts()) {
    SCOPED_TRACE(start.name);
    Started s(start.arrange);
    ASSERT_EQ(s.host.Errors.size(), 1u);
    ASSERT_FALSE(s.form.StartupComplete());
    s.app.Paint();
    s.app.Tick();
    EXPECT_EQ(s.form.PlayPhase, 1);

    int terminates = 0;
    for (const std::uint16_t first : keys) {
      for (const std::uint16_t second : keys) {
        SCOPED_TRACE(::testing::Message() << std::hex << "keys 0x" << first << ", 0x" << second);
        s.app.KeyDown(first);
        s.clock.Advance(6000);
        s.app.Tick();
        s.app.Paint();
        s.app.KeyDown(second);
        s.app.Tick();
        s.app.Paint();
        terminates += (first == VK_ESCAPE) + (second == VK_ESCAPE);
        ASSERT_TRUE(s.form.GameMode == ModeTitle || s.form.GameMode == ModeRanking)
            << s.form.GameMode;
        ASSERT_GE(s.form.Level, 1);
        ASSERT_LE(s.form.Level, 10);
      }
    }
    EXPECT_EQ(s.host.TerminateRequests, terminates);
    EXPECT_EQ(s.host.Errors.size(), 1u) << "no later handler may fail";
  }
}

// The title explains the plain window: black text on the button face, the window otherwise
// blank, and the canvas's drawing state as it was.
TEST(FailedStartUp, TitleShowsANoticeAndLeavesDrawingStateAlone) {
  for (const FailedStart& start : FailedStarts()) {
    SCOPED_TRACE(start.name);
    Started s(start.arrange);
    Surface& canvas = s.form.Canvas;
    canvas.Pen.Color = 0x00123456;
    canvas.Brush.Color = 0x00654321;
    canvas.Font.Height = 48;
    canvas.Font.Color = 0x00E6E6E6;
    canvas.PenPos = {7, 9};
    s.app.Tick();  // the first tick shows the title
    EXPECT_EQ(canvas.Pen.Color, 0x00123456u);
    EXPECT_EQ(canvas.Brush.Color, 0x00654321u);
    EXPECT_EQ(canvas.Font.Height, 48);
    EXPECT_EQ(canvas.Font.Color, 0x00E6E6E6u);
    EXPECT_EQ(canvas.PenPos, (TPoint{7, 9}));
    EXPECT_EQ(canvas.CopyMode, SRCCOPY);

    int black = 0;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 600; ++x) {
        const TColor c = canvas.GetPixel(x, y);
        ASSERT_TRUE(c == clBtnFace || c == clBlack) << x << ", " << y;
        if (c == clBlack) {
          ++black;
          ASSERT_TRUE(y >= 160 && y < 240 && x >= 24) << x << ", " << y;
        }
      }
    }
    EXPECT_GT(black, 0);
    const Surface notice = canvas;

    // To the ranking screen and back: the notice covers the ranking whole.
    s.app.KeyDown(VK_X);
    EXPECT_EQ(s.form.GameMode, ModeRanking);
    EXPECT_FALSE(SamePicture(canvas, notice)) << "the ranking screen is drawn";
    s.app.KeyDown(VK_LEFT);
    EXPECT_EQ(s.form.GameMode, ModeTitle);
    EXPECT_TRUE(SamePicture(canvas, notice));
    s.app.Paint();
    EXPECT_TRUE(SamePicture(canvas, notice));
    // Z stays on the title and draws nothing.
    s.app.KeyDown(VK_Z);
    EXPECT_EQ(s.form.GameMode, ModeTitle);
    EXPECT_EQ(s.form.PlayPhase, 1);
    EXPECT_TRUE(SamePicture(canvas, notice));
  }
}

}  // namespace
}  // namespace enclova::testing
