# Shared functions of Korvane's end-to-end tests. Source it at the top of a test:
#
#   source "$(dirname "$0")/lib.sh"      # sets -euo pipefail, a temp folder and the clean-up trap
#   e2e_jack_start                        # JACK dummy server of our own, exports JACK_DEFAULT_SERVER
#   e2e_capture_start                     # midi_capture on it; sets E2E_CAPTURE, E2E_CAPTURE_PORT
#   e2e_korvane_start                     # copy of korvane in a temp folder; sets KORVANE_PID
#   wid=$(e2e_window)                     # its main window's X id
#   e2e_pick_text "$wid" $E2E_COMBOBOX1 "$E2E_CAPTURE_PORT"
#   e2e_pick "$wid" $E2E_COMBOBOX2 last
#   e2e_wait_capture '^[0-9.]+ c0 7f$'     # the line, or the test fails
#
# Environment (ctest sets it): KORVANE_BIN, TOOLS_DIR, SRC_DIR.
#
# Each test runs on an X server of its own (DISPLAY is set here), with HOME, XDG_CONFIG_HOME and
# XDG_RUNTIME_DIR in its temp folder: nothing of the user's is read or written, and tests may run
# side by side. When a test fails, the output of everything it started is printed before the
# clean-up removes it.
#
# Processes and folders
#   e2e_jack_start [name]         start `jackd -S -d dummy` (256-frame period) under a unique name and
#                                 wait until it serves; exports JACK_DEFAULT_SERVER.
#   e2e_capture_start [client] [option…]  start midi_capture (JACK client name unique by default;
#                                 options passed on: --frames, each line starting with the JACK
#                                 frame, or --transport); waits for its port. E2E_CAPTURE: its
#                                 output file; E2E_CAPTURE_PORT: the full JACK port name.
#   e2e_transport_master BPM      jack_transport as timebase master at BPM, located at 0 and
#                                 stopped; `transport COMMAND` sends it a command ("play").
#   e2e_midi_clock_reference [option…]  jack_midi_clock on the transport (E2E_MCLK_PID, its port
#                                 E2E_MCLK_PORT) into a capture of its own (E2E_MCLK_REF; options
#                                 as for e2e_capture_start).
#   e2e_play_followed WID REF     the "120" button, `transport play` until the first pulse is in
#                                 the capture REF, then the pad held (see below).
#   e2e_korvane_start [ini] [env…] copy KORVANE_BIN into a fresh folder (KORVANE_DIR), with the file
#                                 ini as korvane.ini when given, and start it there with the extra
#                                 NAME=value settings; KORVANE_PID, KORVANE_LOG (stdout+stderr).
#                                 Defaults for the built-in synthesizer (overridable): no audio
#                                 driver and the small TimGM6mb SoundFont. Pass KORVANE_MIDI_LOG=1
#                                 to have the device list and "synthesizer ready" in KORVANE_LOG;
#                                 KORVANE_SYNTH_DRIVER=file KORVANE_SYNTH_FILE=x.raw renders sound.
#                                 Command-line arguments for it: the array E2E_KORVANE_ARGS.
#   e2e_start_on_capture [ini] [env…]  all of the above: JACK, capture, Korvane with the capture
#                                 port picked in ComboBox1; E2E_WID: the main window's id.
#   e2e_jack_connect OUT IN       connect two JACK ports, trying again while the server is too
#                                 busy to take the connection (jack_connect then fails).
#   e2e_pointer_away              park the pointer off the window (the caption follows the pad).
#   e2e_korvane_stop              close the window (SIGTERM) and wait for the process to end.
#   e2e_spawn LOG cmd…            start any other process, killed on exit; its pid in E2E_LAST_PID;
#                                 LOG is printed if the test fails.
# Window
#   e2e_window [timeout]          wait for Korvane's visible main window (caption "Korvane");
#                                 print its id.
#   e2e_windows                   print "id name" of every visible window of Korvane.
#   e2e_click WID X Y [BUTTON]    move to client X,Y of WID and click (button 1 by default).
#   e2e_press / e2e_release WID X Y [BUTTON]   press or release there.
#   e2e_move WID X Y              move the pointer there.
#   e2e_pad_click / e2e_pad_press / e2e_pad_release / e2e_pad_move WID PX PY [BUTTON]
#                                 the same at pad coordinates (PaintBox1's own pixels).
#   e2e_pick WID X Y INDEX        open the drop-down list at X,Y and choose entry INDEX (0-based;
#                                 "last" for the last entry) with the keyboard, as a user does.
#   e2e_pick_text WID X Y TEXT    the same, choosing the first entry that starts with TEXT.
#   e2e_dialog WID [timeout]      wait for a visible window of Korvane besides WID (a dialog); print
#                                 its id.
#   e2e_dialog_enter WID DIALOG TEXT  once the dialog holds the keyboard focus, type TEXT into its
#                                 focused field, check the field says TEXT (through the clipboard),
#                                 and press Return; wait until only the main window WID is left.
#   e2e_length WID TICKS          type TICKS into the Length field.
#   E2E_COMBOBOX1, E2E_EDIT1, E2E_COMBOBOX2: client coordinates "X Y" of the three drop-downs.
#   E2E_PAD_X, E2E_PAD_Y: client coordinates of the pad's top-left pixel (at the designed layout).
# Checks
#   e2e_wait_capture PATTERN [timeout]   wait until a data line of the capture matches the
#                                 extended regex; print the first such line; fail on time-out.
#   e2e_capture_data              print the capture's data lines ("<time> <hex bytes>").
#   e2e_notes                     print the captured note messages' bytes ("90 16 3f"), no resets.
#   e2e_count PREFIX / e2e_at_least PREFIX N   how many notes start with PREFIX / at least N.
#   e2e_resets / e2e_resets_are N   how many resets were captured (each ends with All Notes Off
#                                 on every channel, the first channel's first) / exactly N.
#   e2e_wait_for TIMEOUT cmd…     run cmd every 50 ms until it succeeds; fail on time-out.
#   e2e_poll TIMEOUT cmd…         the same, returning 1 on time-out.
#   e2e_fail MESSAGE              print MESSAGE and exit 1 (the logs follow).
# Everything started here is ended, and the temp folder removed, when the test exits; a test still
# running after E2E_TIME_LIMIT seconds (default 200) fails so, before ctest would kill it.

set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e.XXXXXX")
E2E_PIDS=()
E2E_LOGS=()
E2E_TAG="kv$$-$RANDOM"
E2E_KORVANE_ARGS=()

# Client coordinates of the controls (top bar: Panel2 at 0,0; pad: Panel1 at 0,29, Panel3 at 10,10
# inside it, PaintBox1 inside Panel3's 1-pixel border).
E2E_COMBOBOX1="84 13"
E2E_EDIT1="200 13"
E2E_COMBOBOX2="281 13"
E2E_PAD_X=11
E2E_PAD_Y=40

e2e_cleanup() {
  local status=$? pid log
  [ -z "${E2E_WATCHDOG:-}" ] || kill "$E2E_WATCHDOG" 2>/dev/null || true
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${E2E_PIDS[i]}
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ "$status" -ne 0 ]; then
    for log in "${E2E_LOGS[@]}"; do
      [ -s "$log" ] || continue
      echo "--- ${log#"$E2E_TMP"/}:" >&2
      tail -n 300 "$log" >&2
    done
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# ctest ends an overrunning test with SIGKILL, which would leave its servers running.
trap 'e2e_fail "still running after ${E2E_TIME_LIMIT:-200} s"' TERM
(for _ in $(seq "${E2E_TIME_LIMIT:-200}"); do sleep 1; done; kill -TERM $$) >/dev/null 2>&1 &
E2E_WATCHDOG=$!

# Nothing of the user's: a home, a config and a runtime folder of this test's own.
export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/home/.config" XDG_RUNTIME_DIR="$E2E_TMP/run"
mkdir -p "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
xvfb_start "$E2E_TMP/xvfb.log" || e2e_fail "no X server of our own"
E2E_PIDS+=("$XVFB_PID")
E2E_LOGS+=("$E2E_TMP/xvfb.log")

# Runs cmd every 50 ms until it succeeds (0) or TIMEOUT seconds have passed (1).
e2e_poll() {
  local timeout=$1
  shift
  local deadline=$((SECONDS + timeout))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}

e2e_wait_for() { e2e_poll "$@" || e2e_fail "timed out after ${1}s waiting for: ${*:2}"; }

e2e_spawn() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
  E2E_LOGS+=("$log")
}

e2e_jack_start() {
  local name=${1:-korvane-$E2E_TAG}
  export JACK_DEFAULT_SERVER=$name
  export JACK_NO_START_SERVER=1
  # JACK drops the MIDI of a cycle a client finished late (an xrun): a busy machine lost whole
  # resets so at 16 frames. Synchronous mode and a 256-frame period (5.3 ms) lose none.
  e2e_spawn "$E2E_TMP/jackd.log" jackd -S -n "$name" -d dummy -r 48000 -p 256
  e2e_wait_for 20 e2e_jack_running "$name"
}

e2e_jack_connect() { e2e_wait_for 20 e2e_jack_connect_once "$1" "$2"; }

e2e_jack_connect_once() {
  e2e_jack_connected "$1" "$2" || jack_connect "$1" "$2" >/dev/null 2>&1 || true
  e2e_jack_connected "$1" "$2"
}

# jack_lsp -c lists each port, then its connections indented.
e2e_jack_connected() { jack_lsp -c "$1" 2>/dev/null | grep -qx "[[:space:]]*$2"; }

# jack_wait exits 0 either way; its answer is the text.
e2e_jack_running() { jack_wait -c -s "$1" 2>/dev/null | grep -q '^running'; }

e2e_capture_start() {
  local client=${1:-capture-$E2E_TAG}
  [ $# -gt 0 ] && shift
  E2E_CAPTURE="$E2E_TMP/capture-$client.txt"
  E2E_CAPTURE_PORT="$client:in"
  e2e_spawn "$E2E_CAPTURE" "$TOOLS_DIR/midi_capture" "$client" "$@"
  e2e_wait_for 20 grep -q "^# ready" "$E2E_CAPTURE"
}

# The caption follows the pointer over the pad: keep the pointer off the window while it is sought.
e2e_pointer_away() { xdotool mousemove 1270 1010 2>/dev/null || true; }

# JACK, the capture tool and Korvane playing on the capture port; E2E_WID: its window.
e2e_start_on_capture() {
  e2e_jack_start
  e2e_capture_start
  e2e_korvane_start "$@"
  E2E_WID=$(e2e_window)
  e2e_pick_text "$E2E_WID" $E2E_COMBOBOX1 "$E2E_CAPTURE_PORT"
}

e2e_korvane_start() {
  e2e_pointer_away
  local ini=${1:-}
  [ $# -gt 0 ] && shift
  KORVANE_DIR=$(mktemp -d "$E2E_TMP/app.XXXXXX")
  cp "$KORVANE_BIN" "$KORVANE_DIR/korvane"
  [ -n "$ini" ] && cp "$ini" "$KORVANE_DIR/korvane.ini"
  KORVANE_LOG="$KORVANE_DIR/output.log"
  e2e_spawn "$KORVANE_LOG" env -C "$KORVANE_DIR" \
    KORVANE_SYNTH_DRIVER="${KORVANE_SYNTH_DRIVER:-none}" \
    KORVANE_SOUNDFONT="${KORVANE_SOUNDFONT:-/usr/share/sounds/sf2/TimGM6mb.sf2}" \
    "$@" ./korvane "${E2E_KORVANE_ARGS[@]}"
  KORVANE_PID=$E2E_LAST_PID
}

e2e_korvane_stop() {
  kill -TERM "$KORVANE_PID" 2>/dev/null || true
  e2e_wait_for 20 e2e_gone "$KORVANE_PID"
}

e2e_gone() { ! kill -0 "$1" 2>/dev/null; }

e2e_window() {
  local timeout=${1:-30}
  local wid
  wid=$(timeout "$timeout" xdotool search --sync --onlyvisible --pid "$KORVANE_PID" \
    --name '^Korvane$' 2>/dev/null | head -n1) || true
  [ -n "$wid" ] || e2e_fail "Korvane's window did not appear within ${timeout}s"
  echo "$wid"
}

e2e_windows() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$KORVANE_PID" 2>/dev/null); do
    echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

e2e_move() { xdotool mousemove --window "$1" "$2" "$3"; }

e2e_click() {
  e2e_move "$1" "$2" "$3"
  xdotool click "${4:-1}"
}

e2e_press() {
  e2e_move "$1" "$2" "$3"
  xdotool mousedown "${4:-1}"
}

e2e_release() {
  e2e_move "$1" "$2" "$3"
  xdotool mouseup "${4:-1}"
}

e2e_pad_move() { e2e_move "$1" $((E2E_PAD_X + $2)) $((E2E_PAD_Y + $3)); }
e2e_pad_click() { e2e_click "$1" $((E2E_PAD_X + $2)) $((E2E_PAD_Y + $3)) "${4:-1}"; }
e2e_pad_press() { e2e_press "$1" $((E2E_PAD_X + $2)) $((E2E_PAD_Y + $3)) "${4:-1}"; }
e2e_pad_release() { e2e_release "$1" $((E2E_PAD_X + $2)) $((E2E_PAD_Y + $3)) "${4:-1}"; }

# Number of visible windows of Korvane (a drop-down's open list is one of them).
e2e_window_count() { xdotool search --onlyvisible --pid "$KORVANE_PID" 2>/dev/null | wc -l; }

e2e_more_windows_than() { [ "$(e2e_window_count)" -gt "$1" ]; }

# Clicks the drop-down at X,Y and waits for its list to show.
e2e_open_list() {
  local before
  before=$(e2e_window_count)
  e2e_click "$1" "$2" "$3"
  e2e_wait_for 10 e2e_more_windows_than "$before"
}

e2e_pick() {
  local wid=$1 x=$2 y=$3 index=$4
  e2e_open_list "$wid" "$x" "$y"
  if [ "$index" = last ]; then
    xdotool key End
  else
    xdotool key Home
    [ "$index" -gt 0 ] && xdotool key --repeat "$index" --delay 5 Down
  fi
  xdotool key Return
}

e2e_pick_text() {
  local wid=$1 x=$2 y=$3 text=$4
  e2e_open_list "$wid" "$x" "$y"
  xdotool key Home
  xdotool type --delay 20 "$text"
  xdotool key Return
}

e2e_dialog() {
  local main=$1 timeout=${2:-10}
  e2e_wait_for "$timeout" e2e_windows_but "$main"
  e2e_windows_but "$main" | head -n1
}

# Visible windows of Korvane other than the given ones, one id a line; fails when there is none.
e2e_windows_but() {
  local id found=1
  for id in $(xdotool search --onlyvisible --pid "$KORVANE_PID" 2>/dev/null); do
    [[ " $* " == *" $id "* ]] || { echo "$id"; found=0; }
  done
  return $found
}

e2e_none_but() { ! e2e_windows_but "$@" >/dev/null; }
e2e_shown() { xdotool search --onlyvisible --pid "$KORVANE_PID" 2>/dev/null | grep -qx "$1"; }
e2e_focused() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }
e2e_clipboard_is() { [ "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# Keys typed before the dialog holds the focus go elsewhere: the first characters were lost so.
e2e_dialog_enter() {
  local main=$1 dialog=$2 text=$3 try deadline
  e2e_wait_for 10 e2e_focused "$dialog"
  for try in 1 2 3; do
    xdotool key ctrl+a # the typing replaces what the field held
    xdotool type --delay 20 "$text"
    xdotool key ctrl+a ctrl+c
    e2e_poll 5 e2e_clipboard_is "$text" && break
    [ "$try" -lt 3 ] ||
      e2e_fail "the dialog's field says '$(timeout 2 xclip -o -selection clipboard 2>&1)', not '$text'"
  done
  # The file name completer's list, while it shows, takes the keys (Escape closes only the list,
  # Return too); it opens once the folder has been read, which may be after the typing.
  deadline=$((SECONDS + 30))
  while e2e_shown "$dialog"; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the dialog did not close"
    if e2e_windows_but "$main" "$dialog" >/dev/null; then
      xdotool key Escape
      e2e_wait_for 10 e2e_none_but "$main" "$dialog"
    else
      xdotool key Return
      e2e_poll 10 e2e_gone_or_listed "$dialog" "$main" || true
    fi
  done
  if e2e_windows_but "$main" >/dev/null; then # a list that opened as the dialog closed
    xdotool key Escape
    e2e_wait_for 10 e2e_none_but "$main"
  fi
}

e2e_gone_or_listed() { ! e2e_shown "$1" || e2e_windows_but "$2" "$1" >/dev/null; }

e2e_capture_data() { grep -v '^#' "$E2E_CAPTURE" || true; }

e2e_notes() { e2e_capture_data | cut -d' ' -f2- | grep -v '^b' || true; }
e2e_count() { e2e_notes | grep -c "^$1" || true; }
e2e_at_least() { [ "$(e2e_count "$1")" -ge "$2" ]; }
e2e_resets() { e2e_capture_data | grep -c ' b0 7b 00$' || true; }
e2e_resets_are() { [ "$(e2e_resets)" -eq "$1" ]; }

e2e_length() {
  e2e_click "$1" 65 157
  xdotool key ctrl+a type "$2"
}

e2e_capture_has() { e2e_capture_data | grep -Eq "$1"; }

e2e_wait_capture() {
  local pattern=$1 timeout=${2:-20}
  e2e_poll "$timeout" e2e_capture_has "$pattern" ||
    e2e_fail "no captured message matched /$pattern/ in ${timeout}s"
  e2e_capture_data | grep -E -m1 "$pattern"
}

e2e_transport_master() {
  mkfifo "$E2E_TMP/transport"
  e2e_spawn "$E2E_TMP/transport.log" bash -c "exec jack_transport <'$E2E_TMP/transport'"
  exec 7>"$E2E_TMP/transport"
  transport "master"
  transport "tempo $1"
  transport "locate 0"
}
transport() { echo "$1" >&7; }

# Plays on a followed source: the "120" button, the source playing until its first pulse reaches
# the reference capture REF, then the pad held at 100,45.
e2e_play_followed() {
  local wid=$1 ref=$2
  e2e_click "$wid" 282 157 # the "120" button
  transport "play"
  e2e_wait_for 20 grep -q ' f8$' "$ref"
  e2e_pad_press "$wid" 100 45
}

e2e_midi_clock_reference() {
  e2e_spawn "$E2E_TMP/mclk.log" jack_midi_clock
  E2E_MCLK_PID=$E2E_LAST_PID
  e2e_capture_start "mclk-$E2E_TAG" "$@"
  E2E_MCLK_REF=$E2E_CAPTURE
  e2e_wait_for 20 bash -c "jack_lsp | grep -q '^jack_midi_clock:'"
  E2E_MCLK_PORT=$(jack_lsp | grep '^jack_midi_clock:' | head -1)
  e2e_jack_connect "$E2E_MCLK_PORT" "$E2E_CAPTURE_PORT"
}
