// SPDX-License-Identifier: MIT
// The ranking server's client: one request at a time, bounded in time, and a thread that sends
// the outbox while the game plays.
#include "world/http_world_client.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

namespace enclova::world {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// A replay is at most 4 MiB: anything longer is no replay, and is not read whole.
constexpr std::uintmax_t kMaxFileBytes = 4u << 20;

httplib::Client ClientOf(const WorldSettings& settings) {
  httplib::Client client(settings.Server);
  client.set_connection_timeout(std::chrono::seconds(2));
  client.set_read_timeout(std::chrono::seconds(5));
  client.set_write_timeout(std::chrono::seconds(5));
  return client;
}

// What a server sent, safe for a terminal: no control character passes (a hostile server could
// send escapes).
std::string Printable(std::string text) {
  for (char& c : text) {
    if ((c >= 0 && c < 0x20) || c == 0x7F) c = '?';
  }
  return text;
}

// 1'23" for a time score of 123.
std::string TimeText(long score) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld'%02ld\"", score / 100, score % 100);
  return text;
}

std::optional<std::string> ReadFile(const std::string& path, std::string* error) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    *error = ec.message();
    return std::nullopt;
  }
  if (size > kMaxFileBytes) {
    *error = "larger than a replay can be";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    *error = "cannot be read";
    return std::nullopt;
  }
  return text.str();
}

bool IsGoodReplayName(const std::string& name) {
  return name.ends_with(".replay") && name.find("_good_") != std::string::npos;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());  // a replay's name starts with its date
  return names;
}

// Written under a temporary name and renamed, so a file there is always whole.
bool WriteWhole(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  return !ec;
}

}  // namespace

Delivery Deliver(const WorldSettings& settings, const std::string& file) {
  Delivery d;
  httplib::Client client = ClientOf(settings);
  const httplib::Headers headers = {{"X-Enclova-Name", settings.Name},
                                    {"X-Enclova-Token", settings.Token}};
  const httplib::Result r = client.Post("/api/submit", headers, file, "application/octet-stream");
  if (!r) {
    d.Reason = httplib::to_string(r.error());
    return d;
  }
  d.Body = r->body;
  const json answer = json::parse(r->body, nullptr, false);
  const auto text = [&](const char* key) {
    return answer.is_object() && answer.contains(key) && answer[key].is_string()
               ? answer[key].get<std::string>()
               : std::string();
  };
  d.Reason = Printable(text("reason"));
  if (!text("detail").empty()) d.Reason += " (" + Printable(text("detail")) + ")";
  if (r->status == 200 && answer.is_object() && answer.value("accepted", false)) {
    d.Result = Delivery::Outcome::Accepted;
  } else if (r->status == 400 || r->status == 403 || r->status == 409 || r->status == 413 ||
             r->status == 422) {
    d.Result = Delivery::Outcome::Refused;
  } else if (d.Reason.empty()) {
    d.Reason = "HTTP status " + std::to_string(r->status);  // busy or down: try again later
  }
  return d;
}

Outbox::Outbox(std::string dataDirectory) : directory_(std::move(dataDirectory)) {}

void Outbox::Snapshot() {
  for (const std::string& name : NamesIn(directory_ + "/replays")) seen_.insert(name);
}

void Outbox::Collect() {
  for (const std::string& name : NamesIn(directory_ + "/replays")) {
    if (!IsGoodReplayName(name) || !seen_.insert(name).second) continue;
    std::error_code ec;
    fs::create_directories(Folder(), ec);
    std::string error;
    const auto text = ReadFile(directory_ + "/replays/" + name, &error);
    if (!text || !WriteWhole(Folder() + "/" + name, *text)) seen_.erase(name);  // next time
  }
}

int Outbox::Send(const WorldSettings& settings, const std::atomic<bool>& stop) {
  int sent = 0;
  for (const std::string& name : NamesIn(Folder())) {
    if (stop || !name.ends_with(".replay")) continue;
    const std::string path = Folder() + "/" + name;
    std::string error;
    const auto text = ReadFile(path, &error);
    if (!text) continue;
    const Delivery d = Deliver(settings, *text);
    if (d.Result == Delivery::Outcome::Unanswered) break;  // the rest wait with it
    std::error_code ec;
    if (d.Result == Delivery::Outcome::Refused) {
      const std::string refused = Folder() + "/refused";
      fs::create_directories(refused, ec);
      WriteWhole(refused + "/" + name + ".reason", d.Reason + "\n");
      fs::rename(path, refused + "/" + name, ec);
    } else {
      fs::remove(path, ec);
    }
    ++sent;
  }
  return sent;
}

WorldAnswer HttpWorldClient::Submit(const WorldSettings& settings, const std::string& file) {
  std::string error;
  const auto text = ReadFile(file, &error);
  if (!text) return {kWorldUnreadable, file + ": " + error + "\n"};
  const Delivery d = Deliver(settings, *text);
  switch (d.Result) {
    case Delivery::Outcome::Accepted:
      try {
        const json a = json::parse(d.Body);
        return {kWorldAccepted, "accepted: level " + std::to_string(a.value("level", 0)) + ", " +
                                    TimeText(a.value("time", 0L)) + ", world rank " +
                                    std::to_string(a.value("rank", 0L)) + " with your best " +
                                    TimeText(a.value("best", 0L)) + "\n"};
      } catch (const json::exception&) {
        return {kWorldAccepted, "accepted\n"};  // the server said so; the rest is unreadable
      }
    case Delivery::Outcome::Refused:
      return {kWorldRefused, "refused: " + d.Reason + "\n"};
    case Delivery::Outcome::Unanswered:
      break;
  }
  return {kWorldNoAnswer, "no answer from " + settings.Server + ": " + d.Reason + "\n"};
}

WorldAnswer HttpWorldClient::Ranking(const WorldSettings& settings, int level) {
  httplib::Client client = ClientOf(settings);
  const httplib::Result r = client.Get("/api/ranking?level=" + std::to_string(level));
  if (!r) {
    return {kWorldNoAnswer,
            "no answer from " + settings.Server + ": " + httplib::to_string(r.error()) + "\n"};
  }
  const json answer = json::parse(r->body, nullptr, false);
  if (r->status != 200 || !answer.is_object() || !answer.contains("entries") ||
      !answer["entries"].is_array()) {
    return {kWorldNoAnswer, "no ranking from " + settings.Server + ": HTTP status " +
                                std::to_string(r->status) + "\n"};
  }
  // A server's answer of the wrong shape is no ranking, not a crash.
  try {
    std::string text = "World ranking, level " + std::to_string(level) + ", " + settings.Server +
                       " (play a record: enclova --replay FILE, the file from the address)\n";
    for (const json& e : answer["entries"]) {
      char line[96];
      std::snprintf(line, sizeof line, "%4ld  %-8s  %.10s  ", e.value("rank", 0L),
                    TimeText(e.value("time", 0L)).c_str(),
                    Printable(e.value("recorded", "")).c_str());
      text += line + Printable(e.value("name", "")) + "  " + settings.Server + "/api/replay/" +
              Printable(e.value("replay", "")) + "\n";
    }
    if (answer["entries"].empty()) text += "  (no records yet)\n";
    return {kWorldAccepted, text};
  } catch (const json::exception&) {
    return {kWorldNoAnswer, "no ranking from " + settings.Server + ": not a ranking\n"};
  }
}

namespace {

// The background sender: a look at the replays folder and a pass over the outbox every
// `pollMs`; at its end, one last look, so a round finished as the game closed is queued.
class ThreadSending final : public WorldClient::Sending {
 public:
  ThreadSending(WorldSettings settings, const std::string& dataDirectory, int pollMs)
      : settings_(std::move(settings)), outbox_(dataDirectory), pollMs_(pollMs) {
    outbox_.Snapshot();
    thread_ = std::thread([this] { Run(); });
  }
  ~ThreadSending() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    outbox_.Collect();
    const std::atomic<bool> go{false};
    outbox_.Send(settings_, go);
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      lock.unlock();
      outbox_.Collect();
      outbox_.Send(settings_, stop_);
      lock.lock();
      wake_.wait_for(lock, std::chrono::milliseconds(pollMs_), [this] { return stop_.load(); });
    }
  }

  WorldSettings settings_;
  Outbox outbox_;
  int pollMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<WorldClient::Sending> HttpWorldClient::StartSending(
    const WorldSettings& settings, const std::string& dataDirectory) {
  return std::make_unique<ThreadSending>(settings, dataDirectory, PollMilliseconds);
}

}  // namespace enclova::world
