#!/usr/bin/env bash
# Notes struck on a Link session's grid against LinkHut, Link's own peer, on one JACK server,
# inside a private network namespace (Link talks multicast on every interface; nothing leaves it).
# link_probe follows the session through Korvane's Link source and strikes a note every beat
# through Korvane's JACK client, as the window's clock does, and stamps what arrives at its own
# inputs: its notes, and LinkHut's metronome clicks (moved on by LinkHut's playback latency, which
# its clicks are put ahead by). Figures per JACK period, after a settling time:
#   note vs grid   the note's frame, in Link's time, against the session's beat
#   click vs grid  the same for LinkHut's clicks: how well the two peers agree on the beat
#   note vs click  each note against LinkHut's click of the same beat
# Usage: bench/link_onsets.sh [build-dir] [seconds]   (build-test/, 40 s per period by default)
set -euo pipefail
source "$(dirname "$0")/../scripts/netns.sh"
netns_enter "$0" "$@"
build=$(realpath "${1:-build-test}")
seconds=${2:-40}
settle=8
source "$(dirname "$0")/jack.sh"
source "$(dirname "$0")/../scripts/linkhut.sh"
tmp=$(mktemp -d)
probe_pid=""
cleanup() {
  [ -z "$probe_pid" ] || { kill -TERM "$probe_pid" 2>/dev/null; wait "$probe_pid" 2>/dev/null; } || true
  linkhut_stop
  jack_stop
  rm -rf "$tmp"
}
trap cleanup EXIT

probe_has() { grep -q "$1" "$tmp/probe.log"; }

# p50, p99 and max of |x| over the numbers on stdin, in ms.
stats() {
  awk '{ print ($1 < 0 ? -$1 : $1), $1 }' | sort -g | awk '{ a[NR] = $1; s += $2 }
    END { if (NR == 0) { print "no samples"; exit }
          printf "n %3d  mean %+7.3f  |p50| %6.3f  |p99| %6.3f  |max| %6.3f ms\n", NR, s / NR,
                 a[int(0.5 * (NR - 1)) + 1], a[int(0.99 * (NR - 1)) + 1], a[NR] }'
}

echo "Link onsets against LinkHut, 120 BPM, a note every beat; ${seconds}s per period after ${settle}s"
echo "(machine shared and busy: figures vary between runs)"
for period in 64 256 1024; do
  jack_start "korvane-link-$$-$period" "$period" "$tmp/jackd.log"
  linkhut_start "$tmp"
  linkhut_keys a s Space
  wait_for 10 linkhut_is enabled=yes sync=yes playing=1
  "$build/tests/link_probe" --jack --notes 1 --latency LinkHut:out_1 </dev/null >"$tmp/probe.log" 2>&1 &
  probe_pid=$!
  wait_for 10 probe_has '^# ready'
  wait_for 10 jack_connect LinkHut:out_1 link_probe:clicks
  wait_for 20 probe_has 'peers=1'
  # A peer joining keeps its own start/stop state: LinkHut starts again to have it follow.
  linkhut_keys Space
  wait_for 10 linkhut_is playing=0
  linkhut_keys Space
  wait_for 10 probe_has 'playing=1'
  sleep "$settle"
  from=$(wc -l <"$tmp/probe.log")
  sleep "$seconds"
  tail -n +"$from" "$tmp/probe.log" >"$tmp/window.log"
  echo "period $period frames ($(grep -m1 'playback latency' "$tmp/probe.log" | sed 's/^# //'))"
  printf "  note vs grid   "; awk '$1 == "note" { print $3 }' "$tmp/window.log" | stats
  printf "  click vs grid  "; awk '$1 == "click" { print $3 }' "$tmp/window.log" | stats
  printf "  note vs click  "
  awk '$1 == "note" || $1 == "click" { print $2, $1 }' "$tmp/window.log" | sort -n |
    awk '{ if (last != "" && $2 != lastKind && $1 - last < 50000) {
             print ($2 == "note" ? 1 : -1) * ($1 - last) / 1000; last = "" }
           else { last = $1; lastKind = $2 } }' | stats
  echo "  dummy server: $(grep -c XRun "$tmp/jackd.log" || true) xrun lines"
  kill -TERM "$probe_pid"
  wait "$probe_pid" 2>/dev/null || true
  probe_pid=""
  linkhut_stop
  jack_stop
done
