#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds and runs every test: a build with the sanitizers (every test, the X11 ones included),
# the Release build that players get (its headless tests, and the benchmarks built; its X11 tests
# would not run, so they are not built), both with warnings as errors; then each fuzz target for
# a few seconds on its corpus.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
jobs=$(nproc)
checked="$root/build-test"
release="$root/build-rel"
cmake -S "$root" -B "$checked" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DENCLOVA_WERROR=ON -DENCLOVA_SANITIZE=ON -DENCLOVA_BENCH=OFF -DENCLOVA_UNITY_TESTS=ON >/dev/null
# The Release build compiles as a unity build: a third of the time. The sanitizer build keeps
# one object per source of the game, so a source that leans on another's includes still fails
# there; only its test binaries are unity builds.
cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENCLOVA_WERROR=ON \
  -DENCLOVA_X11_TESTS=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
ninja -C "$checked" -j "$jobs"
ninja -C "$release" -j "$jobs"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The package is built and checked from the Release build, as players get it.
ctest --test-dir "$checked" --output-on-failure --timeout 600 -j "$jobs" -LE package
ctest --test-dir "$release" --output-on-failure --timeout 600 -j "$jobs" -LE x11
sh "$root/tools/fuzz.sh" 5
