# Korvane's PipeWire stream made while the daemon has no sink: the session manager fails it ("no
# node available"), which is said once. Once a sink is there, the stream plays again by itself and
# says so, and its bursts are found in the sink's recording.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pipewire.sh"

# No PulseAudio server either: it would make a stand-in sink of its own.
PW_NO_SINK=1 pw_start "$E2E_TMP" || e2e_fail "no PipeWire daemon of our own"
tone="$E2E_TMP/tone.txt"
e2e_spawn "$tone" "$TOOLS_DIR/pw_tone" 0 300 128
e2e_wait_for 20 grep -q '^# report the PipeWire stream failed (no node available)' "$tone"

pw-cli create-node adapter "{ factory.name = support.null-audio-sink node.name = $PW_SINK
  media.class = Audio/Sink object.linger = true audio.position = [ FL FR ] }" >/dev/null
record="$E2E_TMP/record.txt"
pw_spawn "$record" "$TOOLS_DIR/pw_record" 0.05 30
e2e_wait_for 20 grep -q '^# ready' "$record"

onsets_at_least() { [ "$(grep -c ' onset ' "$record" || true)" -ge "$1" ]; }
e2e_wait_for 30 onsets_at_least 3
grep -q '^# report the PipeWire stream plays again' "$tone" ||
  e2e_fail "the stream played again without saying so"
echo "ok: $(grep -c ' onset ' "$record") onsets; $(grep '^# report' "$tone" | paste -sd';' -)"
