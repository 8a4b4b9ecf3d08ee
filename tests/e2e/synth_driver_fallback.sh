# Without a native stream, the built-in synthesizer plays through FluidSynth's own drivers: its
# PulseAudio driver (here the daemon's PulseAudio server), then its ALSA driver (ALSA's default
# device led to the same server by the test's own ALSA configuration). Each press is heard in the
# sink's recording soon after it, each time.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pipewire.sh"
export JACK_NO_START_SERVER=1
plugin=$(find /usr/lib /usr/lib64 -name libasound_module_pcm_pulse.so 2>/dev/null | head -n1)
[ -n "$plugin" ] || e2e_fail "no ALSA plugin for PulseAudio (scripts/bootstrap test installs it)"
# ALSA reads this at each open: its default device is the daemon's PulseAudio server.
printf '%s\n' 'pcm.!default { type pulse }' 'ctl.!default { type pulse }' >"$HOME/.asoundrc"

onsets() { grep -c ' onset ' "$PW_RECORD" || true; }
more_onsets_than() { [ "$(onsets)" -gt "$1" ]; }
# Each press, from the moment before it to the first onset after it (ms); a loaded machine may
# take long, an estimate gone astray would take seconds or never sound.
presses_heard() {
  local press before stamp heard ms
  for press in 1 2 3; do
    before=$(onsets)
    stamp=$("$TOOLS_DIR/stamp_run" true | awk '{ print $1 }')
    e2e_pad_press "$PW_WID" 100 2
    e2e_wait_for 20 more_onsets_than "$before"
    e2e_pad_release "$PW_WID" 100 2
    heard=$(awk -v s="$stamp" '$2 == "onset" && $1 > s { print $1; exit }' "$PW_RECORD")
    ms=$(awk -v s="$stamp" -v h="$heard" 'BEGIN { printf "%.0f", (h - s) * 1000 }')
    echo "$1: press $press heard after $ms ms"
    [ "$ms" -lt 500 ] || e2e_fail "$1: press $press was heard only after $ms ms"
    sleep 1
  done
}

pw_korvane_start pulseaudio
presses_heard pulseaudio
e2e_korvane_stop
pw_korvane_open alsa
presses_heard alsa
e2e_korvane_stop
