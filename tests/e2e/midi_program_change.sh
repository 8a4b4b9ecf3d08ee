# A program change picked in the window reaches another program's JACK input: the capture port
# chosen in the device list, channel "16", program "128" give exactly the two bytes cf 7f.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_pick "$wid" $E2E_EDIT1 last
e2e_pick "$wid" $E2E_COMBOBOX2 last
e2e_wait_capture '^[0-9.]+ cf 7f$' >/dev/null

# Program "5" on the same channel; nothing else may have arrived in between.
e2e_pick "$wid" $E2E_COMBOBOX2 4
e2e_wait_capture '^[0-9.]+ cf 04$' >/dev/null
got=$(e2e_capture_data | cut -d' ' -f2-)
[ "$got" = $'cf 7f\ncf 04' ] || e2e_fail "unexpected messages: $got"
echo "ok"
