#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each for a fixed time on its seed corpus, after replaying every input kept under
# fuzz/regressions/. A crash fails the run and its input is kept there as a regression input.
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default: 10 s each; bmp ranking game replay command_line)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
[ $# -gt 0 ] && shift
targets=${*:-bmp ranking game replay command_line}
"$root/tools/deps.sh"
build="$root/build-fuzz"
CXX=${FUZZ_CXX:-clang++} cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DENCLOVA_FUZZ=ON -DENCLOVA_TESTS=OFF -DENCLOVA_BENCH=OFF -DENCLOVA_WERROR=ON \
  -DCMAKE_UNITY_BUILD=ON >/dev/null
set --
for t in $targets; do set -- "$@" "fuzz_$t"; done
ninja -C "$build" "$@"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for t in $targets; do
  exe="$build/fuzz/fuzz_$t"
  kept="$root/fuzz/regressions/$t"
  # The inputs found so far grow in a scratch corpus; the tree's seeds are only read.
  mkdir -p "$work/$t" "$work/$t-crash"
  case $t in
    bmp) seeds="$root/fuzz/corpus/bmp $root/assets"; options="-max_len=4096" ;;
    ranking) seeds="$root/fuzz/corpus/ranking"; options="-max_len=408" ;;
    game) seeds="$root/fuzz/corpus/game"; options="-max_len=2048 -len_control=0" ;;
    replay) seeds="$root/fuzz/corpus/replay $root/tests/replays"; options="-max_len=32768" ;;
    command_line) seeds="$root/fuzz/corpus/command_line"; options="-max_len=256" ;;
    *) echo "no such target: $t"; exit 2 ;;
  esac
  if [ -d "$kept" ] && [ -n "$(ls -A "$kept")" ]; then
    echo "== $t: replaying $(ls "$kept" | wc -l) kept inputs"
    "$exe" -runs=0 "$kept" || status=1
  fi
  echo "== $t: fuzzing for $seconds s"
  # shellcheck disable=SC2086
  if ! "$exe" $options -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/$t-crash/" "$work/$t" $seeds \
      2>"$work/$t.log"; then
    status=1
    mkdir -p "$kept"
    for f in "$work/$t-crash"/*; do
      [ -e "$f" ] || continue
      cp "$f" "$kept/"
      echo "$t failed; its input is kept as fuzz/regressions/$t/$(basename "$f")"
    done
    tail -n 60 "$work/$t.log"
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov: ' "$work/$t.log" | tail -n 3
  fi
done
exit $status
