#!/usr/bin/env bash
# Runs ClockTiming under an X server of its own, with a JACK dummy server (16-frame period) and
# the capture tool receiving the notes, idle and with the other cores loaded, then the CPU
# figures. Usage: bench/clock_timing.sh [build-dir]
set -euo pipefail
build=$(realpath "${1:-build}")
tmp=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$tmp"; }
trap cleanup EXIT
for n in $(seq 270 299); do [ -e /tmp/.X11-unix/X$n ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display JACK_DEFAULT_SERVER=clock-bench-$$ JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 16 >"$tmp/jackd.log" 2>&1 & pids+=($!)
sleep 2
run=0
for load in "" --load; do
  run=$((run + 1))
  "$build/tests/midi_capture" "clockbench$run" >"$tmp/capture$run.txt" 2>&1 & cap=$!
  until grep -qs '^# ready' "$tmp/capture$run.txt"; do sleep 0.1; done
  "$build/bench/ClockTiming" --notes 300 $load --jack "clockbench$run:in" --capture "$tmp/capture$run.txt"
  kill $cap
done
"$build/bench/ClockTiming" --notes 0 --order --cpu 10
