// SPDX-License-Identifier: MIT
// The desktop's way to the ranking server over HTTP (cpp-httplib), and the outbox that sends
// good rounds in the background.
#pragma once

#include <atomic>
#include <set>
#include <string>

#include "frontend/world.h"

namespace enclova::world {

// What one submission came to.
struct Delivery {
  enum class Outcome {
    Accepted,
    Refused,     // the server will not take this file: kept aside with the reason
    Unanswered,  // no server, or one that asks to wait (busy, too many, down): tried again later
  };
  Outcome Result = Outcome::Unanswered;
  std::string Reason;  // the server's reason and detail, or why there was no answer
  std::string Body;    // the answer's JSON when there was one
};
Delivery Deliver(const WorldSettings& settings, const std::string& file);

// Replays waiting to be sent, in `dataDirectory`/outbox/: a good round's replay is copied there
// from replays/ once the game has saved it whole, and leaves when the server accepts it or
// refuses it (to outbox/refused/, beside a NAME.reason file). Offline, files simply wait.
class Outbox {
 public:
  explicit Outbox(std::string dataDirectory);
  // The good rounds' replays in replays/ now: these were played before sending was on.
  void Snapshot();
  // Copies each good round's replay saved since Snapshot() into outbox/.
  void Collect();
  // Sends what waits, oldest first, until the server does not answer or `stop` is set. Returns
  // how many left the outbox.
  int Send(const WorldSettings& settings, const std::atomic<bool>& stop);

  std::string Folder() const { return directory_ + "/outbox"; }

 private:
  std::string directory_;
  std::set<std::string> seen_;
};

class HttpWorldClient final : public WorldClient {
 public:
  WorldAnswer Submit(const WorldSettings& settings, const std::string& file) override;
  WorldAnswer Ranking(const WorldSettings& settings, int level) override;
  std::unique_ptr<Sending> StartSending(const WorldSettings& settings,
                                        const std::string& dataDirectory) override;
  // How long the background sender waits between looks at the replays folder.
  int PollMilliseconds = 1000;
};

}  // namespace enclova::world
