# The built-in synthesizer on JACK: Korvane renders it into its own client's ports, and a press
# on the pad is heard there; before the press and after the release, silence.
source "$(dirname "$0")/lib.sh"

e2e_jack_start
e2e_korvane_start "" KORVANE_SYNTH_DRIVER=jack
wid=$(e2e_window)
e2e_wait_for 30 bash -c 'jack_lsp | grep -qx Korvane:synth_L'
rec="$E2E_TMP/rec.wav"
e2e_spawn "$E2E_TMP/rec.log" jack_rec -f "$rec" -d 8 -b 16 Korvane:synth_L
e2e_wait_for 20 test -s "$rec"
sleep 1.5
e2e_pad_press "$wid" 300 5  # the top row: loud
sleep 1
e2e_pad_release "$wid" 300 5
e2e_wait_for 30 e2e_gone "$E2E_LAST_PID"
# Peak of each quarter second of the 16-bit mono recording (after its 44-byte header).
levels=$(tail -c +45 "$rec" | od -An -td2 -v -w2 |
  awk '{ v = $1 < 0 ? -$1 : $1; b = int((NR - 1) / 12000); if (v > p[b]) p[b] = v; n = b }
       END { for (i = 0; i <= n; i++) printf "%d ", p[i] + 0 }')
echo "levels: $levels"
read -ra peak <<<"$levels"
[ "${#peak[@]}" -ge 24 ] || e2e_fail "recording too short: $levels"
loud=0
for p in "${peak[@]}"; do [ "$p" -gt 1000 ] && loud=$((loud + 1)); done
[ "$loud" -ge 2 ] || e2e_fail "the press was not heard: $levels"
[ "${peak[0]}" -lt 50 ] || e2e_fail "sound before the press: $levels"
[ "${peak[-1]}" -lt 50 ] || e2e_fail "sound long after the release: $levels"
echo ok
