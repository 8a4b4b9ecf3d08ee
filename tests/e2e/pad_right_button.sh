# A right press does not capture the pointer: released off the pad, the release never reaches
# it, so the right button counts as held and the clock keeps playing the gate pattern (the
# default four 480-tick notes) instead of the 60-tick length, until a right click on the pad.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_click "$wid" 256 157 # the "60" button

lines() { e2e_capture_data | wc -l; }
# What came after line $1 from the next note-on on: what Korvane still sends for the right button's
# earlier moves (a reset as the pointer left the pad) may arrive after the count.
since() { e2e_capture_data | tail -n +$(($1 + 1)) | awk '$2 == "90" { on = 1 } on'; }
ons_since() { [ "$(since "$1" | awk '$2 == "90"' | wc -l)" -ge "$2" ]; }
reset_since() { since "$1" | grep -q ' b0 7b 00$'; }

# Holds the left button on the pad until N note-ons came, then lets go and waits until it is
# handled. Checks what was sent: the press's note, then a note-off and a note-on a tick, the last
# note ended, the reset; prints the median milliseconds between the ticks' note-ons.
hold() {
  local n=$1 mark sent
  mark=$(lines)
  e2e_pad_press "$wid" 100 45
  e2e_wait_for 20 ons_since "$mark" "$n"
  e2e_pad_release "$wid" 100 45
  e2e_wait_for 20 reset_since "$mark"
  sent=$(since "$mark")
  echo "$sent" | cut -d' ' -f2- | awk '
    NR == 1 { ok = $0 == "90 16 3f"; next }
    $0 == "b0 7b 00" { ok = ok && last == "80 16 3f"; exit }
    { ok = ok && $0 == (last == "80 16 3f" ? "90 16 3f" : "80 16 3f"); last = $0 }
    END { exit !ok }' >&2 || e2e_fail "unexpected messages:"$'\n'"$sent"
  # The press strikes the first note and the first tick at once the second; then one a tick.
  echo "$sent" | awk '$2 == "90" { if (n++ >= 2) printf "%.0f\n", ($1 - last) * 1000; last = $1 }' |
    sort -n | awk '{ g[NR] = $1 } END { print g[int((NR + 1) / 2)] }'
}

e2e_pad_press "$wid" 100 45 3
xdotool mousemove 900 85 # off the pad and the window
xdotool mouseup 3
gate=$(hold 4)
e2e_pad_click "$wid" 100 45 3 # a right release over the pad ends the gate mode
plain=$(hold 8)
# Half to twice the nominal lengths, and the gate notes clearly the longer in this same run.
[ "$gate" -ge 240 ] && [ "$gate" -le 960 ] && [ "$plain" -ge 30 ] && [ "$plain" -le 120 ] &&
  [ "$gate" -ge $((4 * plain)) ] ||
  e2e_fail "expected 480 ms gate notes, then 60 ms notes; the clock played $gate ms, then $plain ms"
echo "ok: $gate ms, then $plain ms"
