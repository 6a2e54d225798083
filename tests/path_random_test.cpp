// SPDX-License-Identifier: MIT
// Long random key sequences at every level: after every key the lattice, the history and both
// drawings of the path must still agree, and every closed loop must be judged by its shape.
//
// A failure names its seed; ENCLOVA_TEST_SEED=n (or a comma-separated list) replays chosen ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/kit/game.h"
#include "tests/kit/paths.h"
#include "tests/kit/seed.h"

namespace enclova::testing {
namespace {

constexpr int kKeysPerLevel = 400;

// Direction keys dominate, so that paths grow long and meet themselves; X keeps them moving.
// Once the path is `homeAfter` steps long, now and then the key heads for the start vertex (and
// Z on it), so that loops of every length get closed.
std::uint16_t RandomKey(std::mt19937& rng, const TForm1& f, int homeAfter) {
  static const std::uint16_t kKeys[] = {VK_UP,      VK_DOWN,    VK_LEFT,    VK_RIGHT, VK_NUMPAD8,
                                        VK_NUMPAD2, VK_NUMPAD4, VK_NUMPAD6, VK_X,     VK_Z};
  static const int kWeights[] = {10, 10, 10, 10, 4, 4, 4, 4, 7, 4};
  std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
  std::bernoulli_distribution homeward(0.3);
  if (f.DrawingStarted == 1 && f.StepCount > homeAfter && homeward(rng)) {
    const Vertex start = PathVertices(f).front();
    const int dx = start.first - f.CursorX, dy = start.second - f.CursorY;
    if (dx == 0 && dy == 0) return VK_Z;
    if (std::abs(dx) >= std::abs(dy)) return dx > 0 ? VK_RIGHT : VK_LEFT;
    return dy > 0 ? VK_DOWN : VK_UP;
  }
  return kKeys[pick(rng)];
}

// The step rule by its meaning, where that settles it: 1 allowed, 0 refused, -1 when the
// target is none of a free vertex, a vertex where the path turned, a vertex the path passes
// straight across, or the start with only the first step at it.
int StepRuleByMeaning(const TForm1& f, std::int32_t d) {
  const int last = 2 * f.Level + 4;
  const int ex = StepDX(d), ey = StepDY(d);
  const int tx = f.CursorX + ex, ty = f.CursorY + ey;
  if (tx < 1 || tx > last || ty < 1 || ty > last) return 0;
  const int ti = 2 * tx, tj = 2 * ty;
  if (f.Lattice(ti - ex, tj - ey) != 0) return 0;  // the step's own edge
  const bool ahead = f.Lattice(ti + ex, tj + ey) == 1;
  const bool side1 = f.Lattice(ti + ey, tj + ex) == 1;
  const bool side2 = f.Lattice(ti - ey, tj - ex) == 1;
  const std::int32_t mark = f.Lattice(ti, tj);
  const std::int32_t beyond = f.Lattice(ti + 2 * ex, tj + 2 * ey);
  const int edges = int{ahead} + int{side1} + int{side2};
  if (mark == 0 && edges == 0) return 1;
  if (mark == 0 && edges == 2 && ahead) return beyond != FirstVertexMark;
  if (mark == 0 && edges == 2 && side1 && side2) return beyond == StartMark;
  if (mark == StartMark && edges == 1) return 1;
  return -1;
}

std::int32_t DirectionOf(std::uint16_t key) {
  switch (key) {
    case VK_UP:
    case VK_NUMPAD8:
      return CmdUp;
    case VK_DOWN:
    case VK_NUMPAD2:
      return CmdDown;
    case VK_LEFT:
    case VK_NUMPAD4:
      return CmdLeft;
    case VK_RIGHT:
    case VK_NUMPAD6:
      return CmdRight;
  }
  return CmdNone;
}

// True when a pixel of the row in [from, to) is neither black nor white in the layer, or black
// in only one of the two. It runs on most rows after each of thousands of keys, so the sanitizers
// leave it alone: instrumented, it was half of this test's time; the callers keep it inside both
// pictures.
__attribute__((no_sanitize("address", "undefined"))) bool RowMayBeAtFault(const TColor* layer,
                                                                          const TColor* window,
                                                                          int from, int to) {
  bool fault = false;
  for (int x = from; x < to; ++x) {
    fault |= (layer[x] != clBlack) & (layer[x] != clWhite);
    fault |= (window[x] == clBlack) != (layer[x] == clBlack);
  }
  return fault;
}

// What must hold after every key of a round in play. Empty when all is well.
std::string PlayInvariantBroken(const TForm1& f) {
  std::ostringstream out;
  const int last = 2 * f.Level + 4;
  if (f.CursorX < 1 || f.CursorX > last || f.CursorY < 1 || f.CursorY > last) {
    out << "cursor off the board at (" << f.CursorX << ", " << f.CursorY << "); ";
  }
  if (f.StepCount < 0 || f.StepCount > kMoveHistorySize) out << "StepCount " << f.StepCount;
  if (!out.str().empty()) return out.str();
  out << LatticeMismatch(f);

  // Both drawings within the white board square: PathLayer black or white only, black exactly
  // where the window is black (apart from under the cursor sprite), no cell centre painted.
  // Checked after every key, so each row is first tested whole without branches, and only a row
  // that fails (or one the cursor sprite crosses) is walked pixel by pixel to name the first
  // pixel at fault.
  const int m = 16 * (10 - f.Level);
  const int cx = f.VertexPixelX(f.CursorX), cy = f.VertexPixelY(f.CursorY);
  for (int y = m; y < 400 - m; ++y) {
    const TColor* layer = f.PathLayer.Pixels().data() + y * 400;
    const TColor* window = f.Canvas.Pixels().data() + y * 600;
    if (std::abs(y - cy) > 3 && !RowMayBeAtFault(layer, window, m, 400 - m)) continue;
    for (int x = m; x < 400 - m; ++x) {
      if (layer[x] != clBlack && layer[x] != clWhite) {
        out << "PathLayer (" << x << ", " << y << ") is " << std::hex << layer[x] << std::dec
            << "; ";
        return out.str();
      }
      if (std::abs(x - cx) <= 3 && std::abs(y - cy) <= 3) continue;
      if ((window[x] == clBlack) != (layer[x] == clBlack)) {
        out << "window and PathLayer disagree at (" << x << ", " << y << "); ";
        return out.str();
      }
    }
  }
  const std::size_t cells = static_cast<std::size_t>((2 * f.Level + 3) * (2 * f.Level + 3));
  if (WhiteCellCentres(f).size() != cells) out << "a cell centre is painted; ";
  // A straight passage paints its vertex pixel, crossings and taken-back crossings included.
  for (const Vertex& v : StraightPassages(f)) {
    if (f.PathLayer.GetPixel(f.VertexPixelX(v.first), f.VertexPixelY(v.second)) != clBlack) {
      out << "gap at straight passage (" << v.first << ", " << v.second << "); ";
    }
  }
  return out.str();
}

// The cells a closed loop encloses by the even-odd rule on its edges: what the judging's fill
// must find, touching and crossing loops included.
std::vector<Vertex> CellsInsideByParity(const TForm1& f) {
  // Steps 1..StepCount-1 include the closing step, which repeats the first: leave it out.
  std::vector<Vertex> v = PathVertices(f);
  const int n = 2 * f.Level + 3;
  std::vector<Vertex> inside;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      int crossings = 0;
      for (int k = 1; k + 1 < f.StepCount; ++k) {
        const std::int32_t d = f.MoveHistory[k];
        if (d != CmdDown && d != CmdUp) continue;
        const Vertex a = v[static_cast<std::size_t>(k - 1)];
        const int top = d == CmdDown ? a.second : a.second - 1;
        if (top == j && a.first > i) ++crossings;
      }
      if (crossings % 2 == 1) inside.push_back({i, j});
    }
  }
  return inside;
}

std::string ClosedInvariantBroken(const TForm1& f) {
  std::ostringstream out;
  if (f.LoopClosed != 1) out << "LoopClosed " << f.LoopClosed << "; ";
  if (f.StepCount < 6) out << "closed with StepCount " << f.StepCount << "; ";
  if (f.MoveHistory[f.StepCount - 1] != f.MoveHistory[1]) out << "closing step not the first; ";
  const std::vector<Vertex> v = PathVertices(f);
  if (v.back() != v[1]) out << "cursor not on the first vertex; ";
  if (v[static_cast<std::size_t>(f.StepCount - 2)] != v[0]) out << "closed away from the start; ";
  if (WhiteCellCentres(f) != CellsInsideByParity(f)) out << "judged inside differs from the loop; ";
  return out.str();
}

TEST(PathRandom, LatticeHistoryAndDrawingStayInStepAtEveryLevel) {
  for (std::uint32_t seed : TestSeeds({20240601u, 7u, 424242u})) {
    SCOPED_TRACE(SeedNote(seed));
    std::mt19937 rng(seed);
    int closed = 0;
    int decided = 0;
    std::uniform_int_distribution<int> homeAfter(4, 60);
    int longest = 0;
    for (int level = 1; level <= 10; ++level) {
      GameHarness::Options options;
      options.Seed = seed + static_cast<std::uint32_t>(level);
      auto game = std::make_unique<GameHarness>(options);
      game->StartRound(level);
      int home = homeAfter(rng);
      for (int key = 0; key < kKeysPerLevel; ++key) {
        const std::uint16_t k = RandomKey(rng, game->Form, home);
        const TForm1& f = game->Form;
        // A direction that is a step attempt (not the reverse of the last step) and that the
        // rule's meaning decides: was the step taken exactly when it should be?
        const std::int32_t d = DirectionOf(k);
        const bool attempt = d != CmdNone && f.DrawingStarted == 1 &&
                             f.StepCount < kMoveHistorySize &&
                             !(f.StepCount > 1 && f.MoveHistory[f.StepCount - 1] + d == 10);
        const int expected = attempt ? StepRuleByMeaning(f, d) : -1;
        const std::int32_t stepsBefore = f.StepCount;
        game->Key(k);
        if (expected != -1) {
          ++decided;
          ASSERT_EQ(f.StepCount - stepsBefore, expected)
              << "seed " << seed << ", level " << level << ", key " << key << ", direction " << d;
        }
        if (f.GameMode == ModeResult) {
          const std::string broken = ClosedInvariantBroken(f);
          ASSERT_EQ(broken, "") << "seed " << seed << ", level " << level << ", key " << key;
          ++closed;
          game = std::make_unique<GameHarness>(options);
          game->StartRound(level);
          home = homeAfter(rng);
          continue;
        }
        const std::string broken = PlayInvariantBroken(f);
        ASSERT_EQ(broken, "") << "seed " << seed << ", level " << level << ", key " << key << " (0x"
                              << std::hex << k << std::dec << "), StepCount " << f.StepCount;
        if (f.StepCount > longest) longest = f.StepCount;
      }
    }
    std::cout << "path random seed " << seed << ": loops closed: " << closed
              << ", longest path: " << longest - 1
              << " steps, steps checked against the rule's meaning: " << decided << "\n";
  }
}

}  // namespace
}  // namespace enclova::testing
