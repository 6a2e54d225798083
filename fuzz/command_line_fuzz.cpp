// SPDX-License-Identifier: MIT
// Any arguments on the command line, split at NUL bytes: each is taken or refused with one line
// saying why, and what is taken is within the game's ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/command_line.h"
#include "frontend/placement.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<const char*> argv = {"enclova"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  argv.push_back(nullptr);

  enclova::CommandLine options;
  std::string error;
  if (!enclova::ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data(), options, &error)) {
    Check(!error.empty() && error.find('\n') == std::string::npos);
    return 0;
  }
  Check(error.empty());
  Check(options.Scale >= 0 && options.Scale <= enclova::kMaxScale);
  // Replay options come with a replay only.
  if (options.Replay.File.empty()) {
    Check(!options.Replay.Headless && options.Replay.Screenshot.empty());
  }
  return 0;
}
