# MIDI clock in from jack_midi_clock (which clocks jack_transport's transport) on Korvane's JACK
# input: held on the pad with 120-tick notes, Korvane strikes on every sixth of the clock's
# pulses at 120 BPM and, once it settled, at 140 after the tempo changes; the clock's Stop holds
# it with no note left sounding. Stamped in frames at JACK receivers (48 kHz).
source "$(dirname "$0")/lib.sh"

e2e_jack_start
e2e_transport_master 120
e2e_midi_clock_reference --frames
mclk_pid=$E2E_MCLK_PID ref=$E2E_MCLK_REF mclk=$E2E_MCLK_PORT
e2e_capture_start "kv-$E2E_TAG" --frames
E2E_KORVANE_ARGS=(--sync midi-clock=jack_midi_clock --device "$E2E_CAPTURE_PORT")
e2e_korvane_start
wid=$(e2e_window)
e2e_wait_for 20 e2e_jack_connected Korvane:clock_in "$mclk"
e2e_play_followed "$wid" "$ref"
e2e_wait_for 30 e2e_at_least 90 20
transport "tempo 140"
e2e_wait_for 30 e2e_at_least 90 50

# Stopped: no new strike, the last note ends.
transport "stop"
e2e_wait_for 10 grep -q ' fc$' "$ref"
sleep 0.5
before=$(e2e_count 90)
sleep 1
[ "$(e2e_count 90)" -eq "$before" ] || e2e_fail "strikes went on after the clock stopped"
last=$(e2e_capture_data | awk '$2 == "90" || $2 == "80" { s = $2 } END { print s }')
[ "$last" = "80" ] || e2e_fail "a note was left sounding after the stop"$'\n'"$(e2e_capture_data)"
xdotool mouseup 1
e2e_wait_for 10 e2e_capture_has ' b0 7b 00$'

# Each strike after the press's note against the clock's pulses: on every sixth of them counted
# from the first, beat 0 (the transport started at 0); at 120 BPM until the tempo changed, at 140
# from 2 beats after it (when the clock's pulses came 857 frames apart). A loaded machine may
# hold back single strikes by milliseconds (the sender woke late), and an xrun of the dummy
# server jolts the pulses: on the grid is from 1 ms before its pulse to 10 ms after, for most
# strikes, half of them within 1 ms; the strikes' median spacing is the tempo's sixteenth.
data=$(e2e_capture_data)
refdata=$(grep -v '^#' "$ref")
read -r slow slow_on slow_near slow_gap fast fast_on fast_near fast_gap < <(awk -v ref="$refdata" '
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n ? a[int((n + 1) / 2)] : 0 }
  BEGIN { split(ref, lines, "\n")
          for (i = 1; i in lines; i++) { split(lines[i], f, " ")
            if (f[2] != "f8") continue
            if (n > 0 && change == "" && f[1] - p[n - 1] < 900) change = p[n - 1]
            p[n++] = f[1] } }
  $2 == "90" && ++seen > 1 {
    best = 1e9
    for (i = 0; i < n; i++) {
      d = $1 - p[i]
      if ((d < 0 ? -d : d) < (best < 0 ? -best : best)) { best = d; k = i }
    }
    on = best >= -48 && best <= 480 && k % 6 == 0
    near = on && best <= 48
    gap = last == "" ? "" : $1 - last; last = $1
    if (change == "" || $1 < change) { s++; so += on; sn += near; if (gap != "") sg[++sk] = gap }
    else if ($1 > change + 2 * 20571) { fs++; fo += on; fn += near; if (gap != "") fg[++fk] = gap }
  }
  END { print s + 0, so + 0, sn + 0, median(sg, sk), fs + 0, fo + 0, fn + 0, median(fg, fk) }' <<<"$data")
[ "$slow" -ge 10 ] && [ "$fast" -ge 10 ] ||
  e2e_fail "$slow strikes at 120, $fast at 140"$'\n'"$data"$'\n'"$refdata"
[ $((slow_on * 10)) -ge $((slow * 7)) ] && [ $((fast_on * 10)) -ge $((fast * 7)) ] &&
  [ $((slow_near * 2)) -ge "$slow" ] && [ $((fast_near * 2)) -ge "$fast" ] ||
  e2e_fail "on the clock's sixteenths: $slow_on of $slow at 120 ($slow_near within 1 ms)," \
    "$fast_on of $fast at 140 ($fast_near)"$'\n'"$data"$'\n'"$refdata"
[ "$slow_gap" -ge 5998 ] && [ "$slow_gap" -le 6002 ] && [ "$fast_gap" -ge 5141 ] &&
  [ "$fast_gap" -le 5145 ] ||
  e2e_fail "strikes $slow_gap frames apart at 120, $fast_gap at 140 (medians)"$'\n'"$data"
# jack_midi_clock ends its client on SIGINT; killed, it would stall the server's cycles. A client
# that held up its cycles (a blocking call in the process callback) would have the server say so.
kill -INT "$mclk_pid"
e2e_wait_for 10 e2e_gone "$mclk_pid"
! grep -E 'SuspendRefNum|ProcessWriteSlaves' "$E2E_TMP/jackd.log" ||
  e2e_fail "the server's cycles were held up"
echo "on the clock's sixteenths: $slow_on of $slow at 120 BPM ($slow_near within 1 ms), $fast_on" \
  "of $fast at 140 ($fast_near); median spacing $slow_gap and $fast_gap frames"
