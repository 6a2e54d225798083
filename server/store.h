// SPDX-License-Identifier: MIT
// The ranking's storage in PostgreSQL: every SQL statement of the server is in store.cpp, each
// with its parameters bound, and the schema in the versioned files of server/migrations/.
// Connections are pooled; nothing about a request outlives it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/ranked_round.h"

namespace enclova::server {

// One line of a listing.
struct Entry {
  std::int64_t Record = 0;  // its submission's number
  std::string Name;
  std::int32_t Level = 0;
  std::int32_t TimeScore = 0;
  std::string Recorded;
  std::string Replay;     // the file's SHA-256
  std::string Submitted;  // UTC, ISO 8601
};

struct Submission {
  enum class Outcome { Accepted, Duplicate, NameTaken };
  Outcome Result = Outcome::Accepted;
  std::int64_t Record = 0;
  std::int32_t Best = 0;  // the player's best time on the level, this record included
  std::int64_t Rank = 0;  // that best's place in the level's ranking when it was stored
};

class Store {
 public:
  // `connection`: a libpq connection string or URI. Nothing is opened until the first use.
  explicit Store(std::string connection);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Applies the migrations the database has not seen, in order, each in a transaction of its
  // own under a lock, so servers starting together apply each once. Returns the schema version.
  int Migrate();

  // Counts a submission for each key this minute; false when any key has passed its limit.
  bool CountSubmission(const std::string& addressKey, int perAddress, const std::string& tokenKey,
                       int perToken);

  // Stores a proven round for the player, claiming the name for the token's digest when it is
  // new. Committed before it returns: an accepted record survives any crash after.
  Submission Submit(const std::string& name, const std::string& tokenSha256,
                    const RankedRound& round, const std::string& file);

  // Each player's best on the level, fastest first, ties to the earlier submission.
  std::vector<Entry> Ranking(int level, int limit);
  // The same for the rounds recorded on one UTC day ("YYYY-MM-DD") on the seed `seed`.
  std::vector<Entry> Daily(const std::string& day, std::uint32_t seed, int level, int limit);
  // A player's records, newest first; nothing when no player has the name.
  std::optional<std::vector<Entry>> PlayerRecords(const std::string& name, int limit);
  std::optional<std::string> ReplayFile(const std::string& sha256);

 private:
  class Pool;
  std::unique_ptr<Pool> pool_;
};

}  // namespace enclova::server
