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

void Application::KeyDown(std::uint16_t key) {
  Run([&] { form_.FormKeyDown(key); });
}

void Application::Tick() {
  Run([&] { form_.Timer1Timer(); });
}

void Application::Paint(const TRect& area) {
  Surface& canvas = form_.Canvas;
  canvas.SetClip(area);
  canvas.Fill(clBtnFace);
  const auto message = Catch([&] { form_.FormPaint(); });
  // Lifted before any error box: the timer keeps drawing under the box, on the whole window.
  canvas.ClearClip();
  if (message) Report(*message);
}

void Application::Paint() {
  Paint(TRect{0, 0, kClientWidth, kClientHeight});
}

}  // namespace enclova
