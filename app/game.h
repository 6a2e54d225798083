// SPDX-License-Identifier: MIT
// The game object with what runs it: the handlers' runner and a host that keeps what the
// handlers ask of the window system. It is the one way the game is run: by every front end
// (through frontend/session.h), the replay player, the tests, the tools and the benchmarks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/form.h"
#include "base/seams.h"

namespace enclova {

// What the handlers asked of the window system. Nothing here blocks: an error box is kept as
// pending until the front end has shown it and the player has answered it, so a front end that
// cannot wait (a browser) shows it and answers later.
class GameHost final : public Host {
 public:
  void Terminate() override { ++TerminateRequests; }
  void ShowError(const std::string& caption, const std::string& text) override;

  // The error box to show, if one is waiting for its answer.
  const std::optional<std::pair<std::string, std::string>>& Pending() const { return pending_; }
  void Answer() { pending_.reset(); }

  int TerminateRequests = 0;
  // Every error box asked for, in order, answered or not (caption, text).
  std::vector<std::pair<std::string, std::string>> Errors;

 private:
  std::optional<std::pair<std::string, std::string>> pending_;
};

class Game {
 public:
  // None of the references is owned; `face` may be null (text then draws nothing). `title` is
  // the error box's caption.
  Game(Clock& clock, FileSystem& files, const Typeface* face, std::string title = "enclova");
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Start-up, with the random source fixed when `seed` is given.
  void Create(std::optional<std::uint32_t> seed = std::nullopt);
  void Key(std::uint16_t key) { App.KeyDown(key); }
  void Tick() { App.Tick(); }
  void Paint(const TRect& area) { App.Paint(area); }
  void Paint() { App.Paint(); }

  bool QuitRequested() const { return Host.TerminateRequests > 0; }

  GameHost Host;
  TForm1 Form;
  Application App;
};

}  // namespace enclova
