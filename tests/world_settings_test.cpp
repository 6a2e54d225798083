// SPDX-License-Identifier: MIT
// The world ranking's settings file and the token a player's name is owned by.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frontend/world.h"
#include "posix/posix_platform.h"
#include "tests/kit/fakes.h"

namespace enclova {
namespace {

TEST(WorldSettings, AreKeptAndReadBackAndMissingOnesStayEmpty) {
  testing::TempDir dir;
  PosixFileSystem files;
  const std::string path = dir.File("config/enclova/world");
  EXPECT_EQ(LoadWorldSettings(files, path).Server, "");
  const WorldSettings kept{"http://127.0.0.1:8080", "Ada = Lovelace", "tok-0123456789abcdef"};
  ASSERT_TRUE(SaveWorldSettings(files, path, kept));
  const WorldSettings read = LoadWorldSettings(files, path);
  EXPECT_EQ(read.Server, kept.Server);
  EXPECT_EQ(read.Name, kept.Name);  // the first '=' ends the key
  EXPECT_EQ(read.Token, kept.Token);
  ASSERT_TRUE(SaveWorldSettings(files, path, WorldSettings{"", "Ada", ""}));
  const std::string text = "name=Ada\n";
  EXPECT_EQ(testing::ReadFileBytes(path), std::vector<std::uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(LoadWorldSettings(files, path).Server, "");
}

TEST(WorldSettings, TokensAreLongRandomAndWhatTheServerTakes) {
  std::set<std::string> tokens;
  for (int i = 0; i < 100; ++i) {
    const std::string token = MakeToken();
    ASSERT_EQ(token.size(), 43u);
    EXPECT_EQ(
        token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
        std::string::npos)
        << token;
    tokens.insert(token);
  }
  EXPECT_EQ(tokens.size(), 100u);
}

}  // namespace
}  // namespace enclova
