#!/usr/bin/env bash
# Korvane following JACK transport (--sync jack, jack_transport as timebase master at 125 BPM),
# held on the pad with 120-tick notes: each note-on at a JACK receiver (midi_capture --transport,
# which stamps it with its transport frame) against its grid point, the transport frame of its
# sixteenth as the master's beat and tempo where the transport started give it. At JACK periods
# of 64, 256 and 1024 frames, a dummy server of our own each time, after a settling time.
# Usage: bench/transport_grid.sh [build-dir] [seconds per period (30)]
# KEEP_CAPTURE=PREFIX keeps each period's capture as PREFIX-<period>.txt.
set -euo pipefail
build=$(realpath "${1:-build-test}")
seconds=${2:-30}
settle=3
here=$(cd "$(dirname "$0")" && pwd)
export KORVANE_BIN="$build/korvane" TOOLS_DIR="$build/tests" SRC_DIR="$here/.."
export E2E_TIME_LIMIT=$((3 * (seconds + settle + 60)))
source "$here/../tests/e2e/lib.sh"
source "$here/jack.sh"

# Per note-on from settle seconds after the press: its error against the nearest sixteenth of
# the transport's grid, in ms; and its step from the last one, in sixteenths.
errors() {
  awk -v settle="$settle" '/^# transport / { f0 = $4; b0 = $6; bpm = $8; rate = $10; next }
       /^#/ || $2 != "90" || bpm == "" || bpm == "-" { next }
       first == "" { first = $1 }
       $1 >= first + settle * rate { beat = b0 + ($1 - f0) / rate * bpm / 60
                 k = int(beat * 4 + 0.5)
                 printf "%.6f %d\n", (beat - k / 4) * 60000 / bpm, (last == "" ? 1 : k - last)
                 last = k }' "$1"
}

# p50, p99 and max of |x| over the first column, in ms; steps other than one sixteenth.
stats() {
  awk '{ print ($1 < 0 ? -$1 : $1), $1, $2 }' | sort -g | awk '{ a[NR] = $1; s += $2; if ($3 != 1) gaps++ }
    END { if (NR == 0) { print "no samples"; exit }
          printf "n %4d  mean %+7.4f  |p50| %6.4f  |p99| %6.4f  |max| %6.4f ms  off-step %d\n",
                 NR, s / NR, a[int(0.5 * (NR - 1)) + 1], a[int(0.99 * (NR - 1)) + 1], a[NR], gaps }'
}

echo "Strikes on the JACK transport grid, 125 BPM, 120-tick notes; ${seconds}s per period after ${settle}s"
echo "(machine shared: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
for period in 64 256 1024; do
  jack_start "korvane-grid-$$-$period" "$period" "$E2E_TMP/jackd-$period.log"
  E2E_PIDS+=("$JACKD_PID")
  e2e_capture_start "grid-$period" --transport
  mkfifo "$E2E_TMP/transport-$period"
  e2e_spawn "$E2E_TMP/transport-$period.log" bash -c "exec jack_transport <'$E2E_TMP/transport-$period'"
  exec 7>"$E2E_TMP/transport-$period"
  for command in master "tempo 125" "locate 0"; do echo "$command" >&7; done
  E2E_KORVANE_ARGS=(--sync jack --device "$E2E_CAPTURE_PORT")
  e2e_korvane_start
  wid=$(e2e_window)
  e2e_wait_for 20 bash -c "jack_lsp | grep -q '^Korvane:out'"
  e2e_click "$wid" 282 157 # the "120" button
  # Started once Korvane follows: a client that joins a rolling transport can only take the
  # master's beat of that moment, which jack_transport's rounded ticks have moved off its frames.
  echo play >&7
  e2e_wait_for 20 grep -q '^# transport ' "$E2E_CAPTURE"
  e2e_pad_press "$wid" 100 45
  sleep $((settle + seconds))
  xdotool mouseup 1
  e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'
  [ -z "${KEEP_CAPTURE:-}" ] || cp "$E2E_CAPTURE" "$KEEP_CAPTURE-$period.txt"
  echo "period $period frames"
  printf "  note-on vs grid  "; errors "$E2E_CAPTURE" | stats
  echo "  dummy server: $(grep -c XRun "$E2E_TMP/jackd-$period.log" || true) xrun lines"
  e2e_korvane_stop
  echo stop >&7
  exec 7>&-
  jack_stop
done
