// SPDX-License-Identifier: MIT
// The game's command line: every option's forms, and the one line for each mistake.
#include "frontend/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace enclova {
namespace {

bool Parse(std::vector<std::string> args, CommandLine& out, std::string& error) {
  args.insert(args.begin(), "enclova");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(args.size()), argv.data(), out, &error);
}

TEST(CommandLine, AcceptsEachOptionInItsForms) {
  const struct {
    std::vector<std::string> args;
    std::optional<std::uint32_t> seed;
    int scale;
    std::string dataDir, replay, screenshot;
    bool headless, help;
  } kCases[] = {
      {{}, {}, 0, "", "", "", false, false},
      {{"--seed", "5"}, 5u, 0, "", "", "", false, false},
      {{"--seed=4294967295"}, 4294967295u, 0, "", "", "", false, false},
      {{"--seed=0", "--scale=3"}, 0u, 3, "", "", "", false, false},
      {{"--scale", "16", "--data-dir", "/tmp/d"}, {}, 16, "/tmp/d", "", "", false, false},
      {{"-h"}, {}, 0, "", "", "", false, true},
      {{"--help"}, {}, 0, "", "", "", false, true},
      {{"--replay", "a.replay"}, {}, 0, "", "a.replay", "", false, false},
      {{"--headless", "--replay", "a", "--screenshot", "o.png"},
       {},
       0,
       "",
       "a",
       "o.png",
       true,
       false},
      {{"--replay=a", "--scale=2", "--data-dir=d"}, {}, 2, "d", "a", "", false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    CommandLine out;
    std::string error;
    ASSERT_TRUE(Parse(c.args, out, error)) << error;
    EXPECT_EQ(out.Seed, c.seed);
    EXPECT_EQ(out.Scale, c.scale);
    EXPECT_EQ(out.DataDir, c.dataDir);
    EXPECT_EQ(out.Replay.File, c.replay);
    EXPECT_EQ(out.Replay.Screenshot, c.screenshot);
    EXPECT_EQ(out.Replay.Headless, c.headless);
    EXPECT_EQ(out.Help, c.help);
  }
}

TEST(CommandLine, RefusesMistakesWithOneLineNamingThem) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } kCases[] = {
      {{"--bogus"}, "unknown option '--bogus' (try --help)"},
      {{"-x"}, "unknown option '-x' (try --help)"},
      {{"--seed"}, "option '--seed' needs a value (try --help)"},
      {{"--seed=-1"}, "--seed: not a number from 0 to 4294967295: -1"},
      {{"--seed=4294967296"}, "--seed: not a number from 0 to 4294967295: 4294967296"},
      {{"--seed=1", "--seed=2"}, "option '--seed' given more than once"},
      {{"-h", "--help"}, "option '--help' given more than once"},
      {{"--scale=0"}, "--scale: not a whole number from 1 to 16: 0"},
      {{"--scale=17"}, "--scale: not a whole number from 1 to 16: 17"},
      {{"--scale=2x"}, "--scale: not a whole number from 1 to 16: 2x"},
      {{"--data-dir="}, "--data-dir: empty directory name"},
      {{"stray"}, "unexpected argument 'stray' (try --help)"},
      {{"--replay"}, "option '--replay' needs a value (try --help)"},
      {{"--replay="}, "--replay: empty file name"},
      {{"--replay", "a", "--screenshot"}, "option '--screenshot' needs a value (try --help)"},
      {{"--replay", "a", "--seed", "5"}, "--seed cannot go with --replay"},
      {{"--replay=a", "--headless", "--scale=2"}, "--scale cannot go with --headless"},
      {{"--headless"}, "--headless goes with --replay"},
      {{"--screenshot=o.png"}, "--screenshot goes with --replay"},
      // What was given is quoted without its control characters: still one line, no escapes.
      {{"--scale=2\n3"}, "--scale: not a whole number from 1 to 16: 2?3"},
      {{"stray\x1b[2J"}, "unexpected argument 'stray?[2J' (try --help)"},
      {{"--\r\x7fz"}, "unknown option '--??z' (try --help)"},
      {{"--seed=\xe4\xb8\x80"}, "--seed: not a number from 0 to 4294967295: \xe4\xb8\x80"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    CommandLine out;
    std::string error;
    EXPECT_FALSE(Parse(c.args, out, error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace enclova
