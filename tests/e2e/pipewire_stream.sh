# Korvane's own PipeWire stream on a private daemon: tone bursts rendered into it are found in the
# sink's recording, each near the moment the stream said it would be heard; when the daemon goes
# away the stream says so once and keeps running, and it plays again when a daemon comes back.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/pipewire.sh"
E2E_TIME_LIMIT=240

pw_start "$E2E_TMP" || e2e_fail "no PipeWire daemon of our own"

record="$E2E_TMP/record.txt"
pw_spawn "$record" "$TOOLS_DIR/pw_record" 0.05 30
e2e_wait_for 20 grep -q '^# ready' "$record"

tone="$E2E_TMP/tone.txt"
# Not one of the daemon's processes: it must outlive them.
e2e_spawn "$tone" "$TOOLS_DIR/pw_tone" 0 300 256
tone_pid=$E2E_LAST_PID

onsets() { grep -c ' onset ' "$1" || true; }
onsets_at_least() { [ "$(onsets "$1")" -ge "$2" ]; }
bursts_at_least() { [ "$(grep -c ' burst$' "$tone" || true)" -ge "$1" ]; }

e2e_wait_for 30 onsets_at_least "$record" 6
e2e_wait_for 10 bursts_at_least 6
grep -Eq '^# started [0-9]+ 48000$' "$tone" || e2e_fail "the stream did not start at 48 kHz: $(grep '^# started' "$tone")"

# Onsets against their planned bursts. Both times come from the graph's own clock, so the best
# onset is where the burst was planned (a buffer counted once too often or too seldom would put
# every onset a whole quantum, 5.3 ms, off). An xrun on a loaded machine can only delay a burst:
# none may sound early, none far off. Onsets after the moment $1 (s); prints
# "best_ms early far count".
offsets() {
  awk -v from="${1:-0}" 'FNR == NR { if ($2 == "burst") b[n++] = $1; next }
  $2 == "onset" && n && $1 > from { best = 1e9
    for (i = 0; i < n; i++) { d = $1 - b[i]; if ((d < 0 ? -d : d) < (best < 0 ? -best : best)) best = d }
    a = best < 0 ? -best : best; if (a < min || !count) min = a
    early += best < -0.003; far += a > 0.05; count++ }
  END { printf "%.2f %d %d %d\n", min * 1000, early, far, count }' "$tone" "$record"
}
check_offsets() {
  local best early far count
  read -r best early far count <<<"$(offsets "${2:-0}")"
  echo "$1: $count onsets, the best $best ms from its burst, $early early, $far far off"
  [ "$count" -ge 3 ] || e2e_fail "too few onsets"
  awk -v b="$best" 'BEGIN { exit !(b < 3) }' || e2e_fail "no onset within 3 ms of its burst"
  [ "$early" -eq 0 ] || e2e_fail "$early onsets sounded before their burst"
  [ "$far" -eq 0 ] || e2e_fail "$far onsets far from any burst"
}
check_offsets "at 256 frames"

# A larger quantum forced on the graph: one line, and the bursts stay in place.
pw-metadata -n settings 0 clock.force-quantum 1024 >/dev/null
e2e_wait_for 20 grep -q '^# report the PipeWire stream now runs 1024 frames' "$tone"
# From the next burst on, every one plays at 1024 frames.
played=$(grep -c ' burst$' "$tone")
e2e_wait_for 20 bursts_at_least $((played + 4))
e2e_wait_for 20 onsets_at_least "$record" $((played + 3))
check_offsets "at 1024 frames" "$(grep ' burst$' "$tone" | sed -n "$((played + 1))p" | cut -d' ' -f1)"
pw-metadata -n settings 0 clock.force-quantum 0 >/dev/null

# The daemon goes away: one line, no crash, no hang.
pw_stop
e2e_wait_for 20 grep -q '^# report the PipeWire server went away' "$tone"
kill -0 "$tone_pid" 2>/dev/null || e2e_fail "pw_tone ended with the daemon"

# A new daemon in the same runtime folder: the stream comes back by itself.
pw_restart "$E2E_TMP" || e2e_fail "the daemon did not start again"
record2="$E2E_TMP/record2.txt"
pw_spawn "$record2" "$TOOLS_DIR/pw_record" 0.05 30
e2e_wait_for 20 grep -q '^# ready' "$record2"
e2e_wait_for 30 grep -q '^# report the PipeWire stream plays again' "$tone"
e2e_wait_for 30 onsets_at_least "$record2" 3
# One line for the loss, and no failure besides.
[ "$(grep -cE '^# report .*(went away|failed)' "$tone")" -eq 1 ] || e2e_fail "the loss was not said in one line"

# stop() joins: the tool ends cleanly on SIGTERM.
kill -TERM "$tone_pid"
e2e_wait_for 20 e2e_gone "$tone_pid"
grep -q '^# stopped$' "$tone" || e2e_fail "pw_tone did not stop cleanly"
echo "ok"; sed -n "/report/p" "$tone"
