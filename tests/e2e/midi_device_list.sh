# The device list follows the system each time it is opened: a JACK client that appeared after
# Korvane started is listed and plays when picked; once the JACK server has gone (a box says so),
# its entries are gone and picking another device still works.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
jackd_pid=$E2E_LAST_PID
e2e_capture_start
first_pid=$E2E_LAST_PID
e2e_korvane_start "" KORVANE_MIDI_LOG=1
wid=$(e2e_window)
e2e_capture_start "late-$E2E_TAG"
late_pid=$E2E_LAST_PID
e2e_pick_text "$wid" $E2E_COMBOBOX1 "$E2E_CAPTURE_PORT"
e2e_pick "$wid" $E2E_COMBOBOX2 9
e2e_wait_capture '^[0-9.]+ c0 09$' >/dev/null

# Clients first, then the server, which is waited for.
kill -TERM "$first_pid" "$late_pid"
e2e_wait_for 20 e2e_gone "$late_pid"
kill -TERM "$jackd_pid"
e2e_wait_for 20 e2e_gone "$jackd_pid"
# The open device went with the server: one box says so.
box=$(e2e_dialog "$wid" 20)
e2e_wait_for 10 e2e_focused "$box"
xdotool key Return
e2e_wait_for 10 e2e_none_but "$wid"
lists=$(grep -c '^midi: device 0:' "$KORVANE_LOG")
e2e_pick "$wid" $E2E_COMBOBOX1 0
listed_again() { [ "$(grep -c '^midi: device 0:' "$KORVANE_LOG")" -gt "$lists" ]; }
e2e_wait_for 20 listed_again
e2e_pick "$wid" $E2E_COMBOBOX2 3 # Korvane is still there and answers
last=$(tac "$KORVANE_LOG" | grep -m1 -B1000 '^midi: device 0:' | grep -c '^midi: device ')
[ "$last" -eq 1 ] || e2e_fail "JACK's entries still listed: $(grep '^midi: device ' "$KORVANE_LOG" | tail -n5)"
e2e_korvane_stop
echo ok
