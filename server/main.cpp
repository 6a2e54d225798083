// SPDX-License-Identifier: MIT
// enclova-server: the world ranking, where a record is a replay the server has played back to
// its digests. It holds nothing between requests: the store is PostgreSQL, so any number of
// servers can share one database behind a load balancer.
//
//   enclova-server --db=CONNECTION [--listen=127.0.0.1] [--port=8080] [--data-dir=DIR]
//                  [--site=DIR] [--threads=N] [--verifiers=N] [--per-address=N] [--per-token=N]
//                  [--max-body=BYTES] [--body-ms=MS] [--work-ms=MS]
//
// --data-dir holds the fgra.bmp every round is played against (the working directory by
// default); --site, the page's files, served beside the API.
// Applies the schema's migrations, then serves until SIGINT or SIGTERM.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "frontend/ranked_round.h"
#include "server/api.h"
#include "server/store.h"

namespace {

httplib::Server* serving = nullptr;

// cpp-httplib listens with a queue of 5 connections, which a burst of clients overflows: the
// kernel then drops their handshakes, and they wait a second or more to try again. Its socket
// is found among the process's descriptors and given a longer queue (listen again on a
// listening socket only changes its queue).
void LengthenListenQueue(int port) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    const int fd = std::atoi(entry.path().filename().c_str());
    int listening = 0;
    socklen_t size = sizeof listening;
    sockaddr_storage address{};
    socklen_t addressSize = sizeof address;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening == 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressSize) != 0) {
      continue;
    }
    const int bound = address.ss_family == AF_INET
                          ? ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port)
                      : address.ss_family == AF_INET6
                          ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
                          : -1;
    if (bound == port) listen(fd, SOMAXCONN);
  }
}

void Stop(int) {
  // Only a flag and a shutdown(2) inside: safe in a signal handler.
  if (serving != nullptr) serving->stop();
}

std::optional<int> Number(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

int Usage() {
  std::fprintf(stderr,
               "usage: enclova-server --db=CONNECTION [--listen=ADDRESS] [--port=PORT] "
               "[--data-dir=DIR] [--site=DIR] [--threads=N] [--verifiers=N] [--per-address=N] "
               "[--per-token=N] [--max-body=BYTES] [--body-ms=MS] [--work-ms=MS]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string db;
  std::string listen = "127.0.0.1";
  std::string dataDir = ".";
  std::string site;
  int port = 8080;
  int threads = 64;
  enclova::server::ApiOptions options;
  options.Verifiers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const std::size_t equals = arg.find('=');
    if (arg.rfind("--", 0) != 0 || equals == std::string_view::npos) return Usage();
    const std::string_view key = arg.substr(2, equals - 2);
    const std::string_view value = arg.substr(equals + 1);
    std::optional<int> n = Number(value);
    if (key == "db") {
      db = value;
    } else if (key == "listen") {
      listen = value;
    } else if (key == "data-dir") {
      dataDir = value;
    } else if (key == "site" && !value.empty()) {
      site = value;
    } else if (key == "port" && n && *n <= 65535) {
      port = *n;
    } else if (key == "threads" && n && *n >= 1) {
      threads = *n;
    } else if (key == "verifiers" && n && *n >= 1) {
      options.Verifiers = *n;
    } else if (key == "per-address" && n) {
      options.PerAddressPerMinute = *n;
    } else if (key == "per-token" && n) {
      options.PerTokenPerMinute = *n;
    } else if (key == "max-body" && n && *n >= 1) {
      options.MaxBodyBytes = static_cast<std::size_t>(*n);
    } else if (key == "body-ms" && n && *n >= 1) {
      options.BodyMilliseconds = *n;
    } else if (key == "work-ms" && n && *n >= 1) {
      options.WorkMilliseconds = *n;
    } else {
      return Usage();
    }
  }
  if (db.empty()) return Usage();

  const std::string sheetPath = dataDir + "/fgra.bmp";
  std::ifstream sheet(sheetPath, std::ios::binary);
  std::vector<std::uint8_t> sheetBytes(std::istreambuf_iterator<char>(sheet), {});
  if (!sheet.good() && !sheet.eof()) sheetBytes.clear();
  if (sheetBytes.empty()) {
    std::fprintf(stderr, "enclova-server: cannot read %s\n", sheetPath.c_str());
    return 1;
  }

  enclova::server::Store store(db);
  try {
    const int version = store.Migrate();
    std::fprintf(stderr, "enclova-server: schema version %d\n", version);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "enclova-server: the database: %s\n", e.what());
    return 1;
  }

  httplib::Server http;
  http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  http.set_payload_max_length(options.MaxBodyBytes);
  // Per read: a slow body is also bounded as a whole by the submit route.
  http.set_read_timeout(2, 0);
  http.set_write_timeout(5, 0);
  http.set_keep_alive_timeout(5);
  http.set_keep_alive_max_count(1000);
  // A response goes out in two writes (head, body): without this the second waits for the
  // client's delayed acknowledgement, 40 ms.
  http.set_tcp_nodelay(true);
  enclova::RoundProver prover(std::move(sheetBytes));
  enclova::server::AddRoutes(http, store, prover, options);
  // The page beside the API, so that it reaches the API on its own origin. cpp-httplib serves
  // only files under the folder, and index.html for a folder.
  if (!site.empty() && !http.set_mount_point("/", site)) {
    std::fprintf(stderr, "enclova-server: --site: not a folder: %s\n", site.c_str());
    return 1;
  }

  serving = &http;
  std::signal(SIGINT, Stop);
  std::signal(SIGTERM, Stop);
  std::signal(SIGPIPE, SIG_IGN);
  // Port 0: any free port, which the line below names.
  if (port == 0) {
    port = http.bind_to_any_port(listen);
  } else if (!http.bind_to_port(listen, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "enclova-server: cannot listen on %s\n", listen.c_str());
    return 1;
  }
  LengthenListenQueue(port);
  std::fprintf(stderr, "enclova-server: listening on %s:%d\n", listen.c_str(), port);
  std::fflush(stderr);
  http.listen_after_bind();
  serving = nullptr;
  return 0;
}
