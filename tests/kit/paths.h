// SPDX-License-Identifier: MIT
// Helpers for tests of the traced path: key scripts, a path drawn with the strokes directly,
// and checks of the lattice and the drawn path against the history of steps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "puzzle/board_geometry.h"
#include "puzzle/steps.h"
#include "puzzle/strokes.h"
#include "tests/kit/game.h"

namespace enclova::testing {

// One character per key: U D L R the arrows, u d l r keypad 8 2 4 6, X and Z themselves.
inline std::uint16_t PathKey(char c) {
  switch (c) {
    case 'U':
      return VK_UP;
    case 'D':
      return VK_DOWN;
    case 'L':
      return VK_LEFT;
    case 'R':
      return VK_RIGHT;
    case 'u':
      return VK_NUMPAD8;
    case 'd':
      return VK_NUMPAD2;
    case 'l':
      return VK_NUMPAD4;
    case 'r':
      return VK_NUMPAD6;
    case 'X':
      return VK_X;
    case 'Z':
      return VK_Z;
  }
  ADD_FAILURE() << "no key for '" << c << "'";
  return 0;
}

inline void Press(GameHarness& game, std::string_view keys) {
  for (char c : keys) game.Key(PathKey(c));
}

// Free cursor movement to vertex (x, y); the path must not be started yet.
inline void MoveCursorTo(GameHarness& game, int x, int y) {
  while (game.Form.CursorX < x) game.Key(VK_RIGHT);
  while (game.Form.CursorX > x) game.Key(VK_LEFT);
  while (game.Form.CursorY < y) game.Key(VK_DOWN);
  while (game.Form.CursorY > y) game.Key(VK_UP);
  ASSERT_EQ(game.Form.CursorX, x);
  ASSERT_EQ(game.Form.CursorY, y);
}

// A round at `level` with the path started at vertex (x, y).
inline void StartPathAt(GameHarness& game, int level, int x, int y) {
  game.StartRound(level);
  ASSERT_EQ(game.Form.GameMode, ModePlay);
  ASSERT_EQ(game.Form.PlayPhase, PhaseRunning);
  MoveCursorTo(game, x, y);
  game.Key(VK_Z);
  ASSERT_EQ(game.Form.DrawingStarted, 1);
}

// Draws a path from vertex (x, y) with the strokes in the order the extension calls them
// (window pen black before each stroke); with `close` the closing step repeats the first one.
// Moves no cursor sprite.
inline void DrawPath(TForm1& form, int x, int y, const std::vector<std::int32_t>& steps,
                     bool close) {
  form.CursorX = x;
  form.CursorY = y;
  std::vector<std::int32_t> all = steps;
  if (close) all.push_back(steps.front());
  for (std::size_t k = 0; k < all.size(); ++k) {
    form.CursorX += StepDX(all[k]);
    form.CursorY += StepDY(all[k]);
    form.Canvas.Pen.Color = clBlack;
    const int tx = form.VertexPixelX(form.CursorX), ty = form.VertexPixelY(form.CursorY);
    form.DrawPen(k == 0 ? FirstSegmentStroke(tx, ty, all[k])
                        : StepStroke(tx, ty, all[k - 1], all[k]));
  }
}

inline std::string DirName(std::int32_t d) {
  switch (d) {
    case CmdDown:
      return "down";
    case CmdUp:
      return "up";
    case CmdLeft:
      return "left";
    case CmdRight:
      return "right";
  }
  return std::to_string(d);
}

using Vertex = std::pair<int, int>;

// The vertices of the path, from the start (element 0) to the Cursor (element StepCount - 1),
// found by walking the valid history back from the Cursor.
inline std::vector<Vertex> PathVertices(const TForm1& form) {
  const int steps = form.StepCount - 1;
  std::vector<Vertex> v(static_cast<std::size_t>(steps < 0 ? 1 : steps + 1));
  int x = form.CursorX;
  int y = form.CursorY;
  for (int k = steps; k >= 0; --k) {
    v[static_cast<std::size_t>(k)] = {x, y};
    if (k >= 1) {
      x -= StepDX(form.MoveHistory[k]);
      y -= StepDY(form.MoveHistory[k]);
    }
  }
  return v;
}

// Empty when PathLattice is exactly what the path in progress implies: the edges of the valid
// steps at 1 (each once), StartMark on the start, FirstVertexMark on the first step's vertex
// once there is a step, and every other entry of the whole array 0. Otherwise a description.
inline std::string LatticeMismatch(const TForm1& form) {
  std::map<Vertex, int> expected;  // lattice coordinates -> value
  std::ostringstream out;
  if (form.DrawingStarted == 1) {
    const std::vector<Vertex> v = PathVertices(form);
    expected[{2 * v[0].first, 2 * v[0].second}] = StartMark;
    for (int k = 1; k < form.StepCount; ++k) {
      const std::int32_t d = form.MoveHistory[k];
      const Vertex from = v[static_cast<std::size_t>(k - 1)];
      const Vertex edge{2 * from.first + StepDX(d), 2 * from.second + StepDY(d)};
      if (expected.count(edge) != 0) out << "step " << k << " reuses an edge; ";
      expected[edge] = 1;
    }
    if (form.StepCount >= 2) expected[{2 * v[1].first, 2 * v[1].second}] = FirstVertexMark;
  } else if (form.StepCount != 0) {
    out << "StepCount " << form.StepCount << " while not drawing; ";
  }
  for (int i = -2; i <= 51; ++i) {
    for (int j = -2; j <= 51; ++j) {
      const auto it = expected.find({i, j});
      const std::int32_t want = it == expected.end() ? 0 : it->second;
      if (form.Lattice(i, j) != want) {
        out << "entry (" << i << ", " << j << ") is " << form.Lattice(i, j) << ", expected " << want
            << "; ";
      }
    }
  }
  return out.str();
}

// The vertices that the path in progress passes straight through (two consecutive valid steps
// in the same direction), where the drawn line must cross the vertex pixel.
inline std::vector<Vertex> StraightPassages(const TForm1& form) {
  const std::vector<Vertex> v = PathVertices(form);
  std::vector<Vertex> straight;
  for (int k = 1; k + 1 < form.StepCount; ++k) {
    if (form.MoveHistory[k] == form.MoveHistory[k + 1]) {
      straight.push_back(v[static_cast<std::size_t>(k)]);
    }
  }
  return straight;
}

// The cell centres of a `level` board that lie inside a judged PathLayer (white there).
inline std::vector<Vertex> WhiteCellCentres(const TForm1& form) {
  std::vector<Vertex> cells;
  const int n = 2 * form.Level + 3;
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      if (form.PathLayer.GetPixel(form.VertexPixelX(i) + 8, form.VertexPixelY(j) + 8) == clWhite) {
        cells.push_back({i, j});
      }
    }
  }
  return cells;
}

// Level 10 has 24 x 24 vertices. A serpentine from (1, 1) along the top row, down through the
// rows in turn and home up the first column visits every vertex: 576 steps.
inline std::string SerpentineThroughEveryVertex() {
  std::string keys(23, 'R');
  keys += 'D';
  for (int row = 2; row <= 24; ++row) {
    keys += std::string(22, (row % 2 == 0) ? 'L' : 'R');
    if (row < 24) keys += 'D';
  }
  keys += 'L';
  keys += std::string(23, 'U');
  return keys;
}

// The same, leaving out vertices (24, 1) and (24, 2): a closed loop of 574 steps.
inline std::string SerpentineMissingTwoVertices() {
  std::string keys(22, 'R');
  keys += 'D';
  keys += std::string(21, 'L');
  keys += 'D';
  for (int row = 3; row <= 24; ++row) {
    keys += std::string(22, (row % 2 == 1) ? 'R' : 'L');
    if (row < 24) keys += 'D';
  }
  keys += 'L';
  keys += std::string(23, 'U');
  return keys;
}

}  // namespace enclova::testing
