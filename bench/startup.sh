#!/usr/bin/env bash
# Launch-to-window time and resident memory of Korvane with each General MIDI SoundFont, without
# and with a JACK server running (a dummy server of our own, 256 frames).
# Usage: bench/startup.sh [build/korvane] [runs]   (prints medians in ms and MB)
# The two cases alternate run by run, so both see the same machine. Each run starts a fresh copy
# in a temp folder on an X server of our own; the window counts as shown when the X server maps
# it (watched with xev, stamped without forking), then the synthesizer's own "ready" time and the
# resident memory are read.
set -euo pipefail
bin=${1:-build/korvane}
runs=${2:-7}
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
pid=""
xev_pid=""
XVFB_PID=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ -n "$xev_pid" ] && kill "$xev_pid" 2>/dev/null
  jack_stop
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "startup: no X server of our own" >&2; exit 1; }
cp "$bin" "$tmp/korvane"
jack_start "bench-startup-$$" 256 "$tmp/jackd.log"
server=$JACK_DEFAULT_SERVER

now_us() { echo "${EPOCHREALTIME/./}"; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

# Prints the moment (µs) of the first window mapped on the display, then ends.
first_map() {
  local line
  while IFS= read -r line; do
    if [[ $line == MapNotify* ]]; then
      now_us
      return
    fi
  done
}

one_run() {  # soundfont server → "window_ms ready_ms rss_mb"
  rm -f "$tmp/korvane.ini" "$tmp/log" "$tmp/mapped"
  local start shown rss ready
  rm -f "$tmp/xev"
  mkfifo "$tmp/xev"
  first_map <"$tmp/xev" >"$tmp/mapped" &
  local watcher=$!
  stdbuf -oL xev -root -event substructure >"$tmp/xev" 2>/dev/null &
  xev_pid=$!
  sleep 0.3 # xev has chosen its events
  start=$(now_us)
  JACK_DEFAULT_SERVER=$2 KORVANE_SOUNDFONT=$1 KORVANE_MIDI_LOG=1 \
    env -C "$tmp" ./korvane >"$tmp/log" 2>&1 &
  pid=$!
  wait "$watcher"
  kill "$xev_pid" 2>/dev/null || true
  wait "$xev_pid" 2>/dev/null || true
  xev_pid=""
  shown=$((($(cat "$tmp/mapped") - start) / 1000))
  until grep -q "synthesizer ready\|no SoundFont" "$tmp/log"; do sleep 0.01; done
  ready=$(sed -n 's/.*synthesizer ready.* after \([0-9]*\) ms/\1/p' "$tmp/log")
  sleep 0.3 # let the first paints and the device list settle before reading memory
  rss=$(awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
  echo "$shown ${ready:-0} $rss"
}

column() { cut -d' ' -f"$2" "$1" | median; }

printf "%-12s %22s %22s %18s\n" "" "window_ms" "synth_ready_ms" "rss_MB"
printf "%-12s %11s %10s %11s %10s %9s %8s\n" soundfont "no server" "JACK" "no server" "JACK" \
  "no server" "JACK"
for font in /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/sounds/sf2/TimGM6mb.sf2; do
  : >"$tmp/without"
  : >"$tmp/with"
  for _ in $(seq "$runs"); do
    one_run "$font" "bench-absent-$$" >>"$tmp/without"
    one_run "$font" "$server" >>"$tmp/with"
  done
  printf "%-12s %11s %10s %11s %10s %9s %8s\n" "$(basename "$font" .sf2)" \
    "$(column "$tmp/without" 1)" "$(column "$tmp/with" 1)" "$(column "$tmp/without" 2)" \
    "$(column "$tmp/with" 2)" "$(column "$tmp/without" 3)" "$(column "$tmp/with" 3)"
done
