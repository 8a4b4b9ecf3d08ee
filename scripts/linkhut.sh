# Sourced by the Link tests and benchmarks (inside their private network namespace, see
# netns.sh): LinkHut, Link's own terminal peer, driven through a tmux server of our own. It plays
# its metronome on the JACK server JACK_DEFAULT_SERVER names (LinkHut:out_1, out_2).
#
#   linkhut_start DIR   start it (Link off, as it opens) in a tmux server whose socket is in DIR;
#                       waits for its JACK ports. LINKHUT_PID: the tmux server's pid.
#   linkhut_keys KEY…   type keys into it: a Link on/off, s start/stop sync, Space play/stop,
#                       e / w tempo up / down by 1.
#   linkhut_state       its state line as words: "enabled=yes peers=1 sync=yes playing=1
#                       tempo=130.00".
#   linkhut_is WORD…    true when its state holds every WORD (e.g. tempo=130.00 playing=1).
#   linkhut_tempo BPM   step its tempo to the whole BPM with e / w, waiting for each step.
#   linkhut_stop        quit it (q) and end the tmux server.

linkhut_start() {
  LINKHUT_SOCK="$1/linkhut.tmux"
  TERM=${TERM:-xterm} tmux -S "$LINKHUT_SOCK" -f /dev/null new-session -d -x 120 -y 30 \
    "exec env JACK_DEFAULT_SERVER=$JACK_DEFAULT_SERVER JACK_NO_START_SERVER=1 LinkHut 2>$1/linkhut.err"
  LINKHUT_PID=$(tmux -S "$LINKHUT_SOCK" display-message -p '#{pid}')
  local i
  for i in $(seq 200); do
    jack_lsp 2>/dev/null | grep -qx 'LinkHut:out_1' && linkhut_state | grep -q tempo= && return 0
    sleep 0.1
  done
  echo "LinkHut did not start:" >&2
  cat "$1/linkhut.err" >&2
  tmux -S "$LINKHUT_SOCK" capture-pane -p >&2 || true
  return 1
}

linkhut_keys() {
  local key
  for key in "$@"; do tmux -S "$LINKHUT_SOCK" send-keys "$key"; done
}

# Its screen's last line: "yes | 1 | 4 | yes [playing] | 130.00 | 12.34 | XXOO".
linkhut_state() {
  tmux -S "$LINKHUT_SOCK" capture-pane -p 2>/dev/null | grep -E '^(yes|no) +\|' | tail -n1 |
    awk -F'|' '{
      gsub(/ /, "", $1); gsub(/ /, "", $2); gsub(/ /, "", $5)
      split($4, s, " "); playing = ($4 ~ /\[playing\]/) ? 1 : 0
      printf "enabled=%s peers=%s sync=%s playing=%d tempo=%s\n", $1, $2, s[1], playing, $5
    }'
}

linkhut_is() {
  local state word
  state=" $(linkhut_state) "
  for word in "$@"; do [[ "$state" == *" $word "* ]] || return 1; done
}

linkhut_stop() {
  [ -n "${LINKHUT_SOCK:-}" ] || return 0
  tmux -S "$LINKHUT_SOCK" send-keys q 2>/dev/null || true
  local i
  for i in $(seq 50); do jack_lsp 2>/dev/null | grep -q '^LinkHut:' || break; sleep 0.1; done
  tmux -S "$LINKHUT_SOCK" kill-server 2>/dev/null || true
  LINKHUT_SOCK=""
}

# Steps its tempo to the whole BPM given, one key at a time: a key typed before LinkHut's audio
# cycle has taken the last one counts from the same tempo again (so is lost).
linkhut_tempo() {
  local target=$1 now tries
  for tries in $(seq 2000); do
    now=$(linkhut_state | sed -n 's/.*tempo=\([0-9]*\).*/\1/p')
    [ -n "$now" ] || { sleep 0.05; continue; }
    [ "$now" -eq "$target" ] && return 0
    if [ "$now" -lt "$target" ]; then linkhut_keys e; else linkhut_keys w; fi
    for _ in $(seq 100); do
      [ "$(linkhut_state | sed -n 's/.*tempo=\([0-9]*\).*/\1/p')" != "$now" ] && break
      sleep 0.02
    done
  done
  return 1
}
