#!/bin/sh
# Builds the game and starts it in the player's data directory.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DENCLOVA_TESTS=OFF -DENCLOVA_BENCH=OFF >/dev/null
ninja -C "$root/build" enclova

# The game reads its files from the working directory. The sheet is refreshed at every start so
# an update reaches the player; the ranking is only seeded, never overwritten.
data="${XDG_DATA_HOME:-$HOME/.local/share}/enclova"
mkdir -p "$data"
cp "$root/assets/fgra.bmp" "$data/fgra.bmp"
[ -e "$data/fdata.dat" ] || cp "$root/assets/fdata.dat" "$data/fdata.dat"
cd "$data"
exec "$root/build/enclova" "$@"
