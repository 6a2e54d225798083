// SPDX-License-Identifier: MIT
// Playing a recorded round back: the game rebuilt as it stood at the round's start, then every
// recorded handler call in order, with the clock giving back the readings each call made and
// the files failing where they failed. The ranking file lives in memory: playback never
// writes it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/game.h"
#include "base/memory_file_system.h"
#include "base/seams.h"
#include "replay/replay_file.h"

namespace enclova::replay {

// The files a played round sees: an in-memory file system holding the files kept here (the
// ranking file) and everything the round creates or writes, over the real files for the rest,
// which are only ever read (the sprite sheet); and the recorded result of each failed call.
// Every operation counts once towards the active call's index, as it did when recorded.
class SandboxFileSystem : public FileSystem {
 public:
  explicit SandboxFileSystem(FileSystem& real) : real_(real) {}
  std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
  int Open(const std::string& path, OpenFlags flags, unsigned mode) override;
  long Read(int fd, void* buffer, std::size_t size) override;
  long Write(int fd, const void* buffer, std::size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int Stat(const std::string& path, FileInfo& info, bool followLinks) override;
  int Fstat(int fd, FileInfo& info) override;
  int Fchmod(int fd, unsigned mode) override;
  int ReadLink(const std::string& path, std::string& target) override;
  int ListDirectory(const std::string& path, std::vector<std::string>& names) override;
  int LockExclusive(int fd, int milliseconds) override;
  int MakeDirectory(const std::string& path) override;

  // A file kept in memory: `bytes`, or none at all (the real file under the name stays unseen).
  void Put(const std::string& path, std::vector<std::uint8_t> bytes);
  void Remove(const std::string& path);
  const std::vector<std::uint8_t>* Get(const std::string& path) const {
    return memory_.Contents(path);
  }
  // What stat says of a kept file, outside any call; false when there is none.
  bool StatKept(const std::string& path, FileInfo& info);

  // The results of the active call's operations, by their index in the call; operations not
  // named run as usual.
  void StartCall(const std::map<int, long>* results) {
    results_ = results;
    operation_ = 0;
  }

 private:
  struct Handle {
    bool Real = false;  // a real file opened for reading, or one in memory
    int Fd = -1;
  };
  std::optional<long> Injected();
  // Whether `path` is answered from memory: anything there, or a name kept here.
  bool InMemory(const std::string& path) const;
  FileSystem* Owner(int fd, int& inner);  // null for no such descriptor

  FileSystem& real_;
  MemoryFileSystem memory_;
  std::set<std::string> kept_;
  std::map<int, Handle> handles_;
  int nextFd_ = 1000;
  const std::map<int, long>* results_ = nullptr;
  int operation_ = 0;
};

// What a playback found.
struct PlaybackResult {
  std::size_t CallsPlayed = 0;
  bool Complete = false;  // every call was played
  bool PictureMatches = false;
  bool RankingMatches = false;
  // The first call (1-based) after which the game left the recording: its picture hash
  // differed, or it read the clock more or fewer times than recorded. 0 when none did.
  std::size_t FirstDifferentCall = 0;
  std::string Difference;  // what differed there
  std::string SheetNote;   // set when the sprite sheet is not the recorded one
  // A round that left the recording on the way is no match, even if it ends in the same
  // picture: the clock's digits, for one, are gone from the last one.
  bool Matches() const {
    return Complete && PictureMatches && RankingMatches && FirstDifferentCall == 0;
  }
};

class Player {
 public:
  // `real` reads the sprite sheet; `face` may be null (text then draws nothing).
  Player(const Replay& replay, FileSystem& real, const Typeface* face);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Starts the game and puts it where the round began: on the title, with the recorded
  // ranking, level and random source. False with a reason when the game cannot start.
  bool Start(std::string* error);
  // Plays another recorded round on the game already started, as a later round of the same
  // session: start-up is not repeated. `replay` must outlive the playback; false before Start.
  bool Restart(const Replay& replay);

  // True after the last call, or once a call is found outside the round: the first call must
  // start it and none may follow its end. A recorded round holds nothing else, and a file that
  // did (round after round, the title's screens) could ask for any amount of work within the
  // bounds on its calls.
  bool Done() const { return next_ >= replay_->Calls.size() || outsideRound_; }
  const RecordedCall& NextCall() const { return replay_->Calls[next_]; }
  std::size_t CallsPlayed() const { return next_; }
  // Plays the next call. A tick that provably does nothing is passed over when `skipQuiet`.
  void Step(bool skipQuiet = false);
  // Compares the end with the recording (call after the last step).
  PlaybackResult Result();

  TForm1& Form() { return game_->Form; }
  // The ranking file as the played game left it in memory; null when there is none.
  const std::vector<std::uint8_t>* RankingFile() const { return files_.Get(recordPath_); }
  // True once a played key asked the game to end (Escape in the recording).
  bool TerminateRequested() const;
  // The 64-bit hash of the sprite sheet the game started with, as the replay's "sheet" line
  // writes it; empty before Start.
  const std::string& SheetHash() const { return sheetHash_; }
  // The game's own message when Start failed with one (its error box's text).
  const std::string& StartMessage() const { return startMessage_; }

 private:
  class ReplayClock;
  void NoteDifference(const std::string& what);
  void PutAtRoundStart();
  bool TickIsQuiet(const RecordedCall& call);

  const Replay* replay_;
  SandboxFileSystem files_;
  std::unique_ptr<ReplayClock> clock_;
  std::unique_ptr<Game> game_;
  std::size_t next_ = 0;
  std::string recordPath_;
  PlaybackResult result_;
  std::uint64_t hashedChange_ = ~0ull;
  std::string hash_;
  std::string sheetHash_;
  std::string startMessage_;
  bool started_ = false;
  bool outsideRound_ = false;
};

// The whole replay file, read and parsed; nothing with the reason on failure.
std::optional<Replay> LoadReplay(FileSystem& files, const std::string& path, std::string* error);

// One line for standard output about a playback: whether picture and ranking matched, and
// where the game first left the recording.
std::string DescribeResult(const Replay& replay, const PlaybackResult& result);

}  // namespace enclova::replay
