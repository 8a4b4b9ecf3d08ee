# With no JACK server and no ALSA sequencer the device list holds the built-in synthesizer only,
# and start-up shows no error box.
source "$(dirname "$0")/lib.sh"

[ -e /dev/snd/seq ] && { echo "skipped: this machine has an ALSA sequencer"; exit 0; }
export JACK_DEFAULT_SERVER="absent-$E2E_TAG"  # no server of that name runs
e2e_korvane_start "" KORVANE_MIDI_LOG=1
wid=$(e2e_window)
e2e_wait_for 30 grep -q "synthesizer ready" "$KORVANE_LOG"

# Listed at start-up and again, complete, once the window is shown.
e2e_wait_for 20 eval '[ "$(grep -c "^midi: device " "$KORVANE_LOG")" -ge 2 ]'
devices=$(grep '^midi: device ' "$KORVANE_LOG" | sort -u || true)
[ "$devices" = "midi: device 0: Korvane 内蔵シンセサイザー" ] || e2e_fail "device list: $devices"
windows=$(e2e_windows)
[ "$windows" = "$wid Korvane" ] || e2e_fail "windows besides the main one: $windows"
kill -0 "$KORVANE_PID" || e2e_fail "Korvane ended"
echo "ok"
