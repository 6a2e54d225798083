// SPDX-License-Identifier: MIT
// Xvfb, XTest and the game's process for the tests of the real binary.
#include "tests/x11/xserver.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "posix/shared_clock.h"

extern char** environ;

namespace enclova::x11 {

namespace {

int xErrors = 0;

// The default handler ends the process; a test must rather see the failure it leads to.
int CountError(Display*, XErrorEvent*) {
  ++xErrors;
  return 0;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A child that dies with the test process, so no server or game outlives a crashed test.
void DieWithParent(pid_t parent) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
}

unsigned long CardinalProperty(Display* display, Window window, Atom property, bool* found) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  *found = false;
  unsigned long value = 0;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    if (type == XA_CARDINAL && format == 32 && count == 1) {
      value = *reinterpret_cast<unsigned long*>(data);
      *found = true;
    }
  }
  if (data != nullptr) XFree(data);
  return value;
}

int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
  return shift;
}

}  // namespace

// How long the game may take from its first repaint to its first tick, on a loaded machine.
constexpr std::chrono::milliseconds kFirstTickPatience = 1500ms;

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
}

std::string GameBinary() {
  if (const char* path = std::getenv("ENCLOVA_BINARY"); path != nullptr && *path != '\0') {
    return path;
  }
  return ENCLOVA_BINARY;
}

XServer::XServer(int width, int height, bool windowManager) : width_(width), height_(height) {
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    DieWithParent(parent);
    close(ready[0]);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0), dup2(devnull, 1), dup2(devnull, 2);
    const std::string fd = std::to_string(ready[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd p{ready[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char c;
    if (read(ready[0], &c, 1) != 1) break;
    number += c;
  }
  close(ready[0]);
  if (number.empty() || number.back() != '\n') {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is it installed?)");
  }
  number.pop_back();
  name_ = ":" + number;
  XSetErrorHandler(&CountError);
  display_ = XOpenDisplay(name_.c_str());
  if (display_ == nullptr) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("cannot connect to Xvfb on " + name_);
  }
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
    throw std::runtime_error("the X server has no XTest");
  }
  if (!windowManager) return;
  windowManager_ = fork();
  if (windowManager_ < 0) throw std::runtime_error("fork failed");
  if (windowManager_ == 0) {
    DieWithParent(parent);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0), dup2(devnull, 1), dup2(devnull, 2);
    setenv("DISPLAY", name_.c_str(), 1);
    execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    _exit(127);
  }
  // The manager is ready once it has announced itself on the root window.
  const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  if (!WaitFor([&] {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool has =
            XGetWindowProperty(display_, DefaultRootWindow(display_), check, 0, 1, False, XA_WINDOW,
                               &type, &format, &count, &after, &data) == Success &&
            data != nullptr && count == 1;
        if (data != nullptr) XFree(data);
        return has;
      })) {
    throw std::runtime_error("openbox did not start (is it installed?)");
  }
}

struct XServer::SharedSegment {
  Display* display = nullptr;
  XShmSegmentInfo info{};
  std::size_t size = 0;

  ~SharedSegment() {
    XShmDetach(display, &info);
    XSync(display, False);
    shmdt(info.shmaddr);
  }
};

// An image of the window's size and depth whose pixels XShmGetImage fills in the shared segment;
// null when the server cannot share memory with us.
XImage* XServer::SharedImage(const XWindowAttributes& attributes) const {
  if (!XShmQueryExtension(display_)) return nullptr;
  XShmSegmentInfo unused{};
  XImage* image = XShmCreateImage(
      display_, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
      &unused, static_cast<unsigned>(attributes.width), static_cast<unsigned>(attributes.height));
  if (image == nullptr) return nullptr;
  const std::size_t size = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  if (!shared_ || shared_->size < size) {
    shared_.reset();
    auto segment = std::make_unique<SharedSegment>();
    segment->display = display_;
    segment->info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) {
      XDestroyImage(image);
      return nullptr;
    }
    segment->info.shmaddr = static_cast<char*>(shmat(segment->info.shmid, nullptr, 0));
    const int errorsBefore = xErrors;
    const bool attached = segment->info.shmaddr != reinterpret_cast<char*>(-1) &&
                          XShmAttach(display_, &segment->info) && XSync(display_, False) &&
                          xErrors == errorsBefore;
    // Once both sides are attached, the segment goes with the last of them.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (!attached) {
      if (segment->info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(segment->info.shmaddr);
      XDestroyImage(image);
      return nullptr;
    }
    segment->size = size;
    shared_ = std::move(segment);
  }
  image->data = shared_->info.shmaddr;
  image->obdata = reinterpret_cast<char*>(&shared_->info);
  return image;
}

XServer::~XServer() {
  shared_.reset();
  if (windowManager_ > 0) {
    kill(windowManager_, SIGTERM);
    waitpid(windowManager_, nullptr, 0);
  }
  if (display_ != nullptr) XCloseDisplay(display_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

XServer& SharedServer() {
  static XServer server;
  return server;
}

XServer& LargeServer() {
  static XServer server(1920, 1200);
  return server;
}

XServer& ManagedServer() {
  static XServer server(1920, 1200, true);
  return server;
}

std::string XServer::Title(Window window) const {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  if (XGetWindowProperty(display_, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && type == utf8 && format == 8) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(display_, window, &name) != 0 && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

namespace {

// Viewable windows of `pid` among the children of `window`, and among theirs when a window
// manager has put the top-level windows in frames of its own.
void CollectWindowsOf(Display* display, Window window, pid_t pid, int depth,
                      std::vector<Window>& found) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return;
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    bool hasPid = false;
    const unsigned long owner = CardinalProperty(display, children[i], pidAtom, &hasPid);
    if (hasPid && static_cast<pid_t>(owner) == pid) {
      found.push_back(children[i]);
    } else if (depth > 0) {
      CollectWindowsOf(display, children[i], pid, depth - 1, found);
    }
  }
  if (children != nullptr) XFree(children);
}

}  // namespace

std::vector<Window> XServer::WindowsOf(pid_t pid) const {
  std::vector<Window> found;
  XSync(display_, False);
  CollectWindowsOf(display_, DefaultRootWindow(display_), pid, 2, found);
  return found;
}

Window XServer::FindWindow(const std::string& title, pid_t pid) const {
  for (Window window : WindowsOf(pid)) {
    if (Title(window) == title) return window;
  }
  return 0;
}

Window XServer::WaitForWindow(const std::string& title, pid_t pid,
                              std::chrono::milliseconds timeout) const {
  Window found = 0;
  WaitFor([&] { return (found = FindWindow(title, pid)) != 0; }, timeout);
  return found;
}

std::optional<WindowGeometry> XServer::Geometry(Window window) const {
  XWindowAttributes attributes;
  XSync(display_, False);
  if (XGetWindowAttributes(display_, window, &attributes) == 0) return std::nullopt;
  Window child = 0;
  WindowGeometry g;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &g.X, &g.Y, &child);
  g.Width = attributes.width;
  g.Height = attributes.height;
  g.Viewable = attributes.map_state == IsViewable;
  return g;
}

SizeHints XServer::NormalHints(Window window) const {
  SizeHints result;
  XSizeHints* hints = XAllocSizeHints();
  long supplied = 0;
  if (hints != nullptr && XGetWMNormalHints(display_, window, hints, &supplied) != 0) {
    if (hints->flags & PMinSize) {
      result.HasMinSize = true;
      result.MinWidth = hints->min_width, result.MinHeight = hints->min_height;
    }
    if (hints->flags & PMaxSize) {
      result.HasMaxSize = true;
      result.MaxWidth = hints->max_width, result.MaxHeight = hints->max_height;
    }
  }
  if (hints != nullptr) XFree(hints);
  return result;
}

Surface XServer::Capture(Window window) const {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display_, window, &attributes) || attributes.map_state != IsViewable ||
      attributes.width <= 0 || attributes.height <= 0) {
    return {};
  }
  XImage* image = SharedImage(attributes);
  if (image != nullptr && !XShmGetImage(display_, window, image, 0, 0, AllPlanes)) {
    XDestroyImage(image);
    return {};
  }
  if (image == nullptr) {
    image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                      static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    XSync(display_, False);
    if (image == nullptr) return {};
  }
  const int width = image->width, height = image->height;
  std::vector<TColor> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * height);
  const int rs = MaskShift(image->red_mask), gs = MaskShift(image->green_mask),
            bs = MaskShift(image->blue_mask);
  // Xvfb's 24-bit screens hold a pixel in 32 bits in this machine's order: read the rows
  // directly rather than one XGetPixel call a pixel.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                      std::endian::native == std::endian::little;
  for (int y = 0; y < height; ++y) {
    const char* row = image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line;
    for (int x = 0; x < width; ++x) {
      std::uint32_t word = 0;
      if (direct) std::memcpy(&word, row + 4 * x, 4);
      const unsigned long p = direct ? word : XGetPixel(image, x, y);
      const auto r = static_cast<TColor>(((p & image->red_mask) >> rs) & 0xFF);
      const auto gr = static_cast<TColor>(((p & image->green_mask) >> gs) & 0xFF);
      const auto b = static_cast<TColor>(((p & image->blue_mask) >> bs) & 0xFF);
      pixels.push_back(r | (gr << 8) | (b << 16));
    }
  }
  XDestroyImage(image);
  return Surface(width, height, std::move(pixels));
}

void XServer::Press(unsigned long keysym) const {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), True, CurrentTime);
  XSync(display_, False);
}

void XServer::TapKeycode(unsigned keycode) const {
  XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
  XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
  XSync(display_, False);
}

bool XServer::SetLayout(const std::string& layout) const {
  const std::string command = "setxkbmap -display " + name_ + " " + layout;
  return std::system(command.c_str()) == 0;
}

void XServer::Release(unsigned long keysym) const {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), False, CurrentTime);
  XSync(display_, False);
}

void XServer::Click(int screenX, int screenY) const {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), screenX, screenY, CurrentTime);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XSync(display_, False);
}

bool XServer::NumLockOn() const {
  XkbStateRec state;
  XkbGetState(display_, XkbUseCoreKbd, &state);
  const unsigned int numLockMask = XkbKeysymToModifiers(display_, 0xff7f /* XK_Num_Lock */);
  return (state.locked_mods & numLockMask) != 0;
}

void XServer::SetNumLock(bool on) const {
  if (NumLockOn() != on) Tap(0xff7f /* XK_Num_Lock */);
  WaitFor([&] { return NumLockOn() == on; }, 2s);
}

void XServer::RequestClose(Window window) const {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
  XSync(display_, False);
}

Window XServer::Cover(int x, int y, int width, int height) const {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
  const Window cover =
      XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display_, cover);
  XSync(display_, False);
  return cover;
}

void XServer::Uncover(Window cover) const {
  XDestroyWindow(display_, cover);
  XSync(display_, False);
}

void XServer::Unmap(Window window) const {
  XUnmapWindow(display_, window);
  XSync(display_, False);
}

void XServer::Map(Window window) const {
  XMapWindow(display_, window);
  XSync(display_, False);
}

void XServer::SetAutoRepeat(std::chrono::milliseconds delay,
                            std::chrono::milliseconds interval) const {
  XkbSetAutoRepeatRate(display_, XkbUseCoreKbd, static_cast<unsigned>(delay.count()),
                       static_cast<unsigned>(interval.count()));
  XSync(display_, False);
}

void XServer::WatchKeys(Window window) const {
  // Key events go to every client that asks for them on the focus window, not only its owner.
  XSelectInput(display_, window, KeyPressMask);
  XSync(display_, False);
}

int XServer::TakeKeyPresses(unsigned long keysym) const {
  XSync(display_, False);
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  int count = 0;
  XEvent event;
  while (XCheckTypedEvent(display_, KeyPress, &event)) {
    if (event.xkey.keycode == code) ++count;
  }
  return count;
}

int XServer::TakeErrorCount() const {
  XSync(display_, False);
  const int count = xErrors;
  xErrors = 0;
  return count;
}

GameProcess::GameProcess(const XServer& server, const std::string& workDir,
                         const std::vector<std::string>& args,
                         const std::vector<std::string>& environment, const std::string& program)
    : workDir_(workDir) {
  const std::string binary = program.empty() ? GameBinary() : program;
  std::vector<std::string> argv{binary};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string display = server.DisplayName();
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    DieWithParent(parent);
    if (chdir(workDir.c_str()) != 0) _exit(126);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open((workDir + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open((workDir + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0), dup2(out, 1), dup2(err, 2);
    // The whole environment goes on (sanitizer options among it), with our display and a
    // locale that knows no Japanese.
    setenv("DISPLAY", display.c_str(), 1);
    setenv("LANG", "C", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    setenv("XDG_CONFIG_HOME", (workDir + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (workDir + "/data").c_str(), 1);
    setenv("XDG_PICTURES_DIR", (workDir + "/pictures").c_str(), 1);
    for (const std::string& entry : environment) {
      const std::size_t equals = entry.find('=');
      if (equals == std::string::npos) {
        unsetenv(entry.c_str());
      } else {
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
      }
    }
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(binary.c_str(), raw.data());
    _exit(127);
  }
}

GameProcess::~GameProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::optional<int> GameProcess::WaitExit(std::chrono::milliseconds timeout) {
  WaitFor([&] { return !Running(); }, timeout);
  return status_;
}

bool GameProcess::Running() {
  if (status_) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

std::string GameProcess::Stdout() const {
  return ReadWholeFile(workDir_ + "/stdout.txt");
}
std::string GameProcess::Stderr() const {
  return ReadWholeFile(workDir_ + "/stderr.txt");
}

SteppedClock::SteppedClock(const std::string& path, std::uint32_t start) : path_(path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ftruncate(fd, sizeof(SharedClockWords)) != 0) {
    throw std::runtime_error("cannot create the clock file " + path);
  }
  words_ = mmap(nullptr, sizeof(SharedClockWords), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (words_ == MAP_FAILED) throw std::runtime_error("cannot map the clock file " + path);
  Set(start);
}

SteppedClock::~SteppedClock() {
  if (words_ != nullptr && words_ != MAP_FAILED) munmap(words_, sizeof(SharedClockWords));
}

void SteppedClock::Set(std::uint32_t ms) {
  auto* words = static_cast<SharedClockWords*>(words_);
  std::atomic_ref<std::int64_t>(words->Milliseconds).store(std::int64_t{ms});
}

std::uint64_t SteppedClock::Readings() const {
  auto* words = static_cast<SharedClockWords*>(words_);
  return std::atomic_ref<std::uint64_t>(words->Readings).load();
}

void RealAndHeadless::TickBothAtTheSameTime() {
  if (Headless->Form.TimerIsIdle()) return;
  const std::uint64_t seen = GameClock->Readings();
  Headless->Tick();
  // A tick reads the clock once or twice; three more readings mean a whole tick began after
  // the time was set, and the one before it has finished. A tick that ends the timer's work
  // (the result giving way to the ranking screen) is the last to read it.
  const std::uint64_t wanted = seen + (Headless->Form.TimerIsIdle() ? 1 : 3);
  EXPECT_TRUE(WaitFor([&] { return GameClock->Readings() >= wanted; })) << "the game does not tick";
}

void RealAndHeadless::StepClockTo(std::uint32_t local) {
  TickBothAtTheSameTime();
  Headless->Clock.Local = local;
  GameClock->Set(local);
  TickBothAtTheSameTime();
}

void RealAndHeadless::AdvanceRoundTo(std::uint32_t ms) {
  while (roundMs_ < ms) {
    roundMs_ = std::min(ms, roundMs_ < 500 ? 500 : (roundMs_ - 500) / 1000 * 1000 + 1500);
    StepClockTo(roundStart_ + roundMs_);
  }
}

void RealAndHeadless::Launch(testing::GameHarness::Options options,
                             const std::vector<std::string>& args, bool steppedClock) {
  options.RealFont = true;
  Dir = std::make_unique<testing::TempDir>();
  testing::WriteGameFiles(*Dir, options);
  Headless = std::make_unique<testing::GameHarness>(options);
  std::vector<std::string> environment;
  if (steppedClock) {
    GameClock = std::make_unique<SteppedClock>(Dir->File("clock"), Headless->Clock.Local);
    environment.push_back("ENCLOVA_TEST_CLOCK=" + GameClock->Path());
  }
  Game = std::make_unique<GameProcess>(X, Dir->Path(), args, environment);
  Headless->Paint();
}

::testing::AssertionResult RealAndHeadless::TitleIsUp() {
  const Surface repainted = Headless->Form.Canvas;  // as the first showing paints it
  Headless->Tick();
  const Surface& ticked = Headless->Form.Canvas;
  Surface seen;
  if (!WaitFor([&] {
        seen = X.Capture(Main);
        return static_cast<bool>(testing::SamePicture(seen, ticked)) ||
               static_cast<bool>(testing::SamePicture(seen, repainted));
      })) {
    return testing::SamePicture(seen, ticked);
  }
  // The repainted title may come before the first tick, which then covers its level sprite: a
  // key pressed in between would be drawn and then covered. Give that tick time to come; if the
  // repainted title stays, the tick came first and a later repaint put the sprite back.
  if (!testing::SamePicture(seen, ticked)) {
    WaitFor([&] { return static_cast<bool>(testing::SamePicture(X.Capture(Main), ticked)); },
            kFirstTickPatience);
  }
  return ::testing::AssertionSuccess();
}

bool RealAndHeadless::WaitForMainWindow() {
  Main = X.WaitForWindow("Enclova", Game->Pid());
  return Main != 0;
}

std::string RealAndHeadless::FirstPrintedLine() {
  std::string line;
  WaitFor([&] {
    const std::string out = Game->Stdout();
    const std::size_t end = out.find('\n');
    if (end == std::string::npos) return false;
    line = out.substr(0, end);
    return true;
  });
  return line;
}

// A binary PPM of the surface, for looking at a picture.
void WritePpm(const std::string& path, const Surface& surface) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << surface.Width() << " " << surface.Height() << "\n255\n";
  for (TColor c : surface.Pixels()) {
    const char rgb[3] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                         static_cast<char>((c >> 16) & 0xFF)};
    out.write(rgb, 3);
  }
}

::testing::AssertionResult RealAndHeadless::WindowShows(const Surface& expected,
                                                        std::chrono::milliseconds timeout) {
  if (Main == 0 && !WaitForMainWindow()) {
    return ::testing::AssertionFailure() << "the game's window did not appear";
  }
  ::testing::AssertionResult last = ::testing::AssertionFailure();
  Surface seen;
  WaitFor([&] { return static_cast<bool>(last = SamePicture(seen = X.Capture(Main), expected)); },
          timeout);
  // ENCLOVA_X11_DUMP=dir keeps both pictures of every mismatch.
  if (const char* dir = std::getenv("ENCLOVA_X11_DUMP"); !last && dir != nullptr) {
    static int failures = 0;
    const std::string stem = std::string(dir) + "/mismatch-" + std::to_string(++failures);
    WritePpm(stem + "-window.ppm", seen);
    WritePpm(stem + "-expected.ppm", expected);
    last << " (pictures in " << stem << "-*.ppm)";
  }
  return last;
}

void ExpectErrorBoxPicture(const Surface& box) {
  using L = ErrorBoxLayout;
  ASSERT_TRUE(box.Exists());
  EXPECT_GE(box.Width(), L::kMinWidth);
  // The stop icon's disc, above and left of its white cross, on the white face.
  EXPECT_EQ(box.GetPixel(L::kMargin + L::kIconSize / 2, L::kMargin + 3), kErrorBoxStopRed);
  EXPECT_EQ(box.GetPixel(L::kMargin + 3, L::kMargin + L::kIconSize / 2), kErrorBoxStopRed);
  EXPECT_EQ(box.GetPixel(L::kMargin + L::kIconSize / 2, L::kMargin + L::kIconSize / 2),
            kErrorBoxFace);
  EXPECT_EQ(box.GetPixel(2, 2), kErrorBoxFace);
  EXPECT_EQ(box.GetPixel(2, box.Height() - 2), kErrorBoxBand);
  // The button's double edge.
  const int bx = L::ButtonX(box.Width()), by = L::ButtonY(box.Height());
  EXPECT_EQ(box.GetPixel(bx, by), kErrorBoxButtonEdge);
  EXPECT_EQ(box.GetPixel(bx + 1, by + 1), kErrorBoxButtonEdge);
  EXPECT_EQ(box.GetPixel(bx + 2, by + 2), kErrorBoxButtonFace);
  // The message is drawn: dark ink in the text area.
  int ink = 0;
  for (int y = L::kMargin; y < L::kMargin + L::kIconSize; ++y) {
    for (int x = L::kTextLeft; x < box.Width() - L::kMargin; ++x) {
      if ((box.GetPixel(x, y) & 0xFF) < 0x60) ++ink;
    }
  }
  EXPECT_GT(ink, 100) << "no legible text in the box";
}

}  // namespace enclova::x11
