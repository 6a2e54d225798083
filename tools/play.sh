#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the game when its sources changed and starts it with the player's ranking.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh" play
build="$root/build"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DENCLOVA_BENCH=OFF >/dev/null
fi
# The build's log only when something was built, or the build failed.
log=$(mktemp)
if ! ninja -C "$build" enclova >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
grep -q "no work to do" "$log" || cat "$log"
rm -f "$log"

# The player's data directory, as an installed game keeps it: the sheet follows the source
# tree, copied only when it differs; the ranking is only seeded, never overwritten.
data="${XDG_DATA_HOME:-$HOME/.local/share}/enclova"
mkdir -p "$data"
cmp -s "$root/assets/fgra.bmp" "$data/fgra.bmp" || cp "$root/assets/fgra.bmp" "$data/fgra.bmp"
[ -e "$data/fdata.dat" ] || cp "$root/assets/fdata.dat" "$data/fdata.dat"
exec "$build/enclova" --data-dir="$data" "$@"
