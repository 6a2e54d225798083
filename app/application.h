// SPDX-License-Identifier: MIT
// Runs the handlers the way the window system does: an error escaping one is shown in the
// error box (and on standard error), and the game carries on with the next event.
#pragma once

#include <cstdint>
#include <string>

#include "app/form.h"

namespace enclova {

class Application {
 public:
  // `title` is the error box's caption (ApplicationTitle of the executable's path).
  Application(TForm1& form, Host& host, std::string title);

  void Create();
  void KeyDown(std::uint16_t key);
  void Tick();
  // A paint request: the client area is filled with the button-face colour, then FormPaint.
  void Paint();

 private:
  template <typename Handler>
  void Run(Handler handler);

  TForm1& form_;
  Host& host_;
  std::string title_;
};

}  // namespace enclova
