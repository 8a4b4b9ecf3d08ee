# While a very long note waits, the window still follows a resize and takes input at once: the
# left release over the pad ends the note, its note-off and the reset follow. A close request
# during such a note ends the wait at once: the program shuts down as usual, writing its settings.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_click "$wid" 437 157 # the "960" button
e2e_click "$wid" 578 14  # tempo 1: 960 ticks last two minutes
xdotool key ctrl+a type 1

ons() { e2e_capture_data | grep -c ' 90 ' || true; }
ons_at_least() { [ "$(ons)" -ge "$1" ]; }

e2e_pad_press "$wid" 100 45
e2e_wait_for 10 ons_at_least 2 # the press's note, then the first tick's

# The window is laid out anew for its new size: the Length page moves down with its bottom.
xdotool windowsize "$wid" 700 300
page_moved() {
  import -window root -crop 1x1+300+157 txt:- | grep -q 'black\|#000000'
}
e2e_wait_for 10 page_moved

start=$SECONDS
xdotool mouseup 1
e2e_wait_capture '^[0-9.]+ 80 16 3f$' 10 >/dev/null
e2e_wait_capture '^[0-9.]+ b0 7b 00$' 10 >/dev/null
[ $((SECONDS - start)) -le 5 ] || e2e_fail "the release ended the note after $((SECONDS - start)) s"

e2e_pad_press "$wid" 100 45
e2e_wait_for 10 ons_at_least 4
start=$SECONDS
e2e_korvane_stop
[ $((SECONDS - start)) -le 10 ] || e2e_fail "closing took $((SECONDS - start)) s"
grep -q '^Width=700$' "$KORVANE_DIR/korvane.ini" || e2e_fail "settings not written: $(cat "$KORVANE_DIR/korvane.ini")"
echo ok
