// SPDX-License-Identifier: MIT
// A submitted round proven by playing it back headless.
#include "frontend/ranked_round.h"

#include <chrono>
#include <memory>
#include <optional>

#include "app/game_typeface.h"
#include "base/memory_file_system.h"
#include "ranking/clock_digits.h"
#include "replay/digest.h"
#include "replay/player.h"
#include "replay/replay_file.h"

namespace enclova {

std::string Sha256Of(std::string_view bytes) {
  return replay::Sha256Hex(bytes.data(), bytes.size());
}

namespace {

RankedRound Refused(RankedRound::Outcome outcome, std::string detail) {
  RankedRound r;
  r.Result = outcome;
  r.Detail = std::move(detail);
  return r;
}

bool IsDigits(std::string_view s) {
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return !s.empty();
}

// "YYYY-MM-DD" of a recorded time, when it names a day of the Gregorian calendar.
std::optional<std::string> DayOf(const std::string& recorded) {
  const std::string_view s(recorded);
  if (s.size() < 10 || s[4] != '-' || s[7] != '-' || !IsDigits(s.substr(0, 4)) ||
      !IsDigits(s.substr(5, 2)) || !IsDigits(s.substr(8, 2))) {
    return std::nullopt;
  }
  const int year = std::stoi(std::string(s.substr(0, 4)));
  const int month = std::stoi(std::string(s.substr(5, 2)));
  const int day = std::stoi(std::string(s.substr(8, 2)));
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 2000 || month < 1 || month > 12 || day < 1 ||
      day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
    return std::nullopt;
  }
  return std::string(s.substr(0, 10));
}

// What the round was played from and what it did: the seed, the level and the calls. The date
// and the local ranking it started beside do not change the play.
std::string RoundDigest(std::string_view file) {
  replay::Sha256 digest;
  bool inCalls = false;
  std::size_t start = 0;
  while (start < file.size()) {
    std::size_t end = file.find('\n', start);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view line = file.substr(start, end - start);
    start = end + 1;
    if (line.rfind("end ", 0) == 0) break;
    if (inCalls || line.rfind("seed ", 0) == 0 || line.rfind("level ", 0) == 0) {
      digest.Update(line.data(), line.size());
      digest.Update("\n", 1);
    }
    if (line == "calls") inCalls = true;
  }
  const auto bytes = digest.Final();
  return replay::Hex(bytes.data(), bytes.size());
}

}  // namespace

// A started game, its files and the replay it plays.
struct RoundProver::Game {
  MemoryFileSystem Files;
  std::unique_ptr<Typeface> Face;
  std::unique_ptr<replay::Replay> Replay;
  std::unique_ptr<replay::Player> Player;
};

RoundProver::RoundProver(std::vector<std::uint8_t> sheet) : sheet_(std::move(sheet)) {}
RoundProver::~RoundProver() = default;

RankedRound RoundProver::Prove(std::string_view file, int workMilliseconds) {
  using Outcome = RankedRound::Outcome;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(workMilliseconds);
  if (file.size() > replay::kMaxFileBytes) {
    return Refused(Outcome::Malformed, "larger than any replay");
  }
  std::string error;
  std::optional<replay::Replay> parsed = replay::ParseReplay(file, &error);
  if (!parsed) return Refused(Outcome::Malformed, error);
  if (parsed->Calls.size() < 2) return Refused(Outcome::DoesNotMatch, "no round is played");
  const std::optional<std::string> day = DayOf(parsed->Recorded);
  if (!day) return Refused(Outcome::Malformed, "the recorded date is no day");

  std::unique_ptr<Game> game;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!idle_.empty()) {
      game = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  if (game) {
    std::unique_ptr<replay::Replay> before = std::move(game->Replay);
    game->Replay = std::make_unique<replay::Replay>(std::move(*parsed));
    game->Player->Restart(*game->Replay);
  } else {
    game = std::make_unique<Game>();
    game->Files.MakeDirectory("/data");
    game->Files.ChangeDirectory("/data");
    game->Files.Put("/data/fgra.bmp", sheet_);
    game->Face = OpenGameTypeface();
    game->Replay = std::make_unique<replay::Replay>(std::move(*parsed));
    game->Player = std::make_unique<replay::Player>(*game->Replay, game->Files, game->Face.get());
    if (!game->Player->Start(&error)) return Refused(Outcome::DoesNotMatch, error);
  }
  const replay::Replay* replay = game->Replay.get();
  replay::Player& player = *game->Player;

  // The recorder writes from the key that starts a round to the call that ends it (or to the
  // game's end, for a round quit), so the game is in the round after every call but the last.
  while (!player.Done()) {
    player.Step(true);
    if (!player.Done() && !player.Form().InRound()) {
      return Refused(Outcome::DoesNotMatch, "the round ended at call " +
                                                std::to_string(player.CallsPlayed()) + " of " +
                                                std::to_string(replay->Calls.size()));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      return Refused(Outcome::TooMuchWork,
                     "playback ran past " + std::to_string(workMilliseconds) + " ms");
    }
  }
  const replay::PlaybackResult result = player.Result();
  if (!result.Matches()) {
    return Refused(Outcome::DoesNotMatch, replay::DescribeResult(*replay, result));
  }
  if (!result.SheetNote.empty()) return Refused(Outcome::DoesNotMatch, result.SheetNote);
  // The digests cover the picture and the ranking file; the verdict and the time are the file's
  // own words, so they are compared with the game's.
  const TForm1& form = player.Form();
  const std::string verdict = form.InRound() ? "quit" : form.Missed == 0 ? "good" : "miss";
  const std::int32_t time = TimeScoreOf({form.ClockMinutes, form.ClockTens, form.ClockUnits});
  if (replay->Verdict != verdict || replay->TimeScore != time || form.Level != replay->Level) {
    return Refused(Outcome::DoesNotMatch, "the file's end says " + replay->Verdict + " in " +
                                              std::to_string(replay->TimeScore) +
                                              ", the game played " + verdict + " in " +
                                              std::to_string(time));
  }
  if (verdict != "good") return Refused(Outcome::NotGood, "a " + verdict + " round");

  RankedRound r;
  r.Result = Outcome::Proven;
  r.Level = replay->Level;
  r.TimeScore = time;
  r.Seed = replay->Seed;
  r.Recorded = replay->Recorded;
  r.Day = *day;
  r.FileSha256 = Sha256Of(file);
  r.RoundSha256 = RoundDigest(file);
  // Last: once idle, the game is another thread's to take.
  std::lock_guard<std::mutex> lock(mutex_);
  idle_.push_back(std::move(game));
  return r;
}

}  // namespace enclova
