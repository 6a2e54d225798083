// SPDX-License-Identifier: MIT
// The error box's caption and text, and how system errors read to the player.
#include "base/errors.h"

#include <gtest/gtest.h>

namespace enclova {
namespace {

TEST(ErrorTexts, FileErrorsReadByMeaningOrByTheirOwnNumber) {
  struct Case {
    FileError error;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {FileError::NotFound, 2, "ファイルが見つかりません"},
      {FileError::NameTooLong, 3, "不正なファイル名です"},
      {FileError::NotADirectory, 3, "不正なファイル名です"},
      {FileError::InvalidArgument, 3, "不正なファイル名です"},
      {FileError::LinkLoop, 3, "不正なファイル名です"},
      {FileError::TooManyOpen, 4, "オープンしたファイルが多すぎます"},
      {FileError::TooManyOpenInSystem, 4, "オープンしたファイルが多すぎます"},
      {FileError::AccessDenied, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::NotPermitted, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::ReadOnly, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::IsADirectory, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::TextBusy, 5, "ファイルへのアクセスが拒否されました"},
      {FileError::NoSpace, 101, "ディスクがいっぱいです"},
      {FileError::QuotaExceeded, 101, "ディスクがいっぱいです"},
      // errors whose numbers collide with the player's codes keep their own text
      {FileError::Io, 5, "I/O エラー (5)"},
      {FileError::Interrupted, 4, "I/O エラー (4)"},
      {FileError::FileTooLarge, 27, "I/O エラー (27)"},
      {FileError::CrossDevice, 18, "I/O エラー (18)"},
      // numbers without a name, which a recorded round may still carry
      {static_cast<FileError>(3), 3, "I/O エラー (3)"},
      {static_cast<FileError>(100), 100, "I/O エラー (100)"},
  };
  for (const Case& c : cases) {
    const EInOutError error = InOutErrorOf(c.error);
    EXPECT_EQ(error.ErrorCode, c.code) << "error " << static_cast<int>(c.error);
    EXPECT_STREQ(error.what(), c.text) << "error " << static_cast<int>(c.error);
  }
}

TEST(ErrorTexts, CodesWithoutSystemErrorHaveTheirOwnTexts) {
  EXPECT_STREQ(EInOutError(kErrReadPastEnd).what(), "ファイルの末尾以降を読み込みました");
  EXPECT_STREQ(EInOutError(kErrDiskFull).what(), "ディスクがいっぱいです");
  EXPECT_STREQ(PictureOpenError("/home/p/fgra.bmp").what(),
               "ファイル /home/p/fgra.bmp は開けません");
  EXPECT_STREQ(InvalidBitmapError().what(), "ビットマップイメージが不正です");
}

TEST(ErrorBox, FullStopOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ErrorBoxText("ファイルが見つかりません"), "ファイルが見つかりません.");
  EXPECT_EQ(ErrorBoxText("I/O エラー (5)"), "I/O エラー (5)");
  EXPECT_EQ(ErrorBoxText("ends in a dot."), "ends in a dot.");
  EXPECT_EQ(ErrorBoxText("ends in a dash-"), "ends in a dash-");  // '-' sorts before '.'
  EXPECT_EQ(ErrorBoxText("ends in a slash/"), "ends in a slash/.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBox, CaptionIsTheExecutableNameCutAtItsFirstDotWithLaterLettersLowered) {
  EXPECT_EQ(ApplicationTitle("/usr/games/enclova"), "enclova");
  EXPECT_EQ(ApplicationTitle("/opt/ENCLOVA.Game.bin"), "Enclova");
  EXPECT_EQ(ApplicationTitle("enClova"), "enclova");
  EXPECT_EQ(ApplicationTitle("./my.dir/x.y"), "x");
}

}  // namespace
}  // namespace enclova
