#!/usr/bin/env bash
# Runs the fluxprobe program as a user would and checks what it leaves behind.
# usage: run_fluxprobe.sh FLUXPROBE WORKDIR
set -u
bin=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# A session's own runtime folder, as a desktop gives one (Qt says so on stderr otherwise).
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A simulated run: every sample logs one line, the count matches, the screenshot is written.
"$bin" --heading-source=simulated --quit-after=3 --screenshot=meter.png 2>err.txt
status=$?
[ "$status" -eq 0 ] || fail "simulated run exited with $status"
delivered=$(sed -n 's/^fluxprobe: delivered \([0-9]*\) samples$/\1/p' err.txt)
lines=$(grep -cE '^-?[0-9]+\.[0-9]{2}$' err.txt)
[ -n "$delivered" ] || fail "no 'delivered N samples' line"
[ "${delivered:-0}" -gt 100 ] || fail "only ${delivered:-0} samples in 3 s"
[ "$lines" = "${delivered:-x}" ] || fail "$lines log lines for $delivered samples"
[ -s meter.png ] || fail "no screenshot"
head -c 8 meter.png | od -An -c | grep -q 'P   N   G' || fail "meter.png is not a PNG"

# A clean run prints only fluxprobe's own lines: the slider's per sample, and its "fluxprobe:"
# lines; no Qt warning, whichever screen is open.
for screen in "" --open-compass --open-ac --calibrate; do
    "$bin" --heading-source=simulated --quit-after=1.5 $screen 2>err.txt >/dev/null ||
        fail "simulated run $screen failed: $(cat err.txt)"
    stray=$(grep -vE '^-?[0-9]+\.[0-9]{2}$|^fluxprobe: ' err.txt | head -3)
    [ -z "$stray" ] || fail "a run ${screen:-of the meter} printed: $stray"
done
"$bin" --heading-source=none --quit-after=1 2>err.txt >/dev/null
stray=$(grep -vE '^fluxprobe: ' err.txt | head -3)
[ -z "$stray" ] || fail "a run without a magnetometer printed: $stray"

# --stats adds one line in its fixed form, with samples shown and frames painted.
"$bin" --heading-source=simulated:rate=200 --quit-after=2 --stats 2>err.txt >/dev/null
stats=$(grep -E '^stats: ' err.txt)
num='[0-9]+(\.[0-9]+)?'
echo "$stats" | grep -qE "^stats: samples=[0-9]+ frames_per_s=$num latency_p50_ms=$num latency_p95_ms=$num latency_max_ms=$num first_frame_ms=[0-9]+$" ||
    fail "no stats line in its form: '$stats'"
[ "$(echo "$stats" | sed -n 's/.*samples=\([0-9]*\).*/\1/p')" -gt 100 ] 2>/dev/null || fail "stats: too few samples: '$stats'"
echo "$stats" | grep -q 'frames_per_s=0\.0 ' && fail "stats: no frames painted: '$stats'"

# Bad options and sources stop before any window, with status 2 and a clear message.
check_refused() {
    local expect=$1
    shift
    "$bin" "$@" >out.txt 2>err.txt
    local s=$?
    [ "$s" -eq 2 ] || fail "$* exited with $s, expected 2"
    grep -q -- "$expect" err.txt || fail "$*: no '$expect' in: $(cat err.txt)"
}
check_refused "unknown option '--bogus'" --bogus
check_refused "usage: fluxprobe" --bogus
check_refused "fluxprobe:" --heading-source=warp-drive
mkdir -p emptyui
FLUXPROBE_UI_DIR=emptyui check_refused "interface file 'MainWindow': not found" \
    --heading-source=simulated

# Help needs no display at all.
QT_QPA_PLATFORM=none "$bin" --help >help.txt 2>&1 || fail "--help failed"
grep -q -- "--heading-source" help.txt || fail "--help does not list --heading-source"

# No magnetometer: the meter still runs (with its alert) and logs nothing.
"$bin" --heading-source=none --quit-after=1 2>err.txt || fail "--heading-source=none failed"
grep -qE '^-?[0-9]+\.[0-9]{2}$' err.txt && fail "samples logged without a magnetometer"

# The field model answers without a window or a display: the published value at 80N 0E.
QT_QPA_PLATFORM=none "$bin" --field-model --location=80,0 --date=2025.0 >model.txt 2>err.txt ||
    fail "--field-model failed: $(cat err.txt)"
[ "$(cat model.txt)" = "declination=1.2815 inclination=83.2106 total=55178.5 horizontal=6523.2 north=6521.6 east=145.9 down=54791.5 model=WMM2025" ] ||
    fail "--field-model answered: $(cat model.txt)"

# True north in a recording: a replay keeps its recorded true headings; with --location they
# are magnetic + the model's declination there today; --declination beats --location.
printf 't,x,y,z,magneticHeading,trueHeading\n0,0,20,-44,350,7\n0.02,0,20,-44,10,7\n' >walk.csv
declination=$("$bin" --field-model --location=-33.87,151.21 | sed -n 's/^declination=\([^ ]*\) .*/\1/p')
[ -n "$declination" ] || fail "no declination for Sydney"
true_headings() {  # the trueHeading column of a recording, after replaying walk.csv with "$@"
    rm -f again.csv
    "$bin" --heading-source=replay:walk.csv --record=again.csv --quit-after=0.5 "$@" 2>err.txt ||
        fail "replay with $*: $(grep -v '^[0-9.-]*$' err.txt)"
    tail -n +2 again.csv | cut -d, -f6 | tr '\n' ' '
}
close_to() {  # close_to GOT EXPECTED...: every value within 0.001
    awk -v got="$1" -v want="$2" 'BEGIN { n = split(got, g, " "); split(want, w, " ");
        for (i = 1; i <= n; i++) { d = g[i] - w[i]; if (d < -0.001 || d > 0.001) exit 1 } exit n == 0 }'
}
got=$(true_headings)
close_to "$got" "7 7" || fail "a plain replay changed the recorded true headings: $got"
got=$(true_headings --location=-33.87,151.21)
want=$(awk -v d="$declination" 'BEGIN { printf "%.6f %.6f", (350 + d) % 360, (10 + d) % 360 }')
close_to "$got" "$want" || fail "replay with --location recorded $got, expected $want"
grep -qF -- "-33.87" err.txt && fail "the location reached the log"
got=$(true_headings --location=-33.87,151.21 --declination=-2.5)
close_to "$got" "347.5 7.5" || fail "--declination did not beat --location: $got"

[ "$failed" -eq 0 ] && echo "fluxprobe runs as expected"
exit "$failed"
