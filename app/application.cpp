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
void Application::Run(Handler handler) {
  std::string message;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    message = e.what();
  }
  const std::string text = ErrorBoxText(message);
  std::fprintf(stderr, "%s: %s\n", title_.c_str(), text.c_str());
  host_.ShowError(title_, text);
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

void Application::Paint() {
  form_.Canvas.Fill(clBtnFace);
  Run([&] { form_.FormPaint(); });
}

}  // namespace enclova
