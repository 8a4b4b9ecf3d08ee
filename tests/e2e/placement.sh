#!/usr/bin/env bash
# The real binary keeps its outer placement across runs, with and without a window manager,
# and writes its settings file when closed by SIGTERM.
source "$(dirname "$0")/lib.sh"

root_id() { xwininfo -root | awk '/Window id:/ {print $4}'; }

# Outer geometry "x y w h" of the window: with a window manager, of the frame around it.
outer() {
  local top=$1 parent
  while parent=$(xwininfo -children -id "$top" | awk '/Parent window id:/ {print $4}') &&
    [ "$parent" != "$(root_id)" ]; do
    top=$parent
  done
  xwininfo -id "$top" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /^  Width/ {w=$2} /^  Height/ {h=$2} END {print x, y, w, h}'
}

# Starts Korvane with settings file $1 (may be absent), waits until its frame has settled,
# checks its window, closes it by SIGTERM; prints the geometry it had. The settings file the
# run wrote is left in $E2E_TMP/written.ini.
run_once() {
  local ini=$1 wid last="" now
  if [ -f "$ini" ]; then e2e_korvane_start "$ini"; else e2e_korvane_start; fi
  wid=$(e2e_window 20)
  for _ in $(seq 40); do  # a window manager frames the window a moment after it shows
    sleep 0.15
    now=$(outer "$wid")
    [ "$now" = "$last" ] && break
    last=$now
  done
  # Resizable, movable, closable; no minimise or maximise (functions 0x26 of the Motif hints).
  xprop -id "$wid" _MOTIF_WM_HINTS | grep -q '= 0x3, 0x26,' ||
    e2e_fail "window functions: $(xprop -id "$wid" _MOTIF_WM_HINTS)"
  xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || e2e_fail "not on top"
  e2e_korvane_stop
  cp "$KORVANE_DIR/korvane.ini" "$E2E_TMP/written.ini"
  echo "$now"
}

stored() {
  tr -d '\r' <"$E2E_TMP/written.ini" |
    awk -F= '/^(Left|Top|Width|Height)=/ {printf "%s=%s ", $1, $2}'
}

check_cycle() {
  local label=$1 geometry
  geometry=$(run_once none)
  [ "$geometry" = "0 0 600 200" ] || e2e_fail "$label: first start at '$geometry'"
  [ "$(grep -c '^GateArp[0-9]=$' "$E2E_TMP/written.ini")" = 10 ] || e2e_fail "$label: slots"
  [ "$(stored)" = "Left=0 Top=0 Width=600 Height=200 " ] || e2e_fail "$label: stored $(stored)"
  cp "$E2E_TMP/written.ini" "$E2E_TMP/first.ini"
  run_once "$E2E_TMP/first.ini" >/dev/null  # no creeping by the frame's size
  [ "$(stored)" = "Left=0 Top=0 Width=600 Height=200 " ] || e2e_fail "$label: again $(stored)"
  # A placement partly off the desktop comes back exactly.
  printf '[Korvane]\r\nTop=-30\r\nLeft=-40\r\nWidth=640\r\nHeight=300\r\n' >"$E2E_TMP/off.ini"
  geometry=$(run_once "$E2E_TMP/off.ini")
  [ "$geometry" = "-40 -30 640 300" ] || e2e_fail "$label: restored at '$geometry'"
  [ "$(stored)" = "Top=-30 Left=-40 Width=640 Height=300 " ] || e2e_fail "$label: $(stored)"
  echo "$label: ok"
}

check_cycle "no window manager"

# The same under a window manager, on this test's own X server.
e2e_spawn "$E2E_TMP/openbox.log" openbox
e2e_wait_for 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
check_cycle "openbox"
echo "1 passed, 0 failed"
