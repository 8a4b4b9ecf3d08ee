# JACK transport from jack_transport as timebase master (125 BPM): held on the pad with 120-tick
# notes, Korvane strikes on the master's sixteenths, found beside the pulses jack_midi_clock sends
# for the same transport; stopping the transport holds the clock with no note left sounding;
# MIDI clock out sends pulses of the followed tempo.
source "$(dirname "$0")/lib.sh"
export JACK_NO_START_SERVER=1

e2e_jack_start
e2e_capture_start
# The master, driven through a pipe like a terminal.
e2e_transport_master 125
# The reference grid: jack_midi_clock's pulses for the same transport, on a capture of their own.
e2e_midi_clock_reference
ref=$E2E_MCLK_REF
e2e_capture_start # Korvane's
E2E_KORVANE_ARGS=(--sync jack --device "$E2E_CAPTURE_PORT")
e2e_korvane_start
wid=$(e2e_window)
e2e_wait_for 20 bash -c "jack_lsp | grep -q '^Korvane:out'"
e2e_play_followed "$wid" "$ref"
e2e_wait_for 30 e2e_at_least 90 20

# Each strike after the press's note lies on a sixteenth: beside every sixth pulse of the
# reference. A loaded machine may hold back single strikes: most must be within a millisecond.
data=$(e2e_capture_data)
# The press's note is not doubled: the first strike comes at least half a step (60 ms) after it.
gap=$(awk '$2 == "90" { if (n++) { printf "%.0f", ($1 - first) * 1000; exit } first = $1 }' <<<"$data")
[ "$gap" -ge 55 ] || e2e_fail "the press's note was struck again after $gap ms"$'\n'"$data"
read -r near total < <(awk -v ref="$ref" '
  BEGIN { while ((getline line < ref) > 0) if (line ~ / f8$/) { split(line, f, " "); p[n++] = f[1] } }
  $2 == "90" && ++seen > 1 {
    best = 1e9
    for (i = 0; i < n; i++) { d = ($1 - p[i]) * 1000; if (d < 0) d = -d; if (d < best) { best = d; k = i } }
    total++; if (best <= 1 && (k - p0) % 6 == 0) near++
    if (total == 1) p0 = k
  }
  END { print near + 0, total + 0 }' <<<"$data")
[ "$total" -ge 10 ] || e2e_fail "only $total strikes on the grid"$'\n'"$data"
[ $((near * 10)) -ge $((total * 8)) ] ||
  e2e_fail "$near of $total strikes on the master's sixteenths"$'\n'"$data"$'\n'"$(grep -v '^#' "$ref" | head -40)"

# Stopped: no new strike, the last note ends.
transport "stop"
sleep 0.5
before=$(e2e_count 90)
sleep 1
[ "$(e2e_count 90)" -eq "$before" ] || e2e_fail "strikes went on after the transport stopped"
last=$(e2e_capture_data | awk '$2 == "90" || $2 == "80" { s = $2 } END { print s }')
[ "$last" = "80" ] || e2e_fail "a note was left sounding after the stop"$'\n'"$(e2e_capture_data)"
# Played again: strikes resume.
transport "play"
e2e_wait_for 20 e2e_at_least 90 $((before + 4))
xdotool mouseup 1
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'
echo "$near of $total strikes within 1 ms of the master's sixteenths"
