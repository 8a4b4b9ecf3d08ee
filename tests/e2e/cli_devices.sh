# --list-devices prints the devices of the moment (a JACK client that appeared after the
# server started is listed), in list order; --device opens the first match, and with no match
# says so and opens the first entry.
source "$(dirname "$0")/lib.sh"

list() { env -u DISPLAY KORVANE_SYNTH_DRIVER=none timeout 30 "$KORVANE_BIN" --list-devices; }

e2e_jack_start
list >"$E2E_TMP/before"
e2e_capture_start
list >"$E2E_TMP/after"
grep -qx "$E2E_CAPTURE_PORT" "$E2E_TMP/before" && e2e_fail "listed before it existed"
grep -qx "$E2E_CAPTURE_PORT" "$E2E_TMP/after" || e2e_fail "not listed: $(cat "$E2E_TMP/after")"
# The built-in synthesizer first, then the virtual port; each device once.
[ "$(sed -n 2p "$E2E_TMP/after")" = "Korvane" ] || e2e_fail "order: $(cat "$E2E_TMP/after")"
[ -z "$(sort "$E2E_TMP/after" | uniq -d)" ] || e2e_fail "a device twice: $(cat "$E2E_TMP/after")"

# The capture port chosen by part of its name: a program change reaches it.
E2E_KORVANE_ARGS=(--device "${E2E_CAPTURE_PORT%:in}")
e2e_korvane_start
wid=$(e2e_window)
e2e_pick "$wid" $E2E_COMBOBOX2 9
e2e_wait_capture '^[0-9.]+ c0 09$' >/dev/null
e2e_korvane_stop
grep -q "no output device" "$KORVANE_LOG" && e2e_fail "a match was reported missing"

# No match: said on standard error, and the first entry (the synthesizer) is opened.
E2E_KORVANE_ARGS=(--device "no-such-device-$E2E_TAG")
e2e_korvane_start "" KORVANE_MIDI_LOG=1
e2e_window >/dev/null
e2e_wait_for 20 grep -q "synthesizer ready" "$KORVANE_LOG"
grep -q "no output device matches 'no-such-device-$E2E_TAG'" "$KORVANE_LOG" ||
  e2e_fail "no message about the missing device"
echo "ok"
