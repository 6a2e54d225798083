// SPDX-License-Identifier: MIT
// Timings of the window's part of start-up that need no X server: the first frame's title drawn
// whole at 1x, 2x and 3x into a window surface's memory as new as at start-up (the kernel's
// first touch of each page included), with and without that memory readied beside it; a later
// whole present into memory in use; and the cells a key changes.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "app/form.h"
#include "sdl/sdl_window.h"
#include "tests/kit/game.h"

namespace enclova {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;

// The title as the first frame shows it.
const std::vector<std::uint32_t>& Title() {
  static const std::vector<std::uint32_t> pixels = [] {
    testing::GameHarness::Options options;
    options.RealSheet = true;
    testing::GameHarness game(options);
    game.Paint();
    return game.Form.Canvas.Pixels();
  }();
  return pixels;
}

// A window surface as SDL makes it for an X server that takes shared memory: a new segment of
// the window's size, 0x00RRGGBB.
class NewSurface {
 public:
  explicit NewSurface(int scale) {
    const int w = kWidth * scale, h = kHeight * scale;
    size_ = static_cast<std::size_t>(w) * h * 4;
    const int id = shmget(IPC_PRIVATE, size_, IPC_CREAT | 0600);
    pixels_ = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
    if (pixels_ == reinterpret_cast<void*>(-1)) return;
    surface_ =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels_, w, h, 32, w * 4, SDL_PIXELFORMAT_XRGB8888);
  }
  ~NewSurface() {
    if (surface_ != nullptr) SDL_FreeSurface(surface_);
    if (pixels_ != reinterpret_cast<void*>(-1)) shmdt(pixels_);
  }
  NewSurface(const NewSurface&) = delete;
  NewSurface& operator=(const NewSurface&) = delete;

  SDL_Surface* Get() const { return surface_; }
  std::uint8_t* Bytes() const { return static_cast<std::uint8_t*>(pixels_); }
  std::size_t Size() const { return size_; }

 private:
  std::size_t size_ = 0;
  void* pixels_ = reinterpret_cast<void*>(-1);
  SDL_Surface* surface_ = nullptr;
};

// The first frame's drawing at scale range(0), the surface's memory readied beside it on a
// second thread when range(1) is 1, as the window does from 2x. Wall time: the thread's help
// shows only there. Tearing the segment down is left out, as the game never does it.
void BM_FirstWholePicture(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const bool readied = state.range(1) != 0;
  const std::vector<std::uint32_t>& title = Title();
  std::vector<std::uint32_t> row;
  for (auto _ : state) {
    auto surface = std::make_unique<NewSurface>(scale);
    if (surface->Get() == nullptr) {
      state.SkipWithError("no shared memory segment");
      break;
    }
    std::thread helper;
    if (readied) {
      helper = std::thread([&] { ReadyMemoryFromTheEnd(surface->Bytes(), surface->Size()); });
    }
    DrawWholePicture(title.data(), kWidth, kHeight, Placement{scale, 0, 0}, surface->Get(), row);
    benchmark::DoNotOptimize(surface->Bytes());
    state.PauseTiming();
    if (helper.joinable()) helper.join();
    surface.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4 * scale * scale);
}
BENCHMARK(BM_FirstWholePicture)
    ->ArgsProduct({{1, 2, 3}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A whole present later on (uncovered, fullscreen): the surface's memory is the process's.
void BM_WholePicture(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const std::vector<std::uint32_t>& title = Title();
  std::vector<std::uint32_t> row;
  NewSurface surface(scale);
  if (surface.Get() == nullptr) {
    state.SkipWithError("no shared memory segment");
    return;
  }
  for (auto _ : state) {
    DrawWholePicture(title.data(), kWidth, kHeight, Placement{scale, 0, 0}, surface.Get(), row);
    benchmark::DoNotOptimize(surface.Bytes());
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4 * scale * scale);
}
BENCHMARK(BM_WholePicture)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

// What a level key on the title presents: the level sprite's cells, about 100 x 40.
void BM_KeyCells(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const std::vector<std::uint32_t>& title = Title();
  std::vector<std::uint32_t> row;
  NewSurface surface(scale);
  if (surface.Get() == nullptr) {
    state.SkipWithError("no shared memory segment");
    return;
  }
  DrawWholePicture(title.data(), kWidth, kHeight, Placement{scale, 0, 0}, surface.Get(), row);
  for (auto _ : state) {
    CopyScaled(title.data(), kWidth, 250, 300, 350, 340, Placement{scale, 0, 0}, surface.Get(),
               row);
    benchmark::DoNotOptimize(surface.Bytes());
  }
}
BENCHMARK(BM_KeyCells)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace enclova
