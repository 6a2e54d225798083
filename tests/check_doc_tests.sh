#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when docs/PLAYING.md names a test that does not exist: every entry there must stay
# backed by a real test. Arguments: the document, then the test executables; with
# --without-x11 first, a build that has no X11 test binary, whose names marked *X11* are not
# looked for.
set -eu
without_x11=0
if [ "$1" = --without-x11 ]; then
  without_x11=1
  shift
fi
doc=$1
shift
names=$(mktemp)
trap 'rm -f "$names"' EXIT
for exe in "$@"; do
  "$exe" --gtest_list_tests | awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }' >>"$names"
done
missing=0
named='`[A-Z][A-Za-z0-9]*\.[A-Z][A-Za-z0-9]*`'
skipped=$(if [ $without_x11 = 1 ]; then grep -oE "\*X11\* $named" "$doc" | grep -oE "$named" || true; fi)
for test in $(grep -oE "$named" "$doc" | tr -d '`' | sort -u); do
  if printf '%s\n' "$skipped" | tr -d '`' | grep -qx "$test"; then continue; fi
  if ! grep -qx "$test" "$names"; then
    echo "$doc names $test, which is no test"
    missing=1
  fi
done
exit $missing
