# A JACK server that stops while Korvane plays on one of its ports: the window says so once, lists
# no JACK port and keeps running; once a server of that name is back with the port, Korvane opens
# it again by itself and plays on it.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
server=$JACK_DEFAULT_SERVER
jackd_pid=$E2E_LAST_PID
sink="sink-$E2E_TAG"
e2e_capture_start "$sink"
capture_pid=$E2E_LAST_PID
e2e_korvane_start "" KORVANE_MIDI_LOG=1
wid=$(e2e_window)
e2e_pick_text "$wid" $E2E_COMBOBOX1 "$sink:in"
e2e_pick "$wid" $E2E_COMBOBOX2 9
e2e_wait_capture '^[0-9.]+ c0 09$' >/dev/null

# Clients first, then the server, which is waited for (SIGTERM: it frees its slot).
kill -TERM "$capture_pid"
e2e_wait_for 20 e2e_gone "$capture_pid"
kill -TERM "$jackd_pid"
e2e_wait_for 20 e2e_gone "$jackd_pid"
box=$(e2e_dialog "$wid" 20)
grep -q "^korvane: the JACK server stopped; '$sink:in' is gone$" "$KORVANE_LOG" ||
  e2e_fail "not told on standard error"
e2e_wait_for 20 grep -q '^midi: JACK client of the stopped server closed$' "$KORVANE_LOG"
e2e_wait_for 10 e2e_focused "$box"
xdotool key Return
e2e_wait_for 10 e2e_none_but "$wid"
[ "$(grep -c 'JACK server stopped' "$KORVANE_LOG")" -eq 1 ] || e2e_fail "told more than once"

e2e_jack_start "$server"
e2e_capture_start "$sink"
e2e_wait_for 30 e2e_jack_connected "$sink:in" "Korvane:out"
e2e_pick "$wid" $E2E_COMBOBOX2 3
e2e_poll 20 e2e_capture_has '^[0-9.]+ c0 03$' ||
  e2e_fail "nothing played on the port opened again; the server's graph: $(jack_lsp -c 2>&1)"
e2e_korvane_stop
kill -0 "$KORVANE_PID" 2>/dev/null && e2e_fail "still running"
if grep -Eq 'Sanitizer|Segmentation|Aborted|terminate called' "$KORVANE_LOG"; then
  e2e_fail "Korvane did not end cleanly"
fi
echo ok
