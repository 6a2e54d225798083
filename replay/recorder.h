// SPDX-License-Identifier: MIT
// Recording every round: the handler calls, the clock readings each call made, the file
// operations that failed, and the ranking file as a call read it again when another game had
// saved it, from the Z that starts a round on the title to the end of its result.
//
// Use: build a Recorder on the real clock and files, give the game its Clock() and Files(),
// Attach() it to the game and its Application, and call Finish() when the event loop is over
// (a round still running is then kept as "quit"). Nothing here ever disturbs the game: a
// replay that cannot be written costs one line on standard error.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "base/seams.h"
#include "replay/replay_file.h"

namespace enclova::replay {

// At most this many old replays, and as many temporaries of killed saves, are removed at each
// save: the round's end never waits on a folder of thousands, which empties over later rounds.
constexpr std::size_t kRemovalsPerSave = 8;
// How long a save waits for another game's save to the same folder before it goes on without
// the folder's lock (then it removes nothing): the round's end waits with it.
constexpr int kReplayFolderLockWaitMilliseconds = 200;
// A temporary file of the replay folder is stale once it is this much older than the replay
// just written: a save writes its temporary within a second, and one that did not get the lock
// in time (see below) may be writing one still.
constexpr std::int64_t kStaleTemporarySeconds = 600;
// The lock's file is beside the folder, named as the folder with this added, as the ranking
// file's is beside it.
inline constexpr const char* kReplayFolderLockSuffix = ".lock";

// Where replays are kept: a directory of small files.
class ReplayStore {
 public:
  virtual ~ReplayStore() = default;
  // Writes `text` into `directory`, creating it when it is missing, under `name` or, when
  // anything holds that name, under the first free NumberedReplayName(name, 2, 3, ...): never
  // over another file, whatever else saves there at the same time, and so that the file is
  // either whole or absent. Then tidies the folder a little: at most kRemovalsPerSave of the
  // replays ReplaysToPrune names with `keep`. The name written, or nothing with the reason in
  // `error`.
  virtual std::optional<std::string> Save(const std::string& directory, const std::string& name,
                                          const std::string& text, std::size_t keep,
                                          std::string* error) = 0;
  // The names in `directory`; empty when it cannot be read.
  virtual std::vector<std::string> List(const std::string& directory) = 0;
  virtual bool Remove(const std::string& directory, const std::string& name) = 0;
};

// Replays as files in a directory of a FileSystem (the process's own for the game): a save
// makes the directory when it is missing (not its parents) and writes the file whole
// (ReplaceWholeFile, keeping what exists), so a replay is never seen half written and nothing
// planted under its temporary name is written through. Other games save to the same folder: the
// save and the tidying happen under an exclusive lock of the folder (kReplayFolderLockSuffix),
// and a save removes the temporaries that killed saves left (IsReplayTemporary, older than
// kStaleTemporarySeconds: a link there is removed, not its target, and a directory stays). A
// save that waited for the lock in vain writes its replay all the same, and removes nothing.
// Beyond one listing of the folder, a save costs the same however many files it holds.
class FileReplayStore : public ReplayStore {
 public:
  explicit FileReplayStore(FileSystem& files) : files_(files) {}
  std::optional<std::string> Save(const std::string& directory, const std::string& name,
                                  const std::string& text, std::size_t keep,
                                  std::string* error) override;
  std::vector<std::string> List(const std::string& directory) override;
  bool Remove(const std::string& directory, const std::string& name) override;

 private:
  FileSystem& files_;
};

class Recorder : public HandlerObserver {
 public:
  struct Options {
    // The directory for replays; empty: "replays" in the game's data directory.
    std::string Directory;
    // Milliseconds since 1970 UTC, for the date in the file and its name.
    std::function<std::int64_t()> WallClock;
    // Where the one line about a replay that was not saved goes (standard error by default).
    std::function<void(const std::string&)> Warn;
    std::size_t Keep = 50;  // unranked rounds kept besides the ranked ones
  };

  Recorder(Clock& clock, FileSystem& files, ReplayStore& store, Options options);
  Recorder(Clock& clock, FileSystem& files, ReplayStore& store)
      : Recorder(clock, files, store, Options{}) {}
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // The seams to give the game: they pass everything on, and log what a round's calls do.
  Clock& GameClock();
  FileSystem& GameFiles();

  void Attach(TForm1& form, Application& app);
  // Ends a round that is still running (the game was closed during it) and writes it.
  void Finish();

  // The name of the last replay written, "" before the first.
  const std::string& LastSaved() const { return lastSaved_; }

  void BeforeCall(const HandlerCall& call) override;
  void AfterCall(const HandlerCall& call) override;

  // Called by the logging seams.
  void Reading(std::int32_t value);
  void FileResult(long result, bool plainSuccess);
  void Opened(const std::string& path, OpenFlags flags, int fd);
  void ReadFrom(int fd, const void* buffer, long result);
  void WroteTo(int fd, const void* buffer, long result);
  void Renamed(const std::string& from, const std::string& to, int result);
  void Closed(int fd);

 private:
  void StartRound();
  void EndRound(const std::string& verdict);

  class LoggingClock;
  class LoggingFiles;

  Clock& clock_;
  FileSystem& files_;
  ReplayStore& store_;
  Options options_;
  std::unique_ptr<LoggingClock> gameClock_;
  std::unique_ptr<LoggingFiles> gameFiles_;
  TForm1* form_ = nullptr;
  std::optional<Replay> round_;
  long active_ = -1;       // the call being made, index into round_->Calls
  int fileOperation_ = 0;  // operations of the active call so far
  int rereadFd_ = -1;      // the ranking file, opened again by the active call
  // The ranking file as the round last read it or wrote it (none: there was none).
  std::optional<std::vector<std::uint8_t>> ranking_;
  std::map<int, std::string> writing_;                        // descriptors the round writes to
  std::map<std::string, std::vector<std::uint8_t>> written_;  // what it wrote, by file
  std::int32_t lastCallTime_ = 0;
  std::uint64_t hashedChange_ = ~0ull;
  std::string hash_;
  std::string sheetHash_;
  std::string lastSaved_;
};

}  // namespace enclova::replay
