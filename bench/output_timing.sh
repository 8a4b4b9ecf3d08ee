#!/usr/bin/env bash
# Onset timing where the sound is made: Korvane's JACK port beside an RtMidi sender at JACK
# periods of 64, 256 and 1024 frames (a dummy server of our own each time), then the built-in
# synthesizer rendering to a file at buffers of 64, 256 and 1024 frames.
# Usage: bench/output_timing.sh [build-dir] [notes] [interval-ms]
set -euo pipefail
build=$(realpath "${1:-build}")
notes=${2:-150}
interval=${3:-120}
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
trap 'jack_stop; rm -rf "$tmp"' EXIT
for period in 64 256 1024; do
  jack_start "korvane-timing-$$-$period" "$period" "$tmp/jackd.log"
  "$build/bench/OutputTiming" jack "$notes" "$interval" 2>/dev/null
  jack_stop
done
export JACK_DEFAULT_SERVER="korvane-timing-absent-$$"
for buffer in 64 256 1024; do
  "$build/bench/OutputTiming" synth "$buffer" "$notes" "$interval" 2>/dev/null
done
