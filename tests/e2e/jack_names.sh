# One JACK client of a fixed name: the synthesizer's audio ports and the MIDI port are ports of
# "Korvane", at every start; when another program holds the name, Korvane says so and takes no
# other.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
only_korvane() { [ "$(jack_lsp | grep -c '^Korvane')" -eq "$1" ] && ! jack_lsp | grep -q '^Korvane-'; }
for start in 1 2; do
  e2e_korvane_start "" KORVANE_SYNTH_DRIVER=jack
  wid=$(e2e_window)
  e2e_wait_for 30 bash -c 'jack_lsp | grep -qx Korvane:synth_R'
  jack_lsp | grep -qx Korvane:synth_L || e2e_fail "no Korvane:synth_L (start $start)"
  jack_lsp -c Korvane:synth_L | grep -q '^ *system:playback_1$' || e2e_fail "synth_L not connected"
  jack_lsp -c Korvane:synth_R | grep -q '^ *system:playback_2$' || e2e_fail "synth_R not connected"
  e2e_pick "$wid" $E2E_COMBOBOX1 1  # the virtual port, on the same client
  e2e_wait_for 20 bash -c 'jack_lsp | grep -qx Korvane:Korvane'
  e2e_wait_for 20 bash -c 'jack_lsp | grep -c "^Korvane:synth_" | grep -qx 0'  # synth closed
  only_korvane 1 || e2e_fail "other Korvane ports: $(jack_lsp | grep '^Korvane' | tr '\n' ' ')"
  e2e_korvane_stop
done

# Another program holds the name.
e2e_capture_start Korvane
e2e_korvane_start "" KORVANE_SYNTH_DRIVER=jack
e2e_window >/dev/null
e2e_wait_for 30 grep -q 'JACK client name "Korvane" is taken by another program' "$KORVANE_LOG"
sleep 1  # what would come late: a client under another name
jack_lsp | grep -q '^Korvane-' && e2e_fail "took another name: $(jack_lsp | tr '\n' ' ')"
[ "$(grep -c 'is taken by another program' "$KORVANE_LOG")" -eq 1 ] || e2e_fail "said more than once"
echo ok
