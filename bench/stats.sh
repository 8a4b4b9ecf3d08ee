# Sourced by the benchmark scripts: figures of the numbers on stdin, one a line.
#
#   stats UNIT   "n, mean, |p50|, |p99|, |max|" of the numbers (their absolute values for the
#                percentiles), printed with UNIT; "no samples" when there are none.

stats() {
  awk '{ print ($1 < 0 ? -$1 : $1), $1 }' | sort -g | awk -v unit="$1" '{ a[NR] = $1; s += $2 }
    END { if (NR == 0) { print "no samples"; exit }
          printf "n %4d  mean %+8.4f  |p50| %7.4f  |p99| %7.4f  |max| %7.4f %s\n", NR, s / NR,
                 a[int(0.5 * (NR - 1)) + 1], a[int(0.99 * (NR - 1)) + 1], a[NR], unit }'
}
