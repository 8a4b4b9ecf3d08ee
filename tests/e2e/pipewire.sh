# Sourced by the end-to-end tests (after lib.sh) and the benchmark scripts: a PipeWire daemon of
# our own, with WirePlumber, the PulseAudio server and a null sink that needs no sound card.
#
#   pw_start LOG_DIR   start a session bus, pipewire, wireplumber and pipewire-pulse in the
#                      private XDG_RUNTIME_DIR (which must exist, be ours and hold no daemon yet),
#                      with the null sink PW_SINK made the default; waits until the PulseAudio
#                      server names it as its default sink (30 s at most). Exports
#                      DBUS_SESSION_BUS_ADDRESS. Returns 1 with the logs on stderr on failure.
#                      With PW_NO_SINK set: no sink of ours, and it waits for the PulseAudio
#                      server only.
#   pw_stop            end what pw_start and pw_spawn started (SIGTERM, newest first), then the
#                      bus, and wait for them.
#   pw_spawn LOG cmd…  start a process that pw_stop ends too; its pid in PW_LAST_PID.
#   pw_restart LOG_DIR after pw_stop: a new daemon in the same runtime folder, as pw_start.
#   pw_korvane_start DRIVER / pw_korvane_open DRIVER   (end-to-end tests) see below.
#
# Under lib.sh every process is also handed to e2e_spawn, so a failing test prints their logs and
# its clean-up ends them.

PW_SINK=korvane-test-sink
PW_PIDS=()

pw_spawn() {
  local log=$1
  shift
  if declare -F e2e_spawn >/dev/null; then
    e2e_spawn "$log" "$@"
    PW_LAST_PID=$E2E_LAST_PID
  else
    "$@" >"$log" 2>&1 &
    PW_LAST_PID=$!
  fi
  PW_PIDS+=("$PW_LAST_PID")
}

# A runtime folder of our own: never the user's, never one where a daemon already listens.
pw_private_runtime() {
  local dir=${XDG_RUNTIME_DIR:-}
  [ -n "$dir" ] && [ -d "$dir" ] && [ -O "$dir" ] || return 1
  [ "$dir" != "/run/user/$(id -u)" ] || return 1
  [ ! -e "$dir/pipewire-0" ] && [ ! -e "$dir/pulse/native" ]
}

pw_write_config() {
  local dir="$XDG_CONFIG_HOME/pipewire/pipewire.conf.d"
  mkdir -p "$dir"
  cat >"$dir/korvane-null-sink.conf" <<EOF
context.objects = [
  { factory = adapter
    args = {
      factory.name     = support.null-audio-sink
      node.name        = "$PW_SINK"
      node.description = "Korvane test sink"
      media.class      = "Audio/Sink"
      audio.position   = "FL,FR"
      monitor.channel-volumes = true
      object.linger    = true
    }
  }
]
EOF
}

pw_session_manager_up() { pw-cli ls Client 2>/dev/null | grep -qi 'wireplumber'; }
pw_ready() { pactl info 2>/dev/null | grep -qx "Default Sink: $PW_SINK"; }

pw_wait() {
  local what=$1 tries=$2
  shift 2
  until "$@" >/dev/null 2>&1; do
    if [ $((tries -= 1)) -le 0 ]; then
      echo "pipewire: $what did not happen" >&2
      return 1
    fi
    sleep 0.1
  done
}

pw_start() {
  local logs=$1 pidfile="$1/bus.pid" addrfile="$1/bus.addr"
  if ! pw_private_runtime; then
    echo "pipewire: XDG_RUNTIME_DIR (${XDG_RUNTIME_DIR:-unset}) is not a fresh folder of ours" >&2
    return 1
  fi
  # The sink's fragment goes into XDG_CONFIG_HOME: never into the user's own configuration.
  local home
  home=$(getent passwd "$(id -u)" | cut -d: -f6)
  if [ -z "${XDG_CONFIG_HOME:-}" ] || [ "$XDG_CONFIG_HOME" = "$home/.config" ]; then
    echo "pipewire: XDG_CONFIG_HOME must be a folder of this run's own" >&2
    return 1
  fi
  unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR PULSE_SERVER PULSE_RUNTIME_PATH
  export XDG_STATE_HOME="${XDG_STATE_HOME:-$HOME/.local/state}"
  rm -f "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/korvane-null-sink.conf"
  [ -n "${PW_NO_SINK:-}" ] || pw_write_config
  rm -f "$pidfile" "$addrfile"
  # The bus lives as long as the sleep inside its session: ending that pid ends the bus, and
  # dbus-run-session then ends its daemon itself (ending dbus-run-session would orphan it).
  # shellcheck disable=SC2016
  dbus-run-session -- bash -c \
    'echo "$DBUS_SESSION_BUS_ADDRESS" >"$1.tmp" && mv "$1.tmp" "$1"; echo $$ >"$2"; exec sleep infinity' \
    bash "$addrfile" "$pidfile" >"$logs/dbus.log" 2>&1 &
  PW_BUS_PID=$!
  pw_wait "the session bus" 100 test -s "$pidfile" || return 1
  PW_BUS_SLEEP=$(cat "$pidfile")
  declare -F e2e_spawn >/dev/null && E2E_PIDS+=("$PW_BUS_SLEEP")
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(cat "$addrfile")
  pw_spawn "$logs/pipewire.log" pipewire
  pw_wait "pipewire's socket" 100 test -S "$XDG_RUNTIME_DIR/pipewire-0" || {
    cat "$logs/pipewire.log" >&2
    return 1
  }
  pw_spawn "$logs/wireplumber.log" wireplumber
  if [ -n "${PW_NO_SINK:-}" ]; then
    pw_wait "the session manager" 300 pw_session_manager_up
    return
  fi
  pw_spawn "$logs/pipewire-pulse.log" pipewire-pulse
  pw_wait "the null sink as the default" 300 pw_ready || {
    tail -n 30 "$logs/pipewire.log" "$logs/wireplumber.log" "$logs/pipewire-pulse.log" >&2
    return 1
  }
}

pw_restart() {
  # The stopped daemon's sockets and locks would make the folder look taken.
  rm -f "$XDG_RUNTIME_DIR/pipewire-0" "$XDG_RUNTIME_DIR/pipewire-0.lock" \
    "$XDG_RUNTIME_DIR/pulse/native"
  pw_start "$1"
}

pw_stop() {
  local i pid
  for ((i = ${#PW_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${PW_PIDS[i]}
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  PW_PIDS=()
  [ -n "${PW_BUS_PID:-}" ] || return 0
  kill -TERM "$PW_BUS_SLEEP" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$PW_BUS_PID" 2>/dev/null || break; sleep 0.1; done
  kill -TERM "$PW_BUS_PID" 2>/dev/null || true
  wait "$PW_BUS_PID" 2>/dev/null || true
  PW_BUS_PID=""
}

# For end-to-end tests: a daemon of the test's own, a recorder of its sink (PW_RECORD) and
# Korvane (PW_WID) with its synthesizer on the given output; the test fails unless it plays there.
pw_korvane_start() {
  pw_start "$E2E_TMP" || e2e_fail "no PipeWire daemon of our own"
  PW_RECORD="$E2E_TMP/record.txt"
  pw_spawn "$PW_RECORD" "$TOOLS_DIR/pw_record" 0.02 30
  e2e_wait_for 20 grep -q '^# ready' "$PW_RECORD"
  pw_korvane_open "$1"
}

# Korvane (again) on the daemon and recorder pw_korvane_start began, on the given output.
pw_korvane_open() {
  local driver=$1
  e2e_korvane_start "" KORVANE_SYNTH_DRIVER="$driver" KORVANE_MIDI_LOG=1
  PW_WID=$(e2e_window)
  e2e_wait_for 60 grep -q 'synthesizer ready' "$KORVANE_LOG"
  grep -q "audio through $driver" "$KORVANE_LOG" ||
    e2e_fail "the synthesizer does not play through $driver"$'\n'"$(cat "$KORVANE_LOG")"
}
