// SPDX-License-Identifier: MIT
// PostgreSQL and enclova-server as real processes for the tests.
#include "tests/server/services.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace enclova::testing {

namespace {

constexpr const char* kPgBin = ENCLOVA_PG_BIN;

// A port on 127.0.0.1 that nothing listens on now.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
    port = ntohs(a.sin_port);
  }
  close(s);
  return port;
}

std::vector<char*> Argv(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

pid_t Spawn(const std::vector<std::string>& command, const std::string& outputPath) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    dup2(fd, 2);
    setpgid(0, 0);
    execv(command[0].c_str(), Argv(command).data());
    _exit(127);
  }
  return pid;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int RunCommand(const std::vector<std::string>& command, std::string* output) {
  const std::string path =
      std::filesystem::temp_directory_path() / ("enclova-run-" + std::to_string(getpid()));
  const pid_t pid = Spawn(command, path);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  if (output != nullptr) *output = ReadText(path);
  std::filesystem::remove(path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PostgresCluster::PostgresCluster() {
  char pattern[] = "/tmp/enclova-pg-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    failure_ = "no temporary folder";
    return;
  }
  dir_ = pattern;
  if (geteuid() == 0) {
    const passwd* user = getpwnam("postgres");
    if (user == nullptr || chown(dir_.c_str(), user->pw_uid, user->pw_gid) != 0) {
      failure_ = "as root, the cluster needs the user postgres (Debian's postgresql makes it)";
      return;
    }
  }
  std::string out;
  if (RunCommand({"/bin/sh", "-c",
                  Owned({std::string(kPgBin) + "/initdb", "-D", dir_ + "/data", "-U", "postgres",
                         "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"})},
                 &out) != 0) {
    failure_ = "initdb failed: " + out;
    return;
  }
  port_ = FreePort();
  ready_ = Start();
}

// The command as a line for sh, run as the cluster's owner.
std::string PostgresCluster::Owned(const std::vector<std::string>& command) const {
  std::string line = geteuid() == 0 ? "exec runuser -u postgres --" : "exec";
  for (const std::string& a : command) line += " '" + a + "'";
  return line;
}

bool PostgresCluster::Start() {
  std::string out;
  const std::string options = "-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) +
                              " -c unix_socket_directories=" + dir_ +
                              " -c max_connections=300 -c recovery_init_sync_method=syncfs";
  if (RunCommand({"/bin/sh", "-c",
                  Owned({std::string(kPgBin) + "/pg_ctl", "-D", dir_ + "/data", "-l",
                         dir_ + "/postgres.log", "-w", "-o", options, "start"})},
                 &out) != 0) {
    failure_ = "pg_ctl start failed: " + out + ReadText(dir_ + "/postgres.log");
    return false;
  }
  return true;
}

PostgresCluster::~PostgresCluster() {
  if (ready_) {
    RunCommand({"/bin/sh", "-c",
                Owned({std::string(kPgBin) + "/pg_ctl", "-D", dir_ + "/data", "-m", "immediate",
                       "-w", "stop"})});
  }
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::string PostgresCluster::NewDatabase() {
  const std::string name = "ranking" + std::to_string(++databases_);
  Query("postgres", "CREATE DATABASE " + name);
  return "host=127.0.0.1 port=" + std::to_string(port_) + " user=postgres dbname=" + name;
}

bool PostgresCluster::CrashAndRestart() {
  // kill -9 of the main process and every backend at once: no shutdown checkpoint, nothing
  // flushed but what each commit flushed; the next start recovers from the write-ahead log.
  const pid_t main = MainProcess();
  if (main <= 0) return false;
  std::vector<pid_t> processes = {main};
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream in(entry.path() / "stat");
    std::string line;
    if (!std::getline(in, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string state;
    pid_t parent = 0;
    fields >> state >> parent;
    if (parent == main) processes.push_back(std::stoi(entry.path().filename().string()));
  }
  for (const pid_t pid : processes) kill(pid, SIGKILL);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const pid_t pid : processes) {
    while (kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return ready_ = Start();
}

pid_t PostgresCluster::MainProcess() const {
  std::ifstream in(dir_ + "/data/postmaster.pid");
  pid_t pid = 0;
  in >> pid;
  return in ? pid : 0;
}

std::string PostgresCluster::Query(const std::string& database, const std::string& sql) {
  std::string out;
  RunCommand({std::string(kPgBin) + "/psql", "-h", "127.0.0.1", "-p", std::to_string(port_), "-U",
              "postgres", "-d", database, "-tAq", "-c", sql},
             &out);
  return out;
}

ServerProcess::ServerProcess(const std::string& connection,
                             const std::vector<std::string>& arguments) {
  char pattern[] = "/tmp/enclova-server-log-XXXXXX";
  const int fd = mkstemp(pattern);
  if (fd >= 0) close(fd);
  log_ = pattern;
  std::vector<std::string> command = {ENCLOVA_SERVER, "--db=" + connection, "--port=0",
                                      std::string("--data-dir=") + ENCLOVA_SOURCE_DIR + "/assets"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  pid_ = Spawn(command, log_);
  // It names its port once it listens.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string text = ReadText(log_);
    const std::size_t at = text.find("listening on 127.0.0.1:");
    if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
      port_ = std::atoi(text.c_str() + at + 23);
      return;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  std::filesystem::remove(log_);
}

void ServerProcess::Kill9() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string ServerProcess::Log() const {
  return ReadText(log_);
}

}  // namespace enclova::testing
