// SPDX-License-Identifier: MIT
// Forked children for the tests.
#include "tests/kit/child.h"

#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace enclova::testing {

ChildReport RunInChild(const std::function<std::string()>& work) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    close(pipeFds[0]);
    const std::string text = work();
    (void)!write(pipeFds[1], text.data(), text.size());
    _exit(0);
  }
  close(pipeFds[1]);
  ChildReport report;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    report.Text.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  if (waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");
  report.Exited = WIFEXITED(status);
  report.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return report;
}

}  // namespace enclova::testing
