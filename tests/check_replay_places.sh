#!/bin/sh
# SPDX-License-Identifier: MIT
# Plays a replay with the real binary from wherever a player may stand: its replays/ folder, a
# home holding nothing, "/", a folder with another sheet; the build tree's binary (no
# installation beside it) and an installed one in a staging prefix. Also FIFOs named on the
# command line, which must be refused at once.
#
#   check_replay_places.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >"$stage/install.log" 2>&1 ||
  { cat "$stage/install.log"; fail "cmake --install"; }
installed="$stage/root/usr/games/enclova"
built="$build/enclova"
golden="$source/tests/replays/good-ranked-level1.replay"

# A data folder as the game leaves it, a home with nothing in it, a folder with another sheet.
data="$stage/data"
mkdir -p "$data/replays" "$stage/home" "$stage/other" "$stage/loose"
cp "$source/assets/fgra.bmp" "$source/assets/fdata.dat" "$data/"
cp "$golden" "$data/replays/round.replay"
cp "$golden" "$stage/loose/round.replay"
cp "$source/assets/fgra.bmp" "$stage/other/fgra.bmp"
size=$(wc -c <"$stage/other/fgra.bmp")
printf '\001' | dd of="$stage/other/fgra.bmp" bs=1 seek=$((size - 10)) conv=notrunc 2>/dev/null

# play BINARY DIRECTORY WANTED-STATUS REPLAY [OPTION...]: plays headless standing in DIRECTORY,
# with a home of its own; its standard error is left in $stage/err.
play() {
  binary=$1 dir=$2 want=$3 file=$4
  shift 4
  status=0
  (cd "$dir" && HOME="$stage/home" XDG_DATA_HOME= timeout 20 "$binary" --replay="$file" \
     --headless "$@" >"$stage/out" 2>"$stage/err") || status=$?
  [ "$status" -eq "$want" ] ||
    { cat "$stage/out" "$stage/err" >&2; fail "$binary --replay=$file in $dir: $status, not $want"; }
}

play "$built" "$data/replays" 0 round.replay
play "$built" "$data" 0 replays/round.replay
play "$built" "$stage/home" 0 ../data/replays/round.replay
play "$built" / 0 "$data/replays/round.replay"
play "$built" "$stage/other" 0 "$data/replays/round.replay"
play "$built" / 0 "$stage/loose/round.replay" --data-dir="$data"

# No directory tried holds the recorded sheet: status 3, each place named with its reason.
play "$built" "$stage/other" 3 "$stage/loose/round.replay"
grep -q "cannot be played here" "$stage/err" || fail "no reason: $(cat "$stage/err")"
grep -q "$stage/other: its fgra.bmp is another sheet" "$stage/err" || fail "$(cat "$stage/err")"
play "$built" "$stage/loose" 3 round.replay
grep -q "$stage/loose/fgra.bmp: No such file or directory" "$stage/err" || fail "$(cat "$stage/err")"

# Installed: a replay anywhere plays against the installed sheet, read in place, as a game
# started there would; playback changes no file, so the player's own folder is not even made.
play "$installed" / 0 "$stage/loose/round.replay"
[ ! -e "$stage/home/.local/share/enclova" ] || fail "playback made the player's folder"
play "$installed" "$stage/home" 0 ../data/replays/round.replay
# A working directory holding a data file is where the game would play, here too.
play "$installed" "$stage/other" 3 "$stage/loose/round.replay"

# FIFOs where a file is named: refused at once, not waited on.
mkfifo "$stage/fifo"
play "$built" "$data" 2 "$stage/fifo"
grep -q "not a regular file" "$stage/err" || fail "FIFO replay: $(cat "$stage/err")"
play "$built" "$data" 2 replays/round.replay --screenshot="$stage/fifo"
grep -q "not a regular file" "$stage/err" || fail "FIFO screenshot: $(cat "$stage/err")"
echo "replays played from their folder, a home, /, another sheet's folder, installed; FIFOs refused"
