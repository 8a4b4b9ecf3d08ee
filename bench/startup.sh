#!/usr/bin/env bash
# Launch-to-window time and resident memory of Korvane with each General MIDI SoundFont.
# Usage: bench/startup.sh [build/korvane] [runs] [jack]   (prints medians in ms and MB)
# With "jack" a JACK dummy server of its own runs meanwhile, so the JACK ports are listed too.
# Each run starts a fresh copy in a temp folder, on an X server of our own, polls for the visible
# main window every few milliseconds, waits for the synthesizer to report ready, then reads VmRSS.
set -euo pipefail
bin=${1:-build/korvane}
runs=${2:-5}
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
tmp=$(mktemp -d)
pid=""
XVFB_PID=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  jack_stop
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "startup: no X server of our own" >&2; exit 1; }
cp "$bin" "$tmp/korvane"
if [ "${3:-}" = jack ]; then
  jack_start "bench-startup-$$" 256 "$tmp/jackd.log"
else
  export JACK_DEFAULT_SERVER="bench-absent-$$"  # no MIDI server: only the synthesizer is listed
fi

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

one_run() {  # soundfont → "window_ms ready_ms rss_mb"
  rm -f "$tmp/korvane.ini" "$tmp/log"
  local start shown rss ready
  start=$(now_ms)
  KORVANE_SOUNDFONT=$1 KORVANE_MIDI_LOG=1 env -C "$tmp" ./korvane >"$tmp/log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --pid "$pid" --name '^Korvane$' >/dev/null 2>&1; do
    # Polling this often can make the X server refuse Korvane's own connection: run again.
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; pid=""; one_run "$1"; return; }
    sleep 0.002
  done
  shown=$(($(now_ms) - start))
  until grep -q "synthesizer ready\|no SoundFont" "$tmp/log"; do sleep 0.01; done
  ready=$(sed -n 's/.*synthesizer ready.* after \([0-9]*\) ms/\1/p' "$tmp/log")
  sleep 0.2  # let the first paints settle before reading memory
  rss=$(awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
  echo "$shown ${ready:-0} $rss"
}

printf "%-16s %12s %16s %10s\n" soundfont window_ms synth_ready_ms rss_MB
for font in /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/sounds/sf2/TimGM6mb.sf2; do
  : >"$tmp/results"
  for _ in $(seq "$runs"); do one_run "$font" >>"$tmp/results"; done
  printf "%-16s %12s %16s %10s\n" "$(basename "$font" .sf2)" \
    "$(cut -d' ' -f1 "$tmp/results" | median)" "$(cut -d' ' -f2 "$tmp/results" | median)" \
    "$(cut -d' ' -f3 "$tmp/results" | median)"
done
