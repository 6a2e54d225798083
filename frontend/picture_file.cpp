// SPDX-License-Identifier: MIT
// F12's picture written under a name nothing held before.
#include "frontend/picture_file.h"

#include "base/file_io.h"

namespace enclova {

std::string PictureName(const std::string& stem, int index) {
  return index <= 1 ? stem + ".png" : stem + "-" + std::to_string(index) + ".png";
}

SavedPicture SaveNewPicture(FileSystem& files, const std::string& folder, const std::string& stem,
                            const void* bytes, std::size_t size) {
  if (folder.empty()) return {ResultOf(FileError::NotFound), folder};
  if (const int made = MakeDirectories(files, folder); made < 0) return {made, folder};
  // Asking first whether a name is free would leave a moment in which another game, or a link
  // put there, takes it; the exclusive create is the question and the answer in one step.
  constexpr OpenFlags kNew = OpenFlags::Write | OpenFlags::Create | OpenFlags::Exclusive |
                             OpenFlags::NoFollow | OpenFlags::DoNotWait;
  std::string path;
  int fd = ResultOf(FileError::Exists);
  for (int i = 1; i <= kPictureNames && fd == ResultOf(FileError::Exists); ++i) {
    path = folder + "/" + PictureName(stem, i);
    fd = files.Open(path, kNew, 0644);
  }
  if (fd < 0) return {fd, path};

  long error = WriteAll(files, fd, bytes, size);
  // Flushed before the title says it is saved: a picture the player was told of should not be
  // empty after a power cut.
  if (error == 0) error = files.Fsync(fd);
  bool open = true;
  if (error == 0) {
    open = false;  // the descriptor is released even when close reports an error
    error = files.Close(fd);
  }
  if (error != 0) {
    if (open) files.Close(fd);
    // The name was ours alone since the exclusive create; a half-written picture is no picture.
    files.Unlink(path);
    return {static_cast<int>(error), path};
  }
  return {0, path};
}

std::string DescribeSavedPicture(const SavedPicture& saved) {
  if (saved.Ok()) return "Picture saved: " + saved.Path;
  if (saved.Path.empty()) return "Picture not saved: no folder for pictures";
  return "Picture not saved: " + saved.Path + ": " + DescribeFileError(ErrorIn(saved.Result));
}

}  // namespace enclova
