#!/usr/bin/env bash
# Korvane in a session, against the small session manager of tests/tools: announce, open into
# the session's folder under the session's JACK name, a moved window marks it dirty, a save
# writes the file and marks it clean, hide and show, SIGTERM ends it at once, and a second
# open brings back the saved placement.
source "$(dirname "$0")/lib.sh"
e2e_jack_start

session="$E2E_TMP/session/Korvane.nKVtst"
id="Korvane.nKVtst"
mkfifo "$E2E_TMP/commands"
NSM_LOG="$E2E_TMP/nsm.log"
e2e_spawn "$NSM_LOG" bash -c 'exec "$1" "$2" <"$3"' _ "$TOOLS_DIR/nsm_server" "$E2E_TMP/url" \
  "$E2E_TMP/commands"
exec 9>"$E2E_TMP/commands"
e2e_wait_for 10 grep -q '^# ready' "$NSM_LOG"
url=$(cat "$E2E_TMP/url")

said() { grep -qx -- "$1" "$NSM_LOG"; }
said_times() { [ "$(grep -cx -- "$1" "$NSM_LOG")" -ge "$2" ]; }
wait_said() { e2e_wait_for "${2:-20}" said "$1"; }
geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ {print $2} /Geometry/ {print $2}' | tr '\n' ' '; }

# Starts Korvane under the manager and opens the session; $1: the how-manyth open this is.
start_in_session() {
  e2e_korvane_start "" NSM_URL="$url"
  wait_said "/nsm/server/announce Korvane :dirty:optional-gui: korvane 1 1 $KORVANE_PID"
  # Nothing of the session is known before the open: no window yet.
  xdotool search --onlyvisible --pid "$KORVANE_PID" >/dev/null 2>&1 && e2e_fail "window before open"
  echo "open $session Korvane $id" >&9
  e2e_wait_for 20 said_times "/reply /nsm/client/open OK" "$1"
}

start_in_session 1
wid=$(e2e_window)
[ -f "$session/korvane.ini" ] || e2e_fail "no settings file in the session's folder"
grep -q '^Width=600' "$session/korvane.ini" || e2e_fail "settings: $(cat "$session/korvane.ini")"
[ -e "$KORVANE_DIR/korvane.ini" ] && e2e_fail "a settings file beside the program"
wait_said "/nsm/client/gui_is_shown"
# The virtual port: Korvane's JACK client carries the session's name exactly.
e2e_pick "$wid" $E2E_COMBOBOX1 1
e2e_wait_for 20 bash -c "jack_lsp | grep -qx '$id:Korvane'"

said "/nsm/client/is_dirty" && e2e_fail "dirty before anything changed"
xdotool windowmove "$wid" 120 90
wait_said "/nsm/client/is_dirty"
echo save >&9
wait_said "/reply /nsm/client/save OK"
wait_said "/nsm/client/is_clean"
grep -q '^Left=120' "$session/korvane.ini" || e2e_fail "saved: $(cat "$session/korvane.ini")"
grep -q '^Top=90' "$session/korvane.ini" || e2e_fail "saved: $(cat "$session/korvane.ini")"
kill -0 "$KORVANE_PID" || e2e_fail "gone after the save"

echo hide >&9
wait_said "/nsm/client/gui_is_hidden"
e2e_wait_for 10 bash -c "! xdotool search --onlyvisible --pid $KORVANE_PID >/dev/null 2>&1"
jack_lsp | grep -qx "$id:Korvane" || e2e_fail "the port closed with the window"
echo show >&9
e2e_wait_for 10 said_times "/nsm/client/gui_is_shown" 2
wid=$(e2e_window)

grep -q '^stray\|^bad-announce' "$NSM_LOG" && e2e_fail "protocol: $(grep '^stray\|^bad' "$NSM_LOG")"
# SIGTERM while the settings cannot be written: Korvane ends at once, the reason on stderr.
cp "$session/korvane.ini" "$E2E_TMP/saved.ini"
rm "$session/korvane.ini"
mkdir "$session/korvane.ini"
kill -TERM "$KORVANE_PID"
e2e_wait_for 10 e2e_gone "$KORVANE_PID"
grep -q "^korvane: .*korvane.ini" "$KORVANE_LOG" || e2e_fail "no word of the failed write"
rmdir "$session/korvane.ini"
cp "$E2E_TMP/saved.ini" "$session/korvane.ini"

# A second run of the same session: the saved placement.
start_in_session 2
wid=$(e2e_window)
e2e_wait_for 10 bash -c "xdotool getwindowgeometry $wid | grep -q 'Position: 120,90'"
echo "ok"
