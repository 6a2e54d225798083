// SPDX-License-Identifier: MIT
// The world ranking as the desktop reaches it: the server's address, the player's name and the
// token that owns it, kept in a file of the player's config, and the seam to a build's HTTP
// client. Nothing is sent anywhere until the player names a server.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/seams.h"

namespace enclova {

struct WorldSettings {
  std::string Server;  // "http://host[:port]"; empty: nothing is sent
  std::string Name;
  std::string Token;  // made on first use, base64url; it owns the name on the server
};

// "server=", "name=" and "token=" lines; what is missing or unreadable stays empty.
WorldSettings LoadWorldSettings(FileSystem& files, const std::string& path);
// Replaces the file whole, making its directory when missing.
bool SaveWorldSettings(FileSystem& files, const std::string& path, const WorldSettings& settings);

// Why a server address cannot be used, or nothing: "http://" or "https://", a host, an optional
// port, no path.
std::optional<std::string> ServerFault(std::string_view server);
constexpr int kMaxPlayerNameCharacters = 24;
// Why a name cannot be a player's, or nothing: 1 to 24 characters of UTF-8, no control
// character (C0, DEL, C1, line and paragraph separators), no space at either end. The server
// checks it with this too.
std::optional<std::string> PlayerNameFault(std::string_view name);
// 32 random bytes as base64url: 43 characters.
std::string MakeToken();

// What a world command prints and the exit status it ends with.
struct WorldAnswer {
  int Status = 0;  // kWorld* below
  std::string Text;
};
constexpr int kWorldAccepted = 0;
constexpr int kWorldRefused = 1;     // the server refused the replay
constexpr int kWorldUnreadable = 2;  // the file cannot be read
constexpr int kWorldNoAnswer = 4;    // no server answered, or not as one

// A build's way to the ranking server. A build without one (no HTTP client) gives none.
class WorldClient {
 public:
  virtual ~WorldClient() = default;
  // Sends one replay file now and says the verdict.
  virtual WorldAnswer Submit(const WorldSettings& settings, const std::string& file) = 0;
  // The world ranking of `level`, one line a record.
  virtual WorldAnswer Ranking(const WorldSettings& settings, int level) = 0;

  // Sends good rounds in the background until it is destroyed: the game never waits for it.
  class Sending {
   public:
    virtual ~Sending() = default;
  };
  // Each good round's replay saved in `dataDirectory`/replays/ from now on is queued in
  // `dataDirectory`/outbox/ and sent, as is whatever waits there from earlier runs.
  virtual std::unique_ptr<Sending> StartSending(const WorldSettings& settings,
                                                const std::string& dataDirectory) = 0;
};

}  // namespace enclova
