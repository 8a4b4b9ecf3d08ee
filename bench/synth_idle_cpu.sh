#!/usr/bin/env bash
# CPU of Korvane at rest with the built-in synthesizer open (nothing sounding), on a JACK dummy
# server of our own at 256 frames and rendering to a paced file, in % of one core over 20 s.
# Usage: bench/synth_idle_cpu.sh [build-dir] [seconds]
set -euo pipefail
build=$(realpath "${1:-build-test}")
seconds=${2:-20}
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
pid=""
cleanup() {
  [ -z "$pid" ] || { kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }
  jack_stop
  kill "${XVFB_PID:-}" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "synth_idle_cpu: no X server of our own" >&2; exit 1; }
export HOME="$tmp" XDG_CONFIG_HOME="$tmp/.config" KORVANE_SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
measure() {  # label, then the environment for Korvane
  local label=$1
  shift
  (cd "$tmp" && exec env "$@" "$build/korvane") >"$tmp/korvane.log" 2>&1 &
  pid=$!
  sleep 5  # started, the synthesizer loaded and quiet
  local before after hz
  hz=$(getconf CLK_TCK)
  before=$(ticks "$pid")
  sleep "$seconds"
  after=$(ticks "$pid")
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v l="$label" \
    'BEGIN { printf "%-34s %.2f %% of a core\n", l, 100 * t / hz / s }'
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}
jack_start "korvane-idle-$$" 256 "$tmp/jackd.log"
measure "synthesizer on JACK, idle" KORVANE_SYNTH_DRIVER=jack
measure "no synthesizer output, idle" KORVANE_SYNTH_DRIVER=none
jack_stop
measure "synthesizer to a paced file, idle" KORVANE_SYNTH_DRIVER=file KORVANE_SYNTH_FILE="$tmp/x.raw"
