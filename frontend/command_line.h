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
  bool Daily = false;  // play on the UTC day's seed (frontend/daily_seed.h)
  int Scale = 0;       // 0: chosen from the display
  std::string DataDir;
  ReplayRequest Replay;  // Replay.File empty: play the game

  // The world ranking (frontend/world.h): each kept in the player's world settings.
  std::optional<std::string> Server;  // "" (from --server=none): forget the server
  std::optional<std::string> Name;
  // Commands that reach the server instead of playing.
  std::string Submit;        // a replay file to send now
  std::optional<int> World;  // print the world ranking of this level (1 when none is named)
};

// Reads argv[1..argc-1]. False with one line in `error` (no program name, no newline)
// for an unknown option, a missing or bad value, an option given twice, a stray argument, or
// options that do not go together.
bool ParseCommandLine(int argc, const char* const* argv, CommandLine& out, std::string* error);

}  // namespace enclova
