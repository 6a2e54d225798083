#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the game's core and its null front end for Windows (Debian's mingw-w64) and for the
# browser (Debian's emscripten), warnings as errors, and plays every golden replay on each: the
# Windows build through Wine, the WebAssembly build through Node. The same digests as on Linux
# mean the same pixels everywhere. The unit tests that need nothing of Linux run under Wine too
# (tests/cross/CMakeLists.txt). The Win32 front end (enclova.exe) plays them too, and its
# window, keys, error box and installer are tried under Wine on an Xvfb display of its own. Usage: tools/cross.sh [BUILD_DIR] (build-cross by default).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-cross}
jobs=$(nproc)
mkdir -p "$out"

# emscripten's tools are Node programs that look for their modules in Debian's folder.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S "$root" -B "$out/web" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" >/dev/null
ninja -C "$out/web" -j "$jobs"

cmake -S "$root" -B "$out/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$out/windows" -j "$jobs"

ctest --test-dir "$out/web" --output-on-failure

# A Wine prefix of our own, its server kept up while the tests run: a process then starts in a
# tenth of a second instead of seconds.
export WINEPREFIX="$out/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine wineboot -i >/dev/null 2>&1
ctest --test-dir "$out/windows" --output-on-failure
# The Win32 window through Wine on its own Xvfb display (ENCLOVA_SHOTS: keep its captures there).
python3 "$root/tests/cross/win32_window_test.py" "$out/windows/win32/enclova.exe" "$root" \
  ${ENCLOVA_SHOTS:+"$ENCLOVA_SHOTS"}
# The installer, silently, for the player and for everyone; the signatures of all three programs.
python3 "$root/tests/cross/win32_installer_test.py" "$out/windows/win32/enclova.exe" "$root"
sh "$root/tests/cross/win32_signing_test.sh" "$out/windows/win32/enclova.exe" "$root"
