// SPDX-License-Identifier: MIT
// Good rounds recorded by the game's own recorder on the headless game, for submitting to the
// ranking server: each a different play, so each is a record of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace enclova::testing {

// The first seed from `from` on whose level-1 board a good loop is found.
std::uint32_t GoodSeed(std::uint32_t from);

// A good level-1 round on `seed` (from GoodSeed) whose loop is started `waitMs` into the clock.
// The clock is read every `tickMs` while the player waits: 33 is every tick of a stepped clock,
// larger steps are a window that sleeps between the clock's changes, whose files are smaller.
std::string RecordGoodRound(std::uint32_t seed, int waitMs, int tickMs = 33);

// The same round played through GameSession as a window plays it: the front end's loop ticks
// only when the session's plan says (it sleeps through ticks that would do nothing), keys come
// at a player's pace, and the session's own recorder writes the file, dated `wallClockMs` (UTC
// milliseconds since 1970; the default is 2026-12-10 00:00).
std::string RecordWindowRound(std::uint32_t seed, int waitMs,
                              std::int64_t wallClockMs = 1'796'860'800'000);

// `count` such rounds, the i-th waiting `waitMs(i)`, recorded on every core.
// tickMs 0: RecordWindowRound.
std::vector<std::string> RecordGoodRounds(std::uint32_t seed, int count,
                                          const std::function<int(int)>& waitMs, int tickMs);

}  // namespace enclova::testing
