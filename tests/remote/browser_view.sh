#!/usr/bin/env bash
# Headless Chromium loads the live view from the running program, replaying a file, and must show
# the file's steady sample exactly as the meter prints it, having followed the stream up to it.
# At the same time a page opened after a short replay has ended gets the last 150 samples, and
# says, dimmed, what the meter says.
# usage: browser_view.sh FLUXPROBE WORKDIR       (exit 77: no chromium or node here, skipped)
set -u
bin=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/serve_fluxprobe.sh
. "$here/../support/serve_fluxprobe.sh"
chromium=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$chromium" ] || ! command -v node >/dev/null; then
    echo "skipped: needs chromium and node (scripts/install-deps installs both)"
    exit 77
fi
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run FLUXPROBE_IIO_ROOT=$work/no-iio
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

# Two seconds of ordinary samples, then the same sample for the rest of a minute at 100 Hz: a
# browser slow to start on a busy machine still finds the stream running, and must have followed
# it for a hundred samples up to that one. Its numbers sit on printf's rounding edges (a half that
# rounds to even, a negative zero), and only it has an x that prints as -0.0.
{
    echo "t,x,y,z,magneticHeading,trueHeading"
    for i in $(seq 0 199); do echo "$((i / 100)).$(printf %02d $((i % 100))),1$((i % 10)).5,20,-44,10,-1"; done
    for i in $(seq 200 5999); do echo "$((i / 100)).$(printf %02d $((i % 100))),-0.04,0.25,-150,67.25,337.5"; done
} >walk.csv
# A second and a half of samples; its page opens once they are over.
{
    echo "t,x,y,z,magneticHeading,trueHeading"
    for i in $(seq 0 299); do echo "$((i / 200)).$(printf %03d $((i % 200 * 5))),$i,1,2,10,-1"; done
} >short.csv

# Both programs at once, and one browser for both pages: the test waits for the slower, not the sum.
serve_fluxprobe out.txt err.txt "$bin" --heading-source=replay:walk.csv --serve=127.0.0.1:0 --quit-after=60
pid=$served_pid url=$served_url
serve_fluxprobe out2.txt err2.txt "$bin" --heading-source=replay:short.csv --serve=127.0.0.1:0 --quit-after=60
pid2=$served_pid url2=$served_url
trap 'kill $pid $pid2 2>/dev/null' EXIT
[ -n "$url" ] || { echo "FAIL: no URL on stdout within 10 s: $(cat out.txt err.txt)"; exit 1; }
[ -n "$url2" ] || { echo "FAIL: no URL on stdout within 10 s: $(cat out2.txt err2.txt)"; exit 1; }
status_url=$(echo "$url2" | sed 's|/?token=|/api/v1/status?token=|; s|/$|/api/v1/status|')
for _ in $(seq 150); do
    case $(curl -s "$status_url") in *'"signal":"ended"'*) break ;; esac
    sleep 0.1
done
case $(curl -s "$status_url") in
    *'"signal":"ended"'*) ;;
    *) echo "FAIL: the short replay had not ended after 15 s; $status_url says: $(curl -s "$status_url")"; exit 1 ;;
esac

shown=$(timeout 60 node "$here/browser_driver.js" "$chromium" 45 \
    "$url" "document.body.dataset.samples >= 100 && document.getElementById('x').textContent === '-0.0'" page.png \
    "$url2" "document.body.dataset.signal === 'ended' && document.body.dataset.samples >= 150" ended.png)
status=$?
live=$(echo "$shown" | sed -n 1p)
late=$(echo "$shown" | sed -n 2p)
echo "page shows: $live"
echo "late page shows: $late"
[ $status -eq 0 ] || { echo "FAIL: a page never showed what it should: $shown"; exit 1; }
failed=0
for expected in '"total":"150.0"' '"y":"0.2"' '"z":"-150.0"' '"magnetic":"67.2°"' \
    '"magneticPoint":"E"' '"true":"337.5°"' '"truePoint":"N"' '"alarm":true' '"status":"live"' \
    '"title":"fluxprobe live — walk.csv"' '"marks":"REPLAY"'; do
    case $live in *"$expected"*) ;; *) echo "FAIL: expected $expected"; failed=1 ;; esac
done
samples=$(echo "$live" | sed -n 's/.*"samples":\([0-9]*\).*/\1/p')
[ "${samples:-0}" -ge 100 ] || { echo "FAIL: only ${samples:-0} samples came by the stream"; failed=1; }
[ -s page.png ] || { echo "FAIL: no screenshot"; failed=1; }
[ $failed -eq 0 ] && echo "the browser shows the replayed file, $samples samples by the stream"

# Ended means ended: the title, the AC figures and the alarm say so too.
for expected in '"x":"299.0"' '"status":"No signal — the replay has ended"' '"samples":150,' \
    '"alarm":false' '"title":"fluxprobe ended — short.csv"' '"acRms":"– µT rms"'; do
    case $late in *"$expected"*) ;; *) echo "FAIL: expected $expected"; failed=1 ;; esac
done
case $late in *'"opacity":1,'* | *'"opacity":1}'*) echo "FAIL: the numbers are not dimmed"; failed=1 ;; esac
[ $failed -eq 0 ] && echo "a late page gets the last 150 samples and shows the replay's end, dimmed"
exit $failed
