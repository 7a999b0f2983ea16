#!/usr/bin/env bash
# A station run by the real program with no display at all: the observatory's half hour of
# seconds replayed at speed=max gives every published minute within 0.02 nT, each line 70
# characters; a kill -9 and a restart write no minute twice and lose none; SIGTERM writes every
# minute that can be made; bad inputs are refused before the station starts.
# usage: station.sh FLUXPROBE WORKDIR DATADIR
set -u
bin=$1 work=$2 data=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
work=$(pwd)
seconds=$data/BOU20180901-first-half-vsec.sec
published=$data/BOU20180901-first-half-vmin.min
export FLUXPROBE_IIO_ROOT=$work/no-iio XDG_CONFIG_HOME=$work/config
failed=0
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}

# No display, no runtime folder, no platform chosen: as a service or a board without X runs it.
bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM)
station() { "${bare[@]}" "$bin" "$@"; }

# Every line of FILE is 70 characters.
whole_lines() {
    awk -v f="$1" 'length($0) != 70 { print f ":" NR ": " length($0) " characters"; bad = 1 }
                   END { exit bad }' "$1" || fail "$1 has lines that are not 70 characters"
    [ -z "$(tail -c1 "$1")" ] || fail "$1 does not end in a newline"
}

# The minutes of FILE against the published ones: the same times, each value within 0.02 nT.
same_minutes() {
    paste -d' ' <(grep '^2' "$1") <(grep '^2' "$published") | awk -v f="$1" '
        { n++; if ($1 != $8 || $2 != $9) { print f ": time " $1 " " $2 " against " $8 " " $9; bad = 1 }
          for (i = 4; i <= 7; i++) { d = $i - $(i + 7); if (d < 0) d = -d
            if (d > 0.02 + 1e-9) { print f ": " $2 " value " i - 3 " differs by " d " nT"; bad = 1 } } }
        END { if (n != 31) { print f ": " n " minutes, expected 31"; bad = 1 }; exit bad }' ||
        fail "$1 does not give the published minutes"
    [ "$(grep -c '^2' "$1")" = 31 ] || fail "$1 holds $(grep -c '^2' "$1") minutes, not 31"
}

# Times of FILE's data lines go up by STEP seconds, each once.
in_order() {
    grep '^2' "$1" | awk -v step="$2" -v f="$1" '
        { split($2, t, ":"); s = t[1] * 3600 + t[2] * 60 + t[3]
          if (NR > 1 && s != last + step) { print f ": " $2 " after " prev; bad = 1 }
          last = s; prev = $2 }
        END { exit bad }' || fail "$1 repeats, skips or reorders a time"
}

# 1. The half hour at speed=max.
station --station="$work/max" --heading-source="replay:$seconds,speed=max" \
    >"$work/max.out" 2>"$work/max.err"
status=$?
[ $status -eq 0 ] || fail "a station on the replay ended with status $status: $(cat "$work/max.err")"
grep -v '^fluxprobe: ' "$work/max.err" && fail "stderr holds lines fluxprobe did not mean to write"
for f in "$work/max/bou20180901vmin.min" "$work/max/bou20180901vsec.sec"; do
    [ -f "$f" ] || { fail "no $f"; continue; }
    whole_lines "$f"
done
[ -f "$work/max/bou20180901vmin.min" ] && same_minutes "$work/max/bou20180901vmin.min"
[ -f "$work/max/bou20180901vsec.sec" ] &&
    ! diff <(grep '^2' "$work/max/bou20180901vsec.sec") <(grep '^2' "$seconds") >/dev/null &&
    fail "the seconds of an IAGA-2002 replay did not pass through unchanged"

# 2. Killed with -9 part-way, then started again on the same folder: the replay starts from its
# beginning, the station carries on after its files' last whole line.
# env replaces itself with the program, so $! is the station's own process.
"${bare[@]}" "$bin" --station="$work/kill" --heading-source="replay:$seconds,speed=400" \
    2>"$work/kill.err" &
pid=$!
sleep 2.5
kill -9 $pid
wait $pid 2>/dev/null
before=$(grep -c '^2' "$work/kill/bou20180901vsec.sec" 2>/dev/null || echo 0)
[ "$before" -gt 0 ] && [ "$before" -lt 1891 ] || echo "note: the kill came at $before seconds"
station --station="$work/kill" --heading-source="replay:$seconds,speed=max" 2>>"$work/kill.err"
status=$?
[ $status -eq 0 ] || fail "the restart ended with status $status: $(cat "$work/kill.err")"
whole_lines "$work/kill/bou20180901vsec.sec"
whole_lines "$work/kill/bou20180901vmin.min"
in_order "$work/kill/bou20180901vsec.sec" 1
in_order "$work/kill/bou20180901vmin.min" 60
same_minutes "$work/kill/bou20180901vmin.min"

# 3. SIGTERM: every minute that the seconds written allow is there.
"${bare[@]}" "$bin" --station="$work/term" --heading-source="replay:$seconds,speed=300" \
    2>"$work/term.err" &
pid=$!
sleep 3
kill -TERM $pid
wait $pid
status=$?
[ $status -eq 0 ] || fail "SIGTERM ended the station with status $status"
last_second=$(grep '^2' "$work/term/bou20180901vsec.sec" | tail -1 | cut -c12-19)
last_minute=$(grep '^2' "$work/term/bou20180901vmin.min" | tail -1 | cut -c12-19)
to_s() { IFS=: read -r h m s <<<"$1"; echo $((10#$h * 3600 + 10#$m * 60 + 10#$s)); }
if [ -n "$last_second" ] && [ -n "$last_minute" ]; then
    # The next minute lacks more than nine of its 91 seconds, or it would be written.
    [ $(($(to_s "$last_minute") + 60 + 45 - 9)) -gt "$(to_s "$last_second")" ] ||
        fail "after SIGTERM at $last_second the last minute is $last_minute"
else
    fail "SIGTERM left no seconds or no minutes: $(cat "$work/term.err")"
fi

# 4. A file size limit stands for a full disk: said once, no part of a line left in the file, and
# the status says lines were lost; a start with room again carries on where the file ends.
if command -v prlimit >/dev/null; then
    prlimit --fsize=20000 "${bare[@]}" "$bin" --station="$work/full" \
        --heading-source="replay:$seconds,speed=max" 2>"$work/full.err"
    status=$?
    [ $status -eq 1 ] || fail "a station that could not write every line ended with $status, not 1"
    [ "$(grep -c 'cannot write' "$work/full.err")" = 1 ] ||
        fail "a full disk was not said once: $(cat "$work/full.err")"
    whole_lines "$work/full/bou20180901vsec.sec"
    station --station="$work/full" --heading-source="replay:$seconds,speed=max" 2>>"$work/full.err" ||
        fail "the start after a full disk failed: $(cat "$work/full.err")"
    whole_lines "$work/full/bou20180901vsec.sec"
    in_order "$work/full/bou20180901vsec.sec" 1
    [ "$(grep -c '^2' "$work/full/bou20180901vsec.sec")" = 1891 ] || fail "seconds lost after a full disk"
    same_minutes "$work/full/bou20180901vmin.min"
else
    echo "note: no prlimit; the full disk is tried only by the unit tests"
fi

# 5. Refused before the station starts: status 2, the file and line, nothing written.
refused() {
    local message=$1
    shift
    station "$@" >/dev/null 2>"$work/refused.err"
    local status=$?
    [ $status -eq 2 ] || fail "'$*' ended with $status, not 2"
    grep -qF -- "$message" "$work/refused.err" || fail "'$*' did not say '$message': $(cat "$work/refused.err")"
}
grep -v '^ Format' "$seconds" >"$work/no-format.sec"
refused "no-format.sec:17: expected the Format line" --station="$work/r1" \
    --heading-source="replay:$work/no-format.sec"
grep -v '^DATE' "$seconds" >"$work/no-columns.sec"
refused "no-columns.sec:18: expected the column header" --station="$work/r2" \
    --heading-source="replay:$work/no-columns.sec"
sed '30s/20828\.../20828,5/' "$seconds" >"$work/bad-value.sec"
refused "bad-value.sec:30: value 1" --station="$work/r3" --heading-source="replay:$work/bad-value.sec"
sed '40{h;d};41G' "$seconds" >"$work/swapped.sec"
refused "swapped.sec:41: time goes back" --station="$work/r4" --heading-source="replay:$work/swapped.sec"
# A second station on a folder another one writes into.
"${bare[@]}" "$bin" --station="$work/busy" --heading-source="replay:$seconds,speed=100" 2>/dev/null &
pid=$!
sleep 1
refused "another station is writing into" --station="$work/busy" --heading-source="replay:$seconds"
kill -TERM $pid
wait $pid
echo x >"$work/a-file"
refused "expected a writable folder" --station="$work/a-file/s" --heading-source="replay:$seconds"
refused "must be 3 or 4 letters" --station="$work/r5" --station-info=AB \
    --heading-source="replay:$seconds"
for d in r1 r2 r3 r4 r5; do
    [ -z "$(ls -A "$work/$d" 2>/dev/null)" ] || fail "a refused run wrote into $d"
done

[ $failed -eq 0 ] && echo "the station writes every minute, once, whole" && exit 0
exit 1
