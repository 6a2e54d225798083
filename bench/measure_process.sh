#!/bin/bash
# SPDX-License-Identifier: MIT
# Measures the whole game process under a private Xvfb: time from exec to the first title frame on
# screen beside a bare SDL window's at each scale, peak memory, and wake-ups and CPU time while
# nothing happens on the title, on the ranking screen and during a round, and the time from a key
# to its presented frame.
#
# Usage: bench/measure_process.sh [path/to/enclova [path/to/enclova_bare_window]]
#   RUNS=n    start-ups of each program at each scale (15 by default)
#   SCALES=.. the scales of the start-up table ("1 2 3" by default)
#   SCALE=n   the window's scale for the session's figures (1 by default)
#   KEYS=n    presses timed per screen (100 by default); SESSION=0 leaves the session out
#   BASELINE=path/to/another/enclova  starts that game by turns too, for a before and after
# The bare window (bench/bare_window.cpp, built with the benchmarks) is the floor: the same size,
# the same hints, one solid frame presented the same way. The game and it start by turns, in
# changing order, so that a load that comes and goes weighs on both alike.
# Needs Xvfb and xdotool. Figures depend on the machine's load; run it on a quiet machine.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-${ENCLOVA_BINARY:-$root/build/enclova}}
runs=${RUNS:-15}
scales=${SCALES:-1 2 3}
scale=${SCALE:-1}
keys=${KEYS:-100}
session=${SESSION:-1}
baseline=${BASELINE:-}
[ -x "$binary" ] || { echo "no game binary at $binary (build it, or pass its path)" >&2; exit 1; }
binary=$(realpath "$binary")
bare=${2:-$(dirname "$binary")/bench/enclova_bare_window}
[ -x "$bare" ] || { echo "no bare window at $bare (build the target enclova_bare_window)" >&2; exit 1; }
bare=$(realpath "$bare")
if [ -n "$baseline" ]; then
  [ -x "$baseline" ] || { echo "no baseline game at $baseline" >&2; exit 1; }
  baseline=$(realpath "$baseline")
fi

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export LANG=C
unset LC_ALL
# The game's settings and pictures stay in the scratch directory.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_PICTURES_DIR="$work/pictures"

cp "$root/assets/fgra.bmp" "$root/assets/fdata.dat" "$work/"
cd "$work"

# Starts $1 at scale $2 in the background with its first frame and keys traced, its standard
# error in a fresh $work/stderr, so that no line of the one before is taken for its own.
start_program() {
  rm -f "$work/stderr"
  ENCLOVA_TRACE_FIRST_FRAME=1 ENCLOVA_TRACE_KEYS=1 "$1" --scale="$2" 2>"$work/stderr" &
  game_pid=$!
}
stop_game() {
  kill -TERM "$game_pid"
  wait "$game_pid" || true
  game_pid=""
}
# Waits for the whole line: a line still being written would have no time in it yet.
wait_first_frame() {
  for _ in $(seq 500); do
    grep -q "first frame .* at [0-9]*\.[0-9]\{9\}$" "$work/stderr" 2>/dev/null && return 0
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.01
  done
  echo "no frame was shown:" >&2
  cat "$work/stderr" >&2
  exit 1
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# CPU nanoseconds and voluntary context switches (a sleep and a wake-up each) over all threads.
cpu_and_wakeups() {
  local cpu=0 wakes=0 t
  for t in /proc/"$game_pid"/task/*; do
    cpu=$((cpu + $(cut -d' ' -f1 "$t/schedstat")))
    wakes=$((wakes + $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")))
  done
  echo "$cpu $wakes"
}
# Prints "wake-ups per second, CPU ms per second" over $1 seconds of leaving the game alone.
sample_idle() {
  local seconds=$1 before after
  before=$(cpu_and_wakeups)
  sleep "$seconds"
  after=$(cpu_and_wakeups)
  echo "$before $after" | awk -v s="$seconds" '{ printf "%.1f wake-ups/s, %.2f ms CPU/s", ($4 - $2) / s, ($3 - $1) / 1e6 / s }'
}

# Presses keys that each change the picture, one every 40 ms, and reports the game's own
# measure of each, from taking the key off its queue to the end of presenting its frame.
time_keys() {
  local first=$1 second=$2 before
  before=$(grep -c "key to present" "$work/stderr" || true)
  for _ in $(seq $((keys / 2))); do xdotool key "$first"; sleep 0.02; xdotool key "$second"; sleep 0.02; done
  sleep 0.3
  grep "key to present" "$work/stderr" | tail -n +$((before + 1)) | awk '{ print $5 }' > "$work/keys"
  sort -n "$work/keys" | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "no frames"; exit }
    i = int(NR * 0.95 + 0.999); if (i > NR) i = NR
    printf "p50 %.3f ms, p95 %.3f ms, max %.3f ms (%d keys)", v[int((NR + 1) / 2)], v[i], v[NR], NR }'
}

echo "display $DISPLAY (1920x1200), load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"

# Milliseconds from just before exec (the shell's clock) to the program's report of its first
# present, which returns once the X server has the frame.
time_start_up() {
  local t0 shown
  t0=$EPOCHREALTIME
  start_program "$1" "$2"
  wait_first_frame
  shown=$(sed -n 's/.*first frame .* at \([0-9.]*\)$/\1/p' "$work/stderr")
  stop_game
  awk -v a="$t0" -v b="$shown" 'BEGIN { printf "%.2f", (b - a) * 1000 }'
}

# Start-up: every run starts each program at each scale, each run in an order turned one further,
# so that every program goes first as often as the others.
programs=(game bare)
[ -n "$baseline" ] && programs+=(baseline)
: > "$work/startups"
for run in $(seq "$runs"); do
  for s in $scales; do
    for k in "${!programs[@]}"; do
      which=${programs[$(((run + k) % ${#programs[@]}))]}
      case $which in
        game) program=$binary ;;
        bare) program=$bare ;;
        baseline) program=$baseline ;;
      esac
      echo "$s $which $(time_start_up "$program" "$s") $run" >> "$work/startups"
    done
  done
done
# "median (first quartile-third quartile)" of one program at one scale.
figures_of() {
  awk -v s="$1" -v w="$2" '$1 == s && $2 == w { print $3 }' "$work/startups" | sort -n |
    awk '{ v[NR] = $1 } END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.2f (%.1f-%.1f)", m, v[int((NR + 3) / 4)], v[int((3 * NR + 3) / 4)] }'
}
# The median over the runs of one run's figure of $2 at scale $1 divided by its figure of $4 at
# scale $3: the two were measured moments apart, so what the load did in between is small.
ratio_of() {
  awk -v s="$1" -v w="$2" -v t="$3" -v u="$4" '
    $1 == s && $2 == w { a[$4] = $3 }
    $1 == t && $2 == u { b[$4] = $3 }
    END { for (r in a) if (r in b) print a[r] / b[r] }' "$work/startups" | median
}
first=${scales%% *}
if [ "$runs" -gt 0 ]; then
  echo "start-up to the first frame on screen, ms, median (quartiles) of $runs runs each;"
  echo "the ratios are medians of each run's own ratio:"
  for which in "${programs[@]}"; do
    [ "$which" = bare ] && continue
    label=$which
    [ "$which" = game ] && label="game $(basename "$binary")"
    [ "$which" = baseline ] && label="baseline $baseline"
    echo "  $label"
    printf '    %-6s %-22s %-22s %7s %8s\n' scale "$which" bare ratio "vs ${first}x"
    for s in $scales; do
      printf '    %-6s %-22s %-22s %7.3f %8.3f\n' "${s}x" "$(figures_of "$s" "$which")" \
        "$(figures_of "$s" bare)" "$(ratio_of "$s" "$which" "$s" bare)" \
        "$(ratio_of "$s" "$which" "$first" "$which")"
    done
  done
  echo "load average after the start-ups: $(cut -d' ' -f1-3 /proc/loadavg)"
fi
[ "$session" = 0 ] && exit 0

# One session: the title, the ranking screen, a round; idle figures in each, peak memory at the end.
session_of() {
  echo "session of $1 at scale $scale:"
  start_program "$1" "$scale"
  wait_first_frame
  sleep 0.5
  echo "title idle:    $(sample_idle 3)"
  echo "title keys:    $(time_keys Right Left)"
  xdotool key x
  sleep 0.5
  echo "ranking idle:  $(sample_idle 3)"
  xdotool key space
  sleep 0.3
  xdotool key z
  sleep 6.5  # the five-second countdown, and the clock running
  echo "round idle:    $(sample_idle 5)"
  echo "round keys:    $(time_keys Right Left)"
  for key in Right Right Down z Down Left Left Up x x Right Right; do xdotool key "$key"; sleep 0.05; done
  sleep 0.5
  echo "peak RSS:      $(awk '/^VmHWM/ { printf "%.1f MiB", $2 / 1024 }' /proc/"$game_pid"/status)" \
    "(threads: $(awk '/^Threads/ { print $2 }' /proc/"$game_pid"/status))"
  stop_game
}
session_of "$binary"
if [ -n "$baseline" ]; then session_of "$baseline"; fi
