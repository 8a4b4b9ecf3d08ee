# The real window at a stored placement shows the default grid's lines at the computed pixels,
# at scale 1 and at scale 2 (each line one logical pixel, two device pixels, no smoothing).
source "$(dirname "$0")/lib.sh"

W=618 H=190  # PaintBox1 of a 640 × 300 window: less 2 × 11 across, 29 + 59 + 2 × 11 down
printf '[Korvane]\r\nTop=0\r\nLeft=0\r\nWidth=640\r\nHeight=300\r\n' >"$E2E_TMP/korvane.ini"

# Offsets trunc((size ÷ 128) × i): the quotients of 618 and 190 by 128 are exact in binary.
lines() { awk -v size="$1" 'BEGIN { for (i = 0; i < 128; i++) print int(size / 128 * i) }' | uniq; }

# Colours along a scan of n device pixels from x,y in the shot (dx, dy: the step).
scan() {
  local x=$1 y=$2 n=$3 across=$4
  local geom
  if [ "$across" = 1 ]; then geom="${n}x1+$x+$y"; else geom="1x${n}+$x+$y"; fi
  convert "$E2E_TMP/shot.png" -crop "$geom" +repage -depth 8 txt:- |
    awk 'NR > 1 { split($1, p, /[,:]/); print (p[1] > p[2] ? p[1] : p[2]), $3 }'
}

# Expected scan: colour at each device pixel, given the logical line offsets and scale.
expected() {
  local n=$1 scale=$2 color=$3
  awk -v n="$n" -v s="$scale" -v c="$color" 'NR == FNR { on[$1] = 1; next }
    END { for (d = 0; d < n; d++) print d, (int(d / s) in on ? c : "#000000") }' - /dev/null
}

shoot() { import -window root "$E2E_TMP/shot.png"; }

# The pad's top-left pixel carries both lines, so it is green once the pad is painted.
painted() {
  shoot
  [ "$(convert "$E2E_TMP/shot.png" -crop "1x1+$1+$2" -depth 8 txt:- | awk 'NR == 2 { print $3 }')" = "#004000" ]
}

check_scale() {
  local scale=$1
  e2e_korvane_start "$E2E_TMP/korvane.ini" QT_SCALE_FACTOR="$scale"
  local wid
  wid=$(e2e_window)
  eval "$(xdotool getwindowgeometry --shell "$wid")"  # X, Y: the client's screen position
  local px=$((X + scale * E2E_PAD_X)) py=$((Y + scale * E2E_PAD_Y))
  e2e_wait_for 20 painted "$px" "$py"
  # Logical row 3 and column 1 carry no line of the other kind; scan their last device pixel.
  local got want
  got=$(scan "$px" $((py + 3 * scale + scale - 1)) $((W * scale)) 1)
  want=$(lines $W | expected $((W * scale)) "$scale" "#004000")
  [ "$got" = "$want" ] || e2e_fail "scale $scale: column lines differ: $(diff <(echo "$want") <(echo "$got") | head)"
  got=$(scan $((px + 1 * scale + scale - 1)) "$py" $((H * scale)) 0)
  want=$(lines $H | expected $((H * scale)) "$scale" "#0000C0")
  [ "$got" = "$want" ] || e2e_fail "scale $scale: row lines differ: $(diff <(echo "$want") <(echo "$got") | head)"
  e2e_korvane_stop
  echo "scale $scale: ok"
}

check_scale 1
check_scale 2
