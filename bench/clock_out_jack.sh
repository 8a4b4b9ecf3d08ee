#!/usr/bin/env bash
# MIDI clock out at a JACK receiver: the interval between pulses against the tempo's (125 BPM:
# 960 frames at 48 kHz), stamped in frames by midi_capture, for the real korvane binary (under
# an X server of its own) free running with --send-clock and following the transport with
# --sync jack, beside jack_midi_clock clocking the same transport (jack_transport the master),
# all in one run of a JACK dummy server per period (1024, 256 and 64 frames). The first seconds
# of each run are left out. Optionally one busy loop per core beside it all.
# Usage: bench/clock_out_jack.sh [build-dir] [seconds] [load] [periods]
#        (build-test/, 30 s; load: 1; periods: "1024 256 64"). KEEP=DIR keeps the captures there.
set -euo pipefail
build=$(realpath "${1:-build-test}")
seconds=${2:-30}
load=${3:-0}
periods=${4:-1024 256 64}
settle=3
source "$(dirname "$0")/../scripts/xvfb.sh"
source "$(dirname "$0")/jack.sh"
source "$(dirname "$0")/stats.sh"
tmp=$(mktemp -d)
pids=()
cleanup() {
  stop_pids "${pids[@]}"
  exec 7>&- 2>/dev/null || true
  jack_stop
  kill "${XVFB_PID:-}" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
xvfb_start "$tmp/xvfb.log" || { echo "clock_out_jack: no X server of our own" >&2; exit 1; }
# Nothing of the user's: Korvane's settings go to a home of this run's own.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME"
mkdir -p "$tmp/app"
cp "$build/korvane" "$tmp/app/korvane"
busy=()
if [ "$load" = 1 ]; then
  for _ in $(seq "$(nproc)"); do
    nice -n 19 bash -c 'while :; do :; done' &
    busy+=("$!")
  done
fi

capture() { # capture NAME: midi_capture --frames as NAME, its file $tmp/NAME.txt
  "$build/tests/midi_capture" --frames "$1" >"$tmp/$1.txt" 2>&1 &
  pids+=("$!")
  wait_for 20 grep -q '^# ready' "$tmp/$1.txt"
}
# The interval errors (ms) of the pulses in file after the settling time.
errors() {
  awk -v skip=$((settle * 50)) '$2 == "f8" {
    if (++n > skip && last != "") printf "%.5f\n", ($1 - last - 960) / 48
    last = $1 }' "$1"
}

echo "MIDI clock out: pulse interval against 960 frames (125 BPM), ${seconds}s per run after ${settle}s"
echo "($( [ "$load" = 1 ] && echo "a busy loop per core beside it; " )machine shared: figures vary between runs)"
for period in $periods; do
  jack_start "korvane-clockout-$$-$period" "$period" "$tmp/jackd.log"
  pids=()
  mkfifo "$tmp/transport"
  bash -c "exec jack_transport <'$tmp/transport'" >/dev/null 2>&1 &
  pids+=("$!")
  exec 7>"$tmp/transport"
  printf 'master\ntempo 125\nlocate 0\nplay\n' >&7
  jack_midi_clock >/dev/null 2>&1 &
  mclk=$!
  capture ref
  wait_for 20 bash -c "jack_lsp | grep -q '^jack_midi_clock:'"
  wait_for 20 jack_connect "$(jack_lsp | grep '^jack_midi_clock:' | head -1)" ref:in
  for mode in free follow; do
    capture "$mode"
    args=(--send-clock --device "$mode:in")
    [ "$mode" = follow ] && args+=(--sync jack)
    env -C "$tmp/app" KORVANE_SYNTH_DRIVER=none \
      KORVANE_SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2 \
      ./korvane "${args[@]}" >"$tmp/korvane.log" 2>&1 &
    korvane=$!
    sleep $((settle + seconds))
    stop_pids "$korvane"
  done
  # SIGINT: jack_midi_clock closes its client (killed, it would stall the server's cycles).
  kill -INT "$mclk"
  wait "$mclk" 2>/dev/null || true
  stop_pids "${pids[@]}"
  exec 7>&-
  rm -f "$tmp/transport"
  echo "period $period frames"
  printf "  korvane free running        "; errors "$tmp/free.txt" | stats ms
  printf "  korvane following transport "; errors "$tmp/follow.txt" | stats ms
  printf "  jack_midi_clock             "; errors "$tmp/ref.txt" | stats ms
  echo "  dummy server: $(grep -c XRun "$tmp/jackd.log" || true) xrun lines"
  [ -z "${KEEP:-}" ] || cp "$tmp"/*.txt "$tmp/jackd.log" "$tmp/korvane.log" "$KEEP/" 2>/dev/null || true
  jack_stop
done
stop_pids "${busy[@]}"
