# A left press on the pad plays the cell under the pointer and its release ends the clock's
# latest note; the press captures the pointer, so a drag off the pad, over the top bar or out of
# the window, still ends the note where the button comes up.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_length "$wid" 120 # 120 ms at tempo 125

# A reset is a run of controller messages (All Notes Off on every channel); the release and the
# leave of the panel around the pad may both reset, back to back.
resets() { e2e_capture_data | awk '$2 ~ /^b/ { r += !in_reset; in_reset = 1; next } { in_reset = 0 } END { print r + 0 }'; }
resets_are() { [ "$(resets)" -eq "$1" ]; }
# The last note message before reset number $1.
before_reset() {
  e2e_capture_data | cut -d' ' -f2- |
    awk -v n="$1" '/^b/ { r += !in_reset; in_reset = 1; if (r == n) exit; next } { in_reset = 0; last = $0 } END { print last }'
}

# 578 × 90 pad: x 100 is column 22 (0x16), y 45 row 64 (velocity 0x3f).
e2e_pad_press "$wid" 100 45
e2e_wait_capture '^[0-9.]+ 90 16 3f$' >/dev/null
# Over the top bar the top row plays (velocity 0x7f); the panel around the pad is left
# without ending the note.
e2e_pad_move "$wid" 100 -35
e2e_wait_capture '^[0-9.]+ 90 16 7f$' >/dev/null
e2e_pad_release "$wid" 100 -35
e2e_wait_for 10 resets_are 1
[ "$(before_reset 1)" = "80 16 7f" ] || e2e_fail "the release did not end the last note: $(e2e_notes | tail -n3)"

# Out of the window to the right the clock leaves the last note sounding; the release there
# still ends it.
ons=$(e2e_count 90)
e2e_pad_press "$wid" 100 45
e2e_wait_for 10 e2e_at_least 90 $((ons + 2))
xdotool mousemove 900 85
# Nothing may come while the pointer is away: give the clock a few of its 120 ms ticks.
sleep 0.4
xdotool mouseup 1
e2e_wait_for 10 resets_are 2
[ "$(before_reset 2)" = "80 16 3f" ] || e2e_fail "the release off the window did not end the note: $(before_reset 2)"
# Closed, Korvane has sent all it ever will: nothing more was played after the release.
e2e_korvane_stop
after=$(e2e_capture_data | awk '$2 ~ /^b/ { r += !in_reset; in_reset = 1; next } { in_reset = 0 } r >= 2' )
[ -z "$after" ] || e2e_fail "played after the release: $after"
echo ok
