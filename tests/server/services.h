// SPDX-License-Identifier: MIT
// A real PostgreSQL cluster and real enclova-server processes for the server's tests, on
// 127.0.0.1 only. PostgreSQL refuses to run as root, so as root the cluster runs as the user
// `postgres`.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace enclova::testing {

class PostgresCluster {
 public:
  // initdb in a new temporary folder, then started on a free port on 127.0.0.1. Check Ready().
  PostgresCluster();
  ~PostgresCluster();  // stopped, and its folder removed

  bool Ready() const { return ready_; }
  const std::string& Failure() const { return failure_; }
  // A new, empty database; its connection string.
  std::string NewDatabase();
  // Kills every process of the cluster with SIGKILL (no checkpoint: what a commit acknowledged
  // must come back from the write-ahead log), then starts it again.
  bool CrashAndRestart();
  // The cluster's main process (its backends are its children); 0 when it is not running.
  pid_t MainProcess() const;
  // One SQL statement's result rows, a line each, through psql.
  std::string Query(const std::string& database, const std::string& sql);

 private:
  bool Start();
  std::string Owned(const std::vector<std::string>& command) const;

  std::string dir_;
  int port_ = 0;
  int databases_ = 0;
  bool ready_ = false;
  std::string failure_;
};

class ServerProcess {
 public:
  // Starts enclova-server on a free port on 127.0.0.1 against `connection`, with the extra
  // arguments; Port() is 0 when it did not come up.
  ServerProcess(const std::string& connection, const std::vector<std::string>& arguments = {});
  ~ServerProcess();  // stopped with SIGTERM
  int Port() const { return port_; }
  pid_t Process() const { return pid_; }
  void Kill9();
  // The process's standard error so far.
  std::string Log() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string log_;
};

// Runs `command` and waits; its exit status (-1 when it could not run).
int RunCommand(const std::vector<std::string>& command, std::string* output = nullptr);

}  // namespace enclova::testing
