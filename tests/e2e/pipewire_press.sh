# A press on the pad is heard through a PipeWire daemon of the test's own: the built-in
# synthesizer plays through Korvane's native stream into the null sink, whose recording has the
# note. When the daemon goes away Korvane says so in one line and keeps running; once a daemon is
# back, the next press is heard again.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pipewire.sh"
export JACK_NO_START_SERVER=1

pw_korvane_start pipewire
record=$PW_RECORD wid=$PW_WID

onsets() { grep -c ' onset ' "$1" || true; }
more_onsets_than() { [ "$(onsets "$1")" -gt "$2" ]; }

# The top row: velocity 127.
korvane_linked() {
  pactl list sink-inputs | grep -q 'application.name = "Korvane"'
}
press_heard() {
  local file=$1 before
  before=$(onsets "$file")
  e2e_pad_press "$wid" 100 2
  e2e_wait_for 20 more_onsets_than "$file" "$before"
  e2e_pad_release "$wid" 100 2
}
press_heard "$record"
korvane_linked ||
  e2e_fail "no stream of Korvane's on the sound server"

pw_stop
e2e_wait_for 20 grep -q '^korvane: the PipeWire server went away' "$KORVANE_LOG"
kill -0 "$KORVANE_PID" 2>/dev/null || e2e_fail "Korvane ended with the sound server"

pw_restart "$E2E_TMP" || e2e_fail "the daemon did not start again"
record2="$E2E_TMP/record2.txt"
pw_spawn "$record2" "$TOOLS_DIR/pw_record" 0.02 30
e2e_wait_for 20 grep -q '^# ready' "$record2"
e2e_wait_for 30 grep -q '^korvane: the PipeWire stream plays again' "$KORVANE_LOG"
# The new session manager links the stream to the sink only once it has seen both.
e2e_wait_for 30 korvane_linked
press_heard "$record2"
[ "$(grep -c '^korvane: the PipeWire server went away' "$KORVANE_LOG")" -eq 1 ] ||
  e2e_fail "the loss was said more than once"

e2e_korvane_stop
