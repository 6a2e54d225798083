#!/bin/sh
# SPDX-License-Identifier: MIT
# Screenshots of the real game under Xvfb: a round at 1x (drawn, judged, its result), the same
# round's board at 2x in a managed window, and fullscreen (F11) under the same window manager.
#
#   tools/screenshots.sh [BINARY] [OUTDIR]     (defaults: build/enclova, docs/screenshots)
#
# Needs Xvfb, xdotool, xwininfo and openbox (tools/deps.sh installs them), xwd (x11-apps) and
# python3.
set -eu
for tool in Xvfb xdotool xwininfo openbox xwd python3; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${1:-$root/build/enclova}")
out=$(realpath "${2:-$root/docs/screenshots}")
mkdir -p "$out"
work=$(mktemp -d)
pids=""
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids="$!"
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
cp "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$work/"
export XDG_CONFIG_HOME="$work/config" XDG_PICTURES_DIR="$work/pictures" XDG_DATA_HOME="$work/data"
cd "$work"

shot() { xwd -root -silent >"$work/root.xwd" && python3 "$root/tools/xwd_to_png.py" "$work/root.xwd" "$out/$1.png" "$2"; }
keys() { for key in "$@"; do xdotool key "$key"; sleep 0.05; done; }
geometry() {
  xwininfo -id "$(xdotool search --name '^Enclova$' | head -n1)" |
    awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2}
         /Height:/{h=$2} END{print w "x" h "+" x "+" y}'
}
# Level 3, a short path drawn, closed into a one-cell loop, judged, then its result.
play_round() {
  keys Right Right z; sleep 5.6
  keys Right Right Down Down z Right Right Down Down Left; sleep 0.4
}

"$bin" --seed=4242 --scale=1 >/dev/null 2>&1 &
game=$!
sleep 1.5
at=$(geometry)
play_round; shot round-1x "$at"
keys Left Up Up z; sleep 0.6; shot judged-1x "$at"
sleep 2.5; shot result-1x "$at"
kill "$game"; wait "$game" 2>/dev/null || true

openbox --sm-disable >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
"$bin" --seed=4242 --scale=2 >/dev/null 2>&1 &
game=$!
sleep 1.5
play_round; shot round-2x 1920x1200+0+0
keys F11; sleep 1; shot fullscreen 1920x1200+0+0
kill "$game"; wait "$game" 2>/dev/null || true
echo "screenshots in $out"
