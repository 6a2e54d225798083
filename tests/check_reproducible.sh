#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian package twice from this tree, in two build directories of different names
# and depths, under different umasks, time zones and locales, some seconds apart, and checks
# that the two packages are the same bytes. On a difference it names the members that differ.
#
#   check_reproducible.sh SOURCE_DIR [CMAKE_ARGS...]
#
# CMAKE_ARGS reach both configurations (tests pass the generator and unity setting of their
# own build); without them the builds are plain Release builds with Ninja.
set -eu
source=$(cd "$1" && pwd)
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
jobs=${ENCLOVA_JOBS:-$(nproc)}

build() { # DIR UMASK TZ LOCALE
  mkdir -p "$1"
  (
    umask "$2"
    export TZ="$3" LC_ALL="$4"
    cmake -S "$source" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DENCLOVA_BENCH=OFF "$@" >"$1.log" 2>&1 &&
      ninja -C "$1" -j "$jobs" >>"$1.log" 2>&1 &&
      cpack --config "$1/CPackConfig.cmake" -G DEB -B "$1/out" >>"$1.log" 2>&1
  ) || { tail -n 30 "$1.log" >&2; fail "building in $1"; }
  ls "$1"/out/*.deb
}
first=$(build "$work/a" 022 UTC C.UTF-8 "$@")
second=$(build "$work/second/build-of-the-same-tree" 002 Asia/Tokyo C "$@")

if ! cmp "$first" "$second"; then
  for deb in "$first" "$second"; do
    mkdir -p "$deb.x"
    dpkg-deb -R "$deb" "$deb.x"
    dpkg-deb -c "$deb" >"$deb.list"
  done
  diff "$first.list" "$second.list" >&2 || true
  diff -r "$first.x" "$second.x" >&2 || true
  fail "two builds of one tree made different packages"
fi
# Members in order, and none newer than the last commit: the archive depends neither on the
# order the files were made in nor on the clock.
dpkg-deb -c "$first" | awk '{ print $6 }' >"$work/members"
LC_ALL=C sort -c "$work/members" || fail "the package's members are not sorted"
if epoch=$(git -C "$source" log -1 --format=%ct 2>/dev/null) && [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  dpkg-deb --fsys-tarfile "$first" | tar -tv --full-time --utc | while read -r _ _ _ day time name; do
    [ "$(date -u -d "$day $time" +%s)" -le "$epoch" ] || fail "$name is dated $day $time"
  done
fi
echo "two builds made the same package: $(basename "$first"), $(wc -c <"$first") bytes"
