// SPDX-License-Identifier: MIT
// The HTTP API's routes.
#include "server/api.h"

#include <httplib.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <semaphore>
#include <string_view>

#include "frontend/daily_seed.h"
#include "frontend/ranked_round.h"
#include "server/fields.h"
#include "server/store.h"

namespace enclova::server {

namespace {

using nlohmann::json;

void Answer(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void Refuse(httplib::Response& res, int status, const std::string& reason,
            const std::string& detail = "") {
  json body = {{"accepted", false}, {"reason", reason}};
  if (!detail.empty()) body["detail"] = detail;
  Answer(res, status, body);
}

// A JSON string of text that is valid UTF-8 (names are checked before they are stored).
void AppendString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

// A ranking's entries with their places, or a player's records without, as a JSON array. The
// listings are the requests a server answers most, so they are written straight into the text:
// building them as JSON values first cost more than the database's part.
std::string ListingOf(const std::vector<Entry>& entries, bool ranked = true) {
  std::string out = "[";
  std::int64_t place = 0;
  for (const Entry& e : entries) {
    if (out.size() > 1) out += ',';
    out += '{';
    if (ranked) out += "\"rank\":" + std::to_string(++place) + ',';
    out += "\"name\":";
    AppendString(out, e.Name);
    out += ",\"level\":" + std::to_string(e.Level) + ",\"time\":" + std::to_string(e.TimeScore);
    out += ",\"recorded\":";
    AppendString(out, e.Recorded);
    out += ",\"submitted\":";
    AppendString(out, e.Submitted);
    out += ",\"replay\":";
    AppendString(out, e.Replay);
    out += ",\"record\":" + std::to_string(e.Record) + '}';
  }
  return out + ']';
}

// {"field":value,...,"entries":LISTING}
void AnswerListing(httplib::Response& res, const std::string& fields, const std::string& key,
                   const std::string& listing) {
  res.status = 200;
  res.set_content("{" + fields + ",\"" + key + "\":" + listing + "}", "application/json");
}

// The query's `limit`, or the default; nothing when it is given and no count up to 1000.
std::optional<int> LimitOf(const httplib::Request& req, int fallback) {
  if (!req.has_param("limit")) return fallback;
  return CountOf(req.get_param_value("limit"), 1000);
}

// A header given exactly once, or nothing.
std::optional<std::string> OneHeader(const httplib::Request& req, const char* name) {
  if (req.get_header_value_count(name) != 1) return std::nullopt;
  return req.get_header_value(name);
}

class Api {
 public:
  Api(Store& store, RoundProver& prover, const ApiOptions& options)
      : store_(store), prover_(prover), options_(options), verifiers_(options.Verifiers) {}

  void Submit(const httplib::Request& req, httplib::Response& res,
              const httplib::ContentReader& reader) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<std::string> name = OneHeader(req, "X-Enclova-Name");
    const std::optional<std::string> token = OneHeader(req, "X-Enclova-Token");
    if (!name) return Refuse(res, 400, "malformed", "one X-Enclova-Name header is needed");
    if (const auto fault = NameFault(*name)) return Refuse(res, 400, "malformed", *fault);
    if (!token || !TokenIsValid(*token)) {
      return Refuse(res, 400, "malformed", "X-Enclova-Token must be 16 to 128 of A-Z a-z 0-9 - _");
    }
    if (req.has_header("Content-Length") &&
        req.get_header_value<std::uint64_t>("Content-Length") > options_.MaxBodyBytes) {
      return Refuse(res, 413, "too large");
    }
    const std::string tokenSha256 = Sha256Of(*token);
    // Counted before the body is read or played: a flood costs one short transaction a request.
    if (!store_.CountSubmission("address " + req.remote_addr, options_.PerAddressPerMinute,
                                "token " + tokenSha256, options_.PerTokenPerMinute)) {
      return Refuse(res, 429, "too many submissions");
    }

    std::string body;
    bool tooLarge = false;
    bool tooSlow = false;
    const auto deadline = start + std::chrono::milliseconds(options_.BodyMilliseconds);
    const bool read = reader([&](const char* data, std::size_t size) {
      if (body.size() + size > options_.MaxBodyBytes) {
        tooLarge = true;
        return false;
      }
      body.append(data, size);
      if (std::chrono::steady_clock::now() > deadline) {
        tooSlow = true;
        return false;
      }
      return true;
    });
    if (tooLarge) return Refuse(res, 413, "too large");
    // A body that stopped coming before its length is as slow as one that trickles; a client
    // that closed its connection reads no answer.
    if (tooSlow || !read) return Refuse(res, 408, "too slow", "the body did not arrive in time");

    RankedRound round;
    {
      verifiers_.acquire();
      struct Release {
        std::counting_semaphore<>& s;
        ~Release() { s.release(); }
      } release{verifiers_};
      round = prover_.Prove(body, options_.WorkMilliseconds);
    }
    switch (round.Result) {
      case RankedRound::Outcome::Proven:
        break;
      case RankedRound::Outcome::Malformed:
        return Refuse(res, 400, "malformed", round.Detail);
      case RankedRound::Outcome::DoesNotMatch:
        return Refuse(res, 422, "does not match", round.Detail);
      case RankedRound::Outcome::NotGood:
        return Refuse(res, 422, "not a good round", round.Detail);
      case RankedRound::Outcome::TooMuchWork:
        return Refuse(res, 413, "too large", round.Detail);
    }

    const Submission s = store_.Submit(*name, tokenSha256, round, body);
    switch (s.Result) {
      case Submission::Outcome::Accepted:
        break;
      case Submission::Outcome::Duplicate:
        return Refuse(res, 409, "duplicate", "this round is already ranked");
      case Submission::Outcome::NameTaken:
        return Refuse(res, 403, "name taken", "another token owns this name");
    }
    Answer(res, 200,
           {{"accepted", true},
            {"record", s.Record},
            {"name", *name},
            {"level", round.Level},
            {"time", round.TimeScore},
            {"seed", round.Seed},
            {"recorded", round.Recorded},
            {"replay", round.FileSha256},
            {"best", s.Best},
            {"rank", s.Rank}});
  }

  void Ranking(const httplib::Request& req, httplib::Response& res) {
    const auto level = LevelOf(req.get_param_value("level"));
    const auto limit = LimitOf(req, options_.ListingLimit);
    if (!level || !limit) return Answer(res, 400, {{"error", "level=1..10 [limit=1..1000]"}});
    AnswerListing(res, "\"level\":" + std::to_string(*level), "entries",
                  ListingOf(store_.Ranking(*level, *limit)));
  }

  void Daily(const httplib::Request& req, httplib::Response& res) {
    const std::string day = req.get_param_value("date");
    const auto level = req.has_param("level") ? LevelOf(req.get_param_value("level")) : 1;
    const auto limit = LimitOf(req, options_.ListingLimit);
    if (!IsDay(day) || !level || !limit) {
      return Answer(res, 400, {{"error", "date=YYYY-MM-DD [level=1..10] [limit=1..1000]"}});
    }
    AnswerListing(res, "\"date\":\"" + day + "\",\"level\":" + std::to_string(*level), "entries",
                  ListingOf(store_.Daily(day, DailySeed(day), *level, *limit)));
  }

  void Player(const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("name");
    const auto limit = LimitOf(req, options_.ListingLimit);
    if (NameFault(name) || !limit) return Answer(res, 400, {{"error", "name=NAME [limit]"}});
    const auto records = store_.PlayerRecords(name, *limit);
    if (!records) return Answer(res, 404, {{"error", "no such player"}});
    std::string field = "\"name\":";
    AppendString(field, name);
    AnswerListing(res, field, "records", ListingOf(*records, false));
  }

  void Replay(const httplib::Request& req, httplib::Response& res) {
    const std::string sha = req.matches[1];
    if (!IsSha256(sha)) return Answer(res, 400, {{"error", "a replay is named by its SHA-256"}});
    const auto file = store_.ReplayFile(sha);
    if (!file) return Answer(res, 404, {{"error", "no such replay"}});
    res.status = 200;
    res.set_header("Content-Disposition", "attachment; filename=\"" + sha + ".replay\"");
    // Stored once and never changed: its name is its digest.
    res.set_header("Cache-Control", "public, max-age=31536000, immutable");
    res.set_content(*file, "text/plain; charset=us-ascii");
  }

 private:
  Store& store_;
  RoundProver& prover_;
  const ApiOptions& options_;
  std::counting_semaphore<> verifiers_;
};

}  // namespace

void AddRoutes(httplib::Server& http, Store& store, RoundProver& prover,
               const ApiOptions& options) {
  auto api = std::make_shared<Api>(store, prover, options);
  http.Post("/api/submit",
            [api](const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader) { api->Submit(req, res, reader); });
  http.Get("/api/ranking", [api](const auto& req, auto& res) { api->Ranking(req, res); });
  http.Get("/api/daily", [api](const auto& req, auto& res) { api->Daily(req, res); });
  http.Get("/api/player", [api](const auto& req, auto& res) { api->Player(req, res); });
  http.Get("/api/replay/([^/]*)", [api](const auto& req, auto& res) { api->Replay(req, res); });
  // Whatever the library refuses by itself (a body too large, a path unknown) answers in JSON
  // too; a refusal of ours has its body already.
  http.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (req.path == "/api/submit") {
          Refuse(res, res.status, res.status == 413 ? "too large" : "malformed");
        } else {
          Answer(res, res.status, {{"error", res.status == 404 ? "no such route" : "refused"}});
        }
        return httplib::Server::HandlerResponse::Handled;
      }));
  // The store unreachable, or anything unforeseen: the request fails, the server goes on.
  http.set_exception_handler(
      [](const httplib::Request& req, httplib::Response& res, std::exception_ptr) {
        if (req.path == "/api/submit") {
          Refuse(res, 503, "unavailable");
        } else {
          Answer(res, 503, {{"error", "unavailable"}});
        }
      });
}

}  // namespace enclova::server
