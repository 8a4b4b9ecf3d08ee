#!/usr/bin/env bash
# Onset timing where the sound is made: Korvane's JACK port beside an RtMidi sender at JACK
# periods of 64, 256 and 1024 frames (a dummy server of our own each time), then the built-in
# synthesizer rendering to a file at buffers of 64, 256 and 1024 frames.
# Usage: bench/output_timing.sh [build-dir] [notes] [interval-ms]
set -euo pipefail
build=$(realpath "${1:-build}")
notes=${2:-150}
interval=${3:-120}
tmp=$(mktemp -d)
jackd_pid=""
stop_jack() {  # SIGTERM and wait: a killed jackd keeps its slot in JACK's server registry
  [ -n "$jackd_pid" ] || return 0
  kill -TERM "$jackd_pid" 2>/dev/null || true
  wait "$jackd_pid" 2>/dev/null || true
  jackd_pid=""
}
trap 'stop_jack; rm -rf "$tmp"' EXIT
export JACK_NO_START_SERVER=1
for period in 64 256 1024; do
  export JACK_DEFAULT_SERVER="korvane-timing-$$-$period"
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "$period" >"$tmp/jackd.log" 2>&1 &
  jackd_pid=$!
  for _ in $(seq 100); do
    jack_wait -c -s "$JACK_DEFAULT_SERVER" 2>/dev/null | grep -q '^running' && break
    sleep 0.1
  done
  "$build/bench/OutputTiming" jack "$notes" "$interval" 2>/dev/null
  stop_jack
done
export JACK_DEFAULT_SERVER="korvane-timing-absent-$$"
for buffer in 64 256 1024; do
  "$build/bench/OutputTiming" synth "$buffer" "$notes" "$interval" 2>/dev/null
done
