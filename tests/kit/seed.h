// SPDX-License-Identifier: MIT
// The one seed convention of the randomised tests: every seed is named in the failure it leads
// to, and ENCLOVA_TEST_SEED=n (or a comma-separated list) replays chosen ones in every such test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace enclova::testing {

constexpr const char* kSeedVariable = "ENCLOVA_TEST_SEED";

// The seeds from ENCLOVA_TEST_SEED when it is set; otherwise `defaults`, or one fresh seed when
// there are none. Throws std::invalid_argument on a variable that is not a list of numbers.
std::vector<std::uint32_t> TestSeeds(const std::vector<std::uint32_t>& defaults = {});

// "seed n (ENCLOVA_TEST_SEED=n replays it)", for SCOPED_TRACE.
std::string SeedNote(std::uint32_t seed);

}  // namespace enclova::testing
