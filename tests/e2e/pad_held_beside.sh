# A right or middle button held from the margin beside the pad leaves the pad its pointer: moved
# onto the pad, a left press plays there, its release ends the note, and the held button's
# release over the pad resets the port.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_length "$wid" 120 # 120 ms at tempo 125

last_note() { e2e_notes | tail -n1; }

# 578 × 90 pad: x 100 is column 22 (0x16), y 45 row 64 (velocity 0x3f); x -5 is the margin.
for button in 3 2; do
  r=$(e2e_resets)
  ons=$(e2e_count '90 16 3f')
  e2e_pad_press "$wid" -5 45 "$button"
  e2e_pad_move "$wid" 100 45
  e2e_pad_press "$wid" 100 45
  e2e_poll 10 e2e_at_least '90 16 3f' $((ons + 2)) ||
    e2e_fail "button $button held beside the pad: the left press on it played nothing"
  e2e_pad_release "$wid" 100 45
  e2e_wait_for 10 e2e_resets_are $((r + 1))
  [ "$(last_note)" = "80 16 3f" ] || e2e_fail "the release did not end the note: $(last_note)"
  e2e_pad_release "$wid" 100 45 "$button"
  e2e_wait_for 10 e2e_resets_are $((r + 2))
done
echo ok
