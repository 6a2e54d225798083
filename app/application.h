// SPDX-License-Identifier: MIT
// Runs the handlers the way the window system does: an error escaping one is shown in the
// error box (and on standard error), and the game carries on with the next event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/form.h"

namespace enclova {

// One handler call as the window system made it: a key-down with its code, a timer tick, or a
// paint request with the area it covers (what the window system says was uncovered).
struct HandlerCall {
  enum Kind { Key, Tick, Paint };
  Kind Type = Tick;
  std::uint16_t KeyCode = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;  // a paint's area
};

// Told of every handler call after start-up, around it: what records a round listens here.
// Calls may nest (a paint or tick under an error box raised by an earlier call).
class HandlerObserver {
 public:
  virtual ~HandlerObserver() = default;
  virtual void BeforeCall(const HandlerCall& call) = 0;
  virtual void AfterCall(const HandlerCall& call) = 0;
};

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

  // Null for none; not owned.
  void SetObserver(HandlerObserver* observer) { observer_ = observer; }

 private:
  template <typename Handler>
  void Run(Handler handler);
  template <typename Handler>
  void Observed(const HandlerCall& call, Handler handler);
  // Runs the handler and returns what escaped it, if anything.
  template <typename Handler>
  static std::optional<std::string> Catch(Handler handler);
  void Report(const std::string& message);

  TForm1& form_;
  Host& host_;
  std::string title_;
  HandlerObserver* observer_ = nullptr;
};

}  // namespace enclova
