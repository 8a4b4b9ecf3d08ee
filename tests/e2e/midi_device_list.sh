# A JACK client that appears after Korvane started is listed once the device list is opened, and
# picking it plays there.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
e2e_capture_start
e2e_korvane_start
wid=$(e2e_window)
e2e_capture_start "late-$E2E_TAG"
e2e_pick_text "$wid" $E2E_COMBOBOX1 "$E2E_CAPTURE_PORT"
e2e_pick "$wid" $E2E_COMBOBOX2 9
e2e_wait_capture '^[0-9.]+ c0 09$' >/dev/null
echo ok
