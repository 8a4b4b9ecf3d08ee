# A pattern file chosen through the real dialog for an empty slot, played with "Hold" ticked: the
# capture port receives its rhythm (note 120, rest 360, note 720 ticks; a tick is 1 ms at 125).
source "$(dirname "$0")/lib.sh"

printf '120\r\n!360\r\n720\r\n' >"$E2E_TMP/rhythm.gap"

e2e_start_on_capture
wid=$E2E_WID

# The pages' band is the bottom 59 pixels of the 600 × 200 first-start window.
e2e_click "$wid" 88 187  # the "GateArp" tab
e2e_click "$wid" 15 158  # "Hold"
e2e_click "$wid" 108 159 # SpeedButton2, an empty slot: the pattern dialog opens
e2e_dialog_enter "$wid" "$(e2e_dialog "$wid")" "$E2E_TMP/rhythm.gap"

# One line per clock tick, "note" or "rest" and its time: messages under 50 ms apart are one tick
# (the press's own note-on joins the first), timed by the tick's last message. What comes before
# the press is left out: the key-up of the Return that closed the dialog may send a note-off.
steps() {
  e2e_capture_data | awk '
    $2 ~ /^b/ { exit }
    !pressed && $2 !~ /^9/ { next }
    { pressed = 1 }
    $2 ~ /^[89]/ {
      if (n == 0 || $1 - at[n] > 0.05) { n++; kind[n] = "rest" }
      if ($2 ~ /^9/) kind[n] = "note"
      at[n] = $1
    }
    END { for (i = 1; i <= n; i++) printf "%s %d\n", kind[i], (at[i] - at[1]) * 1000 }'
}
steps_at_least() { [ "$(steps | wc -l)" -ge "$1" ]; }

e2e_pad_press "$wid" 100 10
e2e_wait_for 20 steps_at_least 6 # the sixth starts the pattern again: the fifth is complete
xdotool mouseup 1
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'

all=$(steps)
kinds=$(echo "$all" | head -n5 | cut -d' ' -f1 | tr '\n' ' ')
[ "$kinds" = "note rest note note rest " ] || e2e_fail "unexpected steps: $kinds"$'\n'"$all"
# The lengths compared within this run, and the four steps' whole span between half and twice its
# length: a loaded machine may hold back a single message by tens of milliseconds.
at=($(echo "$all" | head -n5 | cut -d' ' -f2))
d=($((at[1] - at[0])) $((at[2] - at[1])) $((at[3] - at[2])) $((at[4] - at[3])))
span=$((at[4] - at[0]))
[ "${d[0]}" -lt "${d[1]}" ] && [ "${d[1]}" -lt "${d[2]}" ] && [ "${d[3]}" -lt "${d[1]}" ] &&
  [ "$span" -ge 660 ] && [ "$span" -le 2640 ] ||
  e2e_fail "steps lasted ${d[*]} ms, expected 120 360 720 120"$'\n'"$all"
echo "ok: ${d[*]} ms"
