// SPDX-License-Identifier: MIT
// Playback of a recorded round, and the in-memory ranking file it uses.
#include "replay/player.h"

#include <algorithm>
#include <cstdio>

#include "base/file_io.h"
#include "ranking/ranking_table.h"
#include "replay/digest.h"
#include "replay/recorder.h"

namespace enclova::replay {

// ---- The sandbox ----

std::optional<long> SandboxFileSystem::Injected() {
  const int index = operation_++;
  if (results_ == nullptr) return std::nullopt;
  const auto it = results_->find(index);
  if (it == results_->end()) return std::nullopt;
  return it->second;
}

void SandboxFileSystem::Put(const std::string& path, std::vector<std::uint8_t> bytes) {
  kept_.insert(path);
  memory_.Put(path, std::move(bytes));
}

void SandboxFileSystem::Remove(const std::string& path) {
  kept_.insert(path);
  memory_.Remove(path);
}

bool SandboxFileSystem::StatKept(const std::string& path, FileInfo& info) {
  return memory_.Stat(path, info, true) == 0;
}

bool SandboxFileSystem::InMemory(const std::string& path) const {
  return kept_.count(path) != 0 || memory_.Holds(path);
}

FileSystem* SandboxFileSystem::Owner(int fd, int& inner) {
  const auto it = handles_.find(fd);
  if (it == handles_.end()) return nullptr;
  inner = it->second.Fd;
  return it->second.Real ? &real_ : static_cast<FileSystem*>(&memory_);
}

int SandboxFileSystem::Open(const std::string& path, OpenFlags flags, unsigned mode) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  // What the round creates or writes, and the files kept here, live in memory; the rest (the
  // sheet) is read from the real files.
  Handle h;
  h.Real = !InMemory(path) && !Has(flags, OpenFlags::Write) && !Has(flags, OpenFlags::Create);
  h.Fd = h.Real ? real_.Open(path, flags, mode) : memory_.Open(path, flags, mode);
  if (h.Fd < 0) return h.Fd;
  const int fd = nextFd_++;
  handles_[fd] = h;
  return fd;
}

long SandboxFileSystem::Read(int fd, void* buffer, std::size_t size) {
  if (const auto r = Injected(); r && *r < 0) return *r;
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  return owner != nullptr ? owner->Read(inner, buffer, size) : ResultOf(FileError::BadDescriptor);
}

long SandboxFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  const auto injected = Injected();
  if (injected && *injected < 0) return *injected;
  if (injected) size = std::min(size, static_cast<std::size_t>(*injected));  // a short write
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  if (owner != &memory_) return ResultOf(FileError::BadDescriptor);  // real files are only read
  return memory_.Write(inner, buffer, size);
}

int SandboxFileSystem::Fsync(int fd) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  if (owner == nullptr) return ResultOf(FileError::BadDescriptor);
  return owner == &memory_ ? memory_.Fsync(inner) : 0;
}

int SandboxFileSystem::Close(int fd) {
  const auto injected = Injected();
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  if (owner == nullptr) return ResultOf(FileError::BadDescriptor);
  const int closed = owner->Close(inner);
  handles_.erase(fd);  // gone either way, as with close(2)
  return injected && *injected < 0 ? static_cast<int>(*injected) : closed;
}

int SandboxFileSystem::Rename(const std::string& from, const std::string& to) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return memory_.Rename(from, to);
}

int SandboxFileSystem::Unlink(const std::string& path) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return memory_.Unlink(path);
}

int SandboxFileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return InMemory(path) ? memory_.Stat(path, info, followLinks)
                        : real_.Stat(path, info, followLinks);
}

int SandboxFileSystem::Fstat(int fd, FileInfo& info) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  return owner != nullptr ? owner->Fstat(inner, info) : ResultOf(FileError::BadDescriptor);
}

int SandboxFileSystem::Fchmod(int fd, unsigned mode) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  if (owner == nullptr) return ResultOf(FileError::BadDescriptor);
  return owner == &memory_ ? memory_.Fchmod(inner, mode) : 0;
}

int SandboxFileSystem::ReadLink(const std::string& path, std::string& target) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return InMemory(path) ? memory_.ReadLink(path, target) : real_.ReadLink(path, target);
}

// Only what the round has in memory is listed: a directory it has nothing in lists empty, so the
// real files beside the sheet never change what a save does.
int SandboxFileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  names.clear();
  return InMemory(path) ? memory_.ListDirectory(path, names) : 0;
}

int SandboxFileSystem::LockExclusive(int fd, int milliseconds) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  int inner = -1;
  FileSystem* owner = Owner(fd, inner);
  if (owner == nullptr) return ResultOf(FileError::BadDescriptor);
  return owner == &memory_ ? memory_.LockExclusive(inner, milliseconds) : 0;
}

int SandboxFileSystem::MakeDirectory(const std::string& path) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return memory_.MakeDirectory(path);
}

// ---- The clock and host of the played game ----

// Gives each call the readings it made when it was recorded. Outside a call (the quiet-tick
// question) it answers the moment it is told.
class Player::ReplayClock : public Clock {
 public:
  explicit ReplayClock(Player& player) : player_(player) {}
  std::int32_t CurrentMilliseconds() override {
    if (readings_ == nullptr) return now_;
    if (next_ < readings_->size()) {
      now_ = (*readings_)[next_++];
    } else {
      ++extra_;
    }
    return now_;
  }
  std::uint32_t UtcMillisecondsOfDay() override { return 0; }  // the seed is fixed

  void StartCall(const std::vector<std::int32_t>* readings) {
    readings_ = readings;
    next_ = 0;
    extra_ = 0;
  }
  // What the call read against what it recorded.
  void EndCall() {
    if (readings_ != nullptr && (extra_ > 0 || next_ < readings_->size())) {
      player_.NoteDifference("the game read the clock " + std::to_string(next_ + extra_) +
                             " times, recorded " + std::to_string(readings_->size()));
    }
    readings_ = nullptr;
  }
  void Set(std::int32_t now) { now_ = now; }

 private:
  Player& player_;
  const std::vector<std::int32_t>* readings_ = nullptr;
  std::size_t next_ = 0;
  std::size_t extra_ = 0;
  std::int32_t now_ = 0;
};

// ---- The player ----

Player::Player(const Replay& replay, FileSystem& real, const Typeface* face)
    : replay_(&replay),
      files_(real),
      clock_(std::make_unique<ReplayClock>(*this)),
      // Errors have gone to standard error; playback never waits for an answer.
      game_(std::make_unique<Game>(*clock_, files_, face)) {}

Player::~Player() = default;

bool Player::TerminateRequested() const {
  return game_->QuitRequested();
}

bool Player::Start(std::string* error) {
  // The game looks for its files where the process stands, as it did when it recorded.
  recordPath_ = DataDirectoryOf(files_.CurrentDirectory()) + "fdata.dat";
  files_.Put(recordPath_, replay_->Table);

  game_->Form.FixSeed(replay_->Seed);
  std::string message;
  try {
    game_->Form.FormCreate();
  } catch (const std::exception& e) {
    message = e.what();
  }
  startMessage_ = message;
  if (!game_->Form.StartupComplete() || game_->Form.RecordFilePath() != recordPath_) {
    if (error != nullptr) {
      *error = "the game cannot start with the files in " + files_.CurrentDirectory() + " (" +
               (message.empty() ? "no data files" : message) + ")";
    }
    return false;
  }
  sheetHash_ = PictureHash64(game_->Form.SpriteSheet);
  started_ = true;
  PutAtRoundStart();
  return true;
}

bool Player::Restart(const Replay& replay) {
  if (!started_) return false;
  replay_ = &replay;
  next_ = 0;
  outsideRound_ = false;
  result_ = {};
  game_->Host.TerminateRequests = 0;
  PutAtRoundStart();
  return true;
}

void Player::PutAtRoundStart() {
  // The round's start: the ranking in the game and on disk, the level, the random source, and
  // the drawing state each surface carried in from earlier rounds. Nothing else a round reads
  // outlives the round before it: the board set-up starts everything else afresh.
  DecodeRecordFile(replay_->Table.data(), replay_->Table.size(), game_->Form.Ranking);
  if (replay_->File) {
    files_.Put(recordPath_, *replay_->File);
  } else {
    files_.Remove(recordPath_);
  }
  // The game has seen that file, as when the round was recorded: only what the round itself
  // changes is read again.
  FileInfo kept;
  const RecordFileStamp seen =
      files_.StatKept(recordPath_, kept) ? StampOf(kept) : RecordFileStamp{};
  game_->Form.PutOnTitle(replay_->Level, replay_->LastRank, replay_->Seed, seen);
  Surface* surfaces[kSurfaceCount] = {&game_->Form.Canvas, &game_->Form.PathLayer,
                                      &game_->Form.JudgeLayer, &game_->Form.SidePanel,
                                      &game_->Form.SeparatorStrip};
  for (int i = 0; i < kSurfaceCount; ++i) replay_->Surfaces[i].ApplyTo(*surfaces[i]);
  hashedChange_ = ~0ull;
  if (sheetHash_ != replay_->Sheet) {
    result_.SheetNote = "the sprite sheet here is not the one the round was recorded with";
  }
}

void Player::NoteDifference(const std::string& what) {
  if (result_.FirstDifferentCall != 0) return;
  result_.FirstDifferentCall = next_ + 1;
  const RecordedCall& c = replay_->Calls[next_];
  result_.Difference = what + " (line " + std::to_string(c.Line) + ")";
}

bool Player::TickIsQuiet(const RecordedCall& call) {
  // A tick between two stages only recomputes ElapsedTime from its one reading; the game's own
  // promise says whether that reading is still before the next stage.
  if (call.Call.Type != HandlerCall::Tick || call.Readings.size() != 1 ||
      !call.FileResults.empty() || call.Reread) {
    return false;
  }
  clock_->Set(call.Readings[0]);
  return game_->Form.PassQuietTick();
}

void Player::Step(bool skipQuiet) {
  if (Done()) return;
  const RecordedCall& c = replay_->Calls[next_];
  TForm1& form = game_->Form;
  const bool inRound = next_ == 0
                           ? c.Call.Type == HandlerCall::Key && form.KeyStartsRound(c.Call.KeyCode)
                           : form.InRound();
  if (!inRound) {
    NoteDifference(next_ == 0 ? "the first call does not start a round"
                              : "the round is over, yet the file goes on");
    outsideRound_ = true;
    return;
  }
  if (!(skipQuiet && TickIsQuiet(c))) {
    if (c.Reread) {
      // Another game saved the ranking during the recorded round: it changes here, with a new
      // stamp, so that the game reads it again and ranks against what it read then. A file the
      // game could not open keeps its bytes (the open fails as recorded).
      const std::vector<std::uint8_t>* now = files_.Get(recordPath_);
      files_.Put(recordPath_, c.Reread->Opened ? c.Reread->Bytes
                              : now != nullptr ? *now
                                               : std::vector<std::uint8_t>{});
    }
    clock_->StartCall(&c.Readings);
    files_.StartCall(&c.FileResults);
    switch (c.Call.Type) {
      case HandlerCall::Key:
        game_->Key(c.Call.KeyCode);
        break;
      case HandlerCall::Tick:
        game_->Tick();
        break;
      case HandlerCall::Paint:
        game_->Paint(TRect{c.Call.X, c.Call.Y, c.Call.X + c.Call.Width, c.Call.Y + c.Call.Height});
        break;
    }
    clock_->EndCall();
    files_.StartCall(nullptr);
  }
  if (c.PictureAfter) {
    if (game_->Form.Canvas.ChangeCount() != hashedChange_) {
      hash_ = PictureHash64(game_->Form.Canvas);
      hashedChange_ = game_->Form.Canvas.ChangeCount();
    }
    if (hash_ != *c.PictureAfter) {
      // The recording holds a picture every kDigestEvery calls: one of those since the last
      // checked picture drew differently.
      const std::size_t from = next_ + 1 > kDigestEvery ? next_ + 2 - kDigestEvery : 1;
      NoteDifference("the picture is not the recorded one; it went astray in calls " +
                     std::to_string(from) + " to " + std::to_string(next_ + 1));
    }
  }
  ++next_;
}

PlaybackResult Player::Result() {
  PlaybackResult r = result_;
  r.CallsPlayed = next_;
  r.Complete = next_ >= replay_->Calls.size();
  r.PictureMatches = PictureSha256(game_->Form.Canvas) == replay_->PictureSha256;
  const std::vector<std::uint8_t>* file = files_.Get(recordPath_);
  const std::string ranking =
      file != nullptr ? Sha256Hex(file->data(), file->size()) : Sha256Hex("", 0);
  r.RankingMatches = ranking == replay_->RankingSha256;
  return r;
}

std::optional<Replay> LoadReplay(FileSystem& files, const std::string& path, std::string* error) {
  const WholeFile file = ReadWholeFile(files, path, kMaxFileBytes);
  std::string why;
  switch (file.Result) {
    case WholeFile::Outcome::Read:
      break;
    case WholeFile::Outcome::NotAFile:
      why = "not a regular file";
      break;
    case WholeFile::Outcome::TooLarge:
      why = "too large for a replay (more than " + std::to_string(kMaxFileBytes) + " bytes)";
      break;
    case WholeFile::Outcome::Failed:
      why = file.Error == FileError::NotFound
                ? "not found"
                : "cannot be read (" + DescribeFileError(file.Error) + ")";
      break;
  }
  if (!file.Ok()) {
    if (error != nullptr) *error = why;
    return std::nullopt;
  }
  const std::string_view text(reinterpret_cast<const char*>(file.Bytes.data()), file.Bytes.size());
  return ParseReplay(text, error);
}

std::string DescribeResult(const Replay& replay, const PlaybackResult& r) {
  std::string line;
  if (!r.Complete) {
    line = "stopped after call " + std::to_string(r.CallsPlayed) + " of " +
           std::to_string(replay.Calls.size()) + "; nothing compared";
  } else if (r.Matches()) {
    line = "match: picture and ranking as recorded (" + std::to_string(replay.Calls.size()) +
           " calls)";
  } else {
    line = std::string("MISMATCH: picture ") + (r.PictureMatches ? "matches" : "differs") +
           ", ranking " + (r.RankingMatches ? "matches" : "differs");
  }
  if (r.FirstDifferentCall != 0) {
    const RecordedCall& c = replay.Calls[r.FirstDifferentCall - 1];
    const char* kind = c.Call.Type == HandlerCall::Key    ? "key"
                       : c.Call.Type == HandlerCall::Tick ? "tick"
                                                          : "paint";
    line += "; first differs after call " + std::to_string(r.FirstDifferentCall) + " (" + kind +
            "): " + r.Difference;
  }
  if (!r.SheetNote.empty()) line += "; " + r.SheetNote;
  return line;
}

}  // namespace enclova::replay
