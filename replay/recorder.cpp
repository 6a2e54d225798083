// SPDX-License-Identifier: MIT
// The recorder, its logging seams, and the replay directory.
#include "replay/recorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/civil_time.h"
#include "base/file_io.h"
#include "ranking/clock_digits.h"
#include "replay/digest.h"

namespace enclova::replay {

// ---- The seams the game gets ----

class Recorder::LoggingClock : public Clock {
 public:
  LoggingClock(Clock& inner, Recorder& recorder) : inner_(inner), recorder_(recorder) {}
  std::int32_t CurrentMilliseconds() override {
    const std::int32_t value = inner_.CurrentMilliseconds();
    recorder_.Reading(value);
    return value;
  }
  std::uint32_t UtcMillisecondsOfDay() override { return inner_.UtcMillisecondsOfDay(); }

 private:
  Clock& inner_;
  Recorder& recorder_;
};

class Recorder::LoggingFiles : public FileSystem {
 public:
  LoggingFiles(FileSystem& inner, Recorder& recorder) : inner_(inner), recorder_(recorder) {}
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  int Open(const std::string& path, OpenFlags flags, unsigned mode) override {
    const int fd = inner_.Open(path, flags, mode);
    recorder_.Opened(path, flags, fd);
    return Log(fd);
  }
  long Read(int fd, void* buffer, std::size_t size) override {
    const long n = inner_.Read(fd, buffer, size);
    recorder_.ReadFrom(fd, buffer, n);
    return Log(n);
  }
  long Write(int fd, const void* buffer, std::size_t size) override {
    const long n = inner_.Write(fd, buffer, size);
    recorder_.WroteTo(fd, buffer, n);
    recorder_.FileResult(n, n == static_cast<long>(size));
    return n;
  }
  int Fsync(int fd) override { return Log(inner_.Fsync(fd)); }
  int Close(int fd) override {
    recorder_.Closed(fd);
    return Log(inner_.Close(fd));
  }
  int Rename(const std::string& from, const std::string& to) override {
    const int r = inner_.Rename(from, to);
    recorder_.Renamed(from, to, r);
    return Log(r);
  }
  int Unlink(const std::string& path) override { return Log(inner_.Unlink(path)); }
  int Stat(const std::string& path, FileInfo& info, bool followLinks) override {
    return Log(inner_.Stat(path, info, followLinks));
  }
  int Fstat(int fd, FileInfo& info) override { return Log(inner_.Fstat(fd, info)); }
  int Fchmod(int fd, unsigned mode) override { return Log(inner_.Fchmod(fd, mode)); }
  int ReadLink(const std::string& path, std::string& target) override {
    return Log(inner_.ReadLink(path, target));
  }
  int ListDirectory(const std::string& path, std::vector<std::string>& names) override {
    return Log(inner_.ListDirectory(path, names));
  }
  int LockExclusive(int fd, int milliseconds) override {
    return Log(inner_.LockExclusive(fd, milliseconds));
  }
  int MakeDirectory(const std::string& path) override { return Log(inner_.MakeDirectory(path)); }

 private:
  template <typename T>
  T Log(T result) {
    recorder_.FileResult(result, result >= 0);
    return result;
  }
  FileSystem& inner_;
  Recorder& recorder_;
};

// ---- The recorder ----

namespace {

std::int64_t SystemMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string IsoDate(std::int64_t ms) {
  const CivilTime utc = CivilTimeOf(ms);
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ",
                static_cast<long long>(utc.Year), utc.Month, utc.Day, utc.Hour, utc.Minute,
                utc.Second, utc.Millisecond);
  return text;
}

const Surface* SurfaceOf(const TForm1& form, int index) {
  const Surface* surfaces[kSurfaceCount] = {&form.Canvas, &form.PathLayer, &form.JudgeLayer,
                                            &form.SidePanel, &form.SeparatorStrip};
  return surfaces[index];
}

}  // namespace

Recorder::Recorder(Clock& clock, FileSystem& files, ReplayStore& store, Options options)
    : clock_(clock),
      files_(files),
      store_(store),
      options_(std::move(options)),
      gameClock_(std::make_unique<LoggingClock>(clock, *this)),
      gameFiles_(std::make_unique<LoggingFiles>(files, *this)) {
  if (!options_.WallClock) options_.WallClock = SystemMilliseconds;
  if (!options_.Warn) {
    options_.Warn = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  }
}

Recorder::~Recorder() = default;

Clock& Recorder::GameClock() {
  return *gameClock_;
}
FileSystem& Recorder::GameFiles() {
  return *gameFiles_;
}

void Recorder::Attach(TForm1& form, Application& app) {
  form_ = &form;
  app.SetObserver(this);
}

void Recorder::Reading(std::int32_t value) {
  if (round_ && active_ >= 0)
    round_->Calls[static_cast<std::size_t>(active_)].Readings.push_back(value);
}

void Recorder::FileResult(long result, bool plainSuccess) {
  if (!round_ || active_ < 0) return;
  const int index = fileOperation_++;
  if (!plainSuccess) round_->Calls[static_cast<std::size_t>(active_)].FileResults[index] = result;
}

// The game opens the ranking file during a round only to read it again, once another game has
// saved it: the bytes it reads are what the round is ranked against, and only the recording can
// keep them (the file may change again before the round ends).
void Recorder::Opened(const std::string& path, OpenFlags flags, int fd) {
  if (!round_ || active_ < 0) return;
  if (fd >= 0 && Has(flags, OpenFlags::Write)) writing_[fd] = path;
  if (path != form_->RecordFilePath()) return;
  RecordedCall& call = round_->Calls[static_cast<std::size_t>(active_)];
  if (call.Reread) return;  // the call's first reading of it is the one played back
  call.Reread = RankingReread{fd >= 0, {}};
  rereadFd_ = fd;
}

void Recorder::ReadFrom(int fd, const void* buffer, long result) {
  if (fd < 0 || fd != rereadFd_ || result <= 0 || !round_ || active_ < 0) return;
  std::vector<std::uint8_t>& bytes = round_->Calls[static_cast<std::size_t>(active_)].Reread->Bytes;
  const std::size_t room = kMaxRecordFileBytes - std::min(bytes.size(), kMaxRecordFileBytes);
  const auto* data = static_cast<const std::uint8_t*>(buffer);
  bytes.insert(bytes.end(), data, data + std::min(static_cast<std::size_t>(result), room));
}

void Recorder::Closed(int fd) {
  writing_.erase(fd);
  if (fd < 0 || fd != rereadFd_) return;
  rereadFd_ = -1;
  // What playback puts in the file before this call, whatever the reads brought.
  if (round_ && active_ >= 0)
    ranking_ = round_->Calls[static_cast<std::size_t>(active_)].Reread->Bytes;
}

// A file the round writes is a new file for a rename (the save's temporary): its bytes become
// the ranking's when it is renamed over the ranking file, or over the file its link names.
void Recorder::WroteTo(int fd, const void* buffer, long result) {
  const auto it = writing_.find(fd);
  if (result <= 0 || it == writing_.end() || !round_ || active_ < 0) return;
  std::vector<std::uint8_t>& bytes = written_[it->second];
  const std::size_t room = kMaxRecordFileBytes - std::min(bytes.size(), kMaxRecordFileBytes);
  const auto* data = static_cast<const std::uint8_t*>(buffer);
  bytes.insert(bytes.end(), data, data + std::min(static_cast<std::size_t>(result), room));
}

void Recorder::Renamed(const std::string& from, const std::string& to, int result) {
  if (result < 0 || !round_ || active_ < 0) return;
  const auto it = written_.find(from);
  if (it == written_.end()) return;
  std::string target;
  const std::string& ranking = form_->RecordFilePath();
  if (to == ranking || (FollowLinks(files_, ranking, target) == 0 && to == target)) {
    ranking_ = std::move(it->second);
  }
  written_.erase(it);
}

void Recorder::StartRound() {
  TForm1& f = *form_;
  Replay r;
  r.Recorded = IsoDate(options_.WallClock());
  if (sheetHash_.empty()) sheetHash_ = PictureHash64(f.SpriteSheet);
  r.Sheet = sheetHash_;
  r.Seed = f.RandSeed;
  r.Level = f.Level;
  r.LastRank = f.LastRank;
  const auto table = EncodeRecordFile(f.Ranking);
  r.Table.assign(table.begin(), table.end());
  // The real file, unlogged: reading it is no part of the round.
  WholeFile file = ReadWholeFile(files_, f.RecordFilePath(), kMaxRecordFileBytes);
  if (file.Ok()) {
    r.File = std::move(file.Bytes);
  } else if (file.Result == WholeFile::Outcome::TooLarge) {
    r.File = r.Table;  // too large to keep: played back as the table the game read
  }
  ranking_ = r.File;
  writing_.clear();
  written_.clear();
  for (int i = 0; i < kSurfaceCount; ++i) r.Surfaces[i] = SurfaceState::Of(*SurfaceOf(f, i));
  round_ = std::move(r);
  lastCallTime_ = clock_.CurrentMilliseconds();
}

void Recorder::BeforeCall(const HandlerCall& call) {
  if (form_ == nullptr) return;
  if (!round_ && call.Type == HandlerCall::Key && form_->KeyStartsRound(call.KeyCode)) {
    StartRound();
  }
  if (!round_) return;
  RecordedCall c;
  c.Call = call;
  const std::int32_t now = clock_.CurrentMilliseconds();
  const std::int64_t delay = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                       static_cast<std::uint32_t>(lastCallTime_));
  c.DelayMs = delay > 0 ? static_cast<std::uint32_t>(delay) : 0;
  lastCallTime_ = now;
  round_->Calls.push_back(std::move(c));
  active_ = static_cast<long>(round_->Calls.size()) - 1;
  fileOperation_ = 0;
  rereadFd_ = -1;
}

void Recorder::AfterCall(const HandlerCall&) {
  active_ = -1;
  rereadFd_ = -1;
  if (!round_ || form_ == nullptr) return;
  const std::size_t count = round_->Calls.size();
  if (count % kDigestEvery == 0) {
    // Hashing a picture costs a little; an unchanged one keeps its hash.
    if (form_->Canvas.ChangeCount() != hashedChange_) {
      hash_ = PictureHash64(form_->Canvas);
      hashedChange_ = form_->Canvas.ChangeCount();
    }
    round_->Calls.back().PictureAfter = hash_;
  }
  if (!form_->InRound()) EndRound(form_->Missed == 0 ? "good" : "miss");
}

void Recorder::Finish() {
  if (round_) EndRound("quit");
}

void Recorder::EndRound(const std::string& verdict) {
  Replay r = std::move(*round_);
  round_.reset();
  active_ = -1;
  TForm1& f = *form_;
  r.Verdict = verdict;
  r.TimeScore = TimeScoreOf({f.ClockMinutes, f.ClockTens, f.ClockUnits});
  r.Rank = verdict == "quit" ? kNoRank : f.LastRank;
  r.PictureSha256 = PictureSha256(f.Canvas);
  // The ranking as this round last read or wrote it, which is what playback can rebuild: another
  // game may have saved over it since, and that is no part of this round. No bytes for none.
  const std::vector<std::uint8_t> none;
  const std::vector<std::uint8_t>& ranking = ranking_ ? *ranking_ : none;
  r.RankingSha256 = Sha256Hex(ranking.data(), ranking.size());

  const std::string directory =
      options_.Directory.empty() ? f.DataDirectory + "replays" : options_.Directory;
  const std::string name = ReplayFileName(r);
  std::string error;
  const std::optional<std::string> saved =
      store_.Save(directory, name, WriteReplay(r), options_.Keep, &error);
  if (!saved) {
    options_.Warn("enclova: replay not saved: " + error);
    return;
  }
  lastSaved_ = *saved;
}

// ---- The replay directory ----

namespace {

// Far more rounds than ever end in one millisecond.
constexpr int kMaxNumberedNames = 100;

}  // namespace

std::optional<std::string> FileReplayStore::Save(const std::string& directory,
                                                 const std::string& name, const std::string& text,
                                                 std::size_t keep, std::string* error) {
  auto fail = [&](const std::string& what, int result) -> std::optional<std::string> {
    if (error != nullptr) *error = what + ": " + DescribeFileError(ErrorIn(result));
    return std::nullopt;
  };
  const int made = files_.MakeDirectory(directory);
  if (made < 0 && made != ResultOf(FileError::Exists)) return fail(directory, made);

  // Without the lock another game may be saving here: nothing is removed then, but the replay
  // is still written.
  const FileLock lock(files_, directory + kReplayFolderLockSuffix,
                      kReplayFolderLockWaitMilliseconds);
  std::vector<std::string> names;
  const bool tidy = lock.Held() && files_.ListDirectory(directory, names) == 0;

  ReplaceOptions keepExisting;
  keepExisting.KeepExisting = true;
  std::string written;
  int result = ResultOf(FileError::Exists);
  for (int number = 1; number <= kMaxNumberedNames && result == ResultOf(FileError::Exists);
       ++number) {
    written = number == 1 ? name : NumberedReplayName(name, number);
    result =
        ReplaceWholeFile(files_, directory + "/" + written, text.data(), text.size(), keepExisting);
  }
  if (result < 0) return fail(directory + "/" + written, result);
  if (!tidy) return written;

  // A game that waited for the lock in vain may be writing a temporary even now: only old ones
  // are stale. The file just written tells the time by the same clock as theirs.
  FileInfo now;
  if (files_.Stat(directory + "/" + written, now, false) == 0) {
    const std::int64_t staleBefore =
        now.ModifiedNanoseconds - kStaleTemporarySeconds * 1'000'000'000;
    std::size_t looked = 0;
    for (const std::string& entry : names) {
      if (looked == kRemovalsPerSave) break;
      if (!IsReplayTemporary(entry)) continue;
      ++looked;  // young ones and directories count too: a save looks at a few names only
      const std::string stale = directory + "/" + entry;
      FileInfo info;
      if (files_.Stat(stale, info, false) == 0 && info.Type != FileInfo::Kind::Directory &&
          info.ModifiedNanoseconds < staleBefore) {
        files_.Unlink(stale);
      }
    }
  }
  names.push_back(written);
  for (const std::string& old : ReplaysToPrune(std::move(names), keep, kRemovalsPerSave)) {
    files_.Unlink(directory + "/" + old);
  }
  return written;
}

std::vector<std::string> FileReplayStore::List(const std::string& directory) {
  std::vector<std::string> names;
  if (files_.ListDirectory(directory, names) < 0) names.clear();
  return names;
}

bool FileReplayStore::Remove(const std::string& directory, const std::string& name) {
  return files_.Unlink(directory + "/" + name) == 0;
}

}  // namespace enclova::replay
