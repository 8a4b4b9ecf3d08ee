# The virtual port "Korvane" (second in the list) appears on JACK once chosen; another program
# connected to it receives the program change.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
e2e_capture_start
e2e_korvane_start
wid=$(e2e_window)

e2e_pick "$wid" $E2E_COMBOBOX1 1
e2e_wait_for 20 bash -c 'jack_lsp | grep -qx "Korvane:Korvane"'
e2e_jack_connect Korvane:Korvane "$E2E_CAPTURE_PORT"
e2e_pick "$wid" $E2E_COMBOBOX2 9
e2e_wait_capture '^[0-9.]+ c0 09$' >/dev/null
echo "ok"
