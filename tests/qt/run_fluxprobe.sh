#!/usr/bin/env bash
# Runs the fluxprobe program as a user would and checks what it leaves behind.
# usage: run_fluxprobe.sh FLUXPROBE WORKDIR
set -u
bin=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
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

[ "$failed" -eq 0 ] && echo "fluxprobe runs as expected"
exit "$failed"
