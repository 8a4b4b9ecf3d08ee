# Held on the pad at tempo 125 and length 120, the clock strikes a note every 120 ms; the
# release is handled only once the last note's wait has run out.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_click "$wid" 282 157 # the "120" button

ons() { e2e_capture_data | awk '$2 == "90"' | wc -l; }
at_least() { [ "$(ons)" -ge "$1" ]; }

e2e_pad_press "$wid" 100 45
e2e_wait_for 20 at_least 8
xdotool mouseup 1 # arrives early in a note's wait, which runs out before the release is handled
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'

# The median interval between half and twice the length: a loaded machine stretches single notes
# and may hold back a single message by tens of milliseconds.
data=$(e2e_capture_data)
# The press strikes the first note and the first tick at once the second; then one a tick.
median=$(echo "$data" | awk '$2 == "90" { if (n++ >= 2) printf "%.1f\n", ($1 - last) * 1000; last = $1 }' |
  sort -n | awk '{ g[NR] = $1 } END { print g[int((NR + 1) / 2)] }')
awk -v m="$median" 'BEGIN { exit !(m >= 60 && m <= 240) }' ||
  e2e_fail "notes came $median ms apart (median)"$'\n'"$data"
# The release's note-off: the last one before the reset.
after=$(echo "$data" | awk '$2 ~ /^b/ { exit } $2 == "90" { on = $1 } $2 == "80" { off = $1 }
  END { printf "%.1f", (off - on) * 1000 }')
awk -v a="$after" 'BEGIN { exit !(a >= 60) }' ||
  e2e_fail "the release came $after ms after the last note-on"$'\n'"$data"
echo "notes $median ms apart (median); release $after ms after the last"
