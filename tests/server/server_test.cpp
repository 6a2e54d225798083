// SPDX-License-Identifier: MIT
// The ranking server against a real PostgreSQL on 127.0.0.1: rounds recorded by the game,
// submitted, proven and listed; forged files and hostile requests refused with their reasons and
// nothing stored; concurrent submissions keeping the ranking exact; acknowledged records kept
// through a kill -9 of the server and a crash of the database.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "frontend/daily_seed.h"
#include "frontend/ranked_round.h"
#include "server/fields.h"
#include "tests/kit/fakes.h"
#include "tests/server/good_rounds.h"
#include "tests/server/services.h"
#include "world/http_world_client.h"

namespace enclova::testing {
namespace {

using nlohmann::json;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Golden(const std::string& name) {
  return ReadFile(std::string(ENCLOVA_SOURCE_DIR) + "/tests/replays/" + name + ".replay");
}

std::vector<std::uint8_t> Sheet() {
  const std::string s = ReadFile(std::string(ENCLOVA_SOURCE_DIR) + "/assets/fgra.bmp");
  return {s.begin(), s.end()};
}

// Each line of `text` passed through `edit`.
std::string EditLines(const std::string& text,
                      const std::function<std::string(const std::string&, int)>& edit) {
  std::istringstream in(text);
  std::string out, line;
  int number = 0;
  while (std::getline(in, line)) out += edit(line, ++number) + "\n";
  return out;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) ADD_FAILURE() << "no \"" << from << "\" to replace";
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

constexpr const char* kToken = "tok-0123456789abcdef";

struct Reply {
  int Status = 0;
  json Body;
};

Reply Request(int port, const std::string& method, const std::string& path,
              const std::string& body = "", const httplib::Headers& headers = {}) {
  httplib::Client c("127.0.0.1", port);
  c.set_read_timeout(60, 0);
  httplib::Result r = method == "POST" ? c.Post(path.c_str(), headers, body, "text/plain")
                                       : c.Get(path.c_str(), headers);
  Reply reply;
  if (!r) {
    reply.Body = httplib::to_string(r.error());
    return reply;
  }
  reply.Status = r->status;
  reply.Body = json::parse(r->body, nullptr, false);
  if (reply.Body.is_discarded()) reply.Body = r->body;
  return reply;
}

Reply Submit(int port, const std::string& name, const std::string& file,
             const std::string& token = kToken) {
  return Request(port, "POST", "/api/submit", file,
                 {{"X-Enclova-Name", name}, {"X-Enclova-Token", token}});
}

// Bytes written to the server as they are, `pause` between the pieces; the reply's first line.
std::string Raw(int port, const std::vector<std::string>& pieces,
                std::chrono::milliseconds pause = {}) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return "no connection";
  for (const std::string& piece : pieces) {
    if (send(s, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) break;
    std::this_thread::sleep_for(pause);
  }
  std::string reply;
  char buffer[4096];
  for (long n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, n);
  close(s);
  return reply;
}

// The limits of what a header or query may hold, at their edges.
TEST(ServerFields, NamesTokensLevelsAndDaysAtTheirEdges) {
  std::string kanji24, kanji25;
  for (int i = 0; i < 24; ++i) kanji24 += "\xe5\x90\x8d";
  kanji25 = kanji24 + "\xe5\x90\x8d";
  EXPECT_EQ(server::NameFault(kanji24), std::nullopt) << "24 characters of 3 bytes";
  EXPECT_NE(server::NameFault(kanji25), std::nullopt);
  EXPECT_EQ(server::NameFault("a b"), std::nullopt);
  for (const char* bad : {"a\xe2\x80\xa8", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe5\x90", " a"}) {
    EXPECT_NE(server::NameFault(bad), std::nullopt) << bad;
  }
  EXPECT_TRUE(server::TokenIsValid(std::string(16, 'a')));
  EXPECT_FALSE(server::TokenIsValid(std::string(15, 'a')));
  EXPECT_TRUE(server::TokenIsValid(std::string(128, '_')));
  EXPECT_FALSE(server::TokenIsValid(std::string(129, '_')));
  EXPECT_EQ(server::LevelOf("10"), 10);
  for (const char* bad : {"0", "11", "", "+1", "1 ", "4294967297", "0x1"}) {
    EXPECT_EQ(server::LevelOf(bad), std::nullopt) << bad;
  }
  EXPECT_TRUE(server::IsDay("2024-02-29"));
  EXPECT_FALSE(server::IsDay("2023-02-29"));
  EXPECT_FALSE(server::IsDay("2026-12-1"));
  EXPECT_FALSE(server::IsDay("2026-13-01"));
  EXPECT_TRUE(server::IsSha256(std::string(64, 'f')));
  EXPECT_FALSE(server::IsSha256(std::string(64, 'F')));
}

class Server : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cluster_ = new PostgresCluster();
    good_ = GoodSeed(1);
  }
  static void TearDownTestSuite() {
    delete cluster_;
    cluster_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(cluster_->Ready()) << cluster_->Failure();
    db_ = cluster_->NewDatabase();
  }
  std::unique_ptr<ServerProcess> Start(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), {"--per-address=100000", "--per-token=100000"});
    auto server = std::make_unique<ServerProcess>(db_, arguments);
    EXPECT_NE(server->Port(), 0) << server->Log();
    return server;
  }
  std::string Count(const std::string& table) {
    const std::string database = db_.substr(db_.rfind('=') + 1);
    std::string n = cluster_->Query(database, "SELECT count(*) FROM " + table);
    while (!n.empty() && n.back() == '\n') n.pop_back();
    return n;
  }

  static PostgresCluster* cluster_;
  static std::uint32_t good_;  // a seed with a good loop on level 1
  std::string db_;
};

PostgresCluster* Server::cluster_ = nullptr;
std::uint32_t Server::good_ = 0;

TEST_F(Server, RoundPlayedByTheGameIsProvenStoredAndListed) {
  const std::string round = RecordWindowRound(good_, 14'000);
  RoundProver prover(Sheet());
  const RankedRound proven = prover.Prove(round, 5000);
  ASSERT_EQ(proven.Result, RankedRound::Outcome::Proven) << proven.Detail;
  EXPECT_GE(proven.TimeScore, 14);
  // The prover's game, warm from that round, plays the next as a later round; one that refused
  // a file is not kept.
  const std::string second = RecordGoodRound(good_, 3'000);
  const RankedRound again = prover.Prove(second, 5000);
  ASSERT_EQ(again.Result, RankedRound::Outcome::Proven) << again.Detail;
  EXPECT_LT(again.TimeScore, proven.TimeScore);
  const std::string end = "\nend good " + std::to_string(again.TimeScore) + " ";
  const std::string faster = "\nend good " + std::to_string(again.TimeScore - 1) + " ";
  EXPECT_EQ(prover.Prove(Replace(second, end, faster), 5000).Result,
            RankedRound::Outcome::DoesNotMatch);
  const RankedRound third = prover.Prove(round, 5000);
  EXPECT_EQ(third.Result, RankedRound::Outcome::Proven) << third.Detail;
  EXPECT_EQ(third.TimeScore, proven.TimeScore);
  EXPECT_EQ(third.RoundSha256, proven.RoundSha256);
  // Playback stops once its time is up.
  EXPECT_EQ(prover.Prove(round, 0).Result, RankedRound::Outcome::TooMuchWork);

  const auto server = Start();
  const Reply r = Submit(server->Port(), "Ada", round);
  ASSERT_EQ(r.Status, 200) << r.Body;
  EXPECT_EQ(r.Body["accepted"], true);
  EXPECT_EQ(r.Body["level"], 1);
  EXPECT_EQ(r.Body["time"], proven.TimeScore);
  EXPECT_EQ(r.Body["seed"], good_);
  EXPECT_EQ(r.Body["recorded"], proven.Recorded);
  EXPECT_EQ(r.Body["rank"], 1);
  EXPECT_EQ(r.Body["replay"], Sha256Of(round));

  const Reply ranking = Request(server->Port(), "GET", "/api/ranking?level=1");
  ASSERT_EQ(ranking.Status, 200);
  ASSERT_EQ(ranking.Body["entries"].size(), 1u) << ranking.Body;
  EXPECT_EQ(ranking.Body["entries"][0]["name"], "Ada");
  EXPECT_EQ(ranking.Body["entries"][0]["time"], proven.TimeScore);
  EXPECT_EQ(Request(server->Port(), "GET", "/api/ranking?level=2").Body["entries"].size(), 0u);
  // Not the day's seed: no round of the daily board.
  const Reply daily = Request(server->Port(), "GET", "/api/daily?date=" + proven.Day + "&level=1");
  ASSERT_EQ(daily.Status, 200) << daily.Body;
  EXPECT_EQ(daily.Body["entries"].size(), 0u) << daily.Body;
  const Reply player = Request(server->Port(), "GET", "/api/player?name=Ada");
  ASSERT_EQ(player.Body["records"].size(), 1u) << player.Body;

  // The file itself, byte for byte, so anyone can play it.
  httplib::Client c("127.0.0.1", server->Port());
  const auto file = c.Get(("/api/replay/" + Sha256Of(round)).c_str());
  ASSERT_TRUE(file);
  EXPECT_EQ(file->status, 200);
  EXPECT_EQ(file->body, round);
  EXPECT_EQ(Request(server->Port(), "GET", "/api/replay/" + std::string(64, '0')).Status, 404);
}

// The daily board lists the rounds played on the day's seed and recorded that day: a round on
// the day's seed recorded the next day is the next day's neither, nor a round recorded that day
// on another seed.
TEST_F(Server, DailyBoardListsRoundsOnTheDaysSeedRecordedThatDay) {
  constexpr std::int64_t kDay = 86'400'000;
  // A day from 2026-12-10 on whose seed the kit finds a good loop.
  std::int64_t midnight = 1'796'860'800'000;
  std::uint32_t seed = 0;
  for (int tries = 0;; ++tries, midnight += kDay) {
    ASSERT_LT(tries, 200) << "no day's board with a loop the kit finds";
    seed = DailySeedAt(midnight);
    if (GoodSeed(seed) == seed) break;
  }
  const std::string day = UtcDay(midnight);
  const std::string played = RecordWindowRound(seed, 2'000, midnight + kDay - 60'000);
  const std::string playedLater = RecordWindowRound(seed, 3'000, midnight + kDay);
  const std::string otherSeed = RecordWindowRound(good_, 1'000, midnight + 1);
  const std::string slower = RecordWindowRound(seed, 4'000, midnight);

  const auto server = Start();
  for (const auto& [name, file] :
       {std::pair{"Ada", played}, {"Bea", playedLater}, {"Cid", otherSeed}, {"Ada", slower}}) {
    const Reply r = Submit(server->Port(), name, file);
    ASSERT_EQ(r.Status, 200) << name << r.Body;
    EXPECT_EQ(r.Body["seed"], name == std::string("Cid") ? good_ : seed);
  }
  const Reply board = Request(server->Port(), "GET", "/api/daily?date=" + day);
  ASSERT_EQ(board.Status, 200) << board.Body;
  ASSERT_EQ(board.Body["entries"].size(), 1u) << board.Body;
  EXPECT_EQ(board.Body["entries"][0]["name"], "Ada");
  EXPECT_EQ(board.Body["entries"][0]["replay"], Sha256Of(played));  // her best of the day
  EXPECT_EQ(board.Body["entries"][0]["rank"], 1);
  const Reply next = Request(server->Port(), "GET", "/api/daily?date=" + UtcDay(midnight + kDay));
  EXPECT_EQ(next.Body["entries"].size(), 0u) << next.Body;
  // The world ranking has them all.
  EXPECT_EQ(Request(server->Port(), "GET", "/api/ranking?level=1").Body["entries"].size(), 3u);
}

TEST_F(Server, ForgedFilesAndHostileRequestsAreRefusedAndNothingIsStored) {
  const std::string good = Golden("good-ranked-level1");
  const std::string missed = Golden("missed-with-markers-level1");
  // Every clock reading from the path's first step on, 900 ms earlier: a faster time than the
  // one played.
  int keysSeen = 0;
  const std::string shortened = EditLines(good, [&](const std::string& line, int) {
    if (line.rfind("k ", 0) == 0) ++keysSeen;
    if (keysSeen < 6 || line.find('@') == std::string::npos) return line;
    std::string out = line.substr(0, line.find('@'));
    std::istringstream readings(line.substr(line.find('@')));
    for (std::string r; readings >> r;) {
      out += r[0] == '@' ? "@" + std::to_string(std::stol(r.substr(1)) - 900) + " " : r + " ";
    }
    out.pop_back();
    return out;
  });
  ASSERT_NE(shortened, good);
  // Two different keys of the path swapped.
  std::vector<std::string> keys;
  EditLines(good, [&](const std::string& line, int) {
    if (line.rfind("k ", 0) == 0) keys.push_back(line);
    return line;
  });
  std::size_t swap = 5;
  while (swap + 1 < keys.size() && keys[swap] == keys[swap + 1]) ++swap;
  ASSERT_LT(swap + 1, keys.size());
  const std::string reordered =
      Replace(good, keys[swap] + "\n" + keys[swap + 1], keys[swap + 1] + "\n" + keys[swap]);
  const std::string pictureLine = good.substr(good.find("\npicture ") + 1, 72);
  const std::string calls = good.substr(0, good.find("\nend "));
  const std::string oversized = good + std::string(300 * 1024, '#');

  struct Case {
    const char* what;
    std::string name, token, body;
    int status;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"picture digest edited", "forger", kToken,
       Replace(good, pictureLine, pictureLine.substr(0, 71) + (pictureLine[71] == '0' ? "1" : "0")),
       422, "does not match"},
      {"clock readings shortened", "forger", kToken, shortened, 422, "does not match"},
      {"calls reordered", "forger", kToken, reordered, 422, "does not match"},
      {"seed changed", "forger", kToken, Replace(good, "\nseed 1\n", "\nseed 2\n"), 422,
       "does not match"},
      {"time score lowered", "forger", kToken, Replace(good, "\nend good 3 ", "\nend good 2 "), 422,
       "does not match"},
      {"a miss relabelled good", "forger", kToken, Replace(missed, "\nend miss ", "\nend good "),
       422, "does not match"},
      {"calls cut before the round ends", "forger", kToken,
       calls.substr(0, calls.rfind("\nt ")) + good.substr(good.find("\nend ")), 422,
       "does not match"},
      {"a missed round", "forger", kToken, missed, 422, "not a good round"},
      {"no replay", "forger", kToken, "enclova-replay 1\nhello\n", 400, "malformed"},
      {"empty body", "forger", kToken, "", 400, "malformed"},
      {"a newer version", "forger", kToken, Replace(good, "enclova-replay 1", "enclova-replay 9"),
       400, "malformed"},
      {"oversized body", "forger", kToken, oversized, 413, "too large"},
      {"name of 25 characters", std::string(25, 'n'), kToken, good, 400, "malformed"},
      {"empty name", "", kToken, good, 400, "malformed"},
      {"name with a tab", "a\tb", kToken, good, 400, "malformed"},
      {"name with DEL", "a\x7f", kToken, good, 400, "malformed"},
      {"name with a C1 control", "a\xc2\x85", kToken, good, 400, "malformed"},
      {"name not UTF-8", "a\xff", kToken, good, 400, "malformed"},
      {"overlong UTF-8 in the name", "a\xc0\xaf", kToken, good, 400, "malformed"},
      {"token too short", "forger", "short", good, 400, "malformed"},
      {"SQL in the token", "forger", "x' OR '1'='1'; DROP TABLE players; --", good, 400,
       "malformed"},
  };
  const auto server = Start({"--max-body=262144", "--body-ms=1500"});
  for (const Case& c : cases) {
    const Reply r = Submit(server->Port(), c.name, c.body, c.token);
    EXPECT_EQ(r.Status, c.status) << c.what << ": " << r.Body;
    EXPECT_EQ(r.Body["accepted"], false) << c.what;
    EXPECT_EQ(r.Body["reason"], c.reason) << c.what << ": " << r.Body;
  }

  // Headers no client library would send: a control character, a line break.
  const std::string head =
      "POST /api/submit HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " +
      std::to_string(good.size()) + "\r\nX-Enclova-Token: " + kToken + "\r\n";
  EXPECT_NE(Raw(server->Port(), {head + "X-Enclova-Name: a\x01z\r\n\r\n" + good})
                .find("\"reason\":\"malformed\""),
            std::string::npos);
  EXPECT_NE(Raw(server->Port(), {head + "\r\n" + good}).find("HTTP/1.1 400"), std::string::npos)
      << "no name header";
  // A body that trickles in: refused once its time is up, however little came.
  const auto before = std::chrono::steady_clock::now();
  std::vector<std::string> trickle = {head + "X-Enclova-Name: slow\r\n\r\n"};
  for (int i = 0; i < 60; ++i) trickle.push_back(good.substr(i * 4, 4));
  const std::string slow = Raw(server->Port(), trickle, std::chrono::milliseconds(100));
  EXPECT_NE(slow.find("\"reason\":\"too slow\""), std::string::npos) << slow;
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(4));

  // SQL in the queries is no level, day, name or digest; in a name, it is just a name.
  for (const char* query :
       {"/api/ranking?level=1%20OR%20true", "/api/ranking?level=1;DROP%20TABLE%20records",
        "/api/ranking?level=11", "/api/ranking?level=-1", "/api/ranking",
        "/api/ranking?level=1&limit=0", "/api/daily?date=2026-12-10'%20OR%20'1'='1",
        "/api/daily?date=2026-02-30", "/api/replay/'%20OR%20'1'='1", "/api/player?name=a%01b"}) {
    EXPECT_EQ(Request(server->Port(), "GET", query).Status, 400) << query;
  }
  EXPECT_EQ(Count("players"), "0");
  EXPECT_EQ(Count("records"), "0");
  EXPECT_EQ(Count("replays"), "0");
  EXPECT_EQ(Count("best"), "0");

  const std::string sqlName = "');DROP TABLE records;--";
  const Reply taken = Submit(server->Port(), sqlName, good);
  ASSERT_EQ(taken.Status, 200) << taken.Body;
  const Reply player =
      Request(server->Port(), "GET", "/api/player?name=%27%29%3BDROP%20TABLE%20records%3B--");
  ASSERT_EQ(player.Status, 200);
  EXPECT_EQ(player.Body["name"], sqlName);
  EXPECT_EQ(Count("records"), "1");

  // The same file again, the same round under another date, and a name owned by another token.
  EXPECT_EQ(Submit(server->Port(), sqlName, good).Body["reason"], "duplicate");
  const std::string redated = Replace(good, "recorded 2026-12-10", "recorded 2026-12-09");
  EXPECT_EQ(Submit(server->Port(), "thief", redated).Body["reason"], "duplicate");
  const Reply stolen =
      Submit(server->Port(), sqlName, Golden("save-fails-level1"), "another-token-0123456789");
  EXPECT_EQ(stolen.Status, 403) << stolen.Body;
  EXPECT_EQ(stolen.Body["reason"], "name taken");
  EXPECT_EQ(Count("players"), "1");
  EXPECT_EQ(Count("records"), "1");
  EXPECT_EQ(Count("replays"), "1");

  // Quotes, a backslash and letters beyond ASCII come back in the listings as they went in.
  const std::string quoted = "Zo\xc3\xab \"\\ \xe5\x90\x8d";
  ASSERT_EQ(Submit(server->Port(), quoted, Golden("save-fails-level1")).Status, 200);
  const Reply ranking = Request(server->Port(), "GET", "/api/ranking?level=1");
  ASSERT_EQ(ranking.Body["entries"].size(), 2u) << ranking.Body;
  EXPECT_EQ(ranking.Body["entries"][0]["name"], quoted);  // 0 s, before the other's 3 s
  EXPECT_EQ(ranking.Body["entries"][1]["name"], sqlName);
}

TEST_F(Server, FloodsFromOneAddressOrTokenAreRefused) {
  auto server = std::make_unique<ServerProcess>(
      db_, std::vector<std::string>{"--per-address=5", "--per-token=3"});
  ASSERT_NE(server->Port(), 0) << server->Log();
  const std::string missed = Golden("missed-with-markers-level1");
  std::vector<std::string> reasons;
  for (int i = 0; i < 4; ++i)
    reasons.push_back(Submit(server->Port(), "flood", missed).Body["reason"]);
  EXPECT_EQ(reasons, (std::vector<std::string>{"not a good round", "not a good round",
                                               "not a good round", "too many submissions"}));
  // Another token from the same address, until the address's own limit.
  EXPECT_EQ(Submit(server->Port(), "other", missed, "other-token-0123456789").Body["reason"],
            "not a good round");
  EXPECT_EQ(Submit(server->Port(), "other", missed, "other-token-0123456789").Body["reason"],
            "too many submissions");
  // The limits live in the database: a restarted server counts on.
  server = std::make_unique<ServerProcess>(
      db_, std::vector<std::string>{"--per-address=5", "--per-token=3"});
  const Reply r =
      Submit(server->Port(), "third", Golden("good-ranked-level1"), "third-token-0123456789");
  EXPECT_EQ(r.Status, 429) << r.Body;
  // Listings are not limited.
  EXPECT_EQ(Request(server->Port(), "GET", "/api/ranking?level=1").Status, 200);
  EXPECT_EQ(Count("records"), "0");
}

// Rounds of different times for the same players, some of them sent twice at once.
TEST_F(Server, ConcurrentSubmissionsKeepTheRankingExact) {
  constexpr int kRounds = 180;
  constexpr int kPlayers = 20;
  const std::vector<std::string> rounds = RecordGoodRounds(
      good_, kRounds, [](int i) { return 200 * i; }, 1000);
  std::vector<std::pair<std::string, std::string>> sends;  // name, file
  for (int i = 0; i < kRounds; ++i)
    sends.emplace_back("p" + std::to_string(i % kPlayers), rounds[i]);
  for (int i = 0; i < 20; ++i)
    sends.emplace_back("p" + std::to_string(i % kPlayers), rounds[i * 7]);
  ASSERT_EQ(sends.size(), 200u);

  const auto server = Start();
  std::vector<Reply> replies(sends.size());
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < sends.size(); ++i) {
    threads.emplace_back([&, i] {
      while (!go) std::this_thread::yield();
      replies[i] = Submit(server->Port(), sends[i].first, sends[i].second);
    });
  }
  go = true;
  for (std::thread& t : threads) t.join();

  // The ranking the accepted replies imply: each player's fastest, ties to the lower record.
  std::map<std::string, std::pair<int, std::int64_t>> best;
  std::map<std::string, int> acceptedPerFile;
  for (std::size_t i = 0; i < sends.size(); ++i) {
    const Reply& r = replies[i];
    ASSERT_TRUE(r.Status == 200 || (r.Status == 409 && r.Body["reason"] == "duplicate"))
        << i << ": " << r.Status << " " << r.Body << "\n"
        << server->Log();
    if (r.Status != 200) continue;
    ++acceptedPerFile[sends[i].second];
    const std::pair<int, std::int64_t> record = {r.Body["time"], r.Body["record"]};
    auto [at, added] = best.emplace(sends[i].first, record);
    if (!added) at->second = std::min(at->second, record);
  }
  EXPECT_EQ(acceptedPerFile.size(), static_cast<std::size_t>(kRounds));
  for (const auto& [file, times] : acceptedPerFile) EXPECT_EQ(times, 1);
  std::vector<std::pair<std::pair<int, std::int64_t>, std::string>> expected;
  for (const auto& [name, record] : best) expected.push_back({record, name});
  std::sort(expected.begin(), expected.end());

  const Reply ranking = Request(server->Port(), "GET", "/api/ranking?level=1&limit=1000");
  ASSERT_EQ(ranking.Body["entries"].size(), expected.size()) << ranking.Body;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    const json& e = ranking.Body["entries"][k];
    EXPECT_EQ(e["name"], expected[k].second) << k;
    EXPECT_EQ(e["time"], expected[k].first.first) << k;
    EXPECT_EQ(e["record"], expected[k].first.second) << k;
    EXPECT_EQ(e["rank"], k + 1);
  }
  EXPECT_EQ(Count("records"), std::to_string(kRounds));
}

TEST_F(Server, AcknowledgedRecordsSurviveAKilledServerAndAKilledDatabase) {
  constexpr int kRounds = 80;
  const std::vector<std::string> rounds = RecordGoodRounds(
      good_, kRounds, [](int i) { return 100 * i; }, 1000);
  std::mutex mutex;
  std::set<std::string> acknowledged;
  // Rounds first..last sent by 8 clients at once; `kill` once `more` of them are acknowledged,
  // with others on the way.
  const auto sendAndKill = [&](int port, int first, int last, std::size_t more,
                               const std::function<void()>& kill) {
    std::atomic<int> next{first};
    std::size_t before = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      before = acknowledged.size();
    }
    std::vector<std::thread> senders;
    for (int t = 0; t < 8; ++t) {
      senders.emplace_back([&] {
        for (int i; (i = next++) < last;) {
          const Reply r = Submit(port, "k" + std::to_string(i % 5), rounds[i]);
          std::lock_guard<std::mutex> lock(mutex);
          if (r.Status == 200) acknowledged.insert(r.Body["replay"]);
        }
      });
    }
    for (bool enough = false; !enough;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      std::lock_guard<std::mutex> lock(mutex);
      enough = acknowledged.size() >= before + more || next >= last;
    }
    const int sentBeforeKill = next.load();
    kill();
    for (std::thread& t : senders) t.join();
    EXPECT_LT(sentBeforeKill, last) << "killed after the last was sent";
  };

  auto server = Start();
  sendAndKill(server->Port(), 0, kRounds / 2, 12, [&] { server->Kill9(); });
  server = Start();
  sendAndKill(server->Port(), kRounds / 2, kRounds, 12,
              [&] { ASSERT_TRUE(cluster_->CrashAndRestart()) << cluster_->Failure(); });
  ASSERT_LT(acknowledged.size(), static_cast<std::size_t>(kRounds)) << "killed too late";
  ASSERT_GE(acknowledged.size(), 24u);

  // The same server, its connections to the killed database replaced.
  for (const std::string& sha : acknowledged) {
    EXPECT_EQ(Request(server->Port(), "GET", "/api/replay/" + sha).Status, 200) << sha;
  }
  std::size_t listed = 0;
  for (int p = 0; p < 5; ++p) {
    listed += Request(server->Port(), "GET", "/api/player?name=k" + std::to_string(p))
                  .Body["records"]
                  .size();
  }
  EXPECT_GE(listed, acknowledged.size());
  // A record committed in the instant of a kill, before its answer, may be there too.
  EXPECT_EQ(Count("records"), std::to_string(listed));
  EXPECT_EQ(Submit(server->Port(), "k0", rounds[0]).Body["reason"], "duplicate");
}

// ---- The desktop's client ----

// The replay files in a folder, by name.
std::vector<std::string> Replays(const std::string& folder) {
  std::vector<std::string> names;
  if (!std::filesystem::is_directory(folder)) return names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() == ".replay") names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Waits up to 20 s for `done`.
bool Within20s(const std::function<bool()>& done) {
  for (int i = 0; i < 400; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

void Put(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Good rounds saved while sending is on are queued in outbox/ and wait there while the server is
// down; once it is up they are sent, a refused one kept with its reason. Rounds saved before, and
// other rounds, are never sent.
TEST_F(Server, BackgroundSendingWaitsForAServerThatIsDownThenSends) {
  TempDir data;
  const std::string round = RecordWindowRound(good_, 6'000);
  const std::string before = RecordWindowRound(good_, 7'000);
  const std::string forged = Replace(Golden("good-ranked-level1"), "\nend good ", "\nend good 1");
  Put(data.File("replays/20261210-000000-000_L01_good_0m13s_rank01.replay"), before);
  world::HttpWorldClient client;
  client.PollMilliseconds = 20;
  WorldSettings settings{"http://127.0.0.1:1", "Ada", kToken};  // nothing listens on port 1

  {
    const auto sending = client.StartSending(settings, data.Path());
    Put(data.File("replays/20261210-000100-000_L01_good_0m12s_rank01.replay"), round);
    Put(data.File("replays/20261210-000200-000_L01_miss_norank.replay"),
        Golden("missed-with-markers-level1"));
    Put(data.File("outbox/20261209-000000-000_L01_good_0m05s_norank.replay"), forged);
    ASSERT_TRUE(Within20s([&] { return Replays(data.File("outbox")).size() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // passes over a server down
  }
  EXPECT_EQ(Replays(data.File("outbox")),
            (std::vector<std::string>{"20261209-000000-000_L01_good_0m05s_norank.replay",
                                      "20261210-000100-000_L01_good_0m12s_rank01.replay"}));

  const auto server = Start();
  settings.Server = "http://127.0.0.1:" + std::to_string(server->Port());
  {
    const auto sending = client.StartSending(settings, data.Path());
    ASSERT_TRUE(Within20s([&] { return Replays(data.File("outbox")).empty(); }));
  }
  const Reply player = Request(server->Port(), "GET", "/api/player?name=Ada");
  ASSERT_EQ(player.Body["records"].size(), 1u) << player.Body;
  EXPECT_EQ(player.Body["records"][0]["replay"], Sha256Of(round));
  EXPECT_EQ(Replays(data.File("outbox/refused")),
            std::vector<std::string>{"20261209-000000-000_L01_good_0m05s_norank.replay"});
  EXPECT_EQ(ReadFile(data.File("outbox/refused/20261209-000000-000_L01_good_0m05s_norank.replay")),
            forged);
  EXPECT_EQ(
      ReadFile(data.File("outbox/refused/20261209-000000-000_L01_good_0m05s_norank.replay.reason"))
          .substr(0, 15),
      "does not match ");
  // The replays themselves stay where the game keeps them.
  EXPECT_EQ(Replays(data.File("replays")).size(), 3u);
}

// enclova --submit and --world: the verdict and the ranking as the player reads them.
TEST_F(Server, SubmitAndWorldSayTheVerdictAndTheRanking) {
  TempDir data;
  const std::string round = RecordWindowRound(good_, 5'000);
  Put(data.File("a.replay"), round);
  Put(data.File("forged.replay"),
      Replace(Golden("good-ranked-level1"), "\nend good ", "\nend good 1"));
  world::HttpWorldClient client;
  WorldSettings settings{"http://127.0.0.1:1", "Ada", kToken};
  const WorldAnswer down = client.Submit(settings, data.File("a.replay"));
  EXPECT_EQ(down.Status, kWorldNoAnswer);
  EXPECT_EQ(down.Text.rfind("no answer from http://127.0.0.1:1: ", 0), 0u) << down.Text;
  EXPECT_EQ(client.Ranking(settings, 1).Status, kWorldNoAnswer);

  const auto server = Start();
  settings.Server = "http://127.0.0.1:" + std::to_string(server->Port());
  EXPECT_EQ(client.Submit(settings, data.File("missing.replay")).Status, kWorldUnreadable);
  const WorldAnswer accepted = client.Submit(settings, data.File("a.replay"));
  ASSERT_EQ(accepted.Status, kWorldAccepted) << accepted.Text;
  const RankedRound proven = RoundProver(Sheet()).Prove(round, 5000);
  const std::string time = std::to_string(proven.TimeScore / 100) + "'" +
                           (proven.TimeScore % 100 < 10 ? "0" : "") +
                           std::to_string(proven.TimeScore % 100) + "\"";
  EXPECT_EQ(accepted.Text,
            "accepted: level 1, " + time + ", world rank 1 with your best " + time + "\n");
  const WorldAnswer again = client.Submit(settings, data.File("a.replay"));
  EXPECT_EQ(again.Status, kWorldRefused);
  EXPECT_EQ(again.Text.rfind("refused: duplicate", 0), 0u) << again.Text;
  const WorldAnswer forged = client.Submit(settings, data.File("forged.replay"));
  EXPECT_EQ(forged.Status, kWorldRefused);
  EXPECT_EQ(forged.Text.rfind("refused: does not match (", 0), 0u) << forged.Text;

  const WorldAnswer ranking = client.Ranking(settings, 1);
  ASSERT_EQ(ranking.Status, kWorldAccepted) << ranking.Text;
  EXPECT_NE(ranking.Text.find("   1  " + time), std::string::npos) << ranking.Text;
  EXPECT_NE(ranking.Text.find("  Ada  " + settings.Server + "/api/replay/" + Sha256Of(round)),
            std::string::npos)
      << ranking.Text;
  EXPECT_NE(client.Ranking(settings, 2).Text.find("(no records yet)"), std::string::npos);
}

// --site: the page's files beside the API on one origin, and nothing outside the folder.
TEST_F(Server, ServesThePageBesideTheApi) {
  TempDir root;
  Put(root.File("site/index.html"), "<!DOCTYPE html><title>page</title>");
  Put(root.File("site/icons/a.png"), "png");
  Put(root.File("secret"), "not to be served");
  const auto server = Start({"--site=" + root.File("site")});
  httplib::Client c("127.0.0.1", server->Port());
  const auto index = c.Get("/");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->status, 200);
  EXPECT_EQ(index->body, "<!DOCTYPE html><title>page</title>");
  EXPECT_EQ(index->get_header_value("Content-Type"), "text/html");
  const auto icon = c.Get("/icons/a.png");
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->body, "png");
  EXPECT_EQ(Request(server->Port(), "GET", "/api/ranking?level=1").Status, 200);
  for (const char* outside : {"/../secret", "/icons/../../secret", "/%2e%2e/secret"}) {
    const std::string reply =
        Raw(server->Port(),
            {std::string("GET ") + outside + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"});
    EXPECT_EQ(reply.find("not to be served"), std::string::npos) << outside;
    EXPECT_NE(reply.rfind("HTTP/1.1 200", 0), 0u) << outside << reply;
  }
}

}  // namespace
}  // namespace enclova::testing
