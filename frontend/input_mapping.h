// SPDX-License-Identifier: MIT
// How a touch or a gamepad becomes the game's keys, the same on every front end: a drag along the
// board is the arrow keys of the grid steps it crosses, a tap on the cursor is Z, the pad's
// d-pad and left stick are the arrows with a held key's auto-repeat, its south button Z and its
// east button X. Nothing a finger or a pad does is Escape. A front end reads its system's
// touches and pad state, passes them here and gives the keys that come back to
// GameSession::Key, so a round played so records and ranks as a keyboard round does.
#pragma once

#include <cstdint>
#include <vector>

#include "frontend/placement.h"

namespace enclova {

// What the mapping needs of the game at the moment a finger goes down: whether a round's board
// takes steps now, and where its cursor is. GameSession::Board() gives it.
struct BoardView {
  bool TakesSteps = false;  // a round is running: arrows move the cursor or trace the path
  int Level = 1;
  int CursorX = 1;  // the cursor's vertex, 1..LastVertex(Level)
  int CursorY = 1;
};

// The picture's place on the screen in the front end's touch pixels (device pixels on the page),
// and the shortest drag a finger makes for one step there: on a small picture a grid step is
// shorter than a finger can place, so a step then takes that far instead.
struct TouchGeometry {
  Placement At;  // the picture's whole scale and top-left corner
  int FingerStep = 0;
};

// The length of one step of a drag, in touch pixels: a grid step of the picture, or FingerStep
// when that is longer.
int DragStepLength(const TouchGeometry& geometry);

// The held keys' auto-repeat, for a pad held as a key is held: the first repeat after the delay,
// then one every interval, as a desktop's keyboard repeats by default.
inline constexpr int kRepeatDelayMilliseconds = 500;
inline constexpr int kRepeatIntervalMilliseconds = 40;

// One finger on the picture, from its touch to its lift. Steps are counted from where the finger
// went down, each axis apart: a step is taken when the finger has come three quarters of a step
// length towards the next vertex, and given back only when it has come as far back, so a finger
// resting between two vertices never trembles a step on and off. A move that crosses several
// steps at once gives every one between, in turn on the two axes as the finger's line runs, so
// the path never skips a vertex. Steps stop at the board's edge: a finger beyond it steps no
// further, and steps back only once it comes back over the board.
class TouchDrag {
 public:
  // A finger touches at (x, y).
  void Down(int x, int y, const BoardView& board, const TouchGeometry& geometry);
  // It moves to (x, y): the arrow keys of the steps it crossed, in order.
  std::vector<std::uint16_t> Move(int x, int y);
  // It lifts at (x, y): Z when it was a tap on the cursor's vertex, which starts the path there
  // or, back on the start, closes the loop; nothing for a drag or a tap elsewhere.
  std::vector<std::uint16_t> Up(int x, int y);
  // The system took the touch away (a gesture of its own, a window that lost focus).
  void Cancel() { active_ = false; }
  bool Active() const { return active_; }

 private:
  bool active_ = false;
  bool moved_ = false;  // a step was taken, or the finger went further than a tap goes
  BoardView board_;
  TouchGeometry geometry_;
  int step_ = 1;  // touch pixels a step
  int downX_ = 0, downY_ = 0;
  int reachedX_ = 0, reachedY_ = 0;  // steps from the vertex the finger went down over
  int atX_ = 0, atY_ = 0;            // the cursor's vertex after the steps given
};

// A pad's state as its system reports it. Sticks run from -32768 to 32767, y downwards.
struct PadState {
  bool Up = false, Down = false, Left = false, Right = false;
  bool South = false;  // A on most pads
  bool East = false;   // B
  int StickX = 0;
  int StickY = 0;
};

// The pads a front end reads, as one: the keys their buttons make. The d-pad and the left stick
// hold one direction at a time (the one held first stays while it is held; the stick by its
// longer axis, past half its travel, let go below two fifths), which repeats as a held key does.
class PadInput {
 public:
  // The pads' state at `now` (a monotonic clock's milliseconds): the keys of the buttons newly
  // pressed and of the held direction's repeats that fell due.
  std::vector<std::uint16_t> Update(const PadState& state, std::int64_t now);
  // Milliseconds until the held direction's next repeat; -1 when nothing repeats.
  int WaitMilliseconds(std::int64_t now) const;
  // Every pad is gone: nothing is held any more.
  void Release() { *this = PadInput(); }

 private:
  int HeldDirection(const PadState& state) const;

  int held_ = 0;  // the arrow key held, 0 none
  bool south_ = false, east_ = false;
  std::int64_t nextRepeat_ = 0;
};

}  // namespace enclova
