# MIDI clock out at a JACK receiver, stamped in frames (48 kHz; tempo 125: a pulse every 960).
# Free running: pulses while the box is ticked; the press sends Start and restarts their phase on
# its note, the release sends Stop and the pulses go on. Following jack_transport: Start, Stop,
# song position and Continue with the transport, pulses on its grid (jack_midi_clock's pulses
# for the same transport as the reference) and at its tempo after a change.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
e2e_capture_start "free-$E2E_TAG" --frames
E2E_KORVANE_ARGS=(--send-clock --device "$E2E_CAPTURE_PORT")
e2e_korvane_start
wid=$(e2e_window)
e2e_click "$wid" 282 157 # the "120" button: a note every 6 pulses

count() { e2e_capture_data | awk -v s="$1" '$2 == s' | wc -l; }
at_least() { [ "$(count "$1")" -ge "$2" ]; }
e2e_wait_for 20 at_least f8 10 # pulses before any press
e2e_pad_press "$wid" 100 45
e2e_wait_for 20 at_least 90 12
xdotool mouseup 1
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'
after_stop() { e2e_capture_data | awk '$2 == "fc" { s = 1 } s && $2 == "f8"' | wc -l; }
more_after_stop() { [ "$(after_stop)" -ge 10 ]; }
e2e_wait_for 20 more_after_stop

data=$(e2e_capture_data)
# Start before the first note-on, the next pulse with it; the pulses on the press's phase and
# 960 frames apart; Stop after the last note-off. A loaded machine may hold back single pulses,
# and an xrun of the dummy server moves its frames against the clock the pulses keep (the notes'
# frames move with them).
read -r starts first_note first_pulse phase apart pulses stop_ok < <(awk '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return a[int((n + 1) / 2)] }
  $2 == "fa" { starts++; fa = $1 }
  $2 == "90" && note == "" { note = $1 - fa }
  $2 == "f8" && fa != "" && !stopped {
    if (pulse == "") pulse = $1 - fa
    d = ($1 - fa) % 960; if (d > 480) d -= 960
    regular = last == "" || ($1 - last >= 958 && $1 - last <= 962)
    if (last != "" && regular) apart++
    # The phase until the first xrun: one moves the frames of everything after it.
    if (!regular) jolted = 1
    if (m < 12 && !jolted) early[++m] = d
    last = $1; n++
  }
  $2 == "80" { off = $1 }
  $2 == "fc" { stopped = 1; ok = ($1 >= off) }
  END { print starts + 0, note, pulse, median(early, m), apart + 0, n + 0, ok + 0 }' <<<"$data")
[ "$starts" -eq 1 ] || e2e_fail "$starts Start messages for one press"$'\n'"$data"
[ "${first_note#-}" -le 48 ] && [ "${first_pulse#-}" -le 48 ] ||
  e2e_fail "first note $first_note, first pulse $first_pulse frames after Start"$'\n'"$data"
[ "${phase#-}" -le 2 ] || e2e_fail "the first pulses $phase frames off the press's phase"$'\n'"$data"
[ $((apart * 4)) -ge $(((pulses - 1) * 3)) ] ||
  e2e_fail "$apart of $pulses pulses 960 frames apart"$'\n'"$data"
[ "$stop_ok" -eq 1 ] || e2e_fail "no Stop after the last note"$'\n'"$data"
echo "free running: first pulses $phase frames off the press's phase, $apart of $pulses 960 apart"
e2e_korvane_stop

# Following JACK transport; the master driven through a pipe like a terminal.
e2e_transport_master 125
e2e_midi_clock_reference --frames
mclk_pid=$E2E_MCLK_PID ref=$E2E_MCLK_REF
e2e_capture_start "follow-$E2E_TAG" --frames
E2E_KORVANE_ARGS=(--sync jack --send-clock --device "$E2E_CAPTURE_PORT")
e2e_korvane_start
e2e_window >/dev/null
e2e_wait_for 20 bash -c "jack_lsp | grep -q '^Korvane:out'"
sleep 1
[ "$(count f8)" -eq 0 ] || e2e_fail "pulses while the transport stands"$'\n'"$(e2e_capture_data)"

transport "play"
e2e_wait_for 20 at_least f8 60
transport "stop"
e2e_wait_for 10 at_least fc 1
e2e_wait_for 10 grep -q ' fc$' "$ref"
sleep 1
transport "play"
e2e_wait_for 20 at_least fb 1
e2e_wait_for 20 at_least f8 120
transport "tempo 150" # 800 frames a pulse
sleep 2
transport "stop"
e2e_wait_for 10 at_least fc 2

data=$(e2e_capture_data)
refdata=$(grep -v '^#' "$ref")
# From zero, jack_midi_clock's pulses are on the transport's grid: ours from the second on (the
# first goes with the Start, read a cycle late) at the same frames.
read -r near total < <(awk -v ref="$refdata" '
  BEGIN { split(ref, lines, "\n")
          for (i = 1; i in lines; i++) { split(lines[i], f, " ")
            if (f[2] == "fc") { done = 1 } else if (f[2] == "f8" && !done) p[f[1]] = 1 } }
  $2 == "fc" { exit }
  $2 == "f8" && ++seen > 1 { total++; for (d = -1; d <= 1; d++) if (($1 + d) in p) { near++; break } }
  END { print near + 0, total + 0 }' <<<"$data")
[ "$total" -ge 50 ] && [ $((near * 10)) -ge $((total * 8)) ] ||
  e2e_fail "$near of $total pulses at jack_midi_clock's frames"$'\n'"$data"$'\n'"$refdata"
# Stopped: no pulse until the song position and Continue. The transport stood from the cycle of
# jack_midi_clock's Stop to that of its next song position; our first pulse after Continue is
# the position's, on the grid the stop moved on by that time.
read -r position moved late wrong tempo < <(awk -v ref="$refdata" '
  function digit(c) { return index("0123456789abcdef", c) - 1 }
  function hex(s) { return digit(substr(s, 1, 1)) * 16 + digit(substr(s, 2, 1)) }
  BEGIN { split(ref, lines, "\n")
          for (i = 1; i in lines; i++) { split(lines[i], f, " ")
            if (f[2] == "f8" && zero == "") zero = f[1]
            if (f[2] == "fc" && stop == "") stop = f[1]
            else if (stop != "" && f[2] == "f2" && f[1] > stop && go == "") go = f[1] } }
  $2 == "fc" && !phase { phase = 1 }
  phase == 1 && $2 == "f8" { late++ }
  phase == 1 && $2 == "f2" { spp = hex($3) + 128 * hex($4) }
  phase == 1 && $2 == "fb" { phase = 2; next }
  phase == 2 && $2 == "f8" && first == "" {
    first = $1; want = go - (stop - zero) + spp * 6 * 960; wrong = first - want }
  phase == 2 && $2 == "f8" { if (last != "") iv[++k] = $1 - last; last = $1 }
  $2 == "fc" && phase == 2 { phase = 3 }
  END { m = 0; for (i = k - 9; i <= k; i++) if (iv[i] >= 798 && iv[i] <= 802) m++
        print spp + 0, go - stop, late + 0, wrong, m }' <<<"$data")
[ "$late" -eq 0 ] || e2e_fail "$late pulses while stopped"$'\n'"$data"
[ "$position" -gt 0 ] && [ "${wrong#-}" -le 48 ] ||
  e2e_fail "after Continue at position $position the first pulse is $wrong frames off its beat" \
    $'\n'"$data"$'\n'"$refdata"
[ "$tempo" -ge 8 ] || e2e_fail "only $tempo of the last 10 pulses 800 frames apart at 150 BPM"$'\n'"$data"
# jack_midi_clock ends its client on SIGINT; killed, it would stall the server's cycles.
kill -INT "$mclk_pid"
echo "following: $near of $total pulses at jack_midi_clock's; continued at sixteenth $position" \
  "($wrong frames off) after $moved frames stopped; $tempo of 10 at the new tempo"
