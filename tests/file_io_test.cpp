// SPDX-License-Identifier: MIT
// Whole files over the seam: the system's errors as the game's codes, the bounded read against
// files that are no files or never end, and the atomic replace behind the settings and replays.
#include "base/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/memory_file_system.h"
#include "posix/posix_platform.h"
#include "posix/user_files.h"
#include "replay/player.h"
#include "replay/recorder.h"
#include "tests/kit/child.h"
#include "tests/kit/fakes.h"

namespace enclova::testing {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

const char* OutcomeName(WholeFile::Outcome outcome) {
  switch (outcome) {
    case WholeFile::Outcome::Read:
      return "read";
    case WholeFile::Outcome::NotAFile:
      return "not a file";
    case WholeFile::Outcome::TooLarge:
      return "too large";
    case WholeFile::Outcome::Failed:
      return "failed";
  }
  return "?";
}

// ---- The system's errors ----

// Every errno the game names maps by name to its code, whose number is the one Linux gives the
// error (so the replays recorded on Linux read alike everywhere), and whose English words are
// the system's own; any other errno is Io.
TEST(PosixFileErrors, EachErrnoMapsByNameToTheCodeOfLinuxsNumber) {
  struct Case {
    int errnum;
    FileError error;
    int number;  // on Linux
  } const cases[] = {
      {EPERM, FileError::NotPermitted, 1},
      {ENOENT, FileError::NotFound, 2},
      {EINTR, FileError::Interrupted, 4},
      {EIO, FileError::Io, 5},
      {ENXIO, FileError::NoDeviceOrAddress, 6},
      {EBADF, FileError::BadDescriptor, 9},
      {EAGAIN, FileError::WouldBlock, 11},
      {EWOULDBLOCK, FileError::WouldBlock, 11},
      {ENOMEM, FileError::OutOfMemory, 12},
      {EACCES, FileError::AccessDenied, 13},
      {EBUSY, FileError::Busy, 16},
      {EEXIST, FileError::Exists, 17},
      {EXDEV, FileError::CrossDevice, 18},
      {ENODEV, FileError::NoDevice, 19},
      {ENOTDIR, FileError::NotADirectory, 20},
      {EISDIR, FileError::IsADirectory, 21},
      {EINVAL, FileError::InvalidArgument, 22},
      {ENFILE, FileError::TooManyOpenInSystem, 23},
      {EMFILE, FileError::TooManyOpen, 24},
      {ETXTBSY, FileError::TextBusy, 26},
      {EFBIG, FileError::FileTooLarge, 27},
      {ENOSPC, FileError::NoSpace, 28},
      {EROFS, FileError::ReadOnly, 30},
      {EMLINK, FileError::TooManyLinks, 31},
      {EPIPE, FileError::BrokenPipe, 32},
      {ENAMETOOLONG, FileError::NameTooLong, 36},
      {ENOLCK, FileError::NoLocks, 37},
      {ENOSYS, FileError::NotImplemented, 38},
      {ENOTEMPTY, FileError::DirectoryNotEmpty, 39},
      {ELOOP, FileError::LinkLoop, 40},
      {EOVERFLOW, FileError::Overflow, 75},
      {EOPNOTSUPP, FileError::NotSupported, 95},
      {ENOTSUP, FileError::NotSupported, 95},
      {ETIMEDOUT, FileError::TimedOut, 110},
      {ESTALE, FileError::Stale, 116},
      {EDQUOT, FileError::QuotaExceeded, 122},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "errno " << c.errnum << " (" << std::strerror(c.errnum) << ")");
    EXPECT_EQ(FileErrorFromErrno(c.errnum), c.error);
    EXPECT_EQ(static_cast<int>(c.error), c.number);
#ifdef __linux__
    EXPECT_EQ(c.errnum, c.number) << "this system is Linux";
#endif
    EXPECT_EQ(DescribeFileError(c.error), std::strerror(c.errnum));
  }
  for (const int unnamed : {ESRCH, ECHILD, EDOM, ERANGE, ENETDOWN, ECONNRESET, EILSEQ, 0, 9999}) {
    EXPECT_EQ(FileErrorFromErrno(unnamed), FileError::Io) << "errno " << unnamed;
  }
  EXPECT_EQ(DescribeFileError(static_cast<FileError>(3)), "error 3");
}

// ---- The bounded read ----

struct ReadWholeFileTest : ::testing::Test {
  std::string Path() const { return Dir.File("file"); }
  TempDir Dir;
  FaultyFileSystem Files;
};

TEST_F(ReadWholeFileTest, ReadsTheWholeFileWithTheStatedOperations) {
  struct Case {
    std::size_t size;
    std::uint64_t limit;
    WholeFile::Outcome outcome;
    std::vector<std::string> log;
  } const cases[] = {
      {0, 100, WholeFile::Outcome::Read, {"stat", "open", "fstat", "read", "close"}},
      {100, 100, WholeFile::Outcome::Read, {"stat", "open", "fstat", "read", "read", "close"}},
      {200'000,
       1 << 20,
       WholeFile::Outcome::Read,
       {"stat", "open", "fstat", "read", "read", "read", "read", "read", "close"}},
      // Larger than the bound by its size: not a byte is read.
      {101, 100, WholeFile::Outcome::TooLarge, {"stat", "open", "fstat", "close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size << " bytes, at most " << c.limit);
    std::vector<std::uint8_t> bytes(c.size);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    WriteFileBytes(Path(), bytes);
    Files.Log.clear();
    const WholeFile file = ReadWholeFile(Files, Path(), c.limit);
    EXPECT_STREQ(OutcomeName(file.Result), OutcomeName(c.outcome));
    EXPECT_EQ(file.Bytes,
              c.outcome == WholeFile::Outcome::Read ? bytes : std::vector<std::uint8_t>{});
    EXPECT_EQ(Files.Log, c.log);
  }
  std::filesystem::remove(Path());
  Files.Log.clear();
  const WholeFile missing = ReadWholeFile(Files, Path(), 100);
  EXPECT_EQ(missing.Result, WholeFile::Outcome::Failed);
  EXPECT_EQ(missing.Error, FileError::NotFound);
  EXPECT_EQ(Files.Log, (std::vector<std::string>{"stat", "open"}));
}

TEST_F(ReadWholeFileTest, EveryFailingStepIsReportedAndTheFileClosed) {
  const std::vector<std::uint8_t> bytes(1000, 'x');
  WriteFileBytes(Path(), bytes);
  struct Case {
    int step;  // stat, open, fstat, read, close
    WholeFile::Outcome outcome;
  } const cases[] = {
      {0, WholeFile::Outcome::Read},  // the check before opening is passed over: open tells
      {1, WholeFile::Outcome::Failed},
      {2, WholeFile::Outcome::Failed},
      {3, WholeFile::Outcome::Failed},
      {5, WholeFile::Outcome::Read},  // a failing close loses nothing that was read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    FaultyFileSystem failing;
    failing.FailAt = c.step;
    failing.FailWith = FileError::AccessDenied;
    const int descriptors = OpenDescriptors();
    const WholeFile file = ReadWholeFile(failing, Path(), 1 << 20);
    EXPECT_STREQ(OutcomeName(file.Result), OutcomeName(c.outcome));
    if (c.outcome == WholeFile::Outcome::Failed) {
      EXPECT_EQ(file.Error, FileError::AccessDenied);
    }
    EXPECT_EQ(file.Bytes.size(), c.outcome == WholeFile::Outcome::Read ? bytes.size() : 0);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(failing.Log.back(), c.step == 1 ? "open" : "close");
  }
}

// What a reader of the real files meets instead of a file. Each case runs in a child with an
// alarm, so a read that waits or never ends fails the case instead of hanging the run.
TEST_F(ReadWholeFileTest, FilesThatAreNotFilesAreRefusedAtOnce) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    const char* report;  // outcome, opens, reads
  } const cases[] = {
      {"FIFO without a writer", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "not a file 0 0"},
      {"link to /dev/zero",
       [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); },
       "not a file 0 0"},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); },
       "not a file 0 0"},
      {"sparse file of 2 GiB",
       [](const std::string& p) {
         WriteFileBytes(p, {1});
         ASSERT_EQ(truncate(p.c_str(), off_t{2} << 30), 0);
       },
       "too large 1 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Path());
    c.make(Path());
    const ChildReport child = RunInChild([&] {
      alarm(10);
      FaultyFileSystem files;
      const WholeFile file = ReadWholeFile(files, Path(), 1 << 20);
      return std::string(OutcomeName(file.Result)) + " " +
             std::to_string(std::count(files.Log.begin(), files.Log.end(), "open")) + " " +
             std::to_string(std::count(files.Log.begin(), files.Log.end(), "read"));
    });
    ASSERT_TRUE(child.Exited) << "hung or died: signal " << child.Signal;
    EXPECT_EQ(child.Text, c.report);
  }
}

// A file system that swaps a FIFO in under the name right after the check before opening, as
// another process could.
class SwappingFiles : public FaultyFileSystem {
 public:
  explicit SwappingFiles(std::string fifo) : fifo_(std::move(fifo)) {}
  int Stat(const std::string& path, FileInfo& info, bool followLinks) override {
    const int r = FaultyFileSystem::Stat(path, info, followLinks);
    std::filesystem::rename(fifo_, path);
    return r;
  }

 private:
  std::string fifo_;
};

TEST_F(ReadWholeFileTest, AFifoSwappedInAfterTheCheckIsRefusedOnItsDescriptor) {
  WriteFileBytes(Path(), {1, 2, 3});
  ASSERT_EQ(mkfifo(Dir.File("fifo").c_str(), 0644), 0);
  const ChildReport child = RunInChild([&] {
    alarm(10);
    SwappingFiles files(Dir.File("fifo"));
    const WholeFile file = ReadWholeFile(files, Path(), 1 << 20);
    std::string log;
    for (const std::string& op : files.Log) log += op + " ";
    return std::string(OutcomeName(file.Result)) + ": " + log;
  });
  ASSERT_TRUE(child.Exited) << "hung or died: signal " << child.Signal;
  EXPECT_EQ(child.Text, "not a file: stat open fstat close ");
}

// Another writer appending to the file while it is read, a piece at every read: the read stops
// once it holds more than the bound, however long the writer would go on.
class GrowingFiles : public FaultyFileSystem {
 public:
  explicit GrowingFiles(std::string path) : path_(std::move(path)) {}
  long Read(int fd, void* buffer, std::size_t size) override {
    std::filesystem::resize_file(path_, std::filesystem::file_size(path_) + kReadPiece);
    return FaultyFileSystem::Read(fd, buffer, size);
  }

 private:
  std::string path_;
};

TEST_F(ReadWholeFileTest, AFileThatGrowsWhileItIsReadStopsPastTheBound) {
  WriteFileBytes(Path(), std::vector<std::uint8_t>(1000, 'g'));
  constexpr std::uint64_t kLimit = 300'000;
  const ChildReport child = RunInChild([&] {
    alarm(10);
    GrowingFiles files(Path());
    const WholeFile file = ReadWholeFile(files, Path(), kLimit);
    return std::string(OutcomeName(file.Result)) + " " +
           std::to_string(std::count(files.Log.begin(), files.Log.end(), "read")) + " " +
           std::to_string(file.Bytes.size()) + " " + files.Log.back();
  });
  ASSERT_TRUE(child.Exited) << "hung or died: signal " << child.Signal;
  // 1000 bytes, then 65536 more at each read: past 300,000 at the fifth read.
  EXPECT_EQ(child.Text, "too large 5 0 close");
}

// ---- The settings ----

struct SettingsFileTest : ::testing::Test {
  std::string Path() const { return Dir.File("config/enclova/settings"); }
  std::string Folder() const { return Dir.File("config/enclova"); }
  TempDir Dir;
  PosixFileSystem Files;
};

// What lies under the names the save could write first (the older fixed name too): a link to a
// file elsewhere, a link to where a file could be made, a directory. None of it is written
// through, made, or removed.
TEST_F(SettingsFileTest, NothingPlantedUnderATemporaryNameIsWrittenThrough) {
  std::filesystem::create_directories(Folder());
  WriteFileBytes(Dir.File("victim"), Bytes("victim"));
  std::filesystem::create_symlink(Dir.File("victim"), Path() + ".new");
  std::filesystem::create_symlink(Dir.File("victim"), TemporaryName(Path(), 0));
  std::filesystem::create_symlink(Dir.File("nowhere"), TemporaryName(Path(), 1));
  std::filesystem::create_directory(TemporaryName(Path(), 2));
  const std::vector<std::string> planted = DirectoryEntries(Folder());

  ASSERT_TRUE(SaveSettings(Files, Path(), Settings{true}));

  EXPECT_EQ(ReadFileBytes(Path()), Bytes("fullscreen=1\n"));
  EXPECT_TRUE(LoadSettings(Files, Path()).Fullscreen);
  EXPECT_EQ(ReadFileBytes(Dir.File("victim")), Bytes("victim"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Dir.File("nowhere"))));
  std::vector<std::string> after = DirectoryEntries(Folder());
  std::erase(after, "settings");
  EXPECT_EQ(after, planted);
  EXPECT_TRUE(std::filesystem::is_symlink(TemporaryName(Path(), 0)));
}

TEST_F(SettingsFileTest, ALinkIsWrittenThroughAndTheFileKeepsItsBits) {
  std::filesystem::create_directories(Folder());
  std::filesystem::create_directories(Dir.File("dotfiles"));
  WriteFileBytes(Dir.File("dotfiles/settings"), Bytes("fullscreen=0\n"));
  ASSERT_EQ(chmod(Dir.File("dotfiles/settings").c_str(), 0600), 0);
  std::filesystem::create_symlink("../../dotfiles/settings", Path());

  ASSERT_TRUE(SaveSettings(Files, Path(), Settings{true}));

  EXPECT_TRUE(std::filesystem::is_symlink(Path()));
  EXPECT_EQ(ReadFileBytes(Dir.File("dotfiles/settings")), Bytes("fullscreen=1\n"));
  struct stat info {};
  ASSERT_EQ(stat(Dir.File("dotfiles/settings").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(DirectoryEntries(Dir.File("dotfiles")), std::vector<std::string>{"settings"});
}

// Faults that no permission bit makes (the tests may run as root): a file where the folder
// belongs, and each operation of the replace failing.
TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  WriteFileBytes(Dir.File("config"), Bytes("a file"));
  EXPECT_FALSE(SaveSettings(Files, Path(), Settings{true}));
  std::filesystem::remove(Dir.File("config"));

  ASSERT_TRUE(SaveSettings(Files, Path(), Settings{false}));
  FaultyFileSystem clean(Files);
  ASSERT_TRUE(SaveSettings(clean, Path(), Settings{false}));
  const std::vector<std::string> steps = clean.Log;
  const int rename =
      static_cast<int>(std::find(steps.begin(), steps.end(), "rename") - steps.begin());
  for (int k = 0; k <= rename; ++k) {
    SCOPED_TRACE(::testing::Message() << "failing at " << k << " (" << steps[k] << ")");
    FaultyFileSystem failing(Files);
    failing.FailAt = k;
    failing.FailWith = FileError::NoSpace;
    EXPECT_FALSE(SaveSettings(failing, Path(), Settings{true}));
    EXPECT_EQ(ReadFileBytes(Path()), Bytes("fullscreen=0\n"));
    EXPECT_EQ(DirectoryEntries(Folder()), std::vector<std::string>{"settings"});
    ASSERT_TRUE(SaveSettings(Files, Path(), Settings{false}));
  }
}

TEST_F(SettingsFileTest, AnythingButASmallFileGivesTheDefaultsAtOnce) {
  std::filesystem::create_directories(Folder());
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    bool fullscreen;
  } const cases[] = {
      {"the file itself", [](const std::string& p) { WriteFileBytes(p, Bytes("fullscreen=1")); },
       true},
      {"missing", [](const std::string&) {}, false},
      {"FIFO without a writer", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       false},
      {"link to /dev/zero",
       [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }, false},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }, false},
      {"1 MiB of settings",
       [](const std::string& p) {
         std::string text;
         while (text.size() < (1 << 20)) text += "fullscreen=1\n";
         WriteFileBytes(p, Bytes(text));
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Path());
    c.make(Path());
    const ChildReport child = RunInChild([&] {
      alarm(10);
      return std::string(LoadSettings(Path()).Fullscreen ? "fullscreen" : "window");
    });
    ASSERT_TRUE(child.Exited) << "hung or died: signal " << child.Signal;
    EXPECT_EQ(child.Text, c.fullscreen ? "fullscreen" : "window");
  }
}

// ---- The replays ----

// Moves the modification time of a file, or of a link itself, `seconds` into the past.
void Age(const std::string& path, std::int64_t seconds) {
  const timespec past{static_cast<time_t>(std::time(nullptr) - seconds), 0};
  const timespec times[2] = {past, past};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// While another game holds the folder's lock the names it may be writing stay, and the save
// passes over them; with the lock, what killed saves left there goes, links as links.
TEST(ReplayFiles, NothingPlantedUnderATemporaryNameIsWrittenThrough) {
  TempDir dir;
  PosixFileSystem files;
  replay::FileReplayStore store(files);
  const std::string folder = dir.File("replays");
  const std::string name = "20261210-000000-000_L01_good_0m10s_rank01.replay";
  std::filesystem::create_directory(folder);
  WriteFileBytes(dir.File("victim"), Bytes("victim"));
  std::filesystem::create_symlink(dir.File("victim"), folder + "/" + name + ".tmp");
  std::filesystem::create_symlink(dir.File("victim"), TemporaryName(folder + "/" + name, 0));
  std::filesystem::create_directory(TemporaryName(folder + "/" + name, 1));

  std::string error;
  {
    const int other = files.Open(folder + replay::kReplayFolderLockSuffix,
                                 OpenFlags::Read | OpenFlags::Create, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(files.LockExclusive(other, 0), 0);
    ASSERT_EQ(store.Save(folder, name, "enclova-replay 1\n", 50, &error), name) << error;
    files.Close(other);
  }
  EXPECT_EQ(ReadFileBytes(folder + "/" + name), Bytes("enclova-replay 1\n"));
  EXPECT_EQ(ReadFileBytes(dir.File("victim")), Bytes("victim"));
  std::vector<std::string> listed = store.List(folder);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, DirectoryEntries(folder));
  EXPECT_EQ(listed.size(), 4u);

  // Once they are old, what killed saves left goes; the directory stays.
  Age(folder + "/" + name + ".tmp", 2 * replay::kStaleTemporarySeconds);
  Age(TemporaryName(folder + "/" + name, 0), 2 * replay::kStaleTemporarySeconds);
  const std::string second = "20261210-000001-000_L01_good_0m10s_rank01.replay";
  ASSERT_EQ(store.Save(folder, second, "enclova-replay 1\n", 50, &error), second) << error;
  EXPECT_EQ(ReadFileBytes(dir.File("victim")), Bytes("victim"));
  EXPECT_EQ(DirectoryEntries(folder), (std::vector<std::string>{name, name + ".tmp.1", second}));
  EXPECT_TRUE(store.Remove(folder, name));
  EXPECT_FALSE(store.Remove(folder, name));
}

// In memory, a full disk, a file where the folder belongs and a missing parent folder: the
// reason names the file, and no temporary file is left.
TEST(ReplayFiles, AFailedSaveSaysWhyAndLeavesNothingBehind) {
  MemoryFileSystem files;
  replay::FileReplayStore store(files);
  const std::string name = "20261210-000000-000_L01_miss_0m10s_norank.replay";
  const std::string text(5000, 'r');
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string folder;
    std::string error;
  } const cases[] = {
      {"a full disk", [&] { files.SetCapacity(4000); }, "/game/replays",
       "/game/replays/" + name + ": No space left on device"},
      {"a file for the folder", [&] { files.Put("/game/file", {1}); }, "/game/file",
       "/game/file/" + name + ": Not a directory"},
      {"no parent folder", [] {}, "/none/replays", "/none/replays: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(files.Put("/game/fdata.dat", std::vector<std::uint8_t>(160)));
    c.arrange();
    std::string error;
    EXPECT_FALSE(store.Save(c.folder, name, text, 50, &error));
    EXPECT_EQ(error, c.error);
    std::vector<std::string> left = store.List(c.folder);
    EXPECT_TRUE(left.empty()) << left.front();
    files.SetCapacity(std::nullopt);
  }
  // Room again: the folder is made, the replay written whole.
  std::string error;
  ASSERT_TRUE(store.Save("/game/replays", name, text, 50, &error)) << error;
  ASSERT_NE(files.Contents("/game/replays/" + name), nullptr);
  EXPECT_EQ(*files.Contents("/game/replays/" + name), Bytes(text));
  EXPECT_EQ(store.List("/game/replays"), std::vector<std::string>{name});
}

TEST(ReplayFiles, LoadingRefusesWhatIsNoReplayFileAndSaysWhy) {
  MemoryFileSystem files;
  files.Put("/r/folder/x", {});
  files.Put("/r/large.replay", std::vector<std::uint8_t>(replay::kMaxFileBytes + 1, '\n'));
  struct Case {
    const char* path;
    std::string error;
  } const cases[] = {
      {"/r/missing.replay", "not found"},
      {"/r/folder", "not a regular file"},
      {"/r/large.replay",
       "too large for a replay (more than " + std::to_string(replay::kMaxFileBytes) + " bytes)"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(replay::LoadReplay(files, c.path, &error).has_value()) << c.path;
    EXPECT_EQ(error, c.error) << c.path;
  }
}

// Rounds that end in the same millisecond, in one game or in two on the same folder, and a name
// that something else holds already: every replay gets a name of its own, nothing is written
// over or through.
TEST(ReplayFiles, RoundsOfTheSameMillisecondNeverOverwriteAnything) {
  const std::string name = "20261210-000000-000_L01_miss_0m10s_norank.replay";
  enum class Planted { Nothing, Directory, DanglingLink };
  const struct {
    const char* label;
    bool real;        // a folder on disk, else in memory
    int games;        // stores saving in turn, each as its own game would
    Planted planted;  // at `name` before the first save
  } kCases[] = {
      {"one game, in memory", false, 1, Planted::Nothing},
      {"two games, in memory", false, 2, Planted::Nothing},
      {"two games, on disk", true, 2, Planted::Nothing},
      {"a directory at the name, in memory", false, 1, Planted::Directory},
      {"a dangling link at the name, on disk", true, 2, Planted::DanglingLink},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    MemoryFileSystem memory;
    PosixFileSystem posix;
    FileSystem& files = c.real ? static_cast<FileSystem&>(posix) : memory;
    const std::string folder = c.real ? dir.File("replays") : "/game/replays";
    const std::string victim = c.real ? dir.File("victim") : "/game/victim";
    ASSERT_EQ(MakeDirectories(files, folder), 0);
    if (c.planted == Planted::Directory) {
      ASSERT_EQ(files.MakeDirectory(folder + "/" + name), 0);
    }
    if (c.planted == Planted::DanglingLink) {
      std::filesystem::create_symlink(victim, folder + "/" + name);
    }
    replay::FileReplayStore first(files), second(files);
    replay::FileReplayStore* stores[] = {&first, &second};

    std::vector<std::string> written;
    for (int k = 0; k < 3; ++k) {
      std::string error;
      const auto saved =
          stores[k % c.games]->Save(folder, name, "replay " + std::to_string(k), 50, &error);
      ASSERT_TRUE(saved) << error;
      written.push_back(*saved);
    }
    const int skipped = c.planted == Planted::Nothing ? 0 : 1;
    for (int k = 0; k < 3; ++k) {
      const int number = k + 1 + skipped;
      EXPECT_EQ(written[k], number == 1 ? name : replay::NumberedReplayName(name, number));
      const WholeFile file = ReadWholeFile(files, folder + "/" + written[k], 100);
      ASSERT_TRUE(file.Ok()) << written[k];
      EXPECT_EQ(file.Bytes, Bytes("replay " + std::to_string(k)));
    }
    FileInfo info;
    EXPECT_EQ(files.Stat(victim, info, false), ResultOf(FileError::NotFound));
    if (c.planted == Planted::Directory) {
      ASSERT_EQ(files.Stat(folder + "/" + name, info, false), 0);
      EXPECT_EQ(info.Type, FileInfo::Kind::Directory);
    }
    std::vector<std::string> left = first.List(folder);
    EXPECT_EQ(left.size(), 3u + (c.planted == Planted::Nothing ? 0u : 1u));
  }
}

// Two processes save round after round under one name at the same moment: every replay is there
// whole, under a name of its own.
TEST(ReplayFiles, TwoProcessesSavingUnderOneNameKeepEveryReplay) {
  TempDir dir;
  const std::string folder = dir.File("replays");
  const std::string name = "20261210-000000-000_L01_miss_0m10s_norank.replay";
  constexpr int kEach = 15;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t children[2];
  for (int k = 0; k < 2; ++k) {
    children[k] = fork();
    ASSERT_GE(children[k], 0);
    if (children[k] == 0) {
      close(go[1]);
      char byte = 0;
      (void)!read(go[0], &byte, 1);  // both start when the parent closes the pipe
      PosixFileSystem files;
      replay::FileReplayStore store(files);
      int failed = 0;
      for (int i = 0; i < kEach; ++i) {
        const std::string text = "process " + std::to_string(k) + " round " + std::to_string(i);
        if (!store.Save(folder, name, text, 1000, nullptr)) ++failed;
      }
      _exit(failed);
    }
  }
  close(go[0]);
  close(go[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "saves that failed";
  }
  std::set<std::string> texts, want;
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < kEach; ++i) {
      want.insert("process " + std::to_string(k) + " round " + std::to_string(i));
    }
  }
  for (const std::string& entry : DirectoryEntries(folder)) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(folder + "/" + entry);
    texts.insert(std::string(bytes.begin(), bytes.end()));
  }
  EXPECT_EQ(DirectoryEntries(folder).size(), want.size()) << "a temporary left, or a file lost";
  EXPECT_EQ(texts, want);
}

// What killed saves left in the folder goes only under the folder's lock, once it is old (a game
// that did not get the lock may be writing a young one), a few names at each save; a link goes
// as a link, a directory and names that are not ours stay.
TEST(ReplayFiles, StaleTemporariesGoUnderTheFolderLockAFewAtATime) {
  TempDir dir;
  PosixFileSystem files;
  replay::FileReplayStore store(files);
  const std::string folder = dir.File("replays");
  const std::int64_t old = 2 * replay::kStaleTemporarySeconds;
  const std::string replay = "20261210-000000-000_L01_miss_0m10s_norank.replay";
  const std::string stale[] = {replay + ".tmp.0", replay + ".tmp", ".replay.tmp",
                               "20261210-000001-000_L01_good_0m10s_rank01.replay.tmp.999"};
  const std::string kept[] = {"notes.tmp", replay + ".tmpx", replay + ".tmp.1000", "x.tmp.0"};
  const std::string young = replay + ".tmp.5";
  const std::string link = replay + ".tmp.7";
  const std::string directory = replay + ".tmp.8";
  std::filesystem::create_directory(folder);
  WriteFileBytes(dir.File("victim"), Bytes("victim"));
  for (const std::string& n : stale) WriteFileBytes(folder + "/" + n, Bytes("part"));
  for (const std::string& n : kept) WriteFileBytes(folder + "/" + n, Bytes("mine"));
  WriteFileBytes(folder + "/" + young, Bytes("being written"));
  std::filesystem::create_symlink(dir.File("victim"), folder + "/" + link);
  std::filesystem::create_directory(folder + "/" + directory);
  for (const std::string& n : DirectoryEntries(folder)) {
    if (n != young) Age(folder + "/" + n, old);
  }
  auto holds = [&](const std::string& n) {
    FileInfo info;
    return files.Stat(folder + "/" + n, info, false) == 0;
  };

  // Another game holds the lock: it may be writing those names, so they stay.
  std::string error;
  {
    const int other = files.Open(folder + replay::kReplayFolderLockSuffix,
                                 OpenFlags::Read | OpenFlags::Create, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(files.LockExclusive(other, 0), 0);
    ASSERT_TRUE(
        store.Save(folder, "20261210-000002-000_L01_miss_0m10s_norank.replay", "a", 50, &error))
        << error;
    for (const std::string& n : stale) EXPECT_TRUE(holds(n)) << n;
    EXPECT_TRUE(holds(link));
    files.Close(other);
  }

  ASSERT_TRUE(
      store.Save(folder, "20261210-000003-000_L01_miss_0m10s_norank.replay", "b", 50, &error))
      << error;
  for (const std::string& n : stale) EXPECT_FALSE(holds(n)) << n;
  EXPECT_FALSE(holds(link));
  EXPECT_EQ(ReadFileBytes(dir.File("victim")), Bytes("victim"));
  EXPECT_TRUE(holds(young));
  EXPECT_TRUE(holds(directory));
  for (const std::string& n : kept) EXPECT_TRUE(holds(n)) << n;
  std::filesystem::remove(folder + "/" + young);

  // Thirty of them: a few go at each save, all of them over a few saves.
  for (int i = 0; i <= 30; ++i) {
    if (i == 8) continue;  // the directory
    const std::string name = replay + ".tmp." + std::to_string(i);
    WriteFileBytes(folder + "/" + name, {});
    Age(folder + "/" + name, old);
  }
  auto temporaries = [&] {
    const std::vector<std::string> names = DirectoryEntries(folder);
    return std::count_if(names.begin(), names.end(), replay::IsReplayTemporary);
  };
  std::ptrdiff_t before = temporaries();
  ASSERT_EQ(before, 31);
  for (int save = 0; save < 5; ++save) {
    SCOPED_TRACE("save " + std::to_string(save));
    ASSERT_TRUE(
        store.Save(folder, "20261210-000004-000_L01_miss_0m10s_norank.replay", "c", 50, &error));
    const std::ptrdiff_t now = temporaries();
    EXPECT_LE(before - now, static_cast<std::ptrdiff_t>(replay::kRemovalsPerSave));
    EXPECT_TRUE(now < before || now == 1);
    before = now;
  }
  EXPECT_EQ(before, 1);  // the directory
  EXPECT_TRUE(holds(directory));
}

// A save into a folder of 20,000 old replays makes the same file operations as into one of 200:
// one listing, and the oldest few removed, the rest at later saves.
TEST(ReplayFiles, ASaveCostsTheSameInAFolderOfAnySize) {
  const std::string folder = "/game/replays";
  auto oldName = [](int n) {
    char text[80];
    std::snprintf(text, sizeof text, "2025%04d-%06d-000_L01_miss_0m10s_norank.replay",
                  101 + n / 10000, n % 10000);
    return std::string(text);
  };
  std::map<std::string, int> operations[2];
  for (int size : {200, 20'000}) {
    SCOPED_TRACE(std::to_string(size) + " old replays");
    MemoryFileSystem memory;
    for (int n = 0; n < size; ++n) ASSERT_TRUE(memory.Put(folder + "/" + oldName(n), {}));
    FaultyFileSystem counted(memory);
    replay::FileReplayStore store(counted);
    std::string error;
    ASSERT_TRUE(store.Save(folder, "20261210-000000-000_L01_miss_0m10s_norank.replay",
                           std::string(3000, 'r'), 50, &error))
        << error;
    std::map<std::string, int>& ops = operations[size == 200 ? 0 : 1];
    for (const std::string& op : counted.Log) ++ops[op];
    EXPECT_EQ(ops["list"], 1);
    EXPECT_EQ(ops["unlink"], static_cast<int>(replay::kRemovalsPerSave));
    for (int n = 0; n < size; ++n) {
      EXPECT_EQ(memory.Holds(folder + "/" + oldName(n)),
                n >= static_cast<int>(replay::kRemovalsPerSave))
          << oldName(n);
    }
  }
  EXPECT_EQ(operations[0], operations[1]);
}

}  // namespace
}  // namespace enclova::testing
