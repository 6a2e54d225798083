// SPDX-License-Identifier: MIT
// Handler calls as the window system makes them, with the error box for what escapes.
#include "app/application.h"

#include <cstdio>
#include <utility>

#include "base/errors.h"

namespace enclova {

Application::Application(TForm1& form, Host& host, std::string title)
    : form_(form), host_(host), title_(std::move(title)) {}

template <typename Handler>
std::optional<std::string> Application::Catch(Handler handler) {
  try {
    handler();
    return std::nullopt;
  } catch (const std::exception& e) {
    return std::string(e.what());
  }
}

void Application::Report(const std::string& message) {
  const std::string text = ErrorBoxText(message);
  std::fprintf(stderr, "%s: %s\n", title_.c_str(), text.c_str());
  host_.ShowError(title_, text);
}

template <typename Handler>
void Application::Run(Handler handler) {
  if (const auto message = Catch(handler)) Report(*message);
}

void Application::Create() {
  Run([&] { form_.FormCreate(); });
}

template <typename Handler>
void Application::Observed(const HandlerCall& call, Handler handler) {
  if (observer_ == nullptr) return handler();
  // Kept for the call's end: the observer may be removed under an error box.
  HandlerObserver* observer = observer_;
  observer->BeforeCall(call);
  handler();
  observer->AfterCall(call);
}

void Application::KeyDown(std::uint16_t key) {
  HandlerCall call;
  call.Type = HandlerCall::Key;
  call.KeyCode = key;
  Observed(call, [&] { Run([&] { form_.FormKeyDown(key); }); });
}

void Application::Tick() {
  Observed(HandlerCall{}, [&] { Run([&] { form_.Timer1Timer(); }); });
}

void Application::Paint(const TRect& area) {
  HandlerCall call;
  call.Type = HandlerCall::Paint;
  call.X = area.Left;
  call.Y = area.Top;
  call.Width = area.Right - area.Left;
  call.Height = area.Bottom - area.Top;
  Observed(call, [&] {
    Surface& canvas = form_.Canvas;
    canvas.SetClip(area);
    canvas.Fill(clBtnFace);
    const auto message = Catch([&] { form_.FormPaint(); });
    // Lifted before any error box: the timer keeps drawing under the box, on the whole window.
    canvas.ClearClip();
    if (message) Report(*message);
  });
}

void Application::Paint() {
  Paint(TRect{0, 0, kClientWidth, kClientHeight});
}

}  // namespace enclova
