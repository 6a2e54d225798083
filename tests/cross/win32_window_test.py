#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The Win32 front end under Wine, through its real window on an Xvfb display of its own: the
# title and a judged round shown pixel for pixel as the game drew them (F12's picture, scaled)
# at 1x and 2x, F12's outcome in the title for two seconds, keys reaching the game, the round
# recorded and played back to its digest, a missing sheet's error box, and the installer run
# silently with the game started from where it put it. CTest runs it (-L win32 in the Windows
# build); Wine's server must be up (tools/cross.sh keeps one).
#
#   win32_window_test.py ENCLOVA_EXE SOURCE_DIR [SHOTS_DIR]   (or ENCLOVA_SHOTS=SHOTS_DIR)
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

EXE, ROOT = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SHOTS = sys.argv[3] if len(sys.argv) > 3 else os.environ.get("ENCLOVA_SHOTS") or None
WIDTH, HEIGHT = 600, 400
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


# ---- pictures ----

def read_png(path):
    """(width, height, RGB bytes) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            w, h, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), path
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    step = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), w * step
    out, prev = bytearray(), bytearray(stride)
    for y in range(h):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prev[i], prev[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        out += line if step == 3 else bytes(v for i, v in enumerate(line) if i % 4 != 3)
    return w, h, bytes(out)


def write_png(path, w, h, rgb):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    rows = b"".join(b"\0" + rgb[y * w * 3:(y + 1) * w * 3] for y in range(h))
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                           + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def scaled(w, h, rgb, n):
    out = bytearray()
    for y in range(h):
        row = rgb[y * w * 3:(y + 1) * w * 3]
        line = b"".join(row[x * 3:x * 3 + 3] * n for x in range(w))
        out += line * n
    return bytes(out)


def capture(window):
    """(width, height, RGB bytes) of a window's contents, read from the X server."""
    data = subprocess.run(["xwd", "-silent", "-id", window], env=ENV, capture_output=True, check=True).stdout
    f = struct.unpack(">25I", data[:100])
    header, w, h, order, bpp, stride, colours = f[0], f[4], f[5], f[7], f[11], f[12], f[19]
    at, step = header + colours * 12, bpp // 8
    if bpp == 32 and order == 0 and stride == w * 4:  # the usual BGRX, taken apart by slices
        pixels, out = data[at:at + h * stride], bytearray(w * h * 3)
        out[0::3], out[1::3], out[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
        return w, h, bytes(out)
    out = bytearray()
    for y in range(h):
        line = data[at + y * stride:at + y * stride + w * step]
        for x in range(w):
            p = line[x * step:x * step + step]
            out += bytes((p[2], p[1], p[0])) if order == 0 else p[step - 3:step]
    return w, h, bytes(out)


# ---- the display and the game ----

def free_display():
    for n in range(90, 300):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return n
    raise RuntimeError("no free X display number")


def xdotool(*args):
    return subprocess.run(["xdotool", *args], env=ENV, capture_output=True, text=True).stdout.strip()


def windows_named(pattern):
    return [w for w in xdotool("search", "--onlyvisible", "--name", pattern).split() if w]


def wait_for(predicate, seconds, step=0.1):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


class Game:
    def __init__(self, args, cwd):
        self.started = time.monotonic()
        self.process = subprocess.Popen(["wine", EXE, *args], cwd=cwd, env=ENV, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.lines, self.errors = [], []
        for stream, into in ((self.process.stdout, self.lines), (self.process.stderr, self.errors)):
            threading.Thread(target=lambda s=stream, i=into: [i.append(l.rstrip("\n")) for l in s],
                             daemon=True).start()

    def window(self, pattern="^Enclova$"):
        found = wait_for(lambda: windows_named(pattern), 30)
        return found[0] if found else None

    def keys(self, window, *keys):
        xdotool("windowfocus", "--sync", window)
        for key in keys:
            xdotool("key", key)
            time.sleep(0.12)

    def picture(self, window):
        """F12's picture of the game, as the game wrote it."""
        before = len(self.lines)
        self.keys(window, "F12")
        if not wait_for(lambda: len(self.lines) > before, 10):
            return None
        path = subprocess.run(["winepath", "-u", self.lines[before]], env=ENV, capture_output=True,
                              text=True).stdout.strip()
        picture = read_png(path)
        os.remove(path)
        return picture

    def end(self, seconds=20):
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None


def stable_capture(window):
    last = capture(window)
    for _ in range(50):
        time.sleep(0.3)
        now = capture(window)
        if now == last:
            return now
        last = now
    return last


def shows_picture(window, game, scale, shot):
    """The window's contents are F12's picture with each pixel an exact scale x scale block.
    The picture may move (the clock, blinking markers): it is compared when the window showed
    the same before and after F12. Returns F12's picture when they match."""
    for attempt in range(5):
        before = capture(window)
        picture = game.picture(window)
        after = capture(window)
        if picture is None or before == after:
            break
    if SHOTS and shot:
        write_png(os.path.join(SHOTS, shot), *after)
    if not check(picture is not None and picture[:2] == (WIDTH, HEIGHT), f"{shot}: F12 wrote the 600x400 picture"):
        return None
    check(before == after, f"{shot}: the window held still across F12 (attempts: {attempt + 1})")
    same = check(after[:2] == (WIDTH * scale, HEIGHT * scale) and after[2] == scaled(*picture, scale),
                 f"{shot}: the window shows the picture at {scale}x, pixel for pixel ({after[0]}x{after[1]})")
    return picture if same else None


def data_folder():
    folder = tempfile.mkdtemp(prefix="enclova-win32-", dir=WORK)
    for name in ("fgra.bmp", "fdata.dat"):
        shutil.copy(os.path.join(ROOT, "assets", name), folder)
    return folder


# ---- the tests ----

def title(scale_args, scale, shot):
    game = Game(scale_args, data_folder())
    window = game.window()
    if check(window is not None, f"{shot}: the window opens"):
        print(f"      window in {time.monotonic() - game.started:.2f} s", flush=True)
        shown = shows_picture(window, game, scale, shot)
        if shown and scale == 1:
            # The same pixels as the Linux build's title, as docs/title.png shows it.
            check(shown[2] == read_png(os.path.join(ROOT, "docs", "title.png"))[2],
                  f"{shot}: the title is the picture the Linux build draws (docs/title.png)")
        if scale == 1:
            title_line(window, game, shot)
        game.keys(window, "Escape")
    check(game.end() == 0, f"{shot}: Escape on the title ends the game with status 0")


def title_line(window, game, shot):
    """F12's outcome stands in the window's title for two seconds, then the title is the game's
    again, though nothing else wakes the game on its title screen."""
    before = len(game.lines)
    pressed = time.monotonic()
    game.keys(window, "F12")
    if not check(wait_for(lambda: len(game.lines) > before, 10), f"{shot}: F12 prints the path"):
        return
    shown = wait_for(lambda: (lambda n: n if n.startswith("Enclova - ") else None)(
        xdotool("getwindowname", window)), 5, 0.02)
    check(shown == "Enclova - Picture saved: " + game.lines[before],
          f"{shot}: the title names the picture saved ({shown})")
    os.remove(subprocess.run(["winepath", "-u", game.lines[before]], env=ENV, capture_output=True,
                             text=True).stdout.strip())
    back = wait_for(lambda: xdotool("getwindowname", window) == "Enclova", 10, 0.02)
    elapsed = time.monotonic() - pressed
    check(back and 1.9 <= elapsed < 5, f"{shot}: the title is the game's again after {elapsed:.2f} s")


def fullscreen():
    """F11 fills the monitor with the picture at the largest whole scale, centred on black, and
    is remembered; Alt+Enter leaves it."""
    settings = os.path.join(local_folder(), "Enclova", "settings.ini")
    game = Game(["--scale=1"], data_folder())
    window = game.window()
    if not check(window is not None, "fullscreen: the window opens"):
        game.end(1)
        return
    picture = game.picture(window)
    game.keys(window, "F11")
    time.sleep(1)
    shown = capture(window)
    # 1920x1080 holds the 600x400 picture twice over, at (360, 140).
    inner = scaled(*picture, 2)
    black = b"\0" * 3
    rows = [black * 1920] * 140 + [black * 360 + inner[y * 3600:(y + 1) * 3600] + black * 360 for y in range(800)]
    expected = b"".join(rows + [black * 1920] * 140)
    if SHOTS:
        write_png(os.path.join(SHOTS, "fullscreen-title.png"), *shown)
    check(shown[:2] == (1920, 1080) and shown[2] == expected,
          f"fullscreen: F11 shows the picture at 2x centred on the whole screen ({shown[0]}x{shown[1]})")
    game.keys(window, "Escape")
    game.end()
    check(os.path.exists(settings) and "fullscreen=1" in open(settings).read(),
          "fullscreen: remembered in %LOCALAPPDATA%\\Enclova\\settings.ini")
    again = Game(["--scale=1"], data_folder())
    window = again.window()
    if window:
        time.sleep(1)
        check(capture(window)[:2] == (1920, 1080), "fullscreen: the next start opens fullscreen")
        again.keys(window, "alt+Return")
        time.sleep(1)
        check(capture(window)[:2] == (600, 400), "fullscreen: Alt+Enter leaves it for the 1x window")
        again.keys(window, "Escape")
    again.end()
    check(os.path.exists(settings) and "fullscreen=0" in open(settings).read(), "fullscreen: off is remembered too")


def local_folder():
    local = subprocess.run(["wine", "cmd", "/c", "echo", "%LOCALAPPDATA%"], env=ENV, capture_output=True,
                           text=True).stdout.strip()
    return subprocess.run(["winepath", "-u", local], env=ENV, capture_output=True, text=True).stdout.strip()


def judged_round(scale, shot):
    folder = data_folder()
    game = Game([f"--scale={scale}", "--seed=7"], folder)
    window = game.window()
    if not check(window is not None, f"{shot}: the window opens"):
        game.end(1)
        return
    game.keys(window, "z")
    time.sleep(6)  # the countdown to Go!
    # A loop round one cell, closed where it began: judged (a miss on this board).
    game.keys(window, "z", "Right", "Down", "Left", "Up", "z")
    time.sleep(3)
    shows_picture(window, game, scale, shot)
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "alt+F4")
    check(game.end() == 0, f"{shot}: closing the window ends the game with status 0")
    replays = sorted(os.listdir(os.path.join(folder, "replays"))) if os.path.isdir(os.path.join(folder, "replays")) else []
    if not check(len(replays) == 1, f"{shot}: the round was recorded ({replays})"):
        return
    replay = os.path.join(folder, "replays", replays[0])
    played = subprocess.run(["wine", EXE, f"--replay={replay}", "--headless"], cwd=folder, env=ENV,
                            capture_output=True, text=True)
    check(played.returncode == 0 and "match" in played.stdout,
          f"{shot}: the recorded round plays back headless as recorded: {played.stdout.strip()}")
    if scale == 1:
        # Played in the window too, at its recorded pace.
        shown = Game(["--scale=1", f"--replay={replay}"], folder)
        check(shown.end(60) == 0, f"{shot}: the recorded round plays back in the window as recorded")


def missing_sheet():
    # The ranking there, the sheet missing.
    empty = tempfile.mkdtemp(prefix="enclova-empty-", dir=WORK)
    shutil.copy(os.path.join(ROOT, "assets", "fdata.dat"), empty)
    game = Game([f"--data-dir={empty}"], empty)
    box = game.window("^enclova$")
    if check(box is not None, "missing sheet: the error box opens"):
        time.sleep(1)
        shown = stable_capture(box)
        if SHOTS:
            write_png(os.path.join(SHOTS, "missing-sheet-box.png"), *shown)
        game.keys(box, "Return")
        time.sleep(1)
        main = windows_named("^Enclova$")
        for window in main:
            xdotool("windowfocus", "--sync", window)
            xdotool("key", "alt+F4")
    status = game.end()
    check(status is not None, f"missing sheet: the game ends once the box is answered (status {status})")
    check(any("fgra.bmp" in line for line in game.errors),
          "missing sheet: standard error names the file: " + " | ".join(game.errors[-2:]))


def installer():
    stage = os.path.join(WORK, "stage")
    os.makedirs(stage)
    shutil.copy(EXE, stage)
    for source, name in (("assets/fgra.bmp", "fgra.bmp"), ("assets/fdata.dat", "fdata.dat"),
                         ("LICENSE", "LICENSE.txt"), ("packaging/IPA_Font_License.txt", "IPA_Font_License.txt")):
        shutil.copy(os.path.join(ROOT, source), os.path.join(stage, name))
    setup = os.path.join(WORK, "setup.exe")
    subprocess.run(["makensis", "-V1", "-DVERSION=0.0.0", f"-DSTAGE={stage}", f"-DOUTFILE={setup}",
                    os.path.join(ROOT, "win32", "enclova.nsi")], check=True)
    target = "C:\\EnclovaTest"
    subprocess.run(["wine", setup, "/S", f"/D={target}"], env=ENV, check=True)
    unix = lambda p: subprocess.run(["winepath", "-u", p], env=ENV, capture_output=True, text=True).stdout.strip()
    installed = unix(target)
    check(all(os.path.exists(os.path.join(installed, n)) for n in ("enclova.exe", "fgra.bmp", "fdata.dat",
                                                                 "LICENSE.txt", "IPA_Font_License.txt", "uninstall.exe")),
          "installer: /S puts the game, its data, the licences and the uninstaller in place")
    own = os.path.join(local_folder(), "Enclova")
    shutil.rmtree(own, ignore_errors=True)
    nowhere = tempfile.mkdtemp(prefix="enclova-home-", dir=WORK)
    # Started from a folder without data, as the Start menu starts it.
    game = run_installed(target + "\\enclova.exe", ["--scale=1"], nowhere)
    window = game.window()
    check(window is not None, "installer: the installed game starts")
    check(wait_for(lambda: os.path.exists(os.path.join(own, "fdata.dat")), 10) is not None
          and not os.path.exists(os.path.join(own, "fgra.bmp")),
          "installer: the game plays from %LOCALAPPDATA%\\Enclova, its ranking seeded, the sheet read in place")
    if window:
        game.keys(window, "Escape")
    game.end()
    subprocess.run(["wine", os.path.join(installed, "uninstall.exe"), "/S"], env=ENV)
    check(wait_for(lambda: not os.path.exists(os.path.join(installed, "enclova.exe")), 20) is not None,
          "installer: the uninstaller removes the game")
    check(os.path.exists(os.path.join(own, "fdata.dat")), "installer: the uninstaller leaves the player's folder")


# The Game class above needs EXE set; the installed copy is run by swapping it in.
def run_installed(path, args, cwd):
    global EXE
    saved, EXE = EXE, path
    try:
        return Game(args, cwd)
    finally:
        EXE = saved


WORK = tempfile.mkdtemp(prefix="enclova-win32-test-")
display = free_display()
xvfb = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
ENV = dict(os.environ, DISPLAY=f":{display}")


def wine_session():
    """Wine's server and desktop started again on this display: the screen's size, work area
    and monitors are the ones a desktop started elsewhere (or with no display) saw."""
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=ENV)
    subprocess.run(["wineserver", "-k"], **quiet)
    subprocess.run(["wineserver", "-w"], **quiet)
    subprocess.run(["wineserver", "-p"], **quiet)
    # Wine's dialog font has no Japanese and, unlike Windows, links none in: the error box's
    # text is drawn from the IPA font the game's own text comes from.
    subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine\\Fonts\\Replacements", "/v", "Tahoma",
                    "/d", "IPAPGothic", "/f"], **quiet)
    subprocess.run(["wine", "wineboot"], **quiet)


try:
    if not wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{display}"), 10):
        raise RuntimeError("Xvfb did not start")
    wine_session()
    # A fullscreen remembered from an earlier run would change every window below.
    if os.path.exists(os.path.join(local_folder(), "Enclova", "settings.ini")):
        os.remove(os.path.join(local_folder(), "Enclova", "settings.ini"))
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
    # 1920x1080: the window fits there at 2x with its frame and the taskbar, not at 3x.
    title([], 2, "title-2x.png")
    title(["--scale=1"], 1, "title-1x.png")
    fullscreen()
    judged_round(1, "round-1x.png")
    judged_round(2, "round-2x.png")
    missing_sheet()
    installer()
finally:
    subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=ENV)
    xvfb.terminate()
    xvfb.wait()
    shutil.rmtree(WORK, ignore_errors=True)
if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("the Win32 front end behaved under Wine")
