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
      {{"--daily", "--scale=2"}, {}, 2, "", "", "", false, false},
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
    EXPECT_EQ(out.Daily, c.args.size() > 0 && c.args[0] == "--daily");
  }
}

// The world ranking's options: a server and a name kept, a file sent, a level's ranking shown.
TEST(CommandLine, TakesTheWorldRankingsOptions) {
  const struct {
    std::vector<std::string> args;
    std::optional<std::string> server, name;
    std::string submit;
    std::optional<int> world;
  } kCases[] = {
      {{"--world"}, {}, {}, "", 1},
      {{"--world", "7"}, {}, {}, "", 7},
      {{"--world=10"}, {}, {}, "", 10},
      // A number after --world is its level; an option after it is an option.
      {{"--world", "--server=http://127.0.0.1:8080"}, "http://127.0.0.1:8080", {}, "", 1},
      {{"--server", "https://rank.example.org/", "--name", "Ada Lovelace"},
       "https://rank.example.org",
       "Ada Lovelace",
       "",
       {}},
      {{"--server=none"}, "", {}, "", {}},
      {{"--submit", "a.replay", "--name=\xe5\x90\x8d"}, {}, "\xe5\x90\x8d", "a.replay", {}},
      {{"--server=http://[::1]:80", "--world=2"}, "http://[::1]:80", {}, "", 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    CommandLine out;
    std::string error;
    ASSERT_TRUE(Parse(c.args, out, error)) << error;
    EXPECT_EQ(out.Server, c.server);
    EXPECT_EQ(out.Name, c.name);
    EXPECT_EQ(out.Submit, c.submit);
    EXPECT_EQ(out.World, c.world);
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
      {{"--world=0"}, "--world: not a level from 1 to 10: 0"},
      {{"--world=11"}, "--world: not a level from 1 to 10: 11"},
      {{"--world", "11"}, "--world: not a level from 1 to 10: 11"},
      {{"--world=x"}, "--world: not a level from 1 to 10: x"},
      {{"--world", "x"}, "unexpected argument 'x' (try --help)"},
      {{"--submit=a", "--world"}, "--replay, --submit and --world go one at a time"},
      {{"--submit=a", "--replay=b"}, "--replay, --submit and --world go one at a time"},
      {{"--world", "--daily"}, "--daily goes with playing only"},
      {{"--submit=a", "--seed=3"}, "--seed goes with playing only"},
      {{"--submit="}, "--submit: empty file name"},
      {{"--server=ftp://a"}, "--server: not an http:// or https:// address: ftp://a"},
      {{"--server=http://"}, "--server: no host: http://"},
      {{"--server=http://a/b"}, "--server: not a host name: a/b: http://a/b"},
      {{"--server=http://a:99999"}, "--server: not a port: 99999: http://a:99999"},
      {{"--server=http://a:"}, "--server: not a port: : http://a:"},
      {{"--name="}, "--name: an empty name"},
      {{"--name= Ada"}, "--name: a space at an end of the name"},
      {{"--name=A\tda"}, "--name: a control character in the name"},
      {{"--name=\xe5\x90"}, "--name: a name that is not UTF-8"},
      {{"--name=abcdefghijklmnopqrstuvwxy"}, "--name: a name longer than 24 characters"},
      {{"--daily", "--replay=a"}, "--daily cannot go with --replay"},
      {{"--seed=1", "--daily"}, "--daily cannot go with --seed"},
      {{"--daily", "--daily"}, "option '--daily' given more than once"},
      {{"--daily=1"}, "unknown option '--daily=1' (try --help)"},
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
