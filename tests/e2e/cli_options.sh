# The command line's answers that need no display: --version, --help (options and environment),
# and a usage error (unknown option, missing value, stray argument): a message on standard
# error, exit status 2, no window.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

version=$("$KORVANE_BIN" --version)
[ "$version" = "Korvane 0.06" ] || e2e_fail "--version printed '$version'"

help=$("$KORVANE_BIN" --help)
for word in --help --version --list-devices --device --sync midi-clock --send-clock \
  KORVANE_SOUNDFONT KORVANE_SYNTH_DRIVER KORVANE_SYNTH_FILE KORVANE_MIDI_LOG; do
  grep -q -- "$word" <<<"$help" || e2e_fail "--help does not mention $word"
done

for args in "--bogus" "--device" "stray" "--sync" "--sync=midi"; do
  status=0
  timeout 20 "$KORVANE_BIN" $args >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
  [ "$status" -eq 2 ] || e2e_fail "'$args': exit status $status, not 2"
  [ -s "$E2E_TMP/out" ] && e2e_fail "'$args': wrote to standard output"
  grep -q -- "${args#--}" "$E2E_TMP/err" || e2e_fail "'$args': message was '$(cat "$E2E_TMP/err")'"
done
echo "ok"
