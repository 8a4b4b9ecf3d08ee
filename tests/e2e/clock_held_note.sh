# Held on the pad at tempo 125 and length 120, the clock strikes a note every 120 ms; the
# release is handled only once the last note's wait has run out.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_click "$wid" 282 157 # the "120" button

e2e_pad_press "$wid" 100 45
e2e_wait_capture '^[0-9.]+ 90 16 3f$' >/dev/null
sleep 1
xdotool mouseup 1
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'

# Times of the note-ons, and of the release's note-off: the last note-off before the reset.
e2e_capture_data | awk '
  $2 == "90" { on[n++] = $1 }
  $2 == "80" && !reset { off = $1 }
  $2 ~ /^b/ { reset = 1 }
  END {
    # The press strikes the first note and the first tick at once the second.
    if (n < 8 || n > 11) { printf "%d note-ons\n", n; exit 1 }
    for (i = 2; i < n; i++) {
      gap = (on[i] - on[i - 1]) * 1000
      if (gap < 115 || gap > 135) { printf "note-on %d came %.1f ms after the one before\n", i, gap; exit 1 }
    }
    after = (off - on[n - 1]) * 1000
    if (after < 118) { printf "the release came %.1f ms after the last note-on\n", after; exit 1 }
    printf "%d note-ons; release %.1f ms after the last\n", n, after
  }' || e2e_fail "the held note was not played in time"
echo ok
