// SPDX-License-Identifier: MIT
// Text through the game's face, the built-in atlas, and through the installed font it was
// rendered from: the ranking screen's texts, once the font's glyphs are cached.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "app/game_typeface.h"
#include "base/texts.h"
#include "fonts/freetype_face.h"
#include "fonts/game_fonts.h"

namespace enclova {
namespace {

// The fifty-odd texts the ranking screen draws, levels, times and empty rows mixed.
std::vector<std::string> RankingScreenTexts() {
  std::vector<std::string> texts = {std::string(kRankHeading), std::string(kLevelHeading),
                                    std::string(kTimeHeading), std::string(kPressAnyKey)};
  for (int i = 1; i <= 20; ++i) {
    texts.push_back(std::to_string(i));
    if (i % 3 == 0) {
      texts.emplace_back(kNoEntry);
    } else {
      texts.push_back(std::to_string(i % 10 + 1));
      texts.push_back(std::to_string(i % 10) + "' " + std::to_string(i % 6) +
                      std::to_string(i % 10) + "\"");
    }
  }
  return texts;
}

// The whole ranking screen is redrawn on every repaint; it should cost well under a
// millisecond.
void RenderRankingScreenTexts(benchmark::State& state, const Typeface& face) {
  const std::vector<std::string> texts = RankingScreenTexts();
  for (const std::string& text : texts) face.Render(text, 16);
  for (auto _ : state) {
    int total = 0;
    for (const std::string& text : texts) total += face.Render(text, 16).Width;
    benchmark::DoNotOptimize(total);
  }
  state.counters["texts"] = static_cast<double>(texts.size());
}

void BM_RankingScreenTextsAtlas(benchmark::State& state) {
  RenderRankingScreenTexts(state, *OpenGameTypeface());
}
BENCHMARK(BM_RankingScreenTextsAtlas)->Unit(benchmark::kMicrosecond);

// The same face through FreeType, as the game drew it before its glyphs were built in.
void BM_RankingScreenTextsCached(benchmark::State& state) {
  const std::unique_ptr<FreeTypeTypeface> face = OpenGameFreeTypeface();
  if (!face->Load()) {
    state.SkipWithError("no installed font draws the game's texts");
    return;
  }
  RenderRankingScreenTexts(state, *face);
}
BENCHMARK(BM_RankingScreenTextsCached)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace enclova
