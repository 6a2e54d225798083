#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when docs/PLAYING.md names a test that does not exist: every entry there must stay
# backed by a real test. Arguments: the document, then the test executables.
set -eu
doc=$1
shift
names=$(mktemp)
trap 'rm -f "$names"' EXIT
for exe in "$@"; do
  "$exe" --gtest_list_tests | awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }' >>"$names"
done
missing=0
for test in $(grep -oE '`[A-Z][A-Za-z0-9]*\.[A-Z][A-Za-z0-9]*`' "$doc" | tr -d '`' | sort -u); do
  if ! grep -qx "$test" "$names"; then
    echo "$doc names $test, which is no test"
    missing=1
  fi
done
exit $missing
