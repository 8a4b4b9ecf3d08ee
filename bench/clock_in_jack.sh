#!/usr/bin/env bash
# MIDI clock in from jack_midi_clock (clocking jack_transport's transport, the master) through
# Korvane's own clock source (ClockInProbe): the tempo estimate's error on a steady 120 BPM,
# the settling time in beats after a step to 140 (the last moment the estimate was outside
# ±0.1 BPM of 140, counted from the clock's first pulse at 140), and the error at 140 from 4 s
# after the step, with jack_midi_clock's artificial jitter off and at a few percent. One JACK
# dummy server (256 frames) per run.
# Usage: bench/clock_in_jack.sh [build-dir] [seconds per tempo]   (build-test/, 12 s)
set -euo pipefail
build=$(realpath "${1:-build-test}")
seconds=${2:-12}
source "$(dirname "$0")/jack.sh"
source "$(dirname "$0")/stats.sh"
tmp=$(mktemp -d)
pids=()
cleanup() {
  stop_pids "${pids[@]}"
  jack_stop
  rm -rf "$tmp"
}
trap cleanup EXIT

echo "MIDI clock in from jack_midi_clock: 120 BPM for ${seconds}s, then 140 for ${seconds}s"
echo "(machine shared: figures vary between runs)"
for jitter in 0 2 5; do
  jack_start "korvane-clockin-$$-$jitter" 256 "$tmp/jackd.log"
  pids=()
  mkfifo "$tmp/transport"
  bash -c "exec jack_transport <'$tmp/transport'" >/dev/null 2>&1 &
  pids+=("$!")
  exec 7>"$tmp/transport"
  printf 'master\ntempo 120\nlocate 0\nplay\n' >&7
  jack_midi_clock -J "$jitter" >/dev/null 2>&1 &
  mclk=$!
  wait_for 20 bash -c "jack_lsp | grep -q '^jack_midi_clock:'"
  "$build/bench/ClockInProbe" jack_midi_clock $((2 * seconds)) >"$tmp/probe.log" 2>&1 &
  probe=$!
  sleep "$seconds"
  echo "tempo 140" >&7
  wait "$probe" || { echo "clock_in_jack: the probe failed:" >&2; cat "$tmp/probe.log" >&2; exit 1; }
  # SIGINT: jack_midi_clock closes its client (killed, it would stall the server's cycles).
  kill -INT "$mclk"
  wait "$mclk" 2>/dev/null || true
  stop_pids "${pids[@]}"
  exec 7>&-
  rm -f "$tmp/transport"
  # The step: the pulse before the first interval nearer 140's (857 frames) than 120's (1000).
  step=$(awk '$1 == "pulse" { if (last != "" && $3 - last < 929) { print at; exit }
    last = $3; at = $2 }' "$tmp/probe.log")
  first=$(awk '$1 == "est" { print $2; exit }' "$tmp/probe.log")
  echo "jitter ${jitter}% (jack_midi_clock -J $jitter)"
  # jack_midi_clock's jitter varies each interval, so its pulses wander: the source's own tempo
  # over 2 beats (from the receiver's frames) beside the estimate's error.
  printf "  source's 2-beat tempo     "
  awk -v from="$first" -v to="$step" '$1 == "pulse" { f[++n] = $3; t[n] = $2 }
    END { for (i = 49; i <= n; i++) if (t[i] > from + 4 && t[i] < to) print 120000 / ((f[i] - f[i - 48]) / 48) - 120 }' "$tmp/probe.log" | stats BPM
  printf "  error at 120, from 4 s    "
  awk -v from="$first" -v to="$step" '$1 == "est" && $2 > from + 4 && $2 < to { print $3 - 120 }' "$tmp/probe.log" | stats BPM
  awk -v step="$step" '$1 == "est" && $2 >= step { if ($3 < 139.9 || $3 > 140.1) out = $2; last = $2 }
    END { if (out == "") out = step
          printf "  settled after the step     %.2f beats (last outside ±0.1 BPM %.3f s after it)\n",
                 (out - step) * 140 / 60, out - step }' "$tmp/probe.log"
  printf "  error at 140, from 4 s on "
  awk -v step="$step" '$1 == "est" && $2 > step + 4 { print $3 - 140 }' "$tmp/probe.log" | stats BPM
  echo "  dummy server: $(grep -c XRun "$tmp/jackd.log" || true) xrun lines"
  jack_stop
done
