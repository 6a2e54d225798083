// SPDX-License-Identifier: MIT
// The Win32 front end's entry: the Windows system's services and the Win32 window, given to
// the program every desktop front end runs.
// <windows.h> first: the shell headers build on it.
#include <windows.h>
// clang-format off
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/data_directory.h"
#include "frontend/program.h"
#include "win32/win32_files.h"
#include "win32/win32_window.h"

namespace {

// A folder the system keeps for the player, as the game writes paths; "" when it has none.
std::string KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) {
    folder = enclova::GamePathOf(path);
  }
  CoTaskMemFree(path);
  return folder;
}

// The folder of the game's own files: %LOCALAPPDATA%\Enclova.
std::string UserFolder() {
  const std::string local = KnownFolder(FOLDERID_LocalAppData);
  return local.empty() ? std::string() : local + "/Enclova";
}

class WindowsSystem final : public enclova::DesktopSystem {
 public:
  enclova::Clock& GameClock() override { return clock_; }
  enclova::FileSystem& Files() override { return files_; }

  std::string ExecutablePath() override {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (n == 0) return "enclova.exe";
      if (n < path.size()) {
        path.resize(n);
        return enclova::GamePathOf(path);
      }
      path.resize(path.size() * 2);
    }
  }

  enclova::DataDirectoryChoice DataDirectory(const std::string& requested, bool onlyLook) override {
    // --data-dir wins, made absolute here: the system's absolute paths begin with a drive.
    if (!requested.empty()) {
      enclova::DataDirectoryChoice explicitly;
      explicitly.Directory = requested;
      const std::wstring wide = enclova::SystemPathOf(requested);
      std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr) + 1, L'\0');
      const DWORD n =
          GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
      if (n == 0 || n >= full.size()) return explicitly;
      full.resize(n);
      explicitly.Directory = enclova::GamePathOf(full);
      return explicitly;
    }
    enclova::DataDirectoryRequest request;
    request.Working = files_.CurrentDirectory();
    request.OnlyLook = onlyLook;
    // Installed: the sheet and empty ranking beside the executable.
    const std::string executable = ExecutablePath();
    const std::string beside = executable.substr(0, executable.find_last_of('/'));
    enclova::FileInfo info;
    if (files_.Stat(beside + "/fgra.bmp", info, true) == 0) request.Installed = beside;
    request.UserDirectory = UserFolder();
    request.WhyNoUserDirectory = "the system names no local application data folder";
    request.NowMilliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
    return enclova::ChooseDataDirectory(files_, request);
  }

  bool OpenDisplay(std::string*) override { return true; }  // a desktop is always there

  bool RunWindow(enclova::GameSession& session, int scale, std::string* error) override {
    enclova::WindowOptions options;
    options.Scale = scale;
    const std::string user = UserFolder();
    if (!user.empty()) options.SettingsPath = user + "/settings.ini";
    options.PicturesDirectory = KnownFolder(FOLDERID_Pictures);
    if (std::getenv("ENCLOVA_TRACE_FIRST_FRAME") != nullptr) options.TraceFirstFrameFrom = start_;
    enclova::Win32Window window(files_, options);
    return window.Run(session, error);
  }

 private:
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  enclova::Win32Clock clock_;
  enclova::Win32FileSystem files_;
};

// A window program started from a console has no standard streams of its own: it writes to
// that console, when there is one.
void UseParentConsole() {
  if (GetStdHandle(STD_ERROR_HANDLE) != nullptr) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

}  // namespace

int main() {
  UseParentConsole();
  // The command line in UTF-16, whatever the code page, to the program's UTF-8.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(enclova::Utf8Of(wide[i]));
  LocalFree(wide);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  WindowsSystem desktop;
  return enclova::RunProgram(count, argv.data(), desktop, ENCLOVA_VERSION);
}
