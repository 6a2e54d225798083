// SPDX-License-Identifier: MIT
// The error box's caption and text, and how system errors read to the player.
#include "base/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace enclova {
namespace {

TEST(ErrorTexts, SystemErrorsReadByMeaningOrByTheirOwnNumber) {
  struct Case {
    int errnum;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {ENOENT, 2, "ファイルが見つかりません"},
      {ENAMETOOLONG, 3, "不正なファイル名です"},
      {ENOTDIR, 3, "不正なファイル名です"},
      {EMFILE, 4, "オープンしたファイルが多すぎます"},
      {ENFILE, 4, "オープンしたファイルが多すぎます"},
      {EACCES, 5, "ファイルへのアクセスが拒否されました"},
      {EROFS, 5, "ファイルへのアクセスが拒否されました"},
      {EISDIR, 5, "ファイルへのアクセスが拒否されました"},
      {ENOSPC, 101, "ディスクがいっぱいです"},
      // errnos whose numbers collide with the meaningful codes keep their own text
      {EIO, EIO, "I/O エラー (5)"},
      {ESRCH, ESRCH, "I/O エラー (3)"},
      {EINTR, EINTR, "I/O エラー (4)"},
      {ENETDOWN, ENETDOWN, "I/O エラー (100)"},
      {EFBIG, EFBIG, "I/O エラー (27)"},
  };
  for (const Case& c : cases) {
    const EInOutError error = InOutErrorFromErrno(c.errnum);
    EXPECT_EQ(error.ErrorCode, c.code) << "errno " << c.errnum;
    EXPECT_STREQ(error.what(), c.text) << "errno " << c.errnum;
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
