# Closing the window while the pad plays ends the sounding note: one reset of the port, then
# nothing more; the settings are written as usual.
source "$(dirname "$0")/lib.sh"

e2e_start_on_capture
wid=$E2E_WID
e2e_pad_press "$wid" 100 45
e2e_wait_capture '^[0-9.]+ 90 16 3f$' >/dev/null
sleep 0.3
e2e_korvane_stop
sleep 0.5
after=$(e2e_capture_data | cut -d' ' -f2- | awk '/^90/ { n = 0; delete seen; next } { seen[n++] = $0 }
  END { for (i = 0; i < n; i++) print seen[i] }')
want=$(printf '80 16 00\n'; for cc in 7b 40; do
  for c in 0 1 2 3 4 5 6 7 8 9 a b c d e f; do echo "b$c $cc 00"; done
done)
[ "$after" = "$want" ] || e2e_fail "after the last note-on: $(echo "$after" | head -n 20)"
grep -q '^Width=' "$KORVANE_DIR/korvane.ini" || e2e_fail "settings not written"
echo ok
