// SPDX-License-Identifier: MIT
// A good loop for a small board, found by trying every choice of its empty cells: what tests
// and the replay recorder use to play a round that is judged good.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

#include "app/form.h"

namespace enclova::testing {

// A loop along the grid lines: the vertex it starts from and its steps as direction codes.
struct Loop {
  int StartX = 0;
  int StartY = 0;
  std::vector<std::int32_t> Steps;
};

// A loop around exactly the kind-1 stones and some empty cells, or nothing. The border of a set
// of cells is one loop that never touches itself exactly when the set is 4-connected, its
// outside (the margin round the board included) is 4-connected, and no two of its cells meet
// only at a corner. Stones fill every other cell, so trying each choice of the empty cells
// settles the question for the small boards of level 1.
inline std::optional<Loop> FindGoodLoop(const TForm1& form) {
  const int n = form.BoardSize();
  const int side = n + 2;  // cells 0..n+1, the outer ring outside
  std::vector<int> empties;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      if (form.CellGrid[i][j] == 0) empties.push_back(i * side + j);
    }
  }
  if (empties.size() > 20) return std::nullopt;
  std::vector<char> in(static_cast<std::size_t>(side * side));
  auto at = [&](int i, int j) -> char& { return in[static_cast<std::size_t>(i * side + j)]; };
  // Cells reached from `first` through cells whose `in` equals `inside`.
  auto reach = [&](int first, char inside) {
    std::vector<char> seen(in.size());
    std::queue<int> todo;
    todo.push(first);
    seen[static_cast<std::size_t>(first)] = 1;
    int count = 0;
    while (!todo.empty()) {
      const int c = todo.front();
      todo.pop();
      ++count;
      const int i = c / side, j = c % side;
      constexpr int kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto& step : kSteps) {
        const int ni = i + step[0], nj = j + step[1];
        if (ni < 0 || nj < 0 || ni >= side || nj >= side) continue;
        const int k = ni * side + nj;
        if (seen[static_cast<std::size_t>(k)] || in[static_cast<std::size_t>(k)] != inside) {
          continue;
        }
        seen[static_cast<std::size_t>(k)] = 1;
        todo.push(k);
      }
    }
    return count;
  };
  for (std::uint32_t mask = 0; mask < (1u << empties.size()); ++mask) {
    std::fill(in.begin(), in.end(), 0);
    int first = -1, inside = 0;
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        if (form.CellGrid[i][j] == 1) at(i, j) = 1;
      }
    }
    for (std::size_t e = 0; e < empties.size(); ++e) {
      if (mask & (1u << e)) in[static_cast<std::size_t>(empties[e])] = 1;
    }
    for (std::size_t c = 0; c < in.size(); ++c) {
      if (in[c]) inside++, first = first < 0 ? static_cast<int>(c) : first;
    }
    if (inside == 0 || reach(first, 1) != inside) continue;
    if (reach(0, 0) != side * side - inside) continue;
    bool pinched = false;
    for (int i = 0; i + 1 < side && !pinched; ++i) {
      for (int j = 0; j + 1 < side && !pinched; ++j) {
        const bool a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
        pinched = (a && d && !b && !c) || (b && c && !a && !d);
      }
    }
    if (pinched) continue;

    // The border, clockwise on the screen: from each vertex exactly one border edge leaves.
    std::vector<int> next(static_cast<std::size_t>((side + 1) * (side + 1)), -1);
    auto vertex = [&](int x, int y) { return x * (side + 1) + y; };
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        if (!at(i, j)) continue;
        if (!at(i, j - 1)) next[vertex(i, j)] = vertex(i + 1, j);
        if (!at(i + 1, j)) next[vertex(i + 1, j)] = vertex(i + 1, j + 1);
        if (!at(i, j + 1)) next[vertex(i + 1, j + 1)] = vertex(i, j + 1);
        if (!at(i - 1, j)) next[vertex(i, j + 1)] = vertex(i, j);
      }
    }
    // The first cell inside has none above it, so its top-left vertex is on the border.
    Loop loop;
    loop.StartX = first / side;
    loop.StartY = first % side;
    int v = vertex(loop.StartX, loop.StartY);
    do {
      const int w = next[static_cast<std::size_t>(v)];
      const int dx = w / (side + 1) - v / (side + 1), dy = w % (side + 1) - v % (side + 1);
      loop.Steps.push_back(dx > 0 ? CmdRight : dx < 0 ? CmdLeft : dy > 0 ? CmdDown : CmdUp);
      v = w;
    } while (v != vertex(loop.StartX, loop.StartY));
    return loop;
  }
  return std::nullopt;
}

}  // namespace enclova::testing
