#!/usr/bin/env bash
# Constancy of the built-in synthesizer's latency over time: notes every 120 ms rendered in real
# time to a file whose device clock runs 100 ppm slow, exact, and 100 ppm fast.
# Usage: bench/synth_drift.sh [build-dir] [seconds]   (build-test/ by default, 120 s each)
set -euo pipefail
build=$(realpath "${1:-build-test}")
seconds=${2:-120}
export JACK_DEFAULT_SERVER="korvane-drift-absent-$$" JACK_NO_START_SERVER=1
for ppm in -100 0 100; do
  "$build/bench/OutputTiming" drift "$ppm" "$seconds" 2>/dev/null || echo "ppm $ppm: no figures"
done
