// SPDX-License-Identifier: MIT
// The recorder, its logging seams, and the replay directory on disk.
#include "replay/recorder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

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
  int Open(const std::string& path, int flags, int mode) override {
    return Log(inner_.Open(path, flags, mode));
  }
  long Read(int fd, void* buffer, std::size_t size) override {
    return Log(inner_.Read(fd, buffer, size));
  }
  long Write(int fd, const void* buffer, std::size_t size) override {
    const long n = inner_.Write(fd, buffer, size);
    recorder_.FileResult(n, n == static_cast<long>(size));
    return n;
  }
  int Fsync(int fd) override { return Log(inner_.Fsync(fd)); }
  int Close(int fd) override { return Log(inner_.Close(fd)); }
  int Rename(const std::string& from, const std::string& to) override {
    return Log(inner_.Rename(from, to));
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
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms % 1000));
  return text;
}

const Surface* SurfaceOf(const TForm1& form, int index) {
  const Surface* surfaces[kSurfaceCount] = {&form.Canvas, &form.PathLayer, &form.JudgeLayer,
                                            &form.SidePanel, &form.SeparatorStrip};
  return surfaces[index];
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(FileSystem& files, const std::string& path,
                                                       std::size_t limit) {
  const int fd = files.Open(path, O_RDONLY, 0);
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (;;) {
    const long n = files.Read(fd, chunk, sizeof chunk);
    if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > limit) {
      files.Close(fd);
      if (n >= 0) bytes.insert(bytes.end(), chunk, chunk + n);  // longer than `limit`
      return n < 0 ? std::nullopt : std::optional(std::move(bytes));
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  files.Close(fd);
  return bytes;
}

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
  auto file = ReadWholeFile(files_, f.RecordFilePath(), kMaxRecordFileBytes);
  if (file && file->size() <= kMaxRecordFileBytes) {
    r.File = std::move(file);
  } else if (file) {
    r.File = r.Table;  // too large to keep: played back as the table the game read
  }
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
}

void Recorder::AfterCall(const HandlerCall&) {
  active_ = -1;
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
  const auto file = ReadWholeFile(files_, f.RecordFilePath(), 1 << 20);
  r.RankingSha256 = file ? Sha256Hex(file->data(), file->size()) : Sha256Hex("", 0);

  const std::string directory =
      options_.Directory.empty() ? f.DataDirectory + "replays" : options_.Directory;
  const std::string name = ReplayFileName(r);
  std::string error;
  if (!store_.Save(directory, name, WriteReplay(r), &error)) {
    options_.Warn("enclova: replay not saved: " + error);
    return;
  }
  lastSaved_ = name;
  for (const std::string& old : ReplaysToPrune(store_.List(directory), options_.Keep)) {
    store_.Remove(directory, old);
  }
}

// ---- The replay directory on disk ----

bool PosixReplayStore::Save(const std::string& directory, const std::string& name,
                            const std::string& text, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error != nullptr) *error = what + ": " + std::strerror(errno);
    return false;
  };
  if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) return fail(directory);
  const std::string path = directory + "/" + name;
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return fail(temporary);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      const int saved = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      errno = saved;
      return fail(temporary);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return fail(path);
  }
  return true;
}

std::vector<std::string> PosixReplayStore::List(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

bool PosixReplayStore::Remove(const std::string& directory, const std::string& name) {
  return ::unlink((directory + "/" + name).c_str()) == 0;
}

}  // namespace enclova::replay
