#!/bin/bash
# SPDX-License-Identifier: MIT
# Measures the Windows game under Wine on a private Xvfb: time from exec to the first title frame
# beside a bare Win32 window's, and the wake-ups and CPU time of the game left alone on the title.
#
# Usage: bench/measure_wine.sh [path/to/enclova.exe [path/to/enclova_bare_window.exe]]
#   RUNS=n     start-ups of each program (15 by default)
#   IDLE=s     seconds of the title left alone (5 by default)
#   WINEPREFIX the Wine prefix to use (build-cross/wine-bench by default, made on first use)
# The bare window (bench/bare_win32_window.cpp, built beside enclova.exe) is the floor: the same
# size and style at scale 1, one solid frame painted the same way. The two start by turns, in
# changing order, so that a load that comes and goes weighs on both alike. Both run at scale 1
# and time their first frame the same way (win32/first_frame.cpp). The prefix's server is kept
# up for the whole measure, as tools/cross.sh does, and ended afterwards.
# Needs Xvfb and wine (and xdotool for the round's figures). Figures depend on the machine's load; run it on a quiet machine.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-$root/build-cross/windows/win32/enclova.exe}
runs=${RUNS:-15}
idle=${IDLE:-5}
[ -f "$binary" ] || { echo "no game at $binary (run tools/cross.sh, or pass its path)" >&2; exit 1; }
binary=$(realpath "$binary")
bare=${2:-$(dirname "$binary")/enclova_bare_window.exe}
[ -f "$bare" ] || { echo "no bare window at $bare (build the target enclova_bare_window)" >&2; exit 1; }
bare=$(realpath "$bare")

export WINEPREFIX=${WINEPREFIX:-$root/build-cross/wine-bench} WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export LANG=C
unset LC_ALL
# A server left by an earlier run would hold another display: this prefix's server is ours.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p
wine wineboot -i >/dev/null 2>&1

# The sheet and empty ranking in the working directory, as a player's copy of the zip has them.
cp "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$work/"
cd "$work"

start_program() {
  rm -f "$work/stderr"
  # Its standard output is not the caller's: Wine's helper processes would hold it open.
  ENCLOVA_TRACE_FIRST_FRAME=1 wine "$1" --scale=1 >/dev/null 2>"$work/stderr" &
  game_pid=$!
}
stop_game() {
  kill -TERM "$game_pid"
  wait "$game_pid" || true
  game_pid=""
}
wait_first_frame() {
  for _ in $(seq 1000); do
    # Windows' C library ends its lines with a carriage return.
    [ -f "$work/stderr" ] && tr -d '\r' < "$work/stderr" | grep -q "first frame .* at [0-9]*\.[0-9]\{9\}$" &&
      return 0
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.01
  done
  echo "no frame was shown:" >&2
  cat "$work/stderr" >&2
  exit 1
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Milliseconds from just before exec (the shell's clock) to the program's report of its first
# frame handed to the X server.
time_start_up() {
  local t0 shown
  t0=$EPOCHREALTIME
  start_program "$1"
  wait_first_frame
  shown=$(tr -d '\r' < "$work/stderr" | sed -n 's/.*first frame .* at \([0-9.]*\)$/\1/p')
  stop_game
  awk -v a="$t0" -v b="$shown" 'BEGIN { printf "%.2f", (b - a) * 1000 }'
}

echo "display $DISPLAY (1920x1200), wine $(wine --version), load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
: > "$work/startups"
for run in $(seq "$runs"); do
  if [ $((run % 2)) -eq 1 ]; then order="game bare"; else order="bare game"; fi
  for which in $order; do
    if [ "$which" = game ]; then program=$binary; else program=$bare; fi
    echo "$which $(time_start_up "$program") $run" >> "$work/startups"
  done
done
figures_of() {
  awk -v w="$1" '$1 == w { print $2 }' "$work/startups" | sort -n |
    awk '{ v[NR] = $1 } END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.2f (%.1f-%.1f)", m, v[int((NR + 3) / 4)], v[int((3 * NR + 3) / 4)] }'
}
# The median of each run's game figure over its bare figure, measured moments apart.
ratio=$(awk '$1 == "game" { a[$3] = $2 } $1 == "bare" { b[$3] = $2 }
             END { for (r in a) if (r in b) print a[r] / b[r] }' "$work/startups" | median)
echo "start-up to the first frame, ms from exec, median (quartiles) of $runs runs each:"
printf '  %-24s %s\n' "game $(basename "$binary")" "$(figures_of game)" \
  "bare $(basename "$bare")" "$(figures_of bare)"
printf '  ratio game/bare (median of each run'\''s own): %.3f\n' "$ratio"

# CPU nanoseconds and voluntary context switches (a sleep and a wake-up each) of one thread.
thread_figures() { echo "$(cut -d' ' -f1 "$1/schedstat") $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$1/status")"; }
snapshot() {
  local t
  for t in /proc/"$game_pid"/task/*; do
    echo "${t##*/} $(tr ' ' '_' < "$t/comm") $(thread_figures "$t")"
  done 2>/dev/null
}
# Per thread of the Wine process, wake-ups and CPU ms per second between two snapshots, the
# main thread (whose id is the process's) first.
report_idle() {
  join "$1" "$2" | awk -v s="$3" -v main="$4" '
    { wakes = ($7 - $4) / s; cpu = ($6 - $3) / 1e6 / s; all_w += wakes; all_c += cpu
      line = sprintf("    thread %-8s %-16s %6.1f wake-ups/s %7.3f ms CPU/s", $1, $2, wakes, cpu)
      if ($1 == main) print line; else rest = rest line "\n" }
    END { printf "%s", rest
          printf "    all %d threads             %6.1f wake-ups/s %7.3f ms CPU/s\n", NR, all_w, all_c }'
}
# The game on the title, then in a round with its clock running (the counters' control: a
# wake-up for each second shown). Every thread of the Wine process counts, the game's and Wine's own.
start_program "$binary"
wait_first_frame
main_pid=$game_pid
sleep 1
snapshot > "$work/before"
sleep "$idle"
snapshot > "$work/after"
echo "title idle over ${idle} s:"
report_idle "$work/before" "$work/after" "$idle" "$main_pid"
if command -v xdotool >/dev/null; then
  # No window manager gives the window the focus: the keys go where xdotool puts it.
  window=$(xdotool search --onlyvisible --name '^Enclova$' | head -n1)
  xdotool windowfocus --sync "$window"
  xdotool key z
  sleep 6.5  # the five-second countdown, and the clock running
  snapshot > "$work/before"
  sleep 3
  snapshot > "$work/after"
  echo "round, its clock running, over 3 s (the counters' control):"
  report_idle "$work/before" "$work/after" 3 "$main_pid"
fi
stop_game
