// SPDX-License-Identifier: MIT
// Work that must not touch the test process (resource limits, signal dispositions, a possible
// hang): run in a forked child that reports back as text.
#pragma once

#include <functional>
#include <string>

namespace enclova::testing {

struct ChildReport {
  std::string Text;     // what `work` returned
  bool Exited = false;  // false when a signal (an alarm, a crash) ended the child
  int Signal = 0;       // that signal
};

// Runs `work` in a forked child and waits for it; the child ends with _exit, so nothing of the
// test process's own teardown runs there.
ChildReport RunInChild(const std::function<std::string()>& work);

}  // namespace enclova::testing
