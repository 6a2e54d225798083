// SPDX-License-Identifier: MIT
// The installed game's own folder: two copies starting at once, a ranking that cannot be read as
// one, a folder that cannot be kept (played in memory), and the boxes that name the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/form.h"
#include "app/game.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "base/memory_file_system.h"
#include "frontend/data_directory.h"
#include "frontend/data_directory_files.h"
#include "frontend/error_box.h"
#include "frontend/session.h"
#include "posix/posix_platform.h"
#include "posix/user_files.h"
#include "ranking/ranking_table.h"
#include "tests/kit/fake_typeface.h"
#include "tests/kit/fakes.h"
#include "tests/kit/game.h"
#include "tests/replay_fixture.h"

namespace enclova {
namespace {

using testing::DirectoryEntries;
using testing::EmptyRecordFile;
using testing::FakeClock;
using testing::GameHarness;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

const std::string kRealSheet = ENCLOVA_SOURCE_DIR "/assets/fgra.bmp";

// An installed game: the real sheet and an empty ranking under <root>/installed, an empty
// working directory, and a home with nothing in it yet.
struct Installation {
  Installation() {
    mkdir(Root.File("installed").c_str(), 0755);
    mkdir(Root.File("work").c_str(), 0755);
    mkdir(Root.File("home").c_str(), 0755);
    WriteFileBytes(Root.File("installed/fgra.bmp"), ReadFileBytes(kRealSheet));
    WriteFileBytes(Root.File("installed/fdata.dat"), EmptyRecordFile());
  }
  std::string Own() const { return Root.File("home/.local/share/enclova"); }
  DataDirectoryRequest Request(std::int64_t now = 0) const {
    DataDirectoryRequest request;
    request.Working = Root.File("work");
    request.Installed = Root.File("installed");
    request.UserDirectory = UserDataDirectory("", Root.File("home"));
    request.NowMilliseconds = now;
    return request;
  }
  TempDir Root;
};

RankingTable RankingIn(const std::vector<std::uint8_t>& bytes) {
  RankingTable table;
  DecodeRecordFile(bytes.data(), bytes.size(), table);
  return table;
}

// A good round at level 1 on a game seeded with SeedWithGoodLoop, through to the ranking screen.
void PlayGoodRound(GameHarness& g) {
  g.StartRound(1);
  const std::optional<testing::Loop> loop = testing::FindGoodLoop(g.Form);
  ASSERT_TRUE(loop.has_value());
  g.Run(2000);
  while (g.Form.CursorX < loop->StartX) g.Key(VK_RIGHT);
  while (g.Form.CursorX > loop->StartX) g.Key(VK_LEFT);
  while (g.Form.CursorY < loop->StartY) g.Key(VK_DOWN);
  while (g.Form.CursorY > loop->StartY) g.Key(VK_UP);
  g.Key(VK_Z);
  for (const std::int32_t d : loop->Steps) {
    g.Key(d == CmdRight ? VK_RIGHT : d == CmdLeft ? VK_LEFT : d == CmdDown ? VK_DOWN : VK_UP);
  }
  g.Run(1500);
  g.Key(VK_Z);  // closes the loop
  g.Run(8000);  // the result, then the ranking screen
}

// The game in the data directory `choice` names, over `files`, as the session builds it: started
// up, played one good round; its error boxes, with their English lines.
std::vector<std::string> PlayGoodRoundIn(FileSystem& files, const DataDirectoryChoice& choice) {
  DataDirectoryFileSystem data(files, choice.Directory, choice.InstalledSheet);
  GameHarness::Options options;
  options.Seed = testing::SeedWithGoodLoop(1, true);
  options.SharedDirectory = choice.Directory;
  options.Under = &data;
  GameHarness game(options);
  PlayGoodRound(game);
  std::vector<std::string> boxes;
  for (const auto& error : game.Host.Errors) boxes.push_back(data.Explain(error.second));
  return boxes;
}

// The bug players met: two copies started together on a fresh account, and one of them showed
// an error box. Each round forks two processes that wait for one signal and then choose, seed
// and start the game on the same new home; both must start cleanly in the player's folder.
TEST(OwnFolder, TwoCopiesStartingAtOnceOnAFreshHomeBothStart) {
  for (int round = 0; round < 25; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Installation installed;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    struct Copy {
      pid_t Pid = -1;
      int Report = -1;
    } copies[2];
    for (Copy& copy : copies) {
      int report[2];
      ASSERT_EQ(pipe(report), 0);
      copy.Pid = fork();
      ASSERT_GE(copy.Pid, 0);
      if (copy.Pid == 0) {
        close(go[1]);
        close(report[0]);
        char byte;
        (void)!read(go[0], &byte, 1);  // returns when the parent closes its end: both start
        PosixFileSystem posix;
        const DataDirectoryChoice choice = ChooseDataDirectory(posix, installed.Request());
        DataDirectoryFileSystem files(posix, choice.Directory, choice.InstalledSheet);
        FakeClock clock;
        Game game(clock, files, nullptr, "enclova");
        game.Create();
        std::string text = choice.Directory == installed.Own() && !choice.InMemory
                               ? ""
                               : "played in " + choice.Directory + "\n";
        for (const std::string& notice : choice.Notices) text += notice + "\n";
        for (const auto& error : game.Host.Errors) text += files.Explain(error.second) + "\n";
        text = text.empty() ? "started" : text;
        (void)!write(report[1], text.data(), text.size());
        _exit(0);
      }
      close(report[1]);
      copy.Report = report[0];
    }
    close(go[0]);
    close(go[1]);
    for (Copy& copy : copies) {
      std::string text;
      char buffer[512];
      for (ssize_t n; (n = read(copy.Report, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
      close(copy.Report);
      int status = 0;
      ASSERT_EQ(waitpid(copy.Pid, &status, 0), copy.Pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      EXPECT_EQ(text, "started");
    }
    EXPECT_EQ(ReadFileBytes(installed.Own() + "/fdata.dat"), EmptyRecordFile());
    EXPECT_EQ(DirectoryEntries(installed.Own()),
              (std::vector<std::string>{"fdata.dat", "fdata.dat.lock"}))
        << "no sheet copied, no temporary left";
    if (HasFailure()) break;
  }
}

// The game's own reading decides what a damaged ranking is: one that ends before a whole
// ranking. It is kept under a dated name (never over another), a new one is seeded, the player
// is told, and the next good round is ranked in it.
TEST(OwnFolder, DamagedRankingIsSetAsideAndTheNextRoundIsRanked) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> ranking;
  };
  std::vector<std::uint8_t> truncated = EmptyRecordFile();
  truncated.resize(kRecordFileSize - 1);
  const Case cases[] = {{"empty", {}}, {"one byte short", truncated}, {"three bytes", {1, 2, 3}}};
  // 2026-12-11 04:30:00 UTC.
  const std::int64_t now = std::int64_t{1'796'963'400'000};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation installed;
    ASSERT_TRUE(std::filesystem::create_directories(installed.Own()));
    const std::string ranking = installed.Own() + "/fdata.dat";
    const std::string aside = ranking + ".damaged-20261211-043000";
    // One set aside in the same second already: it is not overwritten.
    WriteFileBytes(aside, {7});
    WriteFileBytes(ranking, c.ranking);

    PosixFileSystem posix;
    const DataDirectoryChoice choice = ChooseDataDirectory(posix, installed.Request(now));
    EXPECT_EQ(choice.Directory, installed.Own());
    EXPECT_FALSE(choice.InMemory);
    ASSERT_EQ(choice.Notices.size(), 1u);
    EXPECT_NE(choice.Notices[0].find(aside + "-2"), std::string::npos) << choice.Notices[0];
    EXPECT_EQ(ReadFileBytes(aside + "-2"), c.ranking) << "nothing of the old file is lost";
    EXPECT_EQ(ReadFileBytes(aside), std::vector<std::uint8_t>{7});
    EXPECT_EQ(ReadFileBytes(ranking), EmptyRecordFile());

    EXPECT_EQ(PlayGoodRoundIn(posix, choice), std::vector<std::string>{});
    const RankingTable table = RankingIn(ReadFileBytes(ranking));
    EXPECT_EQ(table.RankLevels[1], 1) << "the round is ranked first";
    // Told once: the next start finds a ranking.
    EXPECT_TRUE(ChooseDataDirectory(posix, installed.Request(now)).Notices.empty());
  }
  // A whole ranking is the player's, whatever it holds, and a longer file is read as the game
  // reads it: neither is set aside.
  for (const std::size_t size : {kRecordFileSize, kRecordFileSize + 40}) {
    Installation installed;
    ASSERT_TRUE(std::filesystem::create_directories(installed.Own()));
    const std::vector<std::uint8_t> odd(size, 0xEE);
    WriteFileBytes(installed.Own() + "/fdata.dat", odd);
    PosixFileSystem posix;
    EXPECT_TRUE(ChooseDataDirectory(posix, installed.Request(now)).Notices.empty());
    EXPECT_EQ(ReadFileBytes(installed.Own() + "/fdata.dat"), odd);
  }
}

// A file system in memory that became read-only below `Below`: what is there can be read,
// nothing can be made, written, renamed or removed, as on a read-only mount.
class ReadOnlyBelow : public MemoryFileSystem {
 public:
  std::string Below;  // empty: writable everywhere

  int Open(const std::string& path, OpenFlags flags, unsigned mode) override {
    if (Inside(path) && (Has(flags, OpenFlags::Write) || Has(flags, OpenFlags::Create))) {
      return ResultOf(FileError::ReadOnly);
    }
    return MemoryFileSystem::Open(path, flags, mode);
  }
  int MakeDirectory(const std::string& path) override {
    if (!Inside(path)) return MemoryFileSystem::MakeDirectory(path);
    FileInfo info;
    return Stat(path, info, false) == 0 ? ResultOf(FileError::Exists)
                                        : ResultOf(FileError::ReadOnly);
  }
  int Rename(const std::string& from, const std::string& to) override {
    if (Inside(from) || Inside(to)) return ResultOf(FileError::ReadOnly);
    return MemoryFileSystem::Rename(from, to);
  }
  int Unlink(const std::string& path) override {
    if (Inside(path)) return ResultOf(FileError::ReadOnly);
    return MemoryFileSystem::Unlink(path);
  }

 private:
  bool Inside(const std::string& path) const {
    return !Below.empty() && (path == Below || path.rfind(Below + "/", 0) == 0);
  }
};

// Writes `bytes` to `path` through the seam, making its directory.
void Put(FileSystem& files, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(MakeDirectories(files, DirectoryOf(path)), 0);
  ASSERT_EQ(ReplaceWholeFile(files, path, bytes.data(), bytes.size()), 0);
}

// Every entry under `path`, recursively, with what each file holds.
void Listing(FileSystem& files, const std::string& path,
             std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& out) {
  std::vector<std::string> names;
  if (files.ListDirectory(path, names) < 0) {
    out.emplace_back(path, ReadWholeFile(files, path, 1 << 20).Bytes);
    return;
  }
  std::sort(names.begin(), names.end());
  out.emplace_back(path == "/" ? path : path + "/", std::vector<std::uint8_t>{});
  for (const std::string& name : names) {
    Listing(files, (path == "/" ? path : path + "/") + name, out);
  }
}

// Where the folder cannot be made or written, the game plays from the installation with its
// ranking in memory, tells the player once that records will not be kept, and makes, changes
// or leaves nothing anywhere: not in the home, not in the working directory.
TEST(OwnFolder, AFolderThatCannotBeKeptPlaysARoundWithTheRankingInMemory) {
  const std::vector<std::uint8_t> sheet = ReadFileBytes(kRealSheet);
  struct Case {
    const char* what;
    std::string home;  // "" or relative: no home
    std::function<void(ReadOnlyBelow&)> arrange;
    const char* noticeNames;  // the folder the notice names, under /home; "" for none
  };
  const Case cases[] = {
      {"a file where the folder should be", "/home/p",
       [](ReadOnlyBelow& fs) { Put(fs, "/home/p/.local/share/enclova", {'x'}); },
       "/home/p/.local/share/enclova"},
      {"a file where a parent should be", "/home/p",
       [](ReadOnlyBelow& fs) { Put(fs, "/home/p/.local", {'x'}); }, "/home/p/.local/share/enclova"},
      {"a read-only home", "/home/p",
       [](ReadOnlyBelow& fs) {
         ASSERT_EQ(MakeDirectories(fs, "/home/p"), 0);
         fs.Below = "/home/p";
       },
       "/home/p/.local/share/enclova"},
      {"a read-only folder holding a ranking", "/home/p",
       [](ReadOnlyBelow& fs) {
         Put(fs, "/home/p/.local/share/enclova/fdata.dat", EmptyRecordFile());
         fs.Below = "/home/p";
       },
       "/home/p/.local/share/enclova"},
      {"HOME empty", "", nullptr, ""},
      {"HOME relative", "home/p", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReadOnlyBelow files;
    Put(files, "/usr/share/enclova/fgra.bmp", sheet);
    Put(files, "/usr/share/enclova/fdata.dat", EmptyRecordFile());
    ASSERT_EQ(MakeDirectories(files, "/work"), 0);
    ASSERT_EQ(MakeDirectories(files, "/home"), 0);
    if (c.arrange) c.arrange(files);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> before, after;
    Listing(files, "/", before);

    DataDirectoryRequest request;
    request.Working = "/work";
    request.Installed = "/usr/share/enclova";
    request.UserDirectory = UserDataDirectory("", c.home);
    const DataDirectoryChoice choice = ChooseDataDirectory(files, request);
    EXPECT_TRUE(choice.InMemory);
    EXPECT_TRUE(choice.OwnFolder);
    EXPECT_NE(choice.Directory, "/work");
    ASSERT_EQ(choice.Notices.size(), 1u);
    EXPECT_NE(choice.Notices[0].find("records will not be kept"), std::string::npos);
    EXPECT_NE(choice.Notices[0].find(c.noticeNames), std::string::npos) << choice.Notices[0];

    const std::unique_ptr<MemoryFileSystem> memory = InstalledFilesInMemory(
        files, choice.Directory, choice.InstalledSheet, choice.InstalledRanking);
    EXPECT_EQ(PlayGoodRoundIn(*memory, choice), std::vector<std::string>{});
    const WholeFile ranking = ReadWholeFile(*memory, choice.Directory + "/fdata.dat", 1 << 10);
    EXPECT_EQ(RankingIn(ranking.Bytes).RankLevels[1], 1) << "ranked, in memory";

    Listing(files, "/", after);
    EXPECT_TRUE(before == after) << "nothing made, changed or removed on the player's disk";
  }
}

// The same on the real file system, for the case players meet most: no HOME at all. The working
// directory is listed before and after: the game leaves nothing there.
TEST(OwnFolder, WithoutAHomeNothingIsMadeInTheWorkingDirectory) {
  Installation installed;
  for (const char* home : {"", ".", "home"}) {
    SCOPED_TRACE(std::string("HOME=") + home);
    DataDirectoryRequest request = installed.Request();
    request.UserDirectory = UserDataDirectory("", home);
    PosixFileSystem posix;
    const DataDirectoryChoice choice = ChooseDataDirectory(posix, request);
    EXPECT_TRUE(choice.InMemory);
    const std::unique_ptr<MemoryFileSystem> memory = InstalledFilesInMemory(
        posix, choice.Directory, choice.InstalledSheet, choice.InstalledRanking);
    EXPECT_EQ(PlayGoodRoundIn(*memory, choice), std::vector<std::string>{});
    EXPECT_EQ(DirectoryEntries(installed.Root.File("work")), std::vector<std::string>{});
    EXPECT_EQ(DirectoryEntries(installed.Root.File("home")), std::vector<std::string>{});
    EXPECT_EQ(DirectoryEntries(installed.Root.File("installed")),
              (std::vector<std::string>{"fdata.dat", "fgra.bmp"}));
  }
}

// A ranking the player made read-only refuses the save, and the box's English line names the
// ranking and why, not the lock file the save opened last (which is all it named before).
TEST(OwnFolder, AReadOnlyRankingIsNamedInTheBox) {
  Installation installed;
  PosixFileSystem posix;
  const DataDirectoryChoice choice = ChooseDataDirectory(posix, installed.Request());
  ASSERT_EQ(choice.Directory, installed.Own());
  const std::string ranking = installed.Own() + "/fdata.dat";
  ASSERT_EQ(chmod(ranking.c_str(), 0444), 0);
  EXPECT_EQ(PlayGoodRoundIn(posix, choice),
            std::vector<std::string>{"enclova: " + ranking + " is read-only"});
  EXPECT_EQ(ReadFileBytes(ranking), EmptyRecordFile());
}

// Two sides working on one file system by turns, each on a thread of its own but never both at
// once: side 0 makes `first` file operations, side 1 `second`, then side 0 runs to its end and
// side 1 to its end. Every interleaving of a pause and a resume is a pair of counts.
class Turns {
 public:
  Turns(int first, int second) : phases_{{0, first}, {1, second}, {0, -1}, {1, -1}} {}

  // Before each operation of `side`: returns when it is that side's turn.
  void Wait(int side) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      Advance();
      if (phase_ < 4 && phases_[phase_].Side == side) break;
      changed_.wait(lock);
    }
    if (phases_[phase_].Left > 0) --phases_[phase_].Left;
    ++operations_[side];
  }
  void Finished(int side) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_[side] = true;
    Advance();
  }
  // Operations `side` made in all.
  int Operations(int side) {
    std::lock_guard<std::mutex> lock(mutex_);
    return operations_[side];
  }

 private:
  void Advance() {
    const int before = phase_;
    while (phase_ < 4 && (done_[phases_[phase_].Side] || phases_[phase_].Left == 0)) ++phase_;
    if (phase_ != before) changed_.notify_all();
  }
  struct Phase {
    int Side;
    int Left;  // operations still to make; -1: to the end
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  Phase phases_[4];
  int phase_ = 0;
  bool done_[2] = {false, false};
  int operations_[2] = {0, 0};
};

// One side's view of the shared file system: every operation waits for that side's turn.
class TurnTaking : public FileSystem {
 public:
  TurnTaking(FileSystem& inner, Turns& turns, int side)
      : inner_(inner), turns_(turns), side_(side) {}
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  int Open(const std::string& path, OpenFlags flags, unsigned mode) override {
    Turn();
    return inner_.Open(path, flags, mode);
  }
  long Read(int fd, void* buffer, std::size_t size) override {
    Turn();
    return inner_.Read(fd, buffer, size);
  }
  long Write(int fd, const void* buffer, std::size_t size) override {
    Turn();
    return inner_.Write(fd, buffer, size);
  }
  int Fsync(int fd) override {
    Turn();
    return inner_.Fsync(fd);
  }
  int Close(int fd) override {
    Turn();
    return inner_.Close(fd);
  }
  int Rename(const std::string& from, const std::string& to) override {
    Turn();
    return inner_.Rename(from, to);
  }
  int Unlink(const std::string& path) override {
    Turn();
    return inner_.Unlink(path);
  }
  int Stat(const std::string& path, FileInfo& info, bool followLinks) override {
    Turn();
    return inner_.Stat(path, info, followLinks);
  }
  int Fstat(int fd, FileInfo& info) override {
    Turn();
    return inner_.Fstat(fd, info);
  }
  int Fchmod(int fd, unsigned mode) override {
    Turn();
    return inner_.Fchmod(fd, mode);
  }
  int ReadLink(const std::string& path, std::string& target) override {
    Turn();
    return inner_.ReadLink(path, target);
  }
  int ListDirectory(const std::string& path, std::vector<std::string>& names) override {
    Turn();
    return inner_.ListDirectory(path, names);
  }
  int LockExclusive(int fd, int milliseconds) override {
    Turn();
    return inner_.LockExclusive(fd, milliseconds);
  }
  int MakeDirectory(const std::string& path) override {
    Turn();
    return inner_.MakeDirectory(path);
  }

 private:
  void Turn() { turns_.Wait(side_); }
  FileSystem& inner_;
  Turns& turns_;
  int side_;
};

// A copy starting up checks that it can write in the player's folder while another copy saves
// a ranked round there. Each is paused at every one of its file operations while the other
// runs on, and resumed at every step of the other: the save always succeeds and the ranking
// holds its round, and nothing is left beside it, an old probe neither. (The check used to probe
// with the ranking's own first temporary name; a save, under its lock, removed that as stale, took
// the name for its new file, and the check's removal of its probe then deleted the save's file
// before its rename.)
TEST(OwnFolder, AStartingCopyNeverDisturbsAnotherCopysSave) {
  const std::string own = "/home/p/.local/share/enclova";
  const std::string ranking = own + "/fdata.dat";
  for (const bool checkFirst : {true, false}) {
    SCOPED_TRACE(checkFirst ? "the check starts first" : "the save starts first");
    bool checkDoneFirst = false;
    for (int i = 0; !checkDoneFirst; ++i) {
      bool saveDoneFirst = false;
      for (int j = 0; !saveDoneFirst; ++j) {
        SCOPED_TRACE("paused after " + std::to_string(i) + " then " + std::to_string(j));
        MemoryFileSystem memory;
        Put(memory, "/usr/share/games/enclova/fgra.bmp", {'B', 'M'});
        Put(memory, "/usr/share/games/enclova/fdata.dat", EmptyRecordFile());
        Put(memory, ranking, EmptyRecordFile());
        Put(memory, own + "/.write-test.tmp.0", {});  // a probe a killed start left
        ASSERT_EQ(memory.MakeDirectory("/work"), 0);
        RankingTable table;
        RecordFileStamp stamp;
        LoadRanking(memory, ranking, table, &stamp);

        Turns turns(i, j);
        const int checkSide = checkFirst ? 0 : 1;
        const int saveSide = 1 - checkSide;
        DataDirectoryChoice choice;
        std::string saveError = "not run";
        std::thread check([&] {
          TurnTaking files(memory, turns, checkSide);
          DataDirectoryRequest request;
          request.Working = "/work";
          request.Installed = "/usr/share/games/enclova";
          request.UserDirectory = own;
          choice = ChooseDataDirectory(files, request);
          turns.Finished(checkSide);
        });
        std::thread save([&] {
          // As a ranked round's result saves (app/result.cpp).
          TurnTaking files(memory, turns, saveSide);
          try {
            RankingLock lock(files, ranking);
            RefreshRanking(files, ranking, table, stamp);
            InsertRank(table, 1, 105, 3);
            SaveRanking(files, ranking, table, &stamp, lock.Held());
            saveError.clear();
          } catch (const EInOutError& e) {
            saveError = e.what();
          }
          turns.Finished(saveSide);
        });
        check.join();
        save.join();

        EXPECT_EQ(saveError, "");
        EXPECT_EQ(choice.Directory, own);
        EXPECT_FALSE(choice.InMemory);
        const std::vector<std::uint8_t>* bytes = memory.Contents(ranking);
        ASSERT_NE(bytes, nullptr);
        const auto saved = EncodeRecordFile(table);
        EXPECT_EQ(*bytes, std::vector<std::uint8_t>(saved.begin(), saved.end()));
        std::vector<std::string> names;
        ASSERT_EQ(memory.ListDirectory(own, names), 0);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"fdata.dat", "fdata.dat.lock"}));
        if (HasFailure()) return;
        checkDoneFirst = turns.Operations(0) <= i;
        saveDoneFirst = turns.Operations(1) <= j;
      }
    }
  }
}

// A start-up failure in the player's folder: the box keeps the game's text and shows beneath it
// the file's full path and the cause; in any other directory it shows the game's text alone.
// A notice waits behind the game's box, and answering it answers nothing of the game's.
TEST(OwnFolder, BoxesNameTheFileAndNoticesFollowTheGamesBox) {
  TempDir dir;
  WriteFileBytes(dir.File("fgra.bmp"), ReadFileBytes(kRealSheet));
  ASSERT_EQ(mkdir(dir.File("fdata.dat").c_str(), 0755), 0);  // unreadable as a ranking
  for (const bool own : {false, true}) {
    SCOPED_TRACE(own ? "own folder" : "working directory");
    FakeClock clock;
    PosixFileSystem posix;
    std::vector<std::string> lines;
    GameSession::Services services;
    services.GameClock = &clock;
    services.Files = &posix;
    services.Log = [&lines](const std::string& line) { lines.push_back(line); };
    GameSession::Options options;
    options.DataDirectory = dir.Path();
    options.RecordReplays = false;
    options.DetailInBox = own;
    if (own) options.Notices = {"enclova: told once"};
    GameSession session(services, options);
    session.Start();
    const GameSession::ErrorMessage* box = session.PendingError();
    ASSERT_NE(box, nullptr);
    const std::string cause = dir.File("fdata.dat") + " is not a regular file";
    EXPECT_EQ(box->Detail, "enclova: " + cause);
    EXPECT_EQ(GameSession::BoxText(*box), own ? box->Text + "\n" + cause : box->Text);
    session.AnswerError();
    if (own) {
      box = session.PendingError();
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(GameSession::BoxText(*box), "told once");
      EXPECT_EQ(std::count(lines.begin(), lines.end(), "enclova: told once"), 1);
      session.AnswerError();
    }
    EXPECT_EQ(session.PendingError(), nullptr);
    session.Key(VK_ESCAPE);
    EXPECT_TRUE(session.QuitRequested()) << "the game's box was answered once, and only once";
  }
}

// The English line gets lines of its own beneath the game's text, however short both are.
TEST(OwnFolder, ABoxBreaksItsLinesAtANewline) {
  testing::FakeTypeface face;
  const std::vector<std::string> lines =
      WrapErrorLines(&face, "ファイルが見つかりません.\n/home/p/fdata.dat: gone");
  EXPECT_EQ(lines,
            (std::vector<std::string>{"ファイルが見つかりません.", "/home/p/fdata.dat: gone"}));
  EXPECT_GT(DrawErrorBox(&face, "a\nb\nc").Height, DrawErrorBox(&face, "a b c").Height);
}

}  // namespace
}  // namespace enclova
