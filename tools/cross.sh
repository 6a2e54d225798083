#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the game's core and its null front end for Windows (Debian's mingw-w64) and for the
# browser (Debian's emscripten), warnings as errors, and runs each build's tests: every golden
# replay played by the null front end, the Windows build's through Wine, the WebAssembly build's
# through Node (the same digests as on Linux mean the same pixels everywhere), and the core's
# unit tests that need nothing of Linux (tests/cross/CMakeLists.txt) under both. The Windows
# build's win32 tests try the Win32 front end (enclova.exe) under Wine: the golden replays, its
# files, and its window, keys, error box and installer on an Xvfb display of its own. The web
# build's web test (the page in Chromium) is left to tools/test-web.sh, which tools/test.sh
# runs; `ctest -L web` in the web build runs it too.
#
# Usage: tools/cross.sh [--target windows|web] [BUILD_DIR] (both targets, in build-cross, by
# default). Each target builds in BUILD_DIR/windows or BUILD_DIR/web.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
targets="web windows"
if [ "${1:-}" = "--target" ]; then
  case "${2:-}" in
    windows | web) targets=$2 ;;
    *)
      echo "usage: tools/cross.sh [--target windows|web] [BUILD_DIR]" >&2
      exit 2
      ;;
  esac
  shift 2
fi
out=${1:-$root/build-cross}
jobs=$(nproc)
mkdir -p "$out"

for target in $targets; do
  case $target in
    web)
      # emscripten's tools are Node programs that look for their modules in Debian's folder.
      export NODE_PATH=/usr/share/nodejs
      emcmake cmake -S "$root" -B "$out/web" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DENCLOVA_WERROR=ON \
        "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" >/dev/null
      ninja -C "$out/web" -j "$jobs"
      ctest --test-dir "$out/web" --output-on-failure -LE web
      ;;
    windows)
      cmake -S "$root" -B "$out/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
      ninja -C "$out/windows" -j "$jobs"
      # A Wine prefix of our own, its server kept up while the tests run: a process then starts
      # in a tenth of a second instead of seconds.
      export WINEPREFIX="$out/wine" WINEDEBUG=-all
      # Wine names files on disk in the locale's character set: the tests' UTF-8 file names need
      # a UTF-8 locale, whatever the caller's (a fresh Debian has none, and ASCII fails them).
      export LC_ALL=C.UTF-8
      mkdir -p "$WINEPREFIX"
      wineserver -p
      trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
      wine wineboot -i >/dev/null 2>&1
      # ENCLOVA_SHOTS: where the window test keeps its captures.
      ctest --test-dir "$out/windows" --output-on-failure
      # The installer, silently, for the player and for everyone; the signatures of all three
      # programs.
      python3 "$root/tests/cross/win32_installer_test.py" "$out/windows/win32/enclova.exe" "$root"
      sh "$root/tests/cross/win32_signing_test.sh" "$out/windows/win32/enclova.exe" "$root"
      ;;
  esac
done
