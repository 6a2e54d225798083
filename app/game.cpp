// SPDX-License-Identifier: MIT
// The game with its runner and host.
#include "app/game.h"

namespace enclova {

void GameHost::ShowError(const std::string& caption, const std::string& text) {
  Errors.emplace_back(caption, text);
  // One box at a time, as a modal box allows: an error raised while one waits (a tick under
  // it failing again) has been written on standard error, and goes no further.
  if (!pending_) pending_.emplace(caption, text);
}

Game::Game(Clock& clock, FileSystem& files, const Typeface* face, std::string title)
    : Form(clock, files, Host, face), App(Form, Host, std::move(title)) {}

void Game::Create(std::optional<std::uint32_t> seed) {
  if (seed) Form.FixSeed(*seed);
  App.Create();
}

}  // namespace enclova
