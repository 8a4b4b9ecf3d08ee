# A right press does not capture the pointer: released off the pad, the release never reaches
# it, so the right button counts as held and the clock keeps playing the gate pattern (the
# default four 480-tick notes) instead of the 60-tick length, until a right click on the pad.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_click "$wid" 256 157 # the "60" button

ons() { e2e_capture_data | awk '$2 == "90"' | wc -l; }
at_least() { [ "$(ons)" -ge "$1" ]; }
# Milliseconds between note-ons number $1 and $2 (1-based).
gap() { e2e_capture_data | awk -v a="$1" -v b="$2" '$2 == "90" { t[++n] = $1 } END { printf "%d", (t[b] - t[a]) * 1000 }'; }

e2e_pad_press "$wid" 100 45 3
xdotool mousemove 900 85 # off the pad and the window
sleep 0.2
xdotool mouseup 3
sleep 0.2
e2e_pad_press "$wid" 100 45
e2e_wait_for 10 at_least 3
e2e_pad_release "$wid" 100 45
g=$(gap 2 3)
[ "$g" -ge 400 ] || e2e_fail "expected a 480 ms gate note, the clock played ${g} ms"

e2e_pad_click "$wid" 100 45 3 # a right release over the pad ends the gate mode
sleep 0.2
before=$(ons)
e2e_pad_press "$wid" 100 45
e2e_wait_for 10 at_least $((before + 4))
e2e_pad_release "$wid" 100 45
g=$(gap $((before + 2)) $((before + 3)))
[ "$g" -ge 50 ] && [ "$g" -le 75 ] || e2e_fail "expected 60 ms notes again, got ${g} ms"
echo ok
