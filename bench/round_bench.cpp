// SPDX-License-Identifier: MIT
// Timing of the heaviest handler calls: the key press that closes and judges a loop at the
// largest board, and the timer ticks that draw the most text.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/form.h"
#include "tests/kit/game.h"

namespace enclova::testing {
namespace {

// The parts of the game that one closing key press changes, so that every timed press starts
// from the very same state without replaying the round.
struct PressSnapshot {
  explicit PressSnapshot(const TForm1& f)
      : Canvas(f.Canvas),
        PathLayer(f.PathLayer),
        JudgeLayer(f.JudgeLayer),
        Ints{f.GameMode,  f.PlayPhase,  f.Command,   f.CursorX, f.CursorY,  f.DrawingStarted,
             f.StepCount, f.LoopClosed, f.StepTaken, f.Missed,  f.TimeScore} {
    std::memcpy(MoveHistory, f.MoveHistory, sizeof MoveHistory);
    std::memcpy(PathLattice, f.PathLattice, sizeof PathLattice);
  }
  void RestoreInto(TForm1& f) const {
    f.Canvas = Canvas;
    f.PathLayer = PathLayer;
    f.JudgeLayer = JudgeLayer;
    std::int32_t* fields[] = {&f.GameMode,  &f.PlayPhase,      &f.Command,   &f.CursorX,
                              &f.CursorY,   &f.DrawingStarted, &f.StepCount, &f.LoopClosed,
                              &f.StepTaken, &f.Missed,         &f.TimeScore};
    for (std::size_t k = 0; k < Ints.size(); ++k) *fields[k] = Ints[k];
    std::memcpy(f.MoveHistory, MoveHistory, sizeof MoveHistory);
    std::memcpy(f.PathLattice, PathLattice, sizeof PathLattice);
  }

  Surface Canvas, PathLayer, JudgeLayer;
  std::vector<std::int32_t> Ints;
  std::int32_t MoveHistory[kMoveHistorySize + 1];
  std::int32_t PathLattice[54][54];
};

// A level-10 round with a loop traced along the board's border, one Z short of closing: the
// longest drawn loop, but with little outside for the fills.
void TraceBorderLoop(GameHarness& game) {
  game.StartRound(10);
  for (int k = 0; k < 11; ++k) game.Keys({VK_LEFT, VK_UP});  // from vertex (12, 12) to (1, 1)
  game.Key(VK_Z);
  for (std::uint16_t key : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
    for (int k = 0; k < 23; ++k) game.Key(key);
  }
}

// A level-10 round with a loop around the single cell (12, 12), one Z short of closing: the
// fills then cover nearly all of both 400x400 layers, the heaviest judging there is.
void TraceOneCellLoop(GameHarness& game) {
  game.StartRound(10);
  game.Keys({VK_Z, VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP});
}

// Times the Z that closes the traced loop and judges it; every press starts from the same
// state, restored outside the timing.
void BM_ClosingKeyPressAtLevel10(benchmark::State& state, void (*trace)(GameHarness&),
                                 std::int32_t steps) {
  GameHarness game;
  trace(game);
  if (game.Form.StepCount != steps + 1 ||
      game.Form.Lattice(2 * game.Form.CursorX, 2 * game.Form.CursorY) != StartMark) {
    state.SkipWithError("the loop was not traced back to its start");
    return;
  }
  const PressSnapshot before(game.Form);
  for (auto _ : state) {
    game.Key(VK_Z);
    state.PauseTiming();
    if (game.Form.GameMode != ModeResult) {
      state.SkipWithError("Z did not close the loop");
      break;
    }
    before.RestoreInto(game.Form);
    state.ResumeTiming();
  }
}
BENCHMARK_CAPTURE(BM_ClosingKeyPressAtLevel10, one_cell_loop, TraceOneCellLoop, 4)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ClosingKeyPressAtLevel10, border_loop, TraceBorderLoop, 92)
    ->Unit(benchmark::kMicrosecond);

// A tick held up until 5.2 s after the set-up draws all five countdown texts at once, then
// starts the clock in the same call.
void BM_LateCountdownTickDrawsEveryText(benchmark::State& state, bool realFont) {
  GameHarness::Options options;
  options.RealFont = realFont;
  GameHarness game(options);
  game.Key(VK_Z);
  TForm1& f = game.Form;
  for (auto _ : state) {
    state.PauseTiming();
    f.GameMode = ModePlay;
    f.PlayPhase = PhaseCountdown;
    f.CountdownStage = 0;
    f.ReferenceTime = f.CurrentMilliseconds() - 5200;
    state.ResumeTiming();
    game.Tick();
  }
  if (f.PlayPhase != PhaseRunning) state.SkipWithError("the countdown did not reach Go!");
}
BENCHMARK_CAPTURE(BM_LateCountdownTickDrawsEveryText, fake_font, false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LateCountdownTickDrawsEveryText, real_font, true)
    ->Unit(benchmark::kMicrosecond);

// The result tick 2.5 s after the loop closed: the verdict panel and its texts; a ranked round
// also enters the ranking and writes the record file.
void BM_ResultVerdictTick(benchmark::State& state, std::int32_t missed) {
  GameHarness::Options options;
  options.RealFont = true;
  GameHarness game(options);
  TraceBorderLoop(game);
  game.Key(VK_Z);
  game.Tick();  // the result's reference time
  TForm1& f = game.Form;
  const RankingTable ranking = f.Ranking;
  for (auto _ : state) {
    state.PauseTiming();
    f.Missed = missed;
    f.ResultStage = 1;
    f.Ranking = ranking;
    f.Canvas.Font.Height = 48;
    f.ReferenceTime = f.CurrentMilliseconds() - 2600;
    state.ResumeTiming();
    game.Tick();
  }
  if (f.ResultStage != 2 || !game.Host.Errors.empty()) state.SkipWithError("no verdict drawn");
}
BENCHMARK_CAPTURE(BM_ResultVerdictTick, missed, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ResultVerdictTick, ranked_and_saved, 0)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace enclova::testing
