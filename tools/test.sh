#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds everything with warnings as errors and the sanitizers, then runs every test.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DENCLOVA_WERROR=ON -DENCLOVA_SANITIZE=ON >/dev/null
ninja -C "$build"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --timeout 600 -j2
