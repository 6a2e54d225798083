// SPDX-License-Identifier: MIT
// The game object's construction, start-up and random source.
#include "app/form.h"

#include <vector>

#include "app/sheet_regions.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "gfx/bmp.h"

namespace enclova {

namespace {

// Reads a whole picture file. Anything but a regular file is refused at once with the
// access-denied text, never opened for reading: a FIFO would wait for a writer forever and a
// device such as /dev/zero never ends. A file bigger than any sheet the reader accepts is an
// invalid image before a byte of it is read. Any other failure to open or read it is the
// picture-open error.
std::vector<std::uint8_t> ReadPictureFile(FileSystem& files, const std::string& path) {
  WholeFile file = ReadWholeFile(files, path, kMaxBmpFileSize);
  switch (file.Result) {
    case WholeFile::Outcome::Read:
      break;
    case WholeFile::Outcome::NotAFile:
      throw EInOutError(kErrAccessDenied);
    case WholeFile::Outcome::TooLarge:
      throw InvalidBitmapError();
    case WholeFile::Outcome::Failed:
      throw PictureOpenError(path);
  }
  return std::move(file.Bytes);
}

// A new white surface holding the sheet's region, cut by drawing the whole sheet at (-x, -y);
// where the sheet does not reach, the surface stays white.
void Cut(Surface& surface, const Surface& sheet, const SheetRegion& r) {
  surface = Surface(r.Width, r.Height);
  surface.Draw(-r.X, -r.Y, sheet);
}

}  // namespace

std::string DataDirectoryOf(std::string directory) {
  // Appending, not assigning a literal, keeps GCC 12's -Wrestrict false alarm away.
  if (directory.empty()) directory.push_back('.');
  if (directory.back() != '/') directory.push_back('/');
  return directory;
}

TForm1::TForm1(Clock& clock, FileSystem& files, Host& host, const Typeface* face)
    : Canvas(kClientWidth, kClientHeight), clock_(&clock), files_(&files), host_(&host) {
  Canvas.Fill(clBtnFace);
  Canvas.Face = face;
}

void TForm1::FormCreate() {
  if (!seedFixed_) RandSeed = clock_->UtcMillisecondsOfDay();
  Level = 1;
  LastRank = kNoRank;

  DataDirectory = DataDirectoryOf(files_->CurrentDirectory());

  LoadRanking(*files_, RecordFilePath(), Ranking, &RankingStamp);

  const std::vector<std::uint8_t> bmp = ReadPictureFile(*files_, SpriteSheetPath());
  if (!DecodeBmp(bmp.data(), bmp.size(), SpriteSheet)) throw InvalidBitmapError();

  Cut(ClockPanel, SpriteSheet, kClockPanelRegion);
  Cut(TitleImage, SpriteSheet, kTitleRegion);
  Cut(SidePanel, SpriteSheet, kSidePanelRegion);
  Cut(ClockPanelBlank, SpriteSheet, kClockPanelBlankRegion);
  PathLayer = Surface(kPlayAreaSize, kPlayAreaSize);
  JudgeLayer = Surface(kPlayAreaSize, kPlayAreaSize);
  SeparatorStrip = Surface(2, kClientHeight);
  for (int i = 1; i <= kLevels; ++i) Cut(LevelSprites[i], SpriteSheet, LevelSpriteRegion(i));
  for (int i = 0; i <= 9; ++i) Cut(DigitSprites[i], SpriteSheet, DigitSpriteRegion(i));
  for (int i = 0; i <= 5; ++i) Cut(CellSprites[i], SpriteSheet, CellSpriteRegion(i));
  Cut(MissMarker, SpriteSheet, kMissMarkerRegion);
  Cut(CursorIdle, SpriteSheet, kCursorIdleRegion);
  Cut(CursorDrawing, SpriteSheet, kCursorDrawingRegion);

  startupComplete_ = true;
}

std::int32_t TForm1::Random(std::int32_t n) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<std::int32_t>(
      (static_cast<std::uint64_t>(RandSeed) * static_cast<std::uint32_t>(n)) >> 32);
}

}  // namespace enclova
