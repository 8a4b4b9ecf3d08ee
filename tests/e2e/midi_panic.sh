# Escape, with the focus in a control, silences the open port at once, in the middle of a long
# note: a note-off for the sounding note, then All Notes Off, Sustain off and All Sounds Off on
# all 16 channels.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_length "$wid" 960 # about a second at tempo 125

# 578 × 90 pad: x 100 is column 22 (0x16), y 45 row 64 (velocity 0x3f).
e2e_pad_press "$wid" 100 45
e2e_wait_capture '^[0-9.]+ 90 16 3f$' >/dev/null
xdotool key Escape
panic="80 16 00"
for cc in 7b 40 78; do
  for ch in 0 1 2 3 4 5 6 7 8 9 a b c d e f; do panic+=";b$ch $cc 00"; done
done
joined() { e2e_capture_data | cut -d' ' -f2- | paste -sd';'; }
has_panic() { [[ "$(joined)" == *"90 16 3f;$panic"* ]]; }
e2e_poll 20 has_panic || e2e_fail "no panic after the note: $(joined)"
e2e_pad_release "$wid" 100 45
echo ok
