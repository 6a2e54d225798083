// SPDX-License-Identifier: MIT
// Seeds for the randomised tests.
#include "tests/kit/seed.h"

#include <cstdlib>
#include <random>
#include <sstream>
#include <stdexcept>

namespace enclova::testing {

std::vector<std::uint32_t> TestSeeds(const std::vector<std::uint32_t>& defaults) {
  const char* env = std::getenv(kSeedVariable);
  if (env == nullptr || *env == '\0') {
    if (!defaults.empty()) return defaults;
    return {static_cast<std::uint32_t>(std::random_device{}())};
  }
  std::vector<std::uint32_t> seeds;
  std::stringstream list(env);
  std::string item;
  while (std::getline(list, item, ',')) {
    std::size_t used = 0;
    const unsigned long value = std::stoul(item, &used);
    if (used != item.size() || value > 0xFFFFFFFFul) {
      throw std::invalid_argument(std::string(kSeedVariable) + ": not a seed: " + item);
    }
    seeds.push_back(static_cast<std::uint32_t>(value));
  }
  return seeds;
}

std::string SeedNote(std::uint32_t seed) {
  return "seed " + std::to_string(seed) + " (" + kSeedVariable + "=" + std::to_string(seed) +
         " replays it)";
}

}  // namespace enclova::testing
