// SPDX-License-Identifier: MIT
// Timings of the raster operations at the sizes a key press uses: board layers and the sheet;
// and of a screenshot's encoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/png.h"
#include "gfx/surface.h"
#include "tests/kit/game.h"
#include "tests/kit/pictures.h"

namespace enclova {
namespace {

// The judging's fill: a whole board layer, border black, nothing in the way.
void BM_FloodFillWholeLayer(benchmark::State& state) {
  Surface layer(400, 400);
  layer.Brush.Color = 0x00C0FF98;
  for (auto _ : state) {
    layer.FloodFill(0, 0, clBlack);  // the visited set makes every pass do the full work
    benchmark::DoNotOptimize(layer.Pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * 400 * 400);
}
BENCHMARK(BM_FloodFillWholeLayer)->Unit(benchmark::kMicrosecond);

// The same around a closed path with diagonal corners, as a judged loop leaves it.
void BM_FloodFillAroundALoop(benchmark::State& state) {
  Surface layer(400, 400);
  layer.MoveTo(100, 20);
  for (auto [x, y] : {std::pair{300, 20},
                      {380, 100},
                      {380, 300},
                      {300, 380},
                      {100, 380},
                      {20, 300},
                      {20, 100},
                      {100, 20}}) {
    layer.LineTo(x, y);
  }
  layer.Brush.Color = 0x00C0FF98;
  for (auto _ : state) {
    layer.FloodFill(0, 0, clBlack);
    benchmark::DoNotOptimize(layer.Pixels().data());
  }
}
BENCHMARK(BM_FloodFillAroundALoop)->Unit(benchmark::kMicrosecond);

void BM_DrawLayer(benchmark::State& state) {
  Surface window(600, 400);
  Surface layer(400, 400);
  window.CopyMode = static_cast<TCopyMode>(state.range(0));
  for (auto _ : state) {
    window.Draw(0, 0, layer);
    benchmark::DoNotOptimize(window.Pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * 400 * 400);
}
BENCHMARK(BM_DrawLayer)->Arg(SRCCOPY)->Arg(SRCINVERT)->Arg(SRCAND)->Unit(benchmark::kMicrosecond);

void BM_RectangleBoard(benchmark::State& state) {
  Surface window(600, 400);
  for (auto _ : state) {
    window.Rectangle(0, 0, 400, 400);
    benchmark::DoNotOptimize(window.Pixels().data());
  }
}
BENCHMARK(BM_RectangleBoard)->Unit(benchmark::kMicrosecond);

void BM_DecodeSheet(benchmark::State& state) {
  const std::vector<std::uint8_t> file = EncodeBmp24(testing::MakeTestSheet());
  Surface sheet;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecodeBmp(file.data(), file.size(), sheet));
  }
}
BENCHMARK(BM_DecodeSheet)->Unit(benchmark::kMicrosecond);

// A screenshot (F12) of the title and of a board, as the key encodes it; the file's size is
// reported beside the time.
void BM_EncodePngScreen(benchmark::State& state) {
  testing::GameHarness::Options options;
  options.RealSheet = true;
  options.RealFont = true;
  testing::GameHarness game(options);
  game.Tick();
  if (state.range(0) > 0) game.StartRound(static_cast<int>(state.range(0)));
  std::size_t size = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> png = EncodePng(game.Form.Canvas);
    size = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodePngScreen)->Arg(0)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace enclova
