// SPDX-License-Identifier: MIT
// The HTTP API: the routes, what each reads and what it answers, in JSON.
//
//   POST /api/submit              the replay file as the body; X-Enclova-Name, X-Enclova-Token
//   GET  /api/ranking?level=N     each player's best on level N
//   GET  /api/daily?date=YYYY-MM-DD[&level=N]
//   GET  /api/player?name=NAME    a player's records, newest first
//   GET  /api/replay/<sha256>     a record's replay file
//
// A refused submission answers 4xx with {"accepted": false, "reason": ..., "detail": ...}.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace enclova::server {

class Store;
}  // namespace enclova::server

namespace enclova {
class RoundProver;
}

namespace enclova::server {

struct ApiOptions {
  std::size_t MaxBodyBytes = 256 * 1024;
  int BodyMilliseconds = 5000;   // the most a body may take to arrive
  int WorkMilliseconds = 2000;   // the most one playback may take
  int Verifiers = 2;             // playbacks at once: verification is CPU work
  int PerAddressPerMinute = 30;  // submissions, refused ones included
  int PerTokenPerMinute = 20;
  int ListingLimit = 100;  // entries in a listing unless ?limit= asks for up to 1000
};

// Adds the routes to `http`; `store`, `prover` (which plays every round against the sheet)
// and `options` must outlive it.
void AddRoutes(httplib::Server& http, Store& store, RoundProver& prover, const ApiOptions& options);

}  // namespace enclova::server
