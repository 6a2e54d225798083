#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds and runs every test: a build with the sanitizers (every test, the X11 ones included),
# the Release build that players get (its headless tests, and the benchmarks built; its X11 tests
# would not run, so they are not built), both with warnings as errors; the package, built twice
# and compared; then each fuzz target for
# a few seconds on its corpus; then the core for Windows and the browser, each playing every
# golden replay; then the browser's page in headless Chromium. Each phase prints how long it took.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
started=$(date +%s)
phase() {
  now=$(date +%s)
  echo "== $1: $((now - started)) s"
  started=$now
}
sh "$root/tools/deps.sh"
phase "packages"
jobs=$(nproc)
checked="$root/build-test"
release="$root/build-rel"

# The sanitizer build uses clang, which compiles it in half the time GCC takes; the Release
# build keeps GCC, so both compilers' warnings hold.
CXX=${SANITIZE_CXX:-clang++} cmake -S "$root" -B "$checked" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENCLOVA_WERROR=ON -DENCLOVA_SANITIZE=ON \
  -DENCLOVA_BENCH=OFF -DENCLOVA_UNITY_TESTS=ON >/dev/null
# The Release build compiles as a unity build: a third of the time. The sanitizer build keeps
# one object per source of the game, so a source that leans on another's includes still fails
# there; only its test binaries are unity builds.
cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
  -DENCLOVA_X11_TESTS=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
ninja -C "$checked" -j "$jobs"
phase "sanitizer build"
ninja -C "$release" -j "$jobs"
phase "Release build"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The X11 tests spend much of their time waiting for the X server and the game: one test more
# than there are cores keeps the cores busy.
tests=$((jobs + 1))
# The package is built and checked from the Release build, as players get it.
ctest --test-dir "$checked" --output-on-failure --timeout 600 -j "$tests" -LE package
phase "sanitizer tests"
# The checks of the source tree ran with the sanitizer build's tests.
ctest --test-dir "$release" --output-on-failure --timeout 600 -j "$tests" -LE 'x11|source|package'
phase "Release tests"
# The package is built from the Release build as players get it, twice over to show that it
# comes out the same: a phase of its own, as it builds the game again.
ctest --test-dir "$release" --output-on-failure --timeout 600 -j "$jobs" -L package
phase "package"
sh "$root/tools/fuzz.sh" 5
phase "fuzzing"
# The same core for Windows and the browser: built, and every golden replay played on each.
sh "$root/tools/cross.sh" "$root/build-cross"
phase "Windows and browser builds"
# The page in headless Chromium; the Release build's sprite tool draws what it must show.
sh "$root/tools/test-web.sh" "$root/build-cross/page" "$release/make_sprites"
phase "browser page"
