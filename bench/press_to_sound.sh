#!/usr/bin/env bash
# Press to sound on a desktop sound server: Korvane's built-in synthesizer beside vmpk, both on a PipeWire daemon of our own (WirePlumber, the PulseAudio server, a null sink),
# each under the same X server, in the same rounds. A recorder stamps every buffer of the sink's
# monitor on the steady clock; each press is stamped on it before xdotool runs and when it returns.
# Then Korvane's note clock held on the pad with 120-tick notes (a woodblock, whose sound dies
# away before the next strike): the intervals between the onsets in the recording. Then CPU use
# (% of one core) with the synthesizer open and idle, and while playing 60 ms notes.
# Usage: bench/press_to_sound.sh [build-dir] [presses per round (24)] [rounds (3)] [cpu seconds (20)]
#        [seconds held for the intervals (30; 0: none)]
# Environment: KORVANE_AUDIO_QUANTUM is passed on to Korvane; SOUNDFONT (FluidR3_GM) is Korvane's;
# VMPK_OUTPUT=FluidSynth plays vmpk through FluidSynth; THRESHOLD (0.02) for an onset; SUBJECTS
# ("korvane vmpk") to measure fewer.
set -euo pipefail
build=$(realpath "${1:-build}")
presses=${2:-24}
rounds=${3:-3}
cpu_seconds=${4:-20}
held_seconds=${5:-30}
font=${SOUNDFONT:-/usr/share/sounds/sf2/FluidR3_GM.sf2}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/xvfb.sh"
source "$here/../tests/e2e/pipewire.sh"
source "$here/stats.sh"
tools="$build/tests"
for tool in pw_record stamp_run; do
  [ -x "$tools/$tool" ] || { echo "press_to_sound: build $tools/$tool first" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvane-press.XXXXXX")
subject_pid=""
XVFB_PID=""
cleanup() {
  set +e # a failing step here must not leave the rest running
  [ -z "$subject_pid" ] || { kill "$subject_pid" 2>/dev/null; wait "$subject_pid" 2>/dev/null; }
  pw_stop
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
  [ -n "${KEEP_TMP:-}" ] || rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE

# Nothing of the user's: a home, a config and a runtime folder of this run's own.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_CONFIG_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY JACK_DEFAULT_SERVER
export QT_QPA_PLATFORM=xcb QT_NO_GLIB=1 JACK_NO_START_SERVER=1
xvfb_start "$tmp/xvfb.log" || exit 1
pw_start "$tmp" || exit 1
record="$tmp/record.txt"
pw_spawn "$record" "$tools/pw_record" "${THRESHOLD:-0.02}" 30
until grep -q '^# ready' "$record"; do sleep 0.05; done

# The first onset later than the given moment (s), or nothing.
onset_after() { awk -v t="$1" '$2 == "onset" && $1 > t { print $1; exit }' "$record"; }
wait_onset() {  # moment timeout_s → onset or nothing
  local deadline=$((SECONDS + $2)) found
  while [ $SECONDS -le $deadline ]; do
    found=$(onset_after "$1")
    [ -z "$found" ] || { echo "$found"; return; }
    sleep 0.01
  done
}

# Korvane: a fresh copy, its built-in synthesizer (the first device), ready once it says so.
start_korvane() {
  mkdir -p "$tmp/korvane"
  cp "$build/korvane" "$tmp/korvane/korvane"
  rm -f "$tmp/korvane/korvane.ini"
  env -C "$tmp/korvane" KORVANE_MIDI_LOG=1 KORVANE_SOUNDFONT="$font" ./korvane \
    >"$tmp/korvane.log" 2>&1 &
  subject_pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --pid "$subject_pid" --name '^Korvane$' |
    head -n1)
  until grep -q "synthesizer ready\|no SoundFont" "$tmp/korvane.log"; do sleep 0.05; done
  # The top row of the pad (velocity 127), a column near the middle.
  press_x=111 press_y=42
}

# vmpk with its FluidSynth output through its default audio driver (PulseAudio) and the same
# SoundFont.
# vmpk with its default output (the Sonivox EAS synthesizer, through PulseAudio), or with
# VMPK_OUTPUT=FluidSynth its FluidSynth output with the same SoundFont as Korvane.
start_vmpk() {
  local conf="$XDG_CONFIG_HOME/vmpk.sourceforge.net/VMPK.conf"
  mkdir -p "${conf%/*}"
  rm -f "$conf"
  if [ "${VMPK_OUTPUT:-}" = FluidSynth ]; then
    printf '%s\n' "[Connections]" "InEnabled=false" "OutputDriver=FluidSynth" "OutPort=FluidSynth" \
      "[FluidSynth]" "InstrumentsDefinition=$font" "AudioDriver=pulseaudio" >"$conf"
  fi
  vmpk >"$tmp/vmpk.log" 2>&1 &
  subject_pid=$!
  # Its first window is replaced once the settings are applied: wait until the id holds.
  local seen="" tries=100
  wid=""
  while [ $((tries -= 1)) -gt 0 ]; do
    seen=$(xdotool search --onlyvisible --pid "$subject_pid" --name '^Virtual MIDI Piano Keyboard$' \
      2>/dev/null | tail -n1) || true
    [ -n "$seen" ] && [ "$seen" = "$wid" ] && break
    wid=$seen
    sleep 0.5
  done
  press_x=500 press_y=170  # the lower half of a white key near the middle
}

stop_subject() {
  kill "$subject_pid" 2>/dev/null || true
  wait "$subject_pid" 2>/dev/null || true
  subject_pid=""
}

# One press: "latency_from_return_ms latency_from_before_ms", or "miss".
press_once() {
  local stamps before after heard
  xdotool mousemove --window "$wid" "$press_x" "$press_y"
  stamps=$("$tools/stamp_run" xdotool mousedown 1)
  read -r before after _ <<<"$stamps"
  heard=$(wait_onset "$before" 3)
  xdotool mouseup 1
  # Let the note die away (the recorder's onset needs 30 ms of silence), at a moment that does
  # not follow the audio period.
  sleep "0.$((700 + RANDOM % 300))"
  if [ -z "$heard" ]; then
    echo miss
  else
    awk -v b="$before" -v a="$after" -v h="$heard" \
      'BEGIN { printf "%.3f %.3f\n", (h - a) * 1000, (h - b) * 1000 }'
  fi
}

# Warms the subject up until a press is heard (a synthesizer still connecting its stream).
warm_up() {
  local tries=10
  while [ "$(press_once)" = miss ] && [ $((tries -= 1)) -gt 0 ]; do :; done
}

latency_stats() {  # file column → "median p10 p90 n"
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
    function q(p) { i = int(p * (NR - 1) + 0.5) + 1; return v[i] }
    END { if (NR) printf "%7.1f %7.1f %7.1f %4d", q(0.5), q(0.1), q(0.9), NR; else print "no data" }'
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_percent() {  # pid seconds → % of one core over that time
  local start end hz
  hz=$(getconf CLK_TCK)
  start=$(cpu_ticks "$1")
  sleep "$2"
  end=$(cpu_ticks "$1")
  awk -v s="$start" -v e="$end" -v hz="$hz" -v t="$2" 'BEGIN { printf "%.1f", (e - s) * 100 / hz / t }'
}

read -r -a subjects <<<"${SUBJECTS:-korvane vmpk}"
for s in "${subjects[@]}"; do : >"$tmp/$s.lat"; done
for round in $(seq "$rounds"); do
  for s in "${subjects[@]}"; do
    "start_$s"
    warm_up
    misses=0
    for _ in $(seq "$presses"); do
      result=$(press_once)
      if [ "$result" = miss ]; then misses=$((misses + 1)); else echo "$result" >>"$tmp/$s.lat"; fi
    done
    [ "$misses" -eq 0 ] || echo "round $round, $s: $misses presses not heard" >&2
    stop_subject
  done
done
if [ -f "$tmp/korvane.log" ]; then
  echo "Korvane: $(grep -o 'audio through .*\|synthesizer lead .*\|pipewire: [0-9]* frames.*' \
    "$tmp/korvane.log" | sort -u | paste -sd';' -)"
fi

printf "press to sound, ms (%d presses x %d rounds)  median     p10     p90    n\n" "$presses" "$rounds"
for s in "${subjects[@]}"; do
  printf "  %-8s from the press's return         %s\n" "$s" "$(latency_stats "$tmp/$s.lat" 1)"
  printf "  %-8s from before the press           %s\n" "$s" "$(latency_stats "$tmp/$s.lat" 2)"
done

# Re-struck notes at the default tempo 125: 120 ticks are 120 ms. Onsets in the file $2 after the
# moment $1 (s); prints the figures of interval - 120 ms. With $3 = clear, only the notes the graph
# played: none of its skips (xruns, where no player sounds) from 10 ms before an onset (a lead)
# to its first millisecond, nor within an interval that lost a note.
interval_errors() {
  # A strike's first millisecond peaks near 0.085; a tail dying away across the low threshold
  # gives weak false onsets, left out.
  awk -v from="$1" -v only="${3:-}" '
    function skipped(a, b,   i) {
      for (i = 1; i <= skips; i++) if (skipTo[i] > a && skipFrom[i] < b) return 1
      return 0
    }
    $1 == "#" && $2 == "skip" { skips++; skipFrom[skips] = $3; skipTo[skips] = $4; next }
    $2 == "onset" && $1 > from && $3 >= 0.03 {
      hit = skipped($1 - 0.010, $1 + 0.001)
      if (n++) {
        e = ($1 - last) * 1000 - 120
        lost = e > 60 && skipped(last, $1)
        if (only != "clear" || !(hit || lastHit || lost))
          printf "%.6f\n", (e < 5e-7 && e > -5e-7) ? 0 : e
      }
      last = $1
      lastHit = hit }' "$2" | stats ms
}
if [ "$held_seconds" -gt 0 ] && [[ " ${subjects[*]} " == *" korvane "* ]]; then
  # A recorder of its own, for the woodblock's short silences.
  held="$tmp/held.txt"
  pw_spawn "$held" "$tools/pw_record" 0.01 20
  until grep -q '^# ready' "$held"; do sleep 0.05; done
  start_korvane
  warm_up
  # Program 116 (Woodblock): the program drop-down, twelve up from the last.
  xdotool mousemove --window "$wid" 281 13 click 1
  sleep 0.5
  xdotool key End key --repeat 12 --delay 5 Up key Return
  xdotool mousemove --window "$wid" 282 157 click 1  # the "120" button
  # The top row, about key 72.
  xdotool mousemove --window "$wid" 322 "$press_y"
  sleep 0.5
  # The press's own note and the first strike are left out: only the clock's intervals count.
  from=$("$tools/stamp_run" xdotool mousedown 1 | awk '{ printf "%.6f", $2 + 0.2 }')
  sleep "$held_seconds"
  kill -USR1 "$PW_LAST_PID"; sleep 0.2
  xdotool mouseup 1
  printf "120-tick notes held %d s, interval error (the graph skipped %d times)\n" \
    "$held_seconds" "$(awk -v from="$from" '$2 == "skip" && $3 > from' "$held" | wc -l)"
  printf "  korvane  all               %s\n" "$(interval_errors "$from" "$held")"
  printf "  korvane  the graph playing %s\n" "$(interval_errors "$from" "$held" clear)"
  stop_subject
fi

# CPU: idle with the synthesizer open, then 60 ms notes (Korvane: its note clock while the button
# is held, Length 60; vmpk: xdotool clicks every 60 ms).
printf "CPU, %% of one core over %d s            idle  playing\n" "$cpu_seconds"
for s in "${subjects[@]}"; do
  "start_$s"
  warm_up
  # What the subject plays through, as the sound server sees it.
  echo "  $s: $(pactl list sink-inputs | grep -E 'Sample Specif|application.name|node.latency' |
    sed 's/^[[:space:]]*//' | paste -sd' ' -)"
  sleep 2
  idle=$(cpu_percent "$subject_pid" "$cpu_seconds")
  if [ "$s" = korvane ]; then
    xdotool mousemove --window "$wid" 65 157 click 1 key ctrl+a type 60
    xdotool mousemove --window "$wid" "$press_x" "$press_y" mousedown 1
    playing=$(cpu_percent "$subject_pid" "$cpu_seconds")
    xdotool mouseup 1
  else
    xdotool mousemove --window "$wid" "$press_x" "$press_y"
    xdotool click --repeat $((cpu_seconds * 1000 / 60 + 20)) --delay 60 1 &
    clicker=$!
    playing=$(cpu_percent "$subject_pid" "$cpu_seconds")
    kill "$clicker" 2>/dev/null || true
    wait "$clicker" 2>/dev/null || true
  fi
  printf "  %-8s                              %5s %8s\n" "$s" "$idle" "$playing"
  stop_subject
done
echo "recorder: $(tail -n1 "$record" 2>/dev/null | grep '^# buffers' || echo 'still running')"
