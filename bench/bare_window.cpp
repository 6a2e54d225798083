// SPDX-License-Identifier: MIT
// The floor for the game's start-up: a bare SDL window of the game's size at a scale, opened with
// the game's hints, presenting one solid frame the way the game presents its first.
//
// Usage: enclova_bare_window [--scale=N]    (N from 1, 1 by default)
// Prints "bare window: first frame <ms> ms after start, at <seconds since 1970>" when the frame
// has reached the X server, as the game does with ENCLOVA_TRACE_FIRST_FRAME, then waits to be
// closed or killed.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  int scale = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--scale=", 8) == 0) scale = std::atoi(argv[i] + 8);
  }
  if (scale < 1) {
    std::fprintf(stderr, "bare window: the scale must be a whole number from 1\n");
    return 2;
  }
  // The game's hints that bear on opening and presenting: the window surface as shared memory,
  // no D-Bus, the X11 driver.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  if (std::getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bare window: %s\n", SDL_GetError());
    return 1;
  }
  // Created hidden and shown, as the game's window is, and painted on being shown.
  SDL_Window* window =
      SDL_CreateWindow("bare window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 600 * scale,
                       400 * scale, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (window == nullptr) {
    std::fprintf(stderr, "bare window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_ShowWindow(window);
  bool presented = false;
  SDL_Event event;
  while (SDL_WaitEvent(&event) != 0) {
    if (event.type == SDL_QUIT) break;
    if (event.type != SDL_WINDOWEVENT) continue;
    if (event.window.event == SDL_WINDOWEVENT_CLOSE) break;
    if (event.window.event != SDL_WINDOWEVENT_SHOWN || presented) continue;
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
      std::fprintf(stderr, "bare window: %s\n", SDL_GetError());
      return 1;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0xF0, 0xF0, 0xF0));
    SDL_UpdateWindowSurface(window);  // waits for the server to take it
    presented = true;
    const auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "bare window: first frame %.2f ms after start, at %lld.%09ld\n",
                 elapsed.count(), static_cast<long long>(now.tv_sec), now.tv_nsec);
  }
  return 0;
}
