// SPDX-License-Identifier: MIT
// F12's picture as a file of its own: a new name in the pictures folder, never a file that was
// there before, and the outcome in words the window's title can show.
#pragma once

#include <cstddef>
#include <string>

#include "base/seams.h"

namespace enclova {

// How many names a picture may try: "<stem>.png", then "<stem>-2.png" to "<stem>-1000.png".
// A stem names the second, so a thousand pictures in one second is beyond any finger on F12.
inline constexpr int kPictureNames = 1000;
std::string PictureName(const std::string& stem, int index);

struct SavedPicture {
  int Result = 0;    // 0, or the failed call's result
  std::string Path;  // the picture's path; when Result fails, the folder or file it failed on
  bool Ok() const { return Result == 0; }
};

// Writes `bytes` as a new file in `folder` (made first, with the folders missing above it) under
// the first of the stem's names that nothing holds. Each name is taken by an exclusive create
// that follows no link: a name held by anything, a dangling link too, is passed over, so no
// picture is written over and nothing is created where a link points, and two games saving at
// once cannot take the same name. The file is written whole and flushed; on a failure what was
// made of it is removed. Operations: those of MakeDirectories; Open (Write, Create, Exclusive,
// NoFollow, DoNotWait) of each name while it is taken; Writes until every byte is written (a
// write of nothing is NoSpace); Fsync; Close; on a failure Close when still open and Unlink.
SavedPicture SaveNewPicture(FileSystem& files, const std::string& folder, const std::string& stem,
                            const void* bytes, std::size_t size);

// One English line of the outcome, for the title and standard error: "Picture saved: <path>", or
// "Picture not saved: <path>: <cause>". A system that names no pictures folder gives "" for it.
std::string DescribeSavedPicture(const SavedPicture& saved);

}  // namespace enclova
