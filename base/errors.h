// SPDX-License-Identifier: MIT
// Errors that end a handler and reach the player in the error box.
#pragma once

#include <stdexcept>
#include <string>

#include "base/seams.h"

namespace enclova {

// Codes as the player's error texts know them.
constexpr int kErrFileNotFound = 2;
constexpr int kErrInvalidName = 3;
constexpr int kErrTooManyOpenFiles = 4;
constexpr int kErrAccessDenied = 5;
constexpr int kErrReadPastEnd = 100;
constexpr int kErrDiskFull = 101;

// Any error that escapes a handler; what() is the message shown, before the full stop.
class GameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed file operation, carrying its code.
class EInOutError : public GameError {
 public:
  explicit EInOutError(int code);
  EInOutError(int code, const std::string& message);
  int ErrorCode;
};

// The error for a failed file operation: the player's text where one means the same, otherwise
// "I/O エラー (n)" with the file error's own number (Io reads as "I/O エラー (5)", not as the
// access-denied text that the player's code 5 stands for).
EInOutError InOutErrorOf(FileError error);

// The text for a file operation's code ("ファイルが見つかりません", "I/O エラー (%d)", ...).
std::string InOutErrorMessage(int code);

// Maps a file error to the code the player's texts know, by meaning; 0 when none fits.
int CodeFromFileError(FileError error);

// "ファイル %s は開けません" and "ビットマップイメージが不正です".
GameError PictureOpenError(const std::string& path);
GameError InvalidBitmapError();

// The error box's caption: the executable's file name cut before its first ".", the first
// character kept and every later letter lowered ("/usr/games/Enclova.bin" -> "Enclova").
std::string ApplicationTitle(const std::string& executablePath);

// The error box's text: the message, with "." appended when its last character sorts after
// "." (every Japanese character does; ")" does not).
std::string ErrorBoxText(const std::string& message);

}  // namespace enclova
