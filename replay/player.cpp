// SPDX-License-Identifier: MIT
// Playback of a recorded round, and the in-memory ranking file it uses.
#include "replay/player.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

const std::vector<std::uint8_t>* SandboxFileSystem::Get(const std::string& path) const {
  const auto it = files_.find(path);
  return it == files_.end() ? nullptr : &it->second;
}

int SandboxFileSystem::Open(const std::string& path, int flags, int mode) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  Handle h;
  h.Path = path;
  if (flags & O_DIRECTORY) {
    h.Directory = true;
  } else if (files_.count(path) != 0 || (flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0) {
    if (files_.count(path) == 0 && (flags & O_CREAT) == 0) return -ENOENT;
    if ((flags & O_TRUNC) != 0 || files_.count(path) == 0) files_[path].clear();
  } else {
    h.RealFd = real_.Open(path, O_RDONLY, mode);
    if (h.RealFd < 0) return h.RealFd;
  }
  const int fd = nextFd_++;
  handles_[fd] = std::move(h);
  return fd;
}

long SandboxFileSystem::Read(int fd, void* buffer, std::size_t size) {
  if (const auto r = Injected(); r && *r < 0) return *r;
  const auto it = handles_.find(fd);
  if (it == handles_.end() || it->second.Directory) return -EBADF;
  Handle& h = it->second;
  if (h.RealFd >= 0) return real_.Read(h.RealFd, buffer, size);
  const std::vector<std::uint8_t>& bytes = files_[h.Path];
  const std::size_t n = h.Position < bytes.size() ? std::min(size, bytes.size() - h.Position) : 0;
  if (n > 0) std::memcpy(buffer, bytes.data() + h.Position, n);
  h.Position += n;
  return static_cast<long>(n);
}

long SandboxFileSystem::Write(int fd, const void* buffer, std::size_t size) {
  const auto injected = Injected();
  if (injected && *injected < 0) return *injected;
  if (injected) size = std::min(size, static_cast<std::size_t>(*injected));  // a short write
  const auto it = handles_.find(fd);
  if (it == handles_.end() || it->second.Directory || it->second.RealFd >= 0) return -EBADF;
  Handle& h = it->second;
  std::vector<std::uint8_t>& bytes = files_[h.Path];
  if (bytes.size() < h.Position + size) bytes.resize(h.Position + size);
  if (size > 0) std::memcpy(bytes.data() + h.Position, buffer, size);
  h.Position += size;
  ++versions_[h.Path];
  return static_cast<long>(size);
}

int SandboxFileSystem::Fsync(int fd) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return handles_.count(fd) != 0 ? 0 : -EBADF;
}

int SandboxFileSystem::Close(int fd) {
  const auto injected = Injected();
  const auto it = handles_.find(fd);
  if (it == handles_.end()) return -EBADF;
  if (it->second.RealFd >= 0) real_.Close(it->second.RealFd);
  handles_.erase(it);  // gone either way, as with close(2)
  return injected && *injected < 0 ? static_cast<int>(*injected) : 0;
}

int SandboxFileSystem::Rename(const std::string& from, const std::string& to) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  const auto it = files_.find(from);
  if (it == files_.end()) return -ENOENT;
  std::vector<std::uint8_t> bytes = std::move(it->second);
  files_.erase(it);
  files_[to] = std::move(bytes);
  versions_[to] = ++versions_[from];
  versions_.erase(from);
  return 0;
}

int SandboxFileSystem::Unlink(const std::string& path) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return files_.erase(path) != 0 ? 0 : -ENOENT;
}

FileInfo SandboxFileSystem::InfoOf(const std::string& path) const {
  FileInfo info;
  info.Type = FileInfo::Kind::Regular;
  info.Mode = 0644;
  info.Size = static_cast<std::int64_t>(files_.at(path).size());
  info.Device = 1;
  info.Inode = std::hash<std::string>{}(path);
  const auto version = versions_.find(path);
  info.ModifiedNanoseconds = version != versions_.end() ? version->second : 0;
  info.ChangedNanoseconds = info.ModifiedNanoseconds;
  return info;
}

// The kept files answer from memory; everything else (the sheet, the directory) is the real one.
int SandboxFileSystem::Stat(const std::string& path, FileInfo& info, bool followLinks) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  if (files_.count(path) != 0) {
    info = InfoOf(path);
    return 0;
  }
  // The ranking's lock file and temporaries exist only while a save runs.
  return real_.Stat(path, info, followLinks);
}

int SandboxFileSystem::Fstat(int fd, FileInfo& info) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  const auto it = handles_.find(fd);
  if (it == handles_.end()) return -EBADF;
  if (it->second.RealFd >= 0) return real_.Fstat(it->second.RealFd, info);
  if (it->second.Directory) {
    info = FileInfo{};
    info.Type = FileInfo::Kind::Directory;
    info.Mode = 0755;
    return 0;
  }
  info = InfoOf(it->second.Path);
  return 0;
}

int SandboxFileSystem::Fchmod(int fd, unsigned /*mode*/) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return handles_.count(fd) != 0 ? 0 : -EBADF;
}

int SandboxFileSystem::ReadLink(const std::string& path, std::string& target) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  if (files_.count(path) != 0) return -EINVAL;  // a kept file is never a link
  return real_.ReadLink(path, target);
}

int SandboxFileSystem::ListDirectory(const std::string& path, std::vector<std::string>& names) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  names.clear();
  const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
  for (const auto& [name, bytes] : files_) {
    if (name.compare(0, prefix.size(), prefix) == 0 &&
        name.find('/', prefix.size()) == std::string::npos) {
      names.push_back(name.substr(prefix.size()));
    }
  }
  return 0;
}

int SandboxFileSystem::LockExclusive(int fd, int /*milliseconds*/) {
  if (const auto r = Injected(); r && *r < 0) return static_cast<int>(*r);
  return handles_.count(fd) != 0 ? 0 : -EBADF;
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
  if (!game_->Form.StartupComplete() || game_->Form.RecordFilePath() != recordPath_) {
    if (error != nullptr) {
      *error = "the game cannot start here (" + (message.empty() ? "no data files" : message) +
               "); run it where fgra.bmp is";
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
  game_->Form.PutOnTitle(replay_->Level, replay_->LastRank, replay_->Seed);
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
      !call.FileResults.empty()) {
    return false;
  }
  clock_->Set(call.Readings[0]);
  return game_->Form.PassQuietTick();
}

void Player::Step(bool skipQuiet) {
  if (Done()) return;
  const RecordedCall& c = replay_->Calls[next_];
  if (!(skipQuiet && TickIsQuiet(c))) {
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
  r.Complete = Done();
  r.PictureMatches = PictureSha256(game_->Form.Canvas) == replay_->PictureSha256;
  const std::vector<std::uint8_t>* file = files_.Get(recordPath_);
  const std::string ranking =
      file != nullptr ? Sha256Hex(file->data(), file->size()) : Sha256Hex("", 0);
  r.RankingMatches = ranking == replay_->RankingSha256;
  return r;
}

std::optional<Replay> LoadReplay(FileSystem& files, const std::string& path, std::string* error) {
  const auto bytes = ReadWholeFile(files, path, kMaxFileBytes);
  if (!bytes) {
    if (error != nullptr) *error = "cannot be read";
    return std::nullopt;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  if (text.size() > kMaxFileBytes) {
    if (error != nullptr)
      *error = "too large for a replay (more than " + std::to_string(kMaxFileBytes) + " bytes)";
    return std::nullopt;
  }
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
