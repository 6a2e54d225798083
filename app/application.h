// Runs the handlers the way the window system does: an error escaping one is shown in the
// error box (and on standard error), and the game carries on with the next event.
#pragma once

#include <cstdint>
#include <optional>
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
  // A paint request for `area` of the client area: the area is filled with the button-face
  // colour, then FormPaint draws with the Canvas clipped to it. Without an area, the whole.
  void Paint(const TRect& area);
  void Paint();

 private:
  template <typename Handler>
  void Run(Handler handler);
  // Runs the handler and returns what escaped it, if anything.
  template <typename Handler>
  static std::optional<std::string> Catch(Handler handler);
  void Report(const std::string& message);

  TForm1& form_;
  Host& host_;
  std::string title_;
};

}  // namespace enclova
