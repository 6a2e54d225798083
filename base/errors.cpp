// SPDX-License-Identifier: MIT
// Error texts, codes and the error box's caption.
#include "base/errors.h"

#include <cctype>

#include "base/texts.h"

namespace enclova {

namespace {

std::string IoErrorText(int number) {
  return std::string(kIoErrorOpen) + std::to_string(number) + ")";
}

}  // namespace

EInOutError::EInOutError(int code) : GameError(InOutErrorMessage(code)), ErrorCode(code) {}

EInOutError::EInOutError(int code, const std::string& message)
    : GameError(message), ErrorCode(code) {}

EInOutError InOutErrorOf(FileError error) {
  const int code = CodeFromFileError(error);
  if (code != 0) return EInOutError(code);
  const int number = static_cast<int>(error);
  return EInOutError(number, IoErrorText(number));
}

std::string InOutErrorMessage(int code) {
  switch (code) {
    case kErrFileNotFound:
      return std::string(kErrFileNotFoundText);
    case kErrInvalidName:
      return std::string(kErrInvalidNameText);
    case kErrTooManyOpenFiles:
      return std::string(kErrTooManyOpenFilesText);
    case kErrAccessDenied:
      return std::string(kErrAccessDeniedText);
    case kErrReadPastEnd:
      return std::string(kErrReadPastEndText);
    case kErrDiskFull:
      return std::string(kErrDiskFullText);
    default:
      return IoErrorText(code);
  }
}

int CodeFromFileError(FileError error) {
  switch (error) {
    case FileError::NotFound:
      return kErrFileNotFound;
    case FileError::NameTooLong:
    case FileError::NotADirectory:
    case FileError::InvalidArgument:
    case FileError::LinkLoop:
      return kErrInvalidName;
    case FileError::TooManyOpen:
    case FileError::TooManyOpenInSystem:
      return kErrTooManyOpenFiles;
    case FileError::AccessDenied:
    case FileError::IsADirectory:  // a directory where the file belongs is refused, not misnamed
    case FileError::NotPermitted:
    case FileError::ReadOnly:
    case FileError::TextBusy:
      return kErrAccessDenied;
    case FileError::NoSpace:
    case FileError::QuotaExceeded:
      return kErrDiskFull;
    default:
      return 0;
  }
}

GameError PictureOpenError(const std::string& path) {
  return GameError(std::string(kPictureOpenBefore) + path + std::string(kPictureOpenAfter));
}

GameError InvalidBitmapError() {
  return GameError(std::string(kInvalidBitmapText));
}

std::string ApplicationTitle(const std::string& executablePath) {
  std::string name = executablePath.substr(executablePath.find_last_of('/') + 1);
  name = name.substr(0, name.find('.'));
  for (std::size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  // The last character's code point: a UTF-8 lead byte or any continuation byte is above '.'.
  if (static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace enclova
