#!/usr/bin/env bash
# Korvane's Link source (through link_probe) against LinkHut, Link's own peer, in a private network
# namespace: the tempo and beat-time cases of Link's test plan, and start/stop followed.
#   - alone, it keeps the tempo it opens with; a peer joining moves neither its tempo nor its beat
#   - joining a session takes the session's tempo and leaves the peers' as it was
#   - a tempo change in LinkHut is followed; a tempo proposed here reaches LinkHut, kept within
#     Link's range
#   - LinkHut's clicks fall on our beats, its bar's first beat on ours; our notes on its clicks
#   - LinkHut's start and stop are followed, and no note is struck while stopped
source "$(dirname "$0")/../../scripts/netns.sh"
netns_enter "$0" "$@"
source "$(dirname "$0")/lib.sh"
source "$SRC_DIR/scripts/linkhut.sh"

probe_last() { grep '^state ' "$1" | tail -n1; }
probe_beat_past() {
  probe_last "$1" | awk -v b="$2" '{ for (i = 1; i <= NF; i++) if ($i ~ /^beat=/) { sub(/^beat=/, "", $i); exit !($i > b) } exit 1 }'
}
probe_is() {
  local log=$1 state word
  shift
  state=" $(probe_last "$log") "
  for word in "$@"; do [[ "$state" == *" $word "* ]] || return 1; done
}
# ms off the grid (the third field) of the last 8 lines of a kind (note, click) after line from.
offsets() { tail -n +"$3" "$1" | awk -v k="$2" '$1 == k { print $3 }' | tail -n 8; }
# True when 8 are there and most of them lie within ms. A stalled JACK cycle (a busy machine)
# puts LinkHut's clicks off for a few seconds while its filter of the audio clock recovers.
agree() {
  offsets "$1" "$2" "$3" | awk -v ms="$4" '{ n += ($1 <= ms && $1 >= -ms) } END { exit !(NR == 8 && 2 * n > NR) }'
}
count() { tail -n +"$3" "$1" | grep -c "^$2 " || true; }
at_least() { [ "$(count "$1" "$2" "$3")" -ge "$4" ]; }

e2e_jack_start

# Alone, the source keeps its tempo; LinkHut opened after it joins it and takes its tempo, and
# our beat runs on unbroken. (Of two sessions meeting, the older one goes on.)
alone="$E2E_TMP/probe-alone.log"
e2e_spawn "$alone" "$TOOLS_DIR/link_probe" --tempo 100
alone_pid=$E2E_LAST_PID
e2e_wait_for 20 probe_is "$alone" tempo=100.00 peers=0
# Link takes two sessions less than half a second apart in age as equals and lets their ids
# decide: ours must be clearly the older one (3 beats at 100 BPM are 1.8 s).
e2e_wait_for 20 probe_beat_past "$alone" 3
linkhut_start "$E2E_TMP" || e2e_fail "LinkHut did not start"
E2E_PIDS+=("$LINKHUT_PID")
E2E_LOGS+=("$E2E_TMP/linkhut.err")
linkhut_keys a
e2e_wait_for 30 linkhut_is enabled=yes peers=1
e2e_wait_for 30 probe_is "$alone" peers=1
linkhut_is tempo=100.00 || e2e_fail "LinkHut did not take the session's tempo: $(linkhut_state)"
probe_is "$alone" tempo=100.00 || e2e_fail "our tempo changed as LinkHut joined: $(probe_last "$alone")"
jumps=$(grep '^state ' "$alone" | tr '=' ' ' | awk '{ # t, tempo, beat: fields 3, 5, 7
  if (NR > 1) { d = ($7 - beat) - ($3 - t) * $5 / 60; if (d > 0.01 || d < -0.01) print }
  t = $3; beat = $7 }')
[ -z "$jumps" ] || e2e_fail "our beat jumped as LinkHut joined: $jumps"
kill -TERM "$alone_pid"
e2e_wait_for 30 linkhut_is peers=0

# LinkHut's own session at 130, playing, sharing start/stop.
linkhut_keys s Space
linkhut_tempo 130 || e2e_fail "LinkHut's tempo did not reach 130: $(linkhut_state)"
e2e_wait_for 20 linkhut_is sync=yes playing=1 tempo=130.00

# Joining takes 130 and leaves LinkHut at 130.
probe="$E2E_TMP/probe.log"
mkfifo "$E2E_TMP/probe.in"
e2e_spawn "$probe" bash -c 'exec "$0" "$@" <"'"$E2E_TMP"'/probe.in"' "$TOOLS_DIR/link_probe" \
  --tempo 100 --jack --notes 1 --latency LinkHut:out_1
exec 7>"$E2E_TMP/probe.in"
e2e_wait_for 20 grep -q '^# ready' "$probe"
e2e_jack_connect LinkHut:out_1 link_probe:clicks
e2e_wait_for 30 probe_is "$probe" peers=1 tempo=130.00
linkhut_is tempo=130.00 || e2e_fail "joining changed LinkHut's tempo: $(linkhut_state)"

# Tempo both ways.
linkhut_tempo 125 || e2e_fail "LinkHut's tempo did not reach 125: $(linkhut_state)"
e2e_wait_for 20 probe_is "$probe" tempo=125.00
# Link's whole range, and beyond it: kept at its ends, the same for both.
for tempo in 5:20.00 5000:999.00 140:140.00; do
  echo "tempo ${tempo%:*}" >&7
  e2e_wait_for 20 linkhut_is tempo="${tempo#*:}"
  e2e_wait_for 20 probe_is "$probe" tempo="${tempo#*:}"
done

# Start and stop: we joined stopped (a peer keeps its own state until the next change).
linkhut_keys Space
e2e_wait_for 20 linkhut_is playing=0
e2e_wait_for 20 probe_is "$probe" playing=0
linkhut_keys Space
e2e_wait_for 20 probe_is "$probe" playing=1
from=$(wc -l <"$probe")
e2e_wait_for 60 at_least "$probe" note "$from" 8
e2e_wait_for 60 at_least "$probe" click "$from" 8

# The beat and the bar agree: LinkHut's high click is our bar's first beat, its others are not.
wrong=$(tail -n +"$from" "$probe" | awk '$1 == "click" && (($5 == "high") != ($4 == 0))')
[ -z "$wrong" ] || e2e_fail "LinkHut's bar is not ours: $wrong"
e2e_poll 60 agree "$probe" click "$from" 3 ||
  e2e_fail "LinkHut's clicks are off our beats: $(offsets "$probe" click "$from" | tr '\n' ' ')"
e2e_poll 60 agree "$probe" note "$from" 3 ||
  e2e_fail "our notes are off the session's beats: $(offsets "$probe" note "$from" | tr '\n' ' ')"

# Stopped: no more notes once the stop is seen (one may already be on its way).
linkhut_keys Space
e2e_wait_for 20 probe_is "$probe" playing=0
stopped=$(count "$probe" note 1)
sleep 1.5 # two beats and more at 140: a note would have come
[ "$(count "$probe" note 1)" -le $((stopped + 1)) ] || e2e_fail "notes struck while stopped"
echo "quit" >&7
echo "PASS"
