# Sourced by the end-to-end tests and the benchmark scripts: an X server of our own.
#
#   xvfb_start LOG   start Xvfb on a display number it picks itself (never one in use), wait until
#                    it serves, export DISPLAY; XVFB_PID: its pid. Returns 1 with a message on
#                    stderr (and Xvfb's output) when it has not started within 30 s.

xvfb_start() {
  local log=$1 number="$1.display" tries=300
  : >"$number"
  # -noreset: by default the server resets when its last client leaves, and a client that
  # connects meanwhile (a window manager started right after Korvane closed) is turned away.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$number" >"$log" 2>&1 &
  XVFB_PID=$!
  # Xvfb writes the number once it accepts connections.
  until grep -q '^[0-9][0-9]*$' "$number"; do
    if ! kill -0 "$XVFB_PID" 2>/dev/null || [ $((tries -= 1)) -le 0 ]; then
      echo "Xvfb did not start; its output:" >&2
      cat "$log" >&2
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(cat "$number")"
}
