// SPDX-License-Identifier: MIT
// The ranking server under load, on this machine and 127.0.0.1 only: a PostgreSQL cluster and
// enclova-server of its own (tests/server/services.h), rounds recorded by the game, then
// submissions verified and stored per second, and world ranking listings per second, each with
// its median and 99th percentile. Bounded in count and time.
//
//   ranking_load [--rounds=N] [--listings=N] [--connections=N] [--seconds=S]
//                [--submit-rate=R] [--list-rate=R]
//
// --rounds: distinct good rounds submitted (1000; at most 20000), played 20 s to 3 min into the
// clock through GameSession as a window plays them; --listings: GET /api/ranking?level=1 requests
// (20000; at most 200000); --connections: clients at once (16; at most 64); --seconds: the most
// either phase may take (30; at most 120).
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/server/good_rounds.h"
#include "tests/server/services.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Phase {
  std::size_t Done = 0;  // requests answered as expected
  std::size_t Failed = 0;
  double Seconds = 0;
  std::vector<double> Milliseconds;
};

// `count` requests spread over `connections` keep-alive clients, each made by `send` with the
// request's index; true when answered as expected. Stops at `limit`. With a `rate`, request i
// is due i / rate seconds after the start and its time runs from then, so a server that falls
// behind is charged for the wait too; without, each client sends as soon as it has its answer.
Phase Run(int port, std::size_t count, int connections, std::chrono::seconds limit, double rate,
          const std::function<bool(httplib::Client&, std::size_t)>& send) {
  Phase phase;
  std::mutex mutex;
  std::atomic<std::size_t> next{0};
  const auto start = Clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < connections; ++c) {
    clients.emplace_back([&] {
      httplib::Client client("127.0.0.1", port);
      client.set_keep_alive(true);
      client.set_tcp_nodelay(true);
      client.set_read_timeout(30, 0);
      std::vector<double> times;
      std::size_t done = 0, failed = 0;
      for (std::size_t i; (i = next++) < count && Clock::now() - start < limit;) {
        auto before = Clock::now();
        if (rate > 0) {
          before = start + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(static_cast<double>(i) / rate));
          std::this_thread::sleep_until(before);
        }
        const bool ok = send(client, i);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
        (ok ? done : failed) += 1;
      }
      std::lock_guard<std::mutex> lock(mutex);
      phase.Milliseconds.insert(phase.Milliseconds.end(), times.begin(), times.end());
      phase.Done += done;
      phase.Failed += failed;
    });
  }
  for (std::thread& t : clients) t.join();
  phase.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::sort(phase.Milliseconds.begin(), phase.Milliseconds.end());
  return phase;
}

// Seconds of CPU that the process and, with `children`, its direct children have used.
double CpuSeconds(pid_t pid, bool children) {
  double ticks = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(line.substr(close + 2));
    std::string state;
    long parent = 0;
    fields >> state >> parent;
    if (std::stol(name) != pid && !(children && parent == pid)) continue;
    std::string skip;
    for (int i = 0; i < 9; ++i) fields >> skip;  // to utime, the 14th field
    long user = 0, system = 0;
    fields >> user >> system;
    ticks += static_cast<double>(user + system);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[at];
}

void Report(const char* what, const Phase& p) {
  std::printf("%-28s %6zu in %6.2f s: %8.1f /s, p50 %7.2f ms, p99 %7.2f ms, max %7.2f ms%s\n", what,
              p.Done, p.Seconds, static_cast<double>(p.Done) / p.Seconds,
              Percentile(p.Milliseconds, 0.5), Percentile(p.Milliseconds, 0.99),
              p.Milliseconds.empty() ? 0.0 : p.Milliseconds.back(),
              p.Failed != 0 ? (", " + std::to_string(p.Failed) + " FAILED").c_str() : "");
  std::fflush(stdout);
}

std::optional<int> Option(std::string_view arg, std::string_view name, int most) {
  if (arg.rfind(name, 0) != 0) return std::nullopt;
  const int n = std::atoi(std::string(arg.substr(name.size())).c_str());
  return std::clamp(n, 1, most);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 1000, listings = 20000, connections = 16, seconds = 30;
  double submitRate = 0, listRate = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (auto n = Option(arg, "--rounds=", 20000)) {
      rounds = *n;
    } else if (auto l = Option(arg, "--listings=", 200000)) {
      listings = *l;
    } else if (auto c = Option(arg, "--connections=", 64)) {
      connections = *c;
    } else if (auto s = Option(arg, "--seconds=", 120)) {
      seconds = *s;
    } else if (auto r = Option(arg, "--submit-rate=", 10000)) {
      submitRate = *r;
    } else if (auto q = Option(arg, "--list-rate=", 100000)) {
      listRate = *q;
    } else {
      std::fprintf(stderr,
                   "usage: ranking_load [--rounds=N] [--listings=N] [--connections=N] "
                   "[--seconds=S] [--submit-rate=R] [--list-rate=R]\n");
      return 2;
    }
  }
  using namespace enclova::testing;
  PostgresCluster cluster;
  if (!cluster.Ready()) {
    std::fprintf(stderr, "ranking_load: %s\n", cluster.Failure().c_str());
    return 1;
  }
  const std::string db = cluster.NewDatabase();
  ServerProcess server(db, {"--per-address=100000000", "--per-token=100000000"});
  if (server.Port() == 0) {
    std::fprintf(stderr, "ranking_load: the server did not start: %s\n", server.Log().c_str());
    return 1;
  }

  // Rounds 20 s to 3 min long, each one a play of its own, played through the session as the
  // window plays them, recorded before the clock starts.
  const auto recordStart = Clock::now();
  const std::uint32_t seed = GoodSeed(1);
  const std::vector<std::string> files = RecordGoodRounds(
      seed, rounds,
      [rounds](int i) {
        return 14'000 + static_cast<int>((static_cast<long long>(i) * 160'000) / rounds);
      },
      0);
  std::size_t bytes = 0;
  for (const std::string& f : files) bytes += f.size();
  std::printf("%d rounds recorded in %.1f s, %zu bytes on average\n", rounds,
              std::chrono::duration<double>(Clock::now() - recordStart).count(),
              bytes / files.size());

  // The CPU each side used, which a busy machine does not inflate as it does the rates.
  const auto cpu = [&] {
    return std::pair{CpuSeconds(server.Process(), false), CpuSeconds(cluster.MainProcess(), true)};
  };
  const auto Cost = [](const char* what, std::pair<double, double> before,
                       std::pair<double, double> after, std::size_t requests) {
    if (requests == 0) return;
    std::printf("  CPU per %s: server %.2f ms, PostgreSQL %.2f ms\n", what,
                1000 * (after.first - before.first) / static_cast<double>(requests),
                1000 * (after.second - before.second) / static_cast<double>(requests));
  };
  const auto beforeSubmissions = cpu();
  const Phase submitted =
      Run(server.Port(), files.size(), connections, std::chrono::seconds(seconds), submitRate,
          [&](httplib::Client& client, std::size_t i) {
            const httplib::Headers headers = {
                {"X-Enclova-Name", "player" + std::to_string(i % 500)},
                {"X-Enclova-Token", "load-token-" + std::to_string(i % 500) + "-0123456789"}};
            const auto r = client.Post("/api/submit", headers, files[i], "text/plain");
            return r && r->status == 200;
          });
  Report("submissions verified, stored", submitted);
  Cost("submission", beforeSubmissions, cpu(), submitted.Done + submitted.Failed);
  const auto beforeListings = cpu();

  const Phase listed =
      Run(server.Port(), static_cast<std::size_t>(listings), connections,
          std::chrono::seconds(seconds), listRate, [](httplib::Client& client, std::size_t) {
            const auto r = client.Get("/api/ranking?level=1");
            return r && r->status == 200 && r->body.size() > 100;
          });
  Report("world ranking listings", listed);
  Cost("listing", beforeListings, cpu(), listed.Done + listed.Failed);
  return submitted.Failed == 0 && listed.Failed == 0 ? 0 : 1;
}
