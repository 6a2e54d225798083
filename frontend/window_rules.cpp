// SPDX-License-Identifier: MIT
// The window's rules that every front end follows.
#include "frontend/window_rules.h"

#include <cstdio>
#include <utility>

#include "app/game_icon.h"
#include "frontend/data_directory.h"
#include "frontend/keys.h"
#include "frontend/picture_file.h"
#include "frontend/session.h"

namespace enclova {

namespace {

// The keys a system may report for Alt: the one code, or left and right apart.
constexpr std::uint16_t kLeftAlt = 0xA4;
constexpr std::uint16_t kRightAlt = 0xA5;

}  // namespace

WindowKey WindowKeyOf(std::uint16_t key, bool alt, bool repeat) {
  if (key == keys::kF11 || (alt && key == keys::kReturn)) {
    return repeat ? WindowKey::Ignored : WindowKey::ToggleFullscreen;
  }
  if (key == keys::kF12) return repeat ? WindowKey::Ignored : WindowKey::SavePicture;
  if (key == keys::kAlt || key == kLeftAlt || key == kRightAlt) return WindowKey::Ignored;
  return WindowKey::Game;
}

bool ClosesErrorBox(std::uint16_t key) {
  return key == keys::kReturn || key == keys::kSpace || key == keys::kEscape;
}

std::string PictureStem(const CivilTime& local) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "enclova-%04lld-%02d-%02d-%02d%02d%02d",
                static_cast<long long>(local.Year), local.Month, local.Day, local.Hour,
                local.Minute, local.Second);
  return stamp;
}

std::vector<std::uint32_t> WindowIcon(int size) {
  return DrawGameIcon(size);
}

WindowRules::WindowRules(FileSystem& files, std::string settingsPath, std::string picturesDirectory)
    : files_(files),
      settingsPath_(std::move(settingsPath)),
      picturesDirectory_(std::move(picturesDirectory)) {}

bool WindowRules::StartsFullscreen() {
  return !settingsPath_.empty() && LoadSettings(files_, settingsPath_).Fullscreen;
}

void WindowRules::FullscreenChanged(bool on) {
  if (!settingsPath_.empty() && !SaveSettings(files_, settingsPath_, Settings{on})) {
    std::fprintf(stderr, "enclova: cannot save the settings in %s\n", settingsPath_.c_str());
  }
}

std::string WindowRules::SavePicture(const std::vector<std::uint8_t>& png, const CivilTime& local,
                                     std::int64_t now) {
  const SavedPicture saved =
      SaveNewPicture(files_, picturesDirectory_, PictureStem(local), png.data(), png.size());
  const std::string line = DescribeSavedPicture(saved);
  if (saved.Ok()) {
    std::printf("%s\n", saved.Path.c_str());
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "enclova: %s\n", line.c_str());
  }
  return notice_.Show(line, now);
}

LoopStep WindowRules::Step(GameSession* session, std::int64_t now) {
  const GameSession::TimerPlan plan =
      session != nullptr ? session->PlanTimer(now) : GameSession::TimerPlan{};
  LoopStep step;
  if (plan.TickNow) {
    step.Tick = true;
    return step;
  }
  step.Title = notice_.Expire(now);
  step.WaitMilliseconds = SoonerWait(plan.WaitMilliseconds, notice_.WaitMilliseconds(now));
  return step;
}

}  // namespace enclova
