// SPDX-License-Identifier: MIT
// The harness builds a game that starts up.
#include <gtest/gtest.h>

#include "tests/kit/game.h"
namespace enclova::testing {
TEST(Harness, BuildsAGame) {
  GameHarness game;
  EXPECT_EQ(game.Form.Level, 1);
}
}  // namespace enclova::testing
