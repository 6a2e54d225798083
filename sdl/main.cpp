// SPDX-License-Identifier: MIT
// The SDL front end's entry: the Linux system's services and the SDL window, given to the
// program every desktop front end runs.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "frontend/error_box.h"
#include "frontend/program.h"
#include "posix/installed_fonts.h"
#include "posix/posix_platform.h"
#include "posix/shared_clock.h"
#include "posix/user_files.h"
#include "sdl/sdl_window.h"
#ifdef ENCLOVA_WORLD_CLIENT
#include "world/http_world_client.h"
#endif

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The installed sheet and empty ranking, found from the binary's own place; empty in a build
// tree, which has none beside it.
std::string InstalledDataDirectory(const std::string& executable) {
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return {};
  const std::string dir = executable.substr(0, slash + 1) + ENCLOVA_DATA_FROM_BINARY;
  struct stat st {};
  if (stat((dir + "/fgra.bmp").c_str(), &st) != 0) return {};
  // Named without "games/../" in what the player is told.
  char* real = realpath(dir.c_str(), nullptr);
  const std::string named = real != nullptr ? real : dir;
  std::free(real);
  return named;
}

class LinuxSystem final : public enclova::DesktopSystem {
 public:
  LinuxSystem(const char* argv0, std::chrono::steady_clock::time_point start)
      : argv0_(argv0 != nullptr ? argv0 : "enclova"), start_(start) {}

  // Tests of the real binary step the game's time themselves (tests/x11); false with a reason
  // when the clock they name cannot be used.
  bool UseTestClock(std::string* error) {
    const char* path = std::getenv("ENCLOVA_TEST_CLOCK");
    if (path == nullptr) return true;
    sharedClock_ = enclova::SharedClock::Open(path, error);
    return sharedClock_ != nullptr;
  }

  enclova::Clock& GameClock() override {
    return sharedClock_ ? static_cast<enclova::Clock&>(*sharedClock_) : systemClock_;
  }
  bool ClockIsStepped() const override { return sharedClock_ != nullptr; }
  enclova::FileSystem& Files() override { return files_; }

  // The error box's caption comes from the executable's own name, wherever it was started from.
  std::string ExecutablePath() override {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    return argv0_;
  }

  enclova::DataDirectoryChoice DataDirectory(const std::string& requested, bool onlyLook) override {
    enclova::DataDirectoryRequest request;
    request.Explicit = requested;
    request.OnlyLook = onlyLook;
    request.Working = files_.CurrentDirectory();
    request.Installed = InstalledDataDirectory(ExecutablePath());
    request.UserDirectory =
        enclova::UserDataDirectory(Environment("XDG_DATA_HOME"), Environment("HOME"));
    request.WhyNoUserDirectory = "neither HOME nor XDG_DATA_HOME is an absolute path";
    request.NowMilliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
    return enclova::ChooseDataDirectory(files_, request);
  }

  bool OpenDisplay(std::string* error) override {
    if (!enclova::SdlWindow::InitVideo(error)) return false;
    enclova::PrepareProcessForFiles();
    return true;
  }

  std::string WorldSettingsPath() override {
    const std::string configHome =
        enclova::XdgDirectory(std::getenv("XDG_CONFIG_HOME"), Environment("HOME"), ".config");
    return configHome.empty() ? "" : configHome + "/enclova/world";
  }

#ifdef ENCLOVA_WORLD_CLIENT
  enclova::WorldClient* World() override {
    return &world_;
  }
#endif

  bool RunWindow(enclova::GameSession& session, int scale, std::string* error) override {
    const std::string home = Environment("HOME");
    const std::string configHome =
        enclova::XdgDirectory(std::getenv("XDG_CONFIG_HOME"), home, ".config");
    enclova::WindowOptions options;
    options.Scale = scale;
    // Without a home the fullscreen choice is not remembered, rather than kept in the working
    // directory.
    if (!configHome.empty()) options.SettingsPath = configHome + "/enclova/settings";
    options.PicturesDirectory =
        enclova::PicturesDirectory(std::getenv("XDG_PICTURES_DIR"), home, configHome);
    // An error box names files, whose names may hold characters beyond the game's own: those
    // are drawn from the installed fonts, loaded only for such a box.
    const enclova::ErrorBoxFace face(enclova::InstalledFontsFallback());
    enclova::SdlWindow window(&face, files_, options);
    if (std::getenv("ENCLOVA_TRACE_FIRST_FRAME") != nullptr) window.TraceFirstFrame(start_);
    if (std::getenv("ENCLOVA_TRACE_KEYS") != nullptr) window.TraceKeyLatency();
    return window.Run(session, error);
  }

 private:
  std::string argv0_;
  std::chrono::steady_clock::time_point start_;
  enclova::SystemClock systemClock_;
  std::unique_ptr<enclova::SharedClock> sharedClock_;
  enclova::PosixFileSystem files_;
#ifdef ENCLOVA_WORLD_CLIENT
  enclova::world::HttpWorldClient world_;
#endif
};

}  // namespace

int main(int argc, char** argv) {
  LinuxSystem desktop(argv[0], std::chrono::steady_clock::now());
  std::string error;
  if (!desktop.UseTestClock(&error)) {
    std::fprintf(stderr, "enclova: ENCLOVA_TEST_CLOCK: %s\n", error.c_str());
    return 2;
  }
  return enclova::RunProgram(argc, argv, desktop, ENCLOVA_VERSION);
}
