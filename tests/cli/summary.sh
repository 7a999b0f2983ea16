#!/usr/bin/env bash
# --summary on a replay prints the figures that the replayed file itself gives.
set -u
program=$1
work=$2
rm -rf "$work" && mkdir -p "$work" || exit 2
replay=$work/walk.csv
{
  echo "t,x,y,z,magneticHeading,trueHeading"
  echo "0,12.5,-3.25,40,10,-1"
  echo "0.05,13.125,-2,41.5,11,-1"
  echo "0.1,-60,80,0.01,12,-1"
  echo "0.15,-60,80,0.01,13,-1"
  echo "0.2,0,0,-0.004,14,-1"
  echo "0.25,7.777,1.111,-48.333,15,-1"
} > "$replay"

# The same sums, in the same order, in C's doubles and printf.
expected=$(awk -F, 'NR > 1 {
    n++; t = $1; tot = sqrt(($2 * $2 + $3 * $3) + $4 * $4)
    if (n == 1) { first = t; for (i = 2; i <= 5; i++) { lo[i] = hi[i] = (i == 5 ? tot : $i) } peak = t }
    for (i = 2; i <= 5; i++) {
      v = (i == 5 ? tot : $i); sum[i] += v
      if (v < lo[i]) lo[i] = v
      if (v > hi[i]) { hi[i] = v; if (i == 5) peak = t }
    }
  } END {
    printf "summary: samples=%d seconds=%.3f", n, t - first
    split("x y z total", name, " ")
    for (i = 2; i <= 5; i++) printf " %s_min=%.2f %s_max=%.2f %s_mean=%.2f", name[i-1], lo[i], name[i-1], hi[i], name[i-1], sum[i] / n
    # Six samples are far from the second of them an AC figure needs.
    printf " total_peak_t=%.3f ac_rms=none dominant_hz=none\n", peak
  }' "$replay")

actual=$("$program" --heading-source=replay:"$replay" --calibration=none --summary \
         --quit-after=1.5 2>"$work/stderr")
status=$?
if [ "$status" -ne 0 ]; then
  echo "fluxprobe exited $status"; cat "$work/stderr"; exit 1
fi
summary=$(printf '%s\n' "$actual" | grep '^summary:')
if [ "$summary" != "$expected" ]; then
  echo "expected: $expected"
  echo "actual:   $summary"
  exit 1
fi
# Without --summary, nothing of it.
plain=$("$program" --heading-source=replay:"$replay" --calibration=none --quit-after=0.5 2>/dev/null)
if printf '%s\n' "$plain" | grep -q '^summary:'; then
  echo "a summary without --summary"; exit 1
fi
# A unit that is none of ours is refused with the ones that are.
message=$("$program" --units=gauss 2>&1 >/dev/null); status=$?
if [ "$status" -ne 2 ] || ! printf '%s' "$message" | grep -q "needs uT (or µT), nT, mG or G, got 'gauss'"; then
  echo "--units=gauss: status $status, said: $message"; exit 1
fi
echo "summary matches the file: $summary"
