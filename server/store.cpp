// SPDX-License-Identifier: MIT
// Every SQL statement the server runs, prepared on each pooled connection, parameters bound.
#include "server/store.h"

#include <mutex>
#include <pqxx/pqxx>
#include <utility>

#include "server/migrations.h"

namespace enclova::server {

namespace {

// Names a timestamp as the API writes them.
#define ENCLOVA_UTC(column) \
  "to_char(" column " AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"

struct Statement {
  const char* Name;
  const char* Sql;
};

constexpr Statement kStatements[] = {
    {"count_submission",
     "INSERT INTO submission_counts (key, minute, count) VALUES ($1, date_trunc('minute', now()), "
     "1) ON CONFLICT (key, minute) DO UPDATE SET count = submission_counts.count + 1 "
     "RETURNING count"},
    {"forget_old_counts",
     "DELETE FROM submission_counts WHERE minute < now() - interval '10 minutes'"},
    {"claim_name",
     "INSERT INTO players (name, token_sha256) VALUES ($1, $2) ON CONFLICT (name) DO NOTHING"},
    {"owner_of_name", "SELECT id, token_sha256 FROM players WHERE name = $1"},
    {"add_replay",
     "INSERT INTO replays (sha256, round_sha256, body) VALUES ($1, $2, $3) ON CONFLICT DO NOTHING "
     "RETURNING sha256"},
    {"add_record",
     "INSERT INTO records (player_id, replay_sha256, level, time_score, seed, recorded, "
     "recorded_day) VALUES ($1, $2, $3, $4, $5, $6, $7::date) RETURNING id"},
    {"keep_best",
     "INSERT INTO best (level, player_id, time_score, record_id, name, recorded, replay_sha256, "
     "submitted) SELECT r.level, r.player_id, r.time_score, r.id, $2, r.recorded, "
     "r.replay_sha256, r.submitted FROM records r WHERE r.id = $1 "
     "ON CONFLICT (level, player_id) DO UPDATE SET time_score = excluded.time_score, "
     "record_id = excluded.record_id, recorded = excluded.recorded, "
     "replay_sha256 = excluded.replay_sha256, submitted = excluded.submitted "
     "WHERE (excluded.time_score, excluded.record_id) < (best.time_score, best.record_id)"},
    {"best_and_place",
     "SELECT b.time_score, (SELECT count(*) + 1 FROM best o WHERE o.level = b.level AND "
     "(o.time_score, o.record_id) < (b.time_score, b.record_id)) "
     "FROM best b WHERE b.level = $1 AND b.player_id = $2"},
    {"ranking",
     "SELECT record_id, name, level, time_score, recorded, replay_sha256, " ENCLOVA_UTC(
         "submitted") " FROM best WHERE level = $1 ORDER BY time_score, record_id LIMIT $2"},
    {"daily",
     "SELECT d.id, p.name, d.level, d.time_score, d.recorded, d.replay_sha256, " ENCLOVA_UTC(
         "d.submitted") " FROM (SELECT DISTINCT ON (player_id) * FROM records "
                        "WHERE recorded_day = $1::date AND seed = $4 AND level = $2 "
                        "ORDER BY player_id, time_score, id) d "
                        "JOIN players p ON p.id = d.player_id ORDER BY d.time_score, d.id LIMIT "
                        "$3"},
    {"player_id", "SELECT id FROM players WHERE name = $1"},
    {"player_records",
     "SELECT r.id, $1::text, r.level, r.time_score, r.recorded, r.replay_sha256, " ENCLOVA_UTC(
         "r.submitted") " FROM records r WHERE r.player_id = $2 ORDER BY r.id DESC LIMIT $3"},
    {"replay_file", "SELECT body FROM replays WHERE sha256 = $1"},
};

#undef ENCLOVA_UTC

std::vector<Entry> EntriesOf(const pqxx::result& rows) {
  std::vector<Entry> entries;
  entries.reserve(rows.size());
  for (const pqxx::row& row : rows) {
    Entry e;
    e.Record = row[0].as<std::int64_t>();
    e.Name = row[1].as<std::string>();
    e.Level = row[2].as<std::int32_t>();
    e.TimeScore = row[3].as<std::int32_t>();
    e.Recorded = row[4].as<std::string>();
    e.Replay = row[5].as<std::string>();
    e.Submitted = row[6].as<std::string>();
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace

// Open connections waiting for a request; one is made when none waits, and one that broke is
// dropped.
class Store::Pool {
 public:
  explicit Pool(std::string connection) : connection_(std::move(connection)) {}

  class Lease {
   public:
    Lease(Pool& pool, std::unique_ptr<pqxx::connection> c) : pool_(pool), c_(std::move(c)) {}
    ~Lease() {
      if (c_ && c_->is_open()) pool_.Give(std::move(c_));
    }
    pqxx::connection& operator*() { return *c_; }
    void Drop() { c_.reset(); }

   private:
    Pool& pool_;
    std::unique_ptr<pqxx::connection> c_;
  };

  Lease Take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!idle_.empty()) {
        auto c = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(c));
      }
    }
    auto c = std::make_unique<pqxx::connection>(connection_);
    for (const Statement& s : kStatements) c->prepare(s.Name, s.Sql);
    return Lease(*this, std::move(c));
  }

  // Runs `work` on a connection; a connection found broken is replaced and the work tried once
  // more. Only for work that changes nothing, or whose first try cannot have committed.
  template <typename Work>
  auto Retrying(Work work) {
    for (int attempt = 0;; ++attempt) {
      Lease lease = Take();
      try {
        return work(*lease);
      } catch (const pqxx::broken_connection&) {
        lease.Drop();
        if (attempt == 1) throw;
      }
    }
  }

  const std::string& Connection() const { return connection_; }

 private:
  void Give(std::unique_ptr<pqxx::connection> c) {
    std::lock_guard<std::mutex> lock(mutex_);
    idle_.push_back(std::move(c));
  }

  std::string connection_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<pqxx::connection>> idle_;
};

Store::Store(std::string connection) : pool_(std::make_unique<Pool>(std::move(connection))) {}
Store::~Store() = default;

int Store::Migrate() {
  pqxx::connection c(pool_->Connection());
  int version = 0;
  for (std::size_t i = 0;; ++i) {
    pqxx::work w(c);
    // One lock for every server of this database: the second to start waits, then sees the
    // migrations done.
    w.exec("SELECT pg_advisory_xact_lock(7243061)");
    w.exec(
        "CREATE TABLE IF NOT EXISTS schema_migrations (version integer PRIMARY KEY, "
        "name text NOT NULL, applied timestamptz NOT NULL DEFAULT now())");
    version = w.exec1("SELECT coalesce(max(version), 0) FROM schema_migrations")[0].as<int>();
    if (i >= kMigrationCount) break;
    const Migration& m = kMigrations[i];
    if (m.Version <= version) continue;
    w.exec(m.Sql);
    w.exec_params("INSERT INTO schema_migrations (version, name) VALUES ($1, $2)", m.Version,
                  std::string(m.Name));
    w.commit();
  }
  return version;
}

bool Store::CountSubmission(const std::string& addressKey, int perAddress,
                            const std::string& tokenKey, int perToken) {
  return pool_->Retrying([&](pqxx::connection& c) {
    pqxx::work w(c);
    // A count lost in a crash costs nothing: this commit does not wait for the disk.
    w.exec("SET LOCAL synchronous_commit TO off");
    const int byAddress = w.exec_prepared1("count_submission", addressKey)[0].as<int>();
    const int byToken = w.exec_prepared1("count_submission", tokenKey)[0].as<int>();
    // The first count of a minute for an address clears minutes long past, a few rows a time.
    if (byAddress == 1) w.exec_prepared("forget_old_counts");
    w.commit();
    return byAddress <= perAddress && byToken <= perToken;
  });
}

Submission Store::Submit(const std::string& name, const std::string& tokenSha256,
                         const RankedRound& round, const std::string& file) {
  // Every step in one transaction: refused, nothing of it stays.
  Pool::Lease lease = pool_->Take();
  try {
    pqxx::work w(*lease);
    Submission s;
    w.exec_prepared("claim_name", name, tokenSha256);
    const pqxx::row owner = w.exec_prepared1("owner_of_name", name);
    if (owner[1].as<std::string>() != tokenSha256) {
      s.Result = Submission::Outcome::NameTaken;
      return s;
    }
    const auto player = owner[0].as<std::int64_t>();
    const pqxx::binarystring body(file.data(), file.size());
    if (w.exec_prepared("add_replay", round.FileSha256, round.RoundSha256, body).empty()) {
      s.Result = Submission::Outcome::Duplicate;
      return s;
    }
    s.Record =
        w.exec_prepared1("add_record", player, round.FileSha256, round.Level, round.TimeScore,
                         static_cast<std::int64_t>(round.Seed), round.Recorded, round.Day)[0]
            .as<std::int64_t>();
    w.exec_prepared("keep_best", s.Record, name);
    const pqxx::row best = w.exec_prepared1("best_and_place", round.Level, player);
    s.Best = best[0].as<std::int32_t>();
    s.Rank = best[1].as<std::int64_t>();
    w.commit();
    return s;
  } catch (const pqxx::broken_connection&) {
    lease.Drop();
    throw;
  }
}

std::vector<Entry> Store::Ranking(int level, int limit) {
  return pool_->Retrying([&](pqxx::connection& c) {
    pqxx::nontransaction w(c);  // one statement, one round trip
    return EntriesOf(w.exec_prepared("ranking", level, limit));
  });
}

std::vector<Entry> Store::Daily(const std::string& day, std::uint32_t seed, int level, int limit) {
  return pool_->Retrying([&](pqxx::connection& c) {
    pqxx::nontransaction w(c);  // one statement, one round trip
    return EntriesOf(w.exec_prepared("daily", day, level, limit, std::int64_t{seed}));
  });
}

std::optional<std::vector<Entry>> Store::PlayerRecords(const std::string& name, int limit) {
  return pool_->Retrying([&](pqxx::connection& c) -> std::optional<std::vector<Entry>> {
    pqxx::nontransaction w(c);  // one statement, one round trip
    const pqxx::result id = w.exec_prepared("player_id", name);
    if (id.empty()) return std::nullopt;
    return EntriesOf(w.exec_prepared("player_records", name, id[0][0].as<std::int64_t>(), limit));
  });
}

std::optional<std::string> Store::ReplayFile(const std::string& sha256) {
  return pool_->Retrying([&](pqxx::connection& c) -> std::optional<std::string> {
    pqxx::nontransaction w(c);  // one statement, one round trip
    const pqxx::result rows = w.exec_prepared("replay_file", sha256);
    if (rows.empty()) return std::nullopt;
    return pqxx::binarystring(rows[0][0]).str();
  });
}

}  // namespace enclova::server
