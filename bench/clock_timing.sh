#!/usr/bin/env bash
# Runs ClockTiming under an X server of its own, with a JACK dummy server (16-frame period) and
# the capture tool receiving the notes, idle and with the other cores loaded, then the CPU
# figures. Usage: bench/clock_timing.sh [build-dir]   (scripts/test's build-test/ by default)
set -euo pipefail
build=$(realpath "${1:-build-test}")
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; jack_stop; rm -rf "$tmp"; }
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "clock_timing: no X server of our own" >&2; exit 1; }
pids+=("$XVFB_PID")
jack_start "clock-bench-$$" 16 "$tmp/jackd.log"
run=0
for load in "" --load; do
  run=$((run + 1))
  "$build/tests/midi_capture" "clockbench$run" >"$tmp/capture$run.txt" 2>&1 & cap=$!
  until grep -qs '^# ready' "$tmp/capture$run.txt"; do sleep 0.1; done
  "$build/bench/ClockTiming" --notes 300 $load --jack "clockbench$run:in" --capture "$tmp/capture$run.txt"
  kill $cap
done
"$build/bench/ClockTiming" --notes 0 --order --cpu 10
