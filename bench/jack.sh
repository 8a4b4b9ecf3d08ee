# Sourced by the benchmark scripts: a JACK dummy server of our own.
#
#   jack_start NAME PERIOD LOG   start `jackd -d dummy` (48 kHz, PERIOD frames) as NAME, export
#                                JACK_DEFAULT_SERVER, wait until it serves (20 s at most).
#   jack_stop                    end it with SIGTERM and wait: a killed jackd keeps its slot in
#                                JACK's server registry.
#   wait_for SECONDS cmd…        run cmd every 100 ms until it succeeds; 1 (and a line on
#                                stderr, named after the script) when it never does.
#   stop_pids PID…               SIGTERM to each, then wait for them all.

JACKD_PID=""
export JACK_NO_START_SERVER=1

jack_start() {
  export JACK_DEFAULT_SERVER=$1
  jackd -n "$1" -d dummy -r 48000 -p "$2" >"$3" 2>&1 &
  JACKD_PID=$!
  for _ in $(seq 200); do
    jack_wait -c -s "$1" 2>/dev/null | grep -q '^running' && return 0
    sleep 0.1
  done
  echo "jackd did not start; its output:" >&2
  cat "$3" >&2
  return 1
}

jack_stop() {
  [ -n "$JACKD_PID" ] || return 0
  kill -TERM "$JACKD_PID" 2>/dev/null || true
  wait "$JACKD_PID" 2>/dev/null || true
  JACKD_PID=""
}

wait_for() {
  local tries=$(($1 * 10))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $((tries -= 1)) -gt 0 ] || {
      echo "$(basename "$0" .sh): timed out waiting for: $*" >&2
      return 1
    }
    sleep 0.1
  done
}

stop_pids() {
  local p
  for p in "$@"; do kill -TERM "$p" 2>/dev/null || true; done
  for p in "$@"; do wait "$p" 2>/dev/null || true; done
}
