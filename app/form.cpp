// The game object's construction, start-up and random source.
#include "app/form.h"

#include <fcntl.h>

#include <vector>

#include "app/errors.h"
#include "gfx/bmp.h"

namespace enclova {

namespace {

// Reads a whole picture file; any failure to open or read it is the picture-open error.
std::vector<std::uint8_t> ReadPictureFile(FileSystem& files, const std::string& path) {
  const int fd = files.Open(path, O_RDONLY);
  if (fd < 0) throw PictureOpenError(path);
  std::vector<std::uint8_t> data;
  std::uint8_t chunk[65536];
  for (;;) {
    const long n = files.Read(fd, chunk, sizeof chunk);
    if (n < 0) {
      files.Close(fd);
      throw PictureOpenError(path);
    }
    if (n == 0) break;
    data.insert(data.end(), chunk, chunk + n);
  }
  files.Close(fd);
  return data;
}

// A new white surface holding the sheet's rectangle at (x, y), cut by drawing the whole sheet
// at (-x, -y); where the sheet does not reach, the surface stays white.
void Cut(Surface& surface, int width, int height, const Surface& sheet, int x, int y) {
  surface = Surface(width, height);
  surface.Draw(-x, -y, sheet);
}

}  // namespace

TForm1::TForm1(Clock& clock, FileSystem& files, Host& host, const Typeface* face)
    : Canvas(kClientWidth, kClientHeight), clock_(clock), files_(files), host_(host) {
  Canvas.Fill(clBtnFace);
  Canvas.Face = face;
}

void TForm1::FormCreate() {
  if (!seedFixed_) RandSeed = clock_.UtcMillisecondsOfDay();
  Level = 1;
  LastRank = kNoRank;

  DataDirectory = files_.CurrentDirectory();
  // An unreadable working directory leaves the files to be looked for where the process stands.
  // (Appending, not assigning a literal, also keeps GCC 12's -Wrestrict false alarm away.)
  if (DataDirectory.empty()) DataDirectory.push_back('.');
  if (DataDirectory.back() != '/') DataDirectory.push_back('/');

  LoadRanking(files_, RecordFilePath(), Ranking);

  const std::vector<std::uint8_t> bmp = ReadPictureFile(files_, SpriteSheetPath());
  if (!DecodeBmp(bmp.data(), bmp.size(), SpriteSheet)) throw InvalidBitmapError();

  Cut(ClockPanel, 195, 115, SpriteSheet, 605, 150);
  Cut(TitleImage, 600, 400, SpriteSheet, 0, 0);
  Cut(SidePanel, 200, 400, SpriteSheet, 600, 0);
  Cut(ClockPanelBlank, 190, 115, SpriteSheet, 605, 150);
  PathLayer = Surface(400, 400);
  JudgeLayer = Surface(400, 400);
  SeparatorStrip = Surface(2, 400);
  for (int i = 1; i <= 10; ++i) Cut(LevelSprites[i], 18, 12, SpriteSheet, 18 * (i - 1), 400);
  for (int i = 0; i <= 9; ++i) Cut(DigitSprites[i], 9, 13, SpriteSheet, 320 + 11 * i, 402);
  for (int i = 0; i <= 5; ++i) Cut(CellSprites[i], 17, 17, SpriteSheet, 200 + 17 * i, 400);
  Cut(MissMarker, 15, 15, SpriteSheet, 303, 401);
  Cut(CursorIdle, 7, 7, SpriteSheet, 181, 401);
  Cut(CursorDrawing, 7, 7, SpriteSheet, 189, 401);

  startupComplete_ = true;
}

std::int32_t TForm1::Random(std::int32_t n) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<std::int32_t>(
      (static_cast<std::uint64_t>(RandSeed) * static_cast<std::uint32_t>(n)) >> 32);
}

}  // namespace enclova
