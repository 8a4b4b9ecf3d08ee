#!/usr/bin/env bash
# The real note clock (ClockTiming: the window under an X server of its own, the pad held by
# xdotool) playing 120-tick notes at tempo 125, received by a JACK client stamping frames:
# Korvane's JACK port beside an RtMidi JACK sender fed the same messages, at JACK periods of 64,
# 256 and 1024 frames (a dummy server of our own each time).
# Usage: bench/clock_at_jack.sh [build-dir] [notes]   (build-test/ by default)
set -euo pipefail
build=$(realpath "${1:-build-test}")
notes=${2:-200}
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
cleanup() { jack_stop; kill "${XVFB_PID:-}" 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "clock_at_jack: no X server of our own" >&2; exit 1; }
for period in 64 256 1024; do
  jack_start "korvane-clock-$$-$period" "$period" "$tmp/jackd.log"
  "$build/bench/ClockTiming" --notes "$notes" --length 120 --frames 2>/dev/null
  echo "  dummy server: $(grep -c XRun "$tmp/jackd.log" || true) xrun lines"
  jack_stop
done
