// Error texts, codes and the error box's caption.
#include "app/errors.h"

#include <cerrno>
#include <cctype>

namespace enclova {

EInOutError::EInOutError(int code) : GameError(InOutErrorMessage(code)), ErrorCode(code) {}

EInOutError::EInOutError(int code, const std::string& message)
    : GameError(message), ErrorCode(code) {}

EInOutError InOutErrorFromErrno(int errnum) {
  const int code = CodeFromErrno(errnum);
  if (code != 0) return EInOutError(code);
  return EInOutError(errnum, "I/O エラー (" + std::to_string(errnum) + ")");
}

std::string InOutErrorMessage(int code) {
  switch (code) {
    case kErrFileNotFound: return "ファイルが見つかりません";
    case kErrInvalidName: return "不正なファイル名です";
    case kErrTooManyOpenFiles: return "オープンしたファイルが多すぎます";
    case kErrAccessDenied: return "ファイルへのアクセスが拒否されました";
    case kErrReadPastEnd: return "ファイルの末尾以降を読み込みました";
    case kErrDiskFull: return "ディスクがいっぱいです";
    default: return "I/O エラー (" + std::to_string(code) + ")";
  }
}

int CodeFromErrno(int errnum) {
  switch (errnum) {
    case ENOENT: return kErrFileNotFound;
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL:
    case ELOOP: return kErrInvalidName;
    case EMFILE:
    case ENFILE: return kErrTooManyOpenFiles;
    case EACCES:
    case EISDIR:  // a directory where the file belongs is refused, not misnamed
    case EPERM:
    case EROFS:
    case ETXTBSY: return kErrAccessDenied;
    case ENOSPC:
    case EDQUOT: return kErrDiskFull;
    default: return 0;
  }
}

GameError PictureOpenError(const std::string& path) {
  return GameError("ファイル " + path + " は開けません");
}

GameError InvalidBitmapError() { return GameError("ビットマップイメージが不正です"); }

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
