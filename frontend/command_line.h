// SPDX-License-Identifier: MIT
// The game's command line: its options, their checks, and the help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace enclova {

// --replay and what goes with it.
struct ReplayRequest {
  std::string File;  // none asked for when empty
  bool Headless = false;
  std::string Screenshot;  // a PNG of the final picture, when set
};

// What --help prints.
extern const char* const kUsage;

struct CommandLine {
  bool Help = false;
  bool Version = false;
  std::optional<std::uint32_t> Seed;
  int Scale = 0;  // 0: chosen from the display
  std::string DataDir;
  ReplayRequest Replay;  // Replay.File empty: play the game
};

// Reads argv[1..argc-1]. False with one line in `error` (no program name, no newline)
// for an unknown option, a missing or bad value, an option given twice, a stray argument, or
// options that do not go together.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& out, std::string* error);

}  // namespace enclova
