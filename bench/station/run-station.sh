#!/usr/bin/env bash
# The whole program as a station, with no display: a day of 1-second IAGA-2002 lines (86,400)
# replayed at speed=max into both day files (RUNS runs: median and range of the wall time), and
# DAYS days of a 50 Hz CSV recording at speed=max with the process's resident size read every
# half second: its growth from the first reading once the station writes (the replay checks
# the whole file first) to the end.
#   bench/station/run-station.sh [FLUXPROBE] [RUNS] [DAYS]
set -euo pipefail
bin=$(realpath "${1:-build/fluxprobe}")
runs=${2:-7}
days=${3:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM)

# A day of seconds, in the layout the station itself writes.
awk 'BEGIN {
  printf " Format                 IAGA-2002                                    |\n"
  printf " IAGA Code              BEN                                          |\n"
  printf " Geodetic Latitude      40.137                                       |\n"
  printf " Geodetic Longitude     254.763                                      |\n"
  printf "DATE       TIME         DOY     BENX      BENY      BENZ      BENF   |\n"
  for (s = 0; s < 86400; s++)
    printf "2018-09-01 %02d:%02d:%02d.000 244   %10.2f%10.2f%10.2f%10.2f\n", s / 3600, s / 60 % 60,
           s % 60, 20800 + 5 * sin(s / 900), -50 + cos(s / 700), 47000 + 3 * sin(s / 500),
           51960 + sin(s / 300)
}' >"$work/day.sec"

times=()
for i in $(seq "$runs"); do
    rm -rf "$work/day"
    start=$(date +%s%N)
    "${bare[@]}" "$bin" --station="$work/day" --heading-source="replay:$work/day.sec,speed=max" \
        2>/dev/null
    end=$(date +%s%N)
    [ "$(grep -c '^2' "$work/day/ben20180901vsec.sec")" = 86400 ] || { echo "not every second written"; exit 1; }
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    printf "day of 1-second lines into both day files: median %.3f s, range %.3f-%.3f s (%d runs)\n",
           t[int((NR + 1) / 2)], t[1], t[NR], NR }'

# DAYS days at 50 Hz.
awk -v n=$((days * 86400 * 50)) 'BEGIN {
  print "t,x,y,z,magneticHeading,trueHeading"
  for (i = 0; i < n; i++) { t = i / 50
    printf "%.2f,%.3f,%.3f,%.3f,0,-1\n", t, 20.8 + 0.005 * sin(t / 900), -0.05, 47 + 0.003 * sin(t / 500) }
}' >"$work/fast.csv"
start=$(date +%s%N)
"${bare[@]}" "$bin" --station="$work/fast" --station-info=SOK --location=40,-105 \
    --heading-source="replay:$work/fast.csv,speed=max,start=2018-09-01T00:00:00Z" 2>"$work/fast.err" &
pid=$!
: >"$work/rss"
while kill -0 $pid 2>/dev/null; do
    if [ -n "$(ls -A "$work/fast" 2>/dev/null)" ]; then
        grep VmRSS /proc/$pid/status 2>/dev/null | awk '{ print $2 }' >>"$work/rss" || true
    fi
    sleep 0.5
done
wait $pid
end=$(date +%s%N)
awk -v secs="$(awk -v a="$start" -v b="$end" 'BEGIN { print (b - a) / 1e9 }')" -v days="$days" '
    { r[NR] = $1 } END {
    first = r[1]; last = r[NR]; peak = 0; for (i = 1; i <= NR; i++) if (r[i] > peak) peak = r[i]
    printf "%d days of 50 Hz at speed=max: %.1f s; RSS %d kB once writing, %d kB at the end (peak %d kB, %d readings): growth %d kB\n",
           days, secs, first, last, peak, NR, last - first }' "$work/rss"
grep -h "delivered" "$work/fast.err"
ls "$work/fast" | wc -l | awk '{ print $1 " day files" }'
