#!/usr/bin/env bash
# The real binary keeps its outer placement across runs, with and without a window manager,
# and writes its settings file when closed by SIGTERM.
set -euo pipefail

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cp "$KORVANE_BIN" "$work/korvane"
export KORVANE_NO_SYNTH=1 QT_QPA_PLATFORM=xcb

fail() { echo "FAIL: $*" >&2; exit 1; }

# Outer geometry "x y w h" of the frame around the Korvane window.
outer() {
  local id=$1 frame
  frame=$(xdotool search --sync --onlyvisible --name '^Korvane$' | head -n1)
  # With a window manager the client is reparented; the frame is the top-level ancestor.
  local top=$id
  while :; do
    local parent
    parent=$(xwininfo -children -id "$top" | awk '/Parent window id:/ {print $4}')
    [ "$parent" = "$(xwininfo -root | awk '/Window id:/ {print $4}')" ] && break
    top=$parent
  done
  xwininfo -id "$top" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /^  Width/ {w=$2} /^  Height/ {h=$2} END {print x, y, w, h}'
}

# Starts Korvane, waits until its frame settled, prints the outer geometry, closes by SIGTERM.
run_once() {
  "$work/korvane" >"$work/log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name '^Korvane$' | head -n1) ||
    fail "no window"
  local last="" now
  for _ in $(seq 40); do  # until the geometry is stable for a moment
    sleep 0.15
    now=$(outer "$id")
    [ "$now" = "$last" ] && break
    last=$now
  done
  echo "$now"
  # Resizable, movable, closable; no minimise or maximise (functions 0x26 of the Motif hints).
  xprop -id "$id" _MOTIF_WM_HINTS | grep -q '= 0x3, 0x26,' || fail "window functions: $(xprop -id "$id" _MOTIF_WM_HINTS)"
  xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "not on top"
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "still running after SIGTERM"
  wait "$pid" || true
}

stored() {
  tr -d '\r' <"$work/korvane.ini" | awk -F= '/^(Left|Top|Width|Height)=/ {printf "%s=%s ", $1, $2}'
}

check_cycle() {
  local label=$1
  rm -f "$work/korvane.ini"
  local g1 g2
  g1=$(run_once)
  [ "$g1" = "0 0 600 200" ] || fail "$label: first start at '$g1', wanted '0 0 600 200'"
  [ "$(grep -c '^GateArp[0-9]=$' "$work/korvane.ini")" = 10 ] || fail "$label: slots not written"
  [ "$(stored)" = "Left=0 Top=0 Width=600 Height=200 " ] || fail "$label: stored $(stored)"
  g2=$(run_once)
  [ "$(stored)" = "Left=0 Top=0 Width=600 Height=200 " ] || fail "$label: second run stored $(stored)"
  # A stored placement partly off the desktop comes back exactly.
  printf '[Korvane]\r\nTop=-30\r\nLeft=-40\r\nWidth=640\r\nHeight=300\r\n' >"$work/korvane.ini"
  g1=$(run_once)
  [ "$g1" = "-40 -30 640 300" ] || fail "$label: restored at '$g1'"
  [ "$(stored)" = "Top=-30 Left=-40 Width=640 Height=300 " ] || fail "$label: stored $(stored)"
  echo "$label: ok"
}

check_cycle "no window manager"

# The same under a window manager, on an X server of our own.
for n in $(seq 140 180); do [ -e "/tmp/.X11-unix/X$n" ] || { own=":$n"; break; }; done
Xvfb "$own" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
export DISPLAY=$own
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=("$!")
sleep 1
check_cycle "openbox"
echo "1 passed, 0 failed"
