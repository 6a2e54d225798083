// SPDX-License-Identifier: MIT
// Touches and pads as the game's keys.
#include "frontend/input_mapping.h"

#include <cstdlib>

#include "frontend/keys.h"
#include "puzzle/board_geometry.h"

namespace enclova {

namespace {

// The stick's travel that holds a direction, and the travel it must fall below to let it go:
// a thumb resting near the threshold then holds or lets go once, not on every report.
constexpr int kStickPress = 16384;
constexpr int kStickRelease = 13107;

std::uint16_t ArrowOf(int dx, int dy) {
  if (dx > 0) return keys::kRight;
  if (dx < 0) return keys::kLeft;
  return dy > 0 ? keys::kDown : keys::kUp;
}

// Steps from `reached` towards `travel` touch pixels, three quarters of a step on, within the
// board's vertices `first`..`last` counted from the vertex the finger went down over.
int Reach(int reached, int travel, int step, int first, int last) {
  while (4 * (travel - reached * step) >= 3 * step && reached < last) ++reached;
  while (4 * (travel - reached * step) <= -3 * step && reached > first) --reached;
  return reached;
}

}  // namespace

int DragStepLength(const TouchGeometry& geometry) {
  const int grid = kCellPitch * geometry.At.Scale;
  return geometry.FingerStep > grid ? geometry.FingerStep : grid;
}

void TouchDrag::Down(int x, int y, const BoardView& board, const TouchGeometry& geometry) {
  active_ = true;
  moved_ = false;
  board_ = board;
  geometry_ = geometry;
  step_ = DragStepLength(geometry);
  downX_ = x;
  downY_ = y;
  reachedX_ = reachedY_ = 0;
  atX_ = board.CursorX;
  atY_ = board.CursorY;
}

std::vector<std::uint16_t> TouchDrag::Move(int x, int y) {
  std::vector<std::uint16_t> out;
  if (!active_) return out;
  const int dx = x - downX_;
  const int dy = y - downY_;
  // Further than half a step is a drag, never a tap, even where no step is taken.
  if (2 * std::abs(dx) > step_ || 2 * std::abs(dy) > step_) moved_ = true;
  if (!board_.TakesSteps) return out;

  const int last = LastVertex(board_.Level);
  reachedX_ = Reach(reachedX_, dx, step_, 1 - board_.CursorX, last - board_.CursorX);
  reachedY_ = Reach(reachedY_, dy, step_, 1 - board_.CursorY, last - board_.CursorY);
  const int toX = board_.CursorX + reachedX_;
  const int toY = board_.CursorY + reachedY_;
  const int stepsX = std::abs(toX - atX_);
  const int stepsY = std::abs(toY - atY_);
  const int signX = toX > atX_ ? 1 : -1;
  const int signY = toY > atY_ ? 1 : -1;
  // Along the finger's line: the next step is on the axis whose share of the way is behind.
  int takenX = 0, takenY = 0;
  while (takenX < stepsX || takenY < stepsY) {
    const bool alongX = takenY == stepsY ||
                        (takenX < stepsX && (2 * takenX + 1) * stepsY <= (2 * takenY + 1) * stepsX);
    if (alongX) {
      out.push_back(ArrowOf(signX, 0));
      ++takenX;
    } else {
      out.push_back(ArrowOf(0, signY));
      ++takenY;
    }
  }
  atX_ = toX;
  atY_ = toY;
  if (!out.empty()) moved_ = true;
  return out;
}

std::vector<std::uint16_t> TouchDrag::Up(int x, int y) {
  std::vector<std::uint16_t> out = Move(x, y);
  if (!active_) return out;
  active_ = false;
  if (moved_ || !board_.TakesSteps) return out;
  // The cursor's vertex on the screen: the centre of its pixel.
  const Placement& at = geometry_.At;
  const int vertexX = at.X + VertexPixel(board_.Level, board_.CursorX) * at.Scale + at.Scale / 2;
  const int vertexY = at.Y + VertexPixel(board_.Level, board_.CursorY) * at.Scale + at.Scale / 2;
  if (std::abs(x - vertexX) <= step_ && std::abs(y - vertexY) <= step_) {
    out.push_back(keys::Letter('Z'));
  }
  return out;
}

int PadInput::HeldDirection(const PadState& state) const {
  const bool stickRight = state.StickX > 0;
  const bool stickDown = state.StickY > 0;
  // The direction held stays while it is held, by the d-pad or the stick.
  if (held_ != 0) {
    const bool byPad = (held_ == keys::kUp && state.Up) || (held_ == keys::kDown && state.Down) ||
                       (held_ == keys::kLeft && state.Left) ||
                       (held_ == keys::kRight && state.Right);
    const int along = held_ == keys::kLeft || held_ == keys::kRight ? state.StickX : state.StickY;
    const bool towards = held_ == keys::kRight || held_ == keys::kDown ? along > 0 : along < 0;
    const bool byStick = towards && std::abs(along) >= kStickRelease;
    if (byPad || byStick) return held_;
  }
  if (state.Up) return keys::kUp;
  if (state.Down) return keys::kDown;
  if (state.Left) return keys::kLeft;
  if (state.Right) return keys::kRight;
  const int ax = std::abs(state.StickX);
  const int ay = std::abs(state.StickY);
  if (ax >= ay && ax >= kStickPress) return stickRight ? keys::kRight : keys::kLeft;
  if (ay > ax && ay >= kStickPress) return stickDown ? keys::kDown : keys::kUp;
  return 0;
}

std::vector<std::uint16_t> PadInput::Update(const PadState& state, std::int64_t now) {
  std::vector<std::uint16_t> out;
  const int held = HeldDirection(state);
  if (held != held_) {
    held_ = held;
    if (held != 0) {
      out.push_back(static_cast<std::uint16_t>(held));
      nextRepeat_ = now + kRepeatDelayMilliseconds;
    }
  } else if (held_ != 0 && now >= nextRepeat_) {
    // A repeat that falls due late comes once, and the rhythm starts again from then.
    out.push_back(static_cast<std::uint16_t>(held_));
    nextRepeat_ += kRepeatIntervalMilliseconds;
    if (nextRepeat_ <= now) nextRepeat_ = now + kRepeatIntervalMilliseconds;
  }
  if (state.South && !south_) out.push_back(keys::Letter('Z'));
  if (state.East && !east_) out.push_back(keys::Letter('X'));
  south_ = state.South;
  east_ = state.East;
  return out;
}

int PadInput::WaitMilliseconds(std::int64_t now) const {
  if (held_ == 0) return -1;
  return nextRepeat_ > now ? static_cast<int>(nextRepeat_ - now) : 0;
}

}  // namespace enclova
