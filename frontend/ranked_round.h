// SPDX-License-Identifier: MIT
// A submitted round proven by playing it back: what a ranking server asks of the core. The file
// is played headless against the given sprite sheet, as the null front end plays it, and its
// level, time, seed and date are taken only when every recorded digest matched, the game itself
// ended the round good on the file's last call, and the file kept every bound a replay has.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace enclova {

struct RankedRound {
  enum class Outcome {
    Proven,
    Malformed,     // no replay we can read, or a date that is no day
    DoesNotMatch,  // playback left the recording, or the file's end says what the game did not
    NotGood,       // a missed or quit round, played back as recorded
    TooMuchWork,   // playback ran past the work allowed for one round
  };
  Outcome Result = Outcome::Malformed;
  std::string Detail;  // one English line when refused

  std::int32_t Level = 0;
  std::int32_t TimeScore = 0;  // minutes x 100 + seconds, as the ranking keeps it
  std::uint32_t Seed = 0;
  std::string Recorded;  // UTC, ISO 8601 with milliseconds, as the file says
  std::string Day;       // its YYYY-MM-DD
  std::string FileSha256;
  // The round without its date and starting ranking: the same play submitted again under
  // another date is the same round.
  std::string RoundSha256;
};

// Proves rounds against one sprite sheet (the bytes of fgra.bmp). Starting the game costs far
// more than playing most rounds, so a game that proved a round is kept and plays the next as a
// later round of its session, as a player's game would; a game that refused one is dropped, so
// no file chooses the state another is played from. Safe to use from several threads at once.
class RoundProver {
 public:
  explicit RoundProver(std::vector<std::uint8_t> sheet);
  ~RoundProver();
  RoundProver(const RoundProver&) = delete;
  RoundProver& operator=(const RoundProver&) = delete;

  // Plays `file` with at most `workMilliseconds` of playback.
  RankedRound Prove(std::string_view file, int workMilliseconds);

 private:
  struct Game;
  std::vector<std::uint8_t> sheet_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Game>> idle_;
};

// SHA-256 of `bytes`, 64 lower-case hex digits.
std::string Sha256Of(std::string_view bytes);

}  // namespace enclova
