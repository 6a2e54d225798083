#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The Windows installer under Wine, silently: for the player alone by default (their own
# folders and registry, no administrator), for every user with /AllUsers; the uninstall entry's
# values, the Start menu's and the desktop's shortcuts, and the uninstaller keeping the player's
# rankings and replays unless told to remove them; then its pages walked with Enter on an Xvfb
# display of its own, to the game started by "Run Enclova". Needs WINEPREFIX (a prefix of its
# own).
#
#   win32_installer_test.py ENCLOVA_EXE SOURCE_DIR
import os
import shutil
import subprocess
import sys
import tempfile
import time

EXE, ROOT = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
ENV = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d", DISPLAY="")
ENTRY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Enclova"
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wine(*args):
    return subprocess.run(["wine", *args], env=ENV, capture_output=True, text=True, errors="replace")


def windows_variable(name):
    return wine("cmd", "/c", f"echo %{name}%").stdout.strip()


def unix(path):
    return subprocess.run(["winepath", "-u", path], env=ENV, capture_output=True, text=True).stdout.strip()


def entry(root):
    """The uninstall entry's values under HKCU or HKLM, {} when there is none."""
    out = wine("reg", "query", f"{root}\\{ENTRY}").stdout
    values = {}
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def uninstall(values, *switches):
    # The entry's own command line, as Windows' list of programs runs it; the uninstaller copies
    # itself away and returns at once, so its work is waited for.
    command = values["QuietUninstallString"]
    exe = command.split('"')[1]
    rest = command.split('"', 2)[2].split()
    wine(exe, *rest, *switches)
    wait_for(lambda: not os.path.exists(unix(exe)), 30)
    wait_for(lambda: not entry("HKCU") and not entry("HKLM"), 10)


def build_installer(work):
    stage = os.path.join(work, "stage")
    os.makedirs(stage)
    shutil.copy(EXE, os.path.join(stage, "enclova.exe"))
    for source, name in (("assets/fgra.bmp", "fgra.bmp"), ("assets/fdata.dat", "fdata.dat"),
                         ("LICENSE", "LICENSE.txt"), ("packaging/IPA_Font_License.txt", "IPA_Font_License.txt")):
        shutil.copy(os.path.join(ROOT, source), os.path.join(stage, name))
    setup = os.path.join(work, "setup.exe")
    subprocess.run(["makensis", "-V1", "-DVERSION=0.0.0", f"-DSTAGE={stage}", f"-DOUTFILE={setup}",
                    os.path.join(ROOT, "win32", "enclova.nsi")], check=True)
    return setup


WORK = tempfile.mkdtemp(prefix="enclova-installer-test-")
SETUP = build_installer(WORK)
local = unix(windows_variable("LOCALAPPDATA"))
programs = unix(windows_variable("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs")
everyones_programs = unix(windows_variable("ProgramData") + "\\Microsoft\\Windows\\Start Menu\\Programs")
desktop = unix(windows_variable("USERPROFILE") + "\\Desktop")
player = os.path.join(local, "Enclova")
FILES = ("enclova.exe", "fgra.bmp", "fdata.dat", "LICENSE.txt", "IPA_Font_License.txt", "uninstall.exe")


def player_folder():
    """The player's own folder as a round leaves it: a ranking and a replay."""
    os.makedirs(os.path.join(player, "replays"), exist_ok=True)
    open(os.path.join(player, "fdata.dat"), "wb").write(bytes(160))
    open(os.path.join(player, "replays", "a.replay"), "w").write("enclova-replay 1\n")


# Asks for no administrator: its manifest asks to run as the one who started it.
setup_bytes = open(SETUP, "rb").read()
check(b'level="asInvoker"' in setup_bytes and b"requireAdministrator" not in setup_bytes,
      "the installer starts with no administrator's prompt (asInvoker)")

# For the player alone, with a desktop shortcut.
result = wine(SETUP, "/S", "/DesktopShortcut")
check(result.returncode == 0, f"per player: the silent install succeeds ({result.returncode})")
mine = entry("HKCU")
folder = windows_variable("LOCALAPPDATA") + "\\Programs\\Enclova"
installed = unix(folder)
check(all(os.path.exists(os.path.join(installed, n)) for n in FILES),
      f"per player: the game, its data, the licences and the uninstaller in {folder}")
check(not entry("HKLM"), "per player: nothing in the machine's registry")
size = sum(os.path.getsize(os.path.join(installed, n)) for n in FILES) // 1024
estimated = int(mine.get("EstimatedSize", "0"), 0)
check(mine.get("DisplayName") == "Enclova" and mine.get("InstallLocation", "").lower() == folder.lower()
      and mine.get("HelpLink", "").startswith("https://") and mine.get("DisplayIcon", "").endswith("enclova.exe")
      and abs(estimated - size) <= 4,
      f"per player: the uninstall entry names the game, its folder, its size in KB ({estimated}, files {size}) and a help link: {mine}")
check(os.path.exists(os.path.join(programs, "Enclova.lnk")), "per player: a Start menu entry of the player's own")
check(os.path.exists(os.path.join(desktop, "Enclova.lnk")), "per player: /DesktopShortcut puts a shortcut on the desktop")

player_folder()
uninstall(mine)
check(not os.path.exists(installed) and not entry("HKCU"), "per player: the uninstaller removes the game and its entry")
check(not os.path.exists(os.path.join(programs, "Enclova.lnk")) and not os.path.exists(os.path.join(desktop, "Enclova.lnk")),
      "per player: and both shortcuts")
check(os.path.exists(os.path.join(player, "fdata.dat")) and os.path.exists(os.path.join(player, "replays", "a.replay")),
      "per player: the silent uninstaller keeps the player's ranking and replays (No, the question's default)")

# Again with no desktop shortcut, then removed with the player's folder.
wine(SETUP, "/S")
check(not os.path.exists(os.path.join(desktop, "Enclova.lnk")), "without /DesktopShortcut, no shortcut on the desktop")
uninstall(entry("HKCU"), "/RemovePlayerData")
check(not os.path.exists(player), "/RemovePlayerData: the uninstaller removes the player's folder (Yes)")

# For every user of the machine.
result = wine(SETUP, "/S", "/AllUsers")
everyone = entry("HKLM")
folder = windows_variable("ProgramW6432") + "\\Enclova"
check(result.returncode == 0 and all(os.path.exists(os.path.join(unix(folder), n)) for n in FILES),
      f"/AllUsers: the game in {folder}")
check(everyone.get("InstallLocation", "").lower() == folder.lower() and "/AllUsers" in everyone.get("QuietUninstallString", "")
      and not entry("HKCU"), f"/AllUsers: the entry is the machine's: {everyone}")
check(os.path.exists(os.path.join(everyones_programs, "Enclova.lnk")), "/AllUsers: a Start menu entry for everyone")
player_folder()
uninstall(everyone)
check(not os.path.exists(unix(folder)) and not entry("HKLM") and not os.path.exists(os.path.join(everyones_programs, "Enclova.lnk")),
      "/AllUsers: the uninstaller removes the game, its entry and its shortcut")
check(os.path.exists(os.path.join(player, "fdata.dat")), "/AllUsers: and keeps the player's folder")

# Its pages by keyboard, as a player takes them: Enter on each, "Run Enclova" ticked at the end.
def free_display():
    for n in range(90, 190):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return n
    raise RuntimeError("no free X display")


def xdotool(*args):
    return subprocess.run(["xdotool", *args], env=ENV, capture_output=True, text=True).stdout.split()


shutil.rmtree(player, ignore_errors=True)
display = free_display()
xvfb = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
ENV["DISPLAY"] = f":{display}"
try:
    wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{display}"), 10)
    setup = subprocess.Popen(["wine", SETUP], env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = wait_for(lambda: xdotool("search", "--name", "^Enclova Setup$"), 30)
    pages = xdotool("search", "--name", "^Enclova Setup$")
    installed = unix(windows_variable("LOCALAPPDATA") + "\\Programs\\Enclova")
    if check(found and len(pages) == 1, "the installer's window opens"):
        window = pages[0]
        xdotool("key", "--window", window, "Return")  # for me: Next
        time.sleep(2)
        xdotool("key", "--window", window, "Return")  # the player's folder: Install
        wait_for(lambda: os.path.exists(os.path.join(installed, "uninstall.exe")), 30)
        time.sleep(3)
        xdotool("key", "--window", window, "Return")  # Finish, with Run Enclova
        game = wait_for(lambda: xdotool("search", "--name", "^Enclova$"), 30)
        check(game, "Run Enclova on the last page starts the game")
        check(wait_for(lambda: os.path.exists(os.path.join(player, "fdata.dat")), 20)
              and not os.path.exists(os.path.join(installed, "fdata.dat.lock")),
              "started from the last page, the game plays from the player's folder, not the installation's")
        for w in xdotool("search", "--name", "^Enclova$"):
            xdotool("key", "--window", w, "Escape")
        wait_for(lambda: not xdotool("search", "--name", "^Enclova$"), 10)
    setup.wait(timeout=30)
    uninstall(entry("HKCU"), "/RemovePlayerData")
finally:
    subprocess.run(["wineserver", "-k"], env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    xvfb.terminate()
    xvfb.wait()

shutil.rmtree(WORK, ignore_errors=True)
if failures:
    print(f"{len(failures)} check(s) failed")
    sys.exit(1)
print("the installer behaved under Wine")
