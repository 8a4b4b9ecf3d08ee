# Without a native stream, the built-in synthesizer plays through FluidSynth's own PulseAudio
# driver (here the daemon's PulseAudio server): a press is heard in the sink's recording soon
# after it, each time.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pipewire.sh"
export JACK_NO_START_SERVER=1

pw_korvane_start pulseaudio
record=$PW_RECORD wid=$PW_WID

onsets() { grep -c ' onset ' "$record" || true; }
more_onsets_than() { [ "$(onsets)" -gt "$1" ]; }
# Each press, from the moment before it to the first onset after it (ms); a loaded machine may
# take long, an estimate gone astray would take seconds or never sound.
for press in 1 2 3; do
  before=$(onsets)
  stamp=$("$TOOLS_DIR/stamp_run" true | awk '{ print $1 }')
  e2e_pad_press "$wid" 100 2
  e2e_wait_for 20 more_onsets_than "$before"
  e2e_pad_release "$wid" 100 2
  heard=$(awk -v s="$stamp" '$2 == "onset" && $1 > s { print $1; exit }' "$record")
  ms=$(awk -v s="$stamp" -v h="$heard" 'BEGIN { printf "%.0f", (h - s) * 1000 }')
  echo "press $press heard after $ms ms"
  [ "$ms" -lt 500 ] || e2e_fail "press $press was heard only after $ms ms"
  sleep 1
done
e2e_korvane_stop
