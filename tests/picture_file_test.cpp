// SPDX-License-Identifier: MIT
// F12's picture: a new name for every picture, taken without a race and through no link, and the
// outcome as the title shows it.
#include "frontend/picture_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/memory_file_system.h"
#include "posix/posix_platform.h"
#include "tests/kit/fakes.h"

namespace enclova::testing {
namespace {

const std::vector<std::uint8_t> kPng = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5};
const std::vector<std::uint8_t> kEarlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

// The same scene set up on the in-memory file system and on the real one, whose own answers to
// an exclusive create over a link are what the game meets on a player's disk.
class Scene {
 public:
  virtual ~Scene() = default;
  virtual FileSystem& Files() = 0;
  virtual std::string Root() const = 0;
  virtual void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
  virtual void Link(const std::string& path, const std::string& text) = 0;
  virtual void Directory(const std::string& path) = 0;
  // What a regular file holds, following links; nothing when there is none.
  virtual std::optional<std::vector<std::uint8_t>> Contents(const std::string& path) = 0;
  bool Holds(const std::string& path) {
    FileInfo info;
    return Files().Stat(path, info, false) == 0;
  }
  bool IsLink(const std::string& path) {
    FileInfo info;
    return Files().Stat(path, info, false) == 0 && info.Type == FileInfo::Kind::SymbolicLink;
  }
};

class MemoryScene : public Scene {
 public:
  FileSystem& Files() override { return files_; }
  std::string Root() const override { return "/home/p"; }
  void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    ASSERT_TRUE(files_.Put(path, bytes));
  }
  void Link(const std::string& path, const std::string& text) override {
    ASSERT_TRUE(files_.PutLink(path, text));
  }
  void Directory(const std::string& path) override { ASSERT_EQ(MakeDirectories(files_, path), 0); }
  std::optional<std::vector<std::uint8_t>> Contents(const std::string& path) override {
    const std::vector<std::uint8_t>* bytes = files_.Contents(path);
    if (bytes == nullptr) return std::nullopt;
    return *bytes;
  }

 private:
  MemoryFileSystem files_;
};

class RealScene : public Scene {
 public:
  FileSystem& Files() override { return files_; }
  std::string Root() const override { return dir_.Path(); }
  void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    std::filesystem::create_directories(DirectoryOf(path));
    WriteFileBytes(path, bytes);
  }
  void Link(const std::string& path, const std::string& text) override {
    std::filesystem::create_directories(DirectoryOf(path));
    ASSERT_EQ(symlink(text.c_str(), path.c_str()), 0) << path;
  }
  void Directory(const std::string& path) override { std::filesystem::create_directories(path); }
  std::optional<std::vector<std::uint8_t>> Contents(const std::string& path) override {
    FileInfo info;
    if (files_.Stat(path, info, true) != 0 || info.Type != FileInfo::Kind::Regular) {
      return std::nullopt;
    }
    return ReadFileBytes(path);
  }

 private:
  TempDir dir_;
  PosixFileSystem files_;
};

std::unique_ptr<Scene> MakeScene(bool real) {
  if (real) return std::make_unique<RealScene>();
  return std::make_unique<MemoryScene>();
}

// Whatever holds the first names is passed over and left as it was; the picture takes the first
// name nothing holds, and nothing appears where a link points.
TEST(SaveNewPicture, TakesTheFirstFreeNameAndLeavesWhatHoldsTheOthersAlone) {
  struct Case {
    const char* what;
    // Set up in "<root>/pics" before the save; "<root>/elsewhere" is outside it.
    void (*setUp)(Scene&, const std::string& root);
    const char* expected;  // the picture's name in pics/
  };
  const Case cases[] = {
      {"an empty folder", [](Scene& s, const std::string& r) { s.Directory(r + "/pics"); },
       "shot.png"},
      {"a missing folder", [](Scene&, const std::string&) {}, "shot.png"},
      {"an earlier picture of the same second",
       [](Scene& s, const std::string& r) { s.Put(r + "/pics/shot.png", kEarlier); }, "shot-2.png"},
      {"two earlier pictures",
       [](Scene& s, const std::string& r) {
         s.Put(r + "/pics/shot.png", kEarlier);
         s.Put(r + "/pics/shot-2.png", kEarlier);
       },
       "shot-3.png"},
      {"a dangling link",
       [](Scene& s, const std::string& r) {
         s.Directory(r + "/elsewhere");
         s.Link(r + "/pics/shot.png", r + "/elsewhere/planted.png");
       },
       "shot-2.png"},
      {"a link to an existing file",
       [](Scene& s, const std::string& r) {
         s.Put(r + "/elsewhere/precious", kEarlier);
         s.Link(r + "/pics/shot.png", r + "/elsewhere/precious");
       },
       "shot-2.png"},
      {"a directory", [](Scene& s, const std::string& r) { s.Directory(r + "/pics/shot.png"); },
       "shot-2.png"},
      {"a free first name before a taken second one",
       [](Scene& s, const std::string& r) { s.Put(r + "/pics/shot-2.png", kEarlier); }, "shot.png"},
  };
  for (const bool real : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (real ? ", real files" : ", in memory"));
      const std::unique_ptr<Scene> scene = MakeScene(real);
      const std::string root = scene->Root();
      c.setUp(*scene, root);
      const SavedPicture saved =
          SaveNewPicture(scene->Files(), root + "/pics", "shot", kPng.data(), kPng.size());
      ASSERT_TRUE(saved.Ok()) << DescribeSavedPicture(saved);
      EXPECT_EQ(saved.Path, root + "/pics/" + c.expected);
      EXPECT_EQ(scene->Contents(saved.Path), kPng);
      EXPECT_FALSE(scene->IsLink(saved.Path));
      // What was there before is as it was.
      for (const char* taken : {"shot.png", "shot-2.png"}) {
        const std::string path = root + "/pics/" + taken;
        if (path == saved.Path || !scene->Holds(path)) continue;
        if (scene->IsLink(path)) continue;  // its target is checked below
        if (const auto bytes = scene->Contents(path)) {
          EXPECT_EQ(*bytes, kEarlier) << taken;
        }
      }
      // The links' cases: the link stays, and where it points nothing is made or written.
      if (scene->Holds(root + "/elsewhere")) {
        EXPECT_TRUE(scene->IsLink(root + "/pics/shot.png")) << "the link was replaced";
      }
      EXPECT_FALSE(scene->Holds(root + "/elsewhere/planted.png")) << "created through a link";
      if (scene->Holds(root + "/elsewhere/precious")) {
        EXPECT_EQ(scene->Contents(root + "/elsewhere/precious"), kEarlier) << "written through";
      }
    }
  }
}

// A failure says where and why, and leaves no picture, whole or part, behind.
TEST(SaveNewPicture, AFailureNamesThePlaceAndLeavesNothingBehind) {
  {
    SCOPED_TRACE("the folder is a file");
    MemoryFileSystem files;
    ASSERT_TRUE(files.Put("/home/p/pics", kEarlier));
    const SavedPicture saved =
        SaveNewPicture(files, "/home/p/pics", "shot", kPng.data(), kPng.size());
    EXPECT_EQ(saved.Result, ResultOf(FileError::NotADirectory));
    EXPECT_EQ(saved.Path, "/home/p/pics");
    EXPECT_EQ(*files.Contents("/home/p/pics"), kEarlier);
  }
  {
    SCOPED_TRACE("no pictures folder at all");
    MemoryFileSystem files;
    const SavedPicture saved = SaveNewPicture(files, "", "shot", kPng.data(), kPng.size());
    EXPECT_FALSE(saved.Ok());
    EXPECT_EQ(DescribeSavedPicture(saved), "Picture not saved: no folder for pictures");
    EXPECT_FALSE(files.Holds("/shot.png"));
  }
  {
    SCOPED_TRACE("the disk fills midway");
    MemoryFileSystem files;
    ASSERT_EQ(MakeDirectories(files, "/home/p/pics"), 0);
    files.SetCapacity(4);
    const SavedPicture saved =
        SaveNewPicture(files, "/home/p/pics", "shot", kPng.data(), kPng.size());
    EXPECT_EQ(saved.Result, ResultOf(FileError::NoSpace));
    EXPECT_EQ(saved.Path, "/home/p/pics/shot.png");
    EXPECT_FALSE(files.Holds("/home/p/pics/shot.png")) << "a part of a picture left";
  }
  {
    SCOPED_TRACE("every name taken");
    MemoryFileSystem files;
    for (int i = 1; i <= kPictureNames; ++i) {
      ASSERT_TRUE(files.Put("/home/p/pics/" + PictureName("shot", i), kEarlier));
    }
    const SavedPicture saved =
        SaveNewPicture(files, "/home/p/pics", "shot", kPng.data(), kPng.size());
    EXPECT_EQ(saved.Result, ResultOf(FileError::Exists));
    EXPECT_EQ(*files.Contents("/home/p/pics/" + PictureName("shot", kPictureNames)), kEarlier);
    EXPECT_FALSE(files.Holds("/home/p/pics/" + PictureName("shot", kPictureNames + 1)));
  }
}

TEST(SaveNewPicture, TheTitlesLineNamesThePathOrTheCause) {
  EXPECT_EQ(DescribeSavedPicture({0, "/home/p/Pictures/enclova-2026-12-11-054500.png"}),
            "Picture saved: /home/p/Pictures/enclova-2026-12-11-054500.png");
  EXPECT_EQ(DescribeSavedPicture({ResultOf(FileError::NoSpace), "/home/p/Pictures/a.png"}),
            "Picture not saved: /home/p/Pictures/a.png: No space left on device");
  EXPECT_EQ(DescribeSavedPicture({ResultOf(FileError::ReadOnly), "/media/ro"}),
            "Picture not saved: /media/ro: Read-only file system");
}

}  // namespace
}  // namespace enclova::testing
