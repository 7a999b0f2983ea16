#!/usr/bin/env bash
# Runs the real program on every bad input and fault that the README's "What happens when…"
# table lists, and checks the exit status and the message a user sees on stderr.
# usage: bad_inputs.sh FLUXPROBE WORKDIR RESOURCES
set -u
bin=$1
work=$2
resources=$3
# shellcheck source=../support/serve_fluxprobe.sh
. "$(cd "$(dirname "$0")" && pwd)/../support/serve_fluxprobe.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
work=$(pwd)
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export FLUXPROBE_IIO_ROOT=$work/no-iio  # never the machine's own sensors
export XDG_CONFIG_HOME=$work/config     # nor the user's stored calibrations
unset FLUXPROBE_UI_DIR FLUXPROBE_DATA_DIR

failed=0 checked=0 skipped=0
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
skip() {
    echo "skipped: $*"
    skipped=$((skipped + 1))
}
# wait_for SECONDS WHAT COMMAND...: polls COMMAND every 0.1 s until it succeeds; after SECONDS it
# fails saying WHAT it waited for, and the test goes on to say what followed.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    for _ in $(seq $((seconds * 10))); do "$@" && return 0; sleep 0.1; done
    fail "gave up after $seconds s waiting for $what"
    return 1
}
more_samples() { [ "$(samples_in "$1")" -gt "$2" ]; }

# expect STATUS MESSAGE [VAR=VALUE...] -- ARGS...: runs fluxprobe with ARGS (and the variables,
# or env's -u NAME), bounded in time, and checks its exit status and that stderr holds MESSAGE
# (when one is given).
expect() {
    local status=$1 message=$2
    shift 2
    local vars=()
    while [ "$1" != "--" ]; do
        vars+=("$1")
        shift
    done
    shift
    checked=$((checked + 1))
    env "${vars[@]}" timeout 60 "$bin" "$@" >out.txt 2>err.txt
    local got=$?
    [ "$got" -eq "$status" ] || fail "$*: exit status $got, expected $status ($(tail -2 err.txt))"
    [ -z "$message" ] || grep -qF -- "$message" err.txt || fail "$*: no '$message' in: $(grep -v '^[0-9.-]*$' err.txt)"
}

samples_in() {
    [ -f "$1" ] || { echo 0; return; }
    grep -acE '^-?[0-9]+\.[0-9]{2}$' "$1"
}

header="t,x,y,z,magneticHeading,trueHeading"

# --- Replay files: the whole file is checked before the window opens.
printf 'time,x,y,z\n0,1,2,3\n' >header.csv
printf '%s\n0,1,2,3,4,5\n0.1,1,2,3,4\n' "$header" >columns.csv
printf '%s\n0,1,abc,3,4,5\n' "$header" >word.csv
printf '%s\n0,1,2,nan,4,5\n' "$header" >nan.csv
printf '%s\n0,1,2,3,inf,5\n' "$header" >inf.csv
printf '%s\n2,1,2,3,4,5\n1,1,2,3,4,5\n' "$header" >backwards.csv
: >empty.csv
mkdir -p folder.csv
expect 2 "header.csv:1: expected the header $header or $header,gx,gy,gz, found 'time,x,y,z'" -- --heading-source=replay:header.csv
expect 2 "columns.csv:3: expected 6 comma-separated numbers, found 5" -- --heading-source=replay:columns.csv
expect 2 "word.csv:2: y is not a number: 'abc'" -- --heading-source=replay:word.csv
expect 2 "nan.csv:2: z is not a finite number: nan" -- --heading-source=replay:nan.csv
expect 2 "inf.csv:2: magneticHeading is not a finite number: inf" -- --heading-source=replay:inf.csv
expect 2 "backwards.csv:3: t goes backwards: 1 after 2" -- --heading-source=replay:backwards.csv
expect 2 "empty.csv: the file is empty; expected the header $header" -- --heading-source=replay:empty.csv
expect 2 "cannot open replay file missing.csv: No such file or directory" -- --heading-source=replay:missing.csv
expect 2 "cannot read replay file folder.csv: Is a directory" -- --heading-source=replay:folder.csv
[ -e missing.csv ] && fail "a missing replay file was created"
# Endless input is refused, not read until memory runs out; a bad line stops the reading.
expect 2 "replay file /dev/zero is a character device; expected a file or a FIFO" -- --heading-source=replay:/dev/zero
expect 2 "replay file /dev/urandom is a character device; expected a file or a FIFO" -- --heading-source=replay:/dev/urandom
expect 2 ":1: line longer than 4096 bytes" -- --heading-source=replay:<(cat /dev/zero)
printf '%s\n0,1,2,3,400,5\n' "$header" >north400.csv
printf '%s\n0,1,2,3,4,-30\n' "$header" >true-30.csv
printf '%s\n0,1,2,3,4,5\n9.3e9,1,2,3,4,5\n' "$header" >gap.csv
expect 2 "north400.csv:2: magneticHeading must lie in [0, 360) degrees, found 400" -- --heading-source=replay:north400.csv
expect 2 "true-30.csv:2: trueHeading must lie in [0, 360) degrees or be -1 (unknown), found -30" -- --heading-source=replay:true-30.csv
expect 2 "gap.csv:3: t is more than 10000000 s after the first sample: 9300000000" -- --heading-source=replay:gap.csv
# A spreadsheet's byte order mark before the header is fine.
printf '\xef\xbb\xbf%s\r\n0,1,2,3,4,5\r\n' "$header" >bom.csv
expect 0 "replay of bom.csv finished after 1 samples" -- --heading-source=replay:bom.csv --quit-after=1

# As a user without the right to read it (root reads anything, so root tries as nobody).
printf '%s\n0,1,2,3,4,5\n' "$header" >secret.csv
chmod 600 secret.csv
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    if command -v setpriv >/dev/null && id nobody >/dev/null 2>&1; then
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
        chmod 755 "$work" && mkdir -m 700 -p run-nobody && chown nobody run-nobody
    fi
fi
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    checked=$((checked + 1))
    timeout 60 "${as_user[@]}" env XDG_RUNTIME_DIR="$work/run-nobody" "$bin" \
        --heading-source=replay:secret.csv >out.txt 2>err.txt
    s=$?
    [ "$s" -eq 2 ] || fail "unreadable replay file: exit status $s, expected 2"
    grep -qF "cannot open replay file secret.csv: Permission denied" err.txt ||
        fail "unreadable replay file: $(cat err.txt)"
else
    skip "unreadable replay file: no other user to run as"
fi

# A replay with a header only: the meter opens, says the replay is over, and quits cleanly.
printf '%s\n' "$header" >header-only.csv
expect 0 "replay of header-only.csv finished after 0 samples" -- \
    --heading-source=replay:header-only.csv --quit-after=1

# --- Heading sources.
expect 2 "heading source 'warp-drive': expected auto, iio[:DEVICE][,rate=HZ], replay:FILE[,speed=N|max][,start=UTC], simulated[:rate=HZ] or none" -- \
    --heading-source=warp-drive
expect 2 "heading source 'simulated:rate=0': rate must be above 0 Hz" -- --heading-source=simulated:rate=0
expect 2 "heading source 'simulated:ac=30,1': ac frequency must be below 25 Hz, half the rate" -- \
    --heading-source=simulated:ac=30,1
expect 2 "heading source 'replay:': expected a file after 'replay:'" -- --heading-source=replay:
expect 2 "no IIO magnetometer 'ak8975' under $work/no-iio; found no IIO devices" -- --heading-source=iio:ak8975
expect 2 "heading source 'iio:ak8975,fast': expected rate=HZ after the device, as in iio:ak8975,rate=20" -- --heading-source=iio:ak8975,fast
expect 0 "delivered 0 samples" -- --heading-source=auto --quit-after=1  # "No Compass!" alert

# A sysfs tree of our own: iio:device0, an ak8975 at 50 Hz.
make_device() {
    local dir=$1/iio:device0
    mkdir -p "$dir"
    echo ak8975 >"$dir/name"
    echo 50 >"$dir/in_magn_sampling_frequency"
    echo 0.003 >"$dir/in_magn_scale"
    for axis in x y z; do echo 100 >"$dir/in_magn_${axis}_raw"; done
}
make_device "$work/iio-bad"
echo 0 >"$work/iio-bad/iio:device0/in_magn_scale"
expect 2 "$work/iio-bad/iio:device0/in_magn_scale: expected a positive number, found '0'" FLUXPROBE_IIO_ROOT="$work/iio-bad" -- --heading-source=iio
# A FIFO in place of an attribute (a stuck driver blocks the same way) hangs neither the start
# nor the end of the run.
rm "$work/iio-bad/iio:device0/in_magn_scale" && mkfifo "$work/iio-bad/iio:device0/in_magn_scale"
expect 2 "cannot read $work/iio-bad/iio:device0/in_magn_scale: not a regular file" FLUXPROBE_IIO_ROOT="$work/iio-bad" -- --heading-source=iio
rm "$work/iio-bad/iio:device0/in_magn_scale"
make_device "$work/iio-fifo"
rm "$work/iio-fifo/iio:device0/in_magn_x_raw" && mkfifo "$work/iio-fifo/iio:device0/in_magn_x_raw"
expect 0 "cannot read $work/iio-fifo/iio:device0/in_magn_x_raw: not a regular file; trying again" FLUXPROBE_IIO_ROOT="$work/iio-fifo" -- --heading-source=iio --quit-after=1
echo 1e308 >"$work/iio-bad/iio:device0/in_magn_scale"
expect 2 "$work/iio-bad/iio:device0/in_magn_scale: a scale of 1e+308 makes every reading too large a number to use" FLUXPROBE_IIO_ROOT="$work/iio-bad" -- --heading-source=iio

# Unplugged while read: told once, the meter keeps its last readouts, and reads on when it is back.
make_device "$work/iio"
checked=$((checked + 1))
FLUXPROBE_IIO_ROOT=$work/iio timeout 60 "$bin" --heading-source=iio --quit-after=7 >out.txt 2>unplug.txt &
meter=$!
wait_for 10 "11 samples from the IIO sensor before unplugging it" more_samples unplug.txt 10
mv "$work/iio/iio:device0" "$work/iio/unplugged"
sleep 1.5
mv "$work/iio/unplugged" "$work/iio/iio:device0"
wait "$meter"
s=$?
[ "$s" -eq 0 ] || fail "unplugged sensor: exit status $s"
grep -qF "cannot read $work/iio/iio:device0/in_magn_x_raw: No such file or directory; trying again" unplug.txt ||
    fail "unplugged sensor: not told: $(grep -v '^[0-9.-]*$' unplug.txt)"
[ "$(grep -c 'trying again' unplug.txt)" -eq 1 ] || fail "unplugged sensor: told more than once"
grep -A1000 "the sensor reads again" unplug.txt | grep -qE '^[0-9]+\.[0-9]{2}$' ||
    fail "unplugged sensor: no samples after it came back"

# Denied: the sensor is not read, the meter says so once and stays open.
if [ "$(id -u)" -ne 0 ] || [ ${#as_user[@]} -gt 0 ]; then
    make_device "$work/iio-denied"
    chmod 755 "$work/iio-denied" "$work/iio-denied/iio:device0"
    chmod 600 "$work/iio-denied/iio:device0/in_magn_y_raw"
    chmod 644 "$work/iio-denied/iio:device0/"{name,in_magn_scale,in_magn_sampling_frequency,in_magn_x_raw,in_magn_z_raw}
    checked=$((checked + 1))
    timeout 60 "${as_user[@]}" env XDG_RUNTIME_DIR="$work/run-nobody" \
        FLUXPROBE_IIO_ROOT="$work/iio-denied" "$bin" --heading-source=iio --quit-after=2 \
        >out.txt 2>err.txt
    s=$?
    [ "$s" -eq 0 ] || fail "denied sensor: exit status $s"
    grep -qF "in_magn_y_raw: Permission denied; the sensor is not read any more" err.txt ||
        fail "denied sensor: $(cat err.txt)"
    [ "$(samples_in err.txt)" -eq 0 ] || fail "denied sensor: samples were shown"
else
    skip "denied sensor: no other user to run as"
fi

# --- Recording.
echo precious >taken.csv
expect 2 "record file taken.csv already exists; it is not overwritten" -- \
    --heading-source=simulated --record=taken.csv --quit-after=1
[ "$(cat taken.csv)" = precious ] || fail "an existing record file was changed"
expect 2 "cannot create record file no-such-folder/r.csv: No such file or directory" -- \
    --heading-source=simulated --record=no-such-folder/r.csv --quit-after=1
expect 2 "record file /dev/full already exists; it is not overwritten" -- \
    --heading-source=simulated --record=/dev/full --quit-after=1
# A source that cannot start leaves no record file behind.
expect 2 "cannot open replay file missing.csv" -- --heading-source=replay:missing.csv --record=left.csv
[ -e left.csv ] && fail "a failed start left a record file behind"

# The disk fills up while recording: told once, the meter goes on, the run fails (status 1), and
# what was recorded replays.
if unshare -m true 2>/dev/null; then
    checked=$((checked + 1))
    mkdir -p small
    unshare -m sh -c 'mount -t tmpfs -o size=16k tmpfs small && "$@"; s=$?; cp small/r.csv full.csv; exit $s' \
        sh timeout 60 "$bin" --heading-source=simulated:rate=1000 --record=small/r.csv --quit-after=2 \
        >out.txt 2>err.txt
    s=$?
    [ "$s" -eq 1 ] || fail "full disk: exit status $s, expected 1"
    grep -qF "recording to small/r.csv stopped: No space left on device (the file holds the samples up to its last good write)" err.txt ||
        fail "full disk: $(grep -v '^[0-9.-]*$' err.txt)"
    [ "$(samples_in err.txt)" -gt 100 ] || fail "full disk: the meter did not go on"
    expect 0 "replay of full.csv finished after" -- --heading-source=replay:full.csv --quit-after=0.5
else
    skip "full disk: cannot mount a small file system here"
fi

# A file size limit: the same, where the kernel would otherwise end the program.
checked=$((checked + 1))
(ulimit -f 16 && exec timeout 60 "$bin" --heading-source=simulated:rate=1000 --record=limited.csv \
    --quit-after=2 >out.txt 2>err.txt)
s=$?
[ "$s" -eq 1 ] || fail "file size limit: exit status $s, expected 1"
grep -qF "recording to limited.csv stopped: File too large" err.txt || fail "file size limit: $(grep -v '^[0-9.-]*$' err.txt)"
expect 0 "replay of limited.csv finished after" -- --heading-source=replay:limited.csv --quit-after=0.5

# Killed while recording: what reached the file replays.
checked=$((checked + 1))
# (--quit-after bounds it should the kill go astray; the program itself is killed, not a wrapper)
"$bin" --heading-source=simulated:rate=1000 --record=killed.csv --quit-after=30 >out.txt 2>killed.txt &
meter=$!
wait_for 10 "2500 samples recorded before the kill" more_samples killed.txt 2500
kill -9 "$meter"
wait "$meter" 2>/dev/null
[ -s killed.csv ] || fail "killed recording: nothing reached the file"
expect 0 "fluxprobe: delivered" -- --heading-source=replay:killed.csv --quit-after=0.5

# Ctrl+C, SIGTERM and SIGHUP while recording: a clean end, every delivered sample in the file.
# Each run logs to a file of its own, so the wait never counts the previous run's samples and
# signals a program that has not yet begun to listen.
for sig in INT TERM HUP; do
    checked=$((checked + 1))
    rm -f "signal-$sig.csv"
    set -m  # a job of its own, so that SIGINT is not ignored as in a background job
    "$bin" --heading-source=simulated:rate=1000 --record="signal-$sig.csv" --quit-after=30 >out.txt 2>"signal-$sig.txt" &
    meter=$!
    set +m
    wait_for 10 "500 samples before SIG$sig" more_samples "signal-$sig.txt" 500
    kill -"$sig" "$meter"
    wait "$meter"
    s=$?
    [ "$s" -eq 0 ] || fail "SIG$sig: exit status $s, expected 0"
    grep -qF "fluxprobe: SIG$sig: quitting; another one ends fluxprobe at once" "signal-$sig.txt" || fail "SIG$sig: not told"
    delivered=$(sed -n 's/^fluxprobe: delivered \([0-9]*\) samples$/\1/p' "signal-$sig.txt")
    recorded=$(($(wc -l <"signal-$sig.csv") - 1))
    [ -n "$delivered" ] && [ "$delivered" -eq "$recorded" ] ||
        fail "SIG$sig: delivered ${delivered:-no summary}, recorded $recorded"
done

# stderr into a pipe that nobody reads (shrunk to 4 KiB, so that 3 s at 1000 samples/s fill it
# four times over, as 30 s would the usual 64 KiB): the meter quits on time with a full recording.
checked=$((checked + 1))
rm -f stall stall.csv && mkfifo stall
exec 3<>stall  # held open, never read
perl -e 'open(my $f, ">", $ARGV[0]) or die; fcntl($f, 1031, 4096) or die' stall 2>/dev/null ||
    echo "note: cannot shrink the pipe; it is 64 KiB"
timeout 20 "$bin" --heading-source=simulated:rate=1000 --record=stall.csv --quit-after=3 >out.txt 2>stall
s=$?
exec 3>&-
[ "$s" -eq 0 ] || fail "stderr nobody reads: exit status $s, expected 0 (124: it never quit)"
[ "$(($(wc -l <stall.csv) - 1))" -gt 2000 ] || fail "stderr nobody reads: $(wc -l <stall.csv) lines recorded in 3 s at 1000/s"
# stderr closed early: the log ends, the run and its recording do not.
checked=$((checked + 1))
rm -f closed.csv
"$bin" --heading-source=simulated:rate=1000 --record=closed.csv --quit-after=2 2>&1 >out.txt | head -2 >/dev/null
s=${PIPESTATUS[0]}
[ "$s" -eq 0 ] || fail "stderr closed early: exit status $s, expected 0"
[ "$(($(wc -l <closed.csv) - 1))" -gt 1000 ] || fail "stderr closed early: $(wc -l <closed.csv) lines recorded"

# --- The beep: a missing or broken beep.wav leaves the alarm silent and the meter running.
printf '%s\n0,0,0,300,0,-1\n0.02,0,0,300,0,-1\n' "$header" >loud.csv
mkdir -p no-beep bad-beep
echo "not a sound" >bad-beep/beep.wav
expect 0 "fluxprobe: the alarm sound beep.wav could not be loaded; the alarm is silent" \
    FLUXPROBE_DATA_DIR="$work/no-beep" -- --heading-source=replay:loud.csv --quit-after=3
[ "$(samples_in err.txt)" -eq 2 ] || fail "missing beep.wav: the samples were not all shown"
[ "$(grep -c 'could not be loaded' err.txt)" -eq 1 ] || fail "missing beep.wav: told more than once"
expect 0 "fluxprobe: cannot play $work/bad-beep/beep.wav: not a WAV file" \
    FLUXPROBE_DATA_DIR="$work/bad-beep" -- --heading-source=replay:loud.csv --quit-after=1
grep -qF "the alarm is silent" err.txt || fail "broken beep.wav: the silent alarm is not told"

# No sound server at all: the alarm is silent and every sample is still shown. Finding out that
# there is no server can take a while on a slow (sanitized) build: leave room before quitting.
expect 0 "replay of loud.csv finished after 2 samples" PULSE_SERVER="unix:$work/no-server" -- \
    --heading-source=replay:loud.csv --quit-after=4
[ "$(samples_in err.txt)" -eq 2 ] || fail "no sound server: the samples were not all shown"
[ "$(grep -ciE 'pulseaudio|pa_context' err.txt)" -le 1 ] ||
    fail "no sound server: the audio failure was told more than once"

# --- Interface files.
mkdir -p ui-none ui-broken ui-outlet
cp "$resources"/*.ui ui-broken/ && cp "$resources"/*.ui ui-outlet/
head -c 300 "$resources/MainWindow.ui" >ui-broken/MainWindow.ui
sed -i 's/name="xLabel"/name="xLabelGone"/' ui-outlet/MainWindow.ui
expect 2 "interface file 'MainWindow': not found" -- --ui-dir=ui-none --heading-source=simulated
expect 2 "interface file 'MainWindow': ui-broken/MainWindow.ui:" -- --ui-dir=ui-broken --heading-source=simulated
grep -qF "Premature end of document" err.txt || fail "broken interface file: what is wrong is not said"
expect 2 "interface file 'MainWindow': outlet 'xLabel' of FluxprobeViewController is missing" -- \
    --ui-dir=ui-outlet --heading-source=simulated
expect 2 "interface file 'MainWindow': not found" FLUXPROBE_UI_DIR=ui-none -- --heading-source=simulated
# Files that are not interface files at all are refused rather than read for ever.
mkdir -p ui-fifo ui-zero ui-huge
mkfifo ui-fifo/MainWindow.ui
ln -s /dev/zero ui-zero/MainWindow.ui
head -c 1048577 /dev/zero | tr '\0' ' ' >ui-huge/MainWindow.ui
expect 2 "interface file 'MainWindow': ui-fifo/MainWindow.ui is not a regular file" -- --ui-dir=ui-fifo --heading-source=simulated
expect 2 "interface file 'MainWindow': ui-zero/MainWindow.ui is not a regular file" -- --ui-dir=ui-zero --heading-source=simulated
expect 2 "interface file 'MainWindow': ui-huge/MainWindow.ui is larger than 1 MiB; an interface file is a few kilobytes" -- --ui-dir=ui-huge --heading-source=simulated

# --- Calibration files and the calibration from a recording.
cal_head='fluxprobe calibration 1'
printf '%s\noffset 1 2\nmatrix 1 0 0 0 1 0 0 0 1\n' "$cal_head" >short.conf
printf '%s\noffset 1 2 3\nmatrix 1 0 0 0 nan 0 0 0 1\n' "$cal_head" >nan.conf
printf '%s\noffset 1 2 3\nmatrix 1 2 3 2 4 6 0 0 1\n' "$cal_head" >singular.conf
expect 2 "short.conf:2: offset needs 3 numbers, found 2" -- --heading-source=simulated --calibration=short.conf
expect 2 "nan.conf:3: matrix: nan is not a finite number" -- --heading-source=simulated --calibration=nan.conf
expect 2 "singular.conf:3: the matrix is singular" -- --heading-source=simulated --calibration=singular.conf
expect 2 "cannot open calibration file gone.conf: No such file or directory" -- \
    --heading-source=simulated --calibration=gone.conf
mkdir -p config/fluxprobe/calibration && cp short.conf config/fluxprobe/calibration/simulated.conf
expect 0 "calibration/simulated.conf:2: offset needs 3 numbers, found 2; the stored calibration is ignored" -- \
    --heading-source=simulated:offset=5,5,5 --quit-after=1
[ "$(grep -c 'stored calibration is ignored' err.txt)" -eq 1 ] || fail "a stored calibration that no longer loads: not told once"
# Files that are no calibration: never read whole, never waited on.
mkfifo fifo.conf
head -c 65537 /dev/zero | tr '\0' '#' | sed "1s/^/$cal_head\n/" >huge.conf
rm config/fluxprobe/calibration/simulated.conf
mkfifo config/fluxprobe/calibration/simulated.conf
expect 0 "calibration/simulated.conf is not a regular file; the stored calibration is ignored" -- \
    --heading-source=simulated:offset=5,5,5 --quit-after=1
[ "$(grep -c 'stored calibration is ignored' err.txt)" -eq 1 ] || fail "a stored FIFO calibration: not told once"
rm -r config
expect 2 "calibration file fifo.conf is not a regular file" -- --heading-source=simulated --calibration=fifo.conf
expect 2 "calibration file /dev/zero is not a regular file" -- --heading-source=simulated --calibration=/dev/zero
expect 2 "calibration file huge.conf is larger than 64 KiB; a calibration file is a few hundred bytes" -- \
    --heading-source=simulated --calibration=huge.conf
# Numbers no fit makes: a mirror, a lopsided or lopsided-by-a-hair matrix, an overflow, a key twice.
printf '%s\noffset 0 0 0\nmatrix 1 0.5 0 0.4 1 0 0 0 1\n' "$cal_head" >asym.conf
printf '%s\noffset 0 0 0\nmatrix -1 0 0 0 1 0 0 0 1\n' "$cal_head" >mirror.conf
printf '%s\noffset 0 0 0\nmatrix 100 0 0 0 1 0 0 0 0.01\n' "$cal_head" >lopsided.conf
printf '%s\noffset 1.7e308 0 0\nmatrix 1.5 0 0 0 1.5 0 0 0 1.5\n' "$cal_head" >overflow.conf
printf '%s\noffset 0 0 0\nmatrix 1 0 0 0 1 0 0 0 1\noffset 1 2 3\n' "$cal_head" >twice.conf
expect 2 "asym.conf:3: the matrix is not symmetric: row 1, column 2 holds 0.5 but row 2, column 1 holds 0.4" -- \
    --heading-source=simulated --calibration=asym.conf
expect 2 "mirror.conf:3: the matrix is not positive definite: it would mirror or flatten the field" -- \
    --heading-source=simulated --calibration=mirror.conf
expect 2 "lopsided.conf:3: the matrix is 10000 times stronger in one direction than in another; steel does at most 3" -- \
    --heading-source=simulated --calibration=lopsided.conf
expect 2 "overflow.conf:2: an offset of 1.7e+308 µT is too large a number to use" -- \
    --heading-source=simulated --calibration=overflow.conf
expect 2 "twice.conf:4: offset is given twice (first on line 2)" -- --heading-source=simulated --calibration=twice.conf
expect 2 "heading source 'simulated:offset=1,2': offset needs 3 numbers" -- --heading-source=simulated:offset=1,2
expect 2 "heading source 'simulated:soft=1e308,1e308,1e308': soft and the offset make a field of 10 mT too large a number to use" -- \
    --heading-source=simulated:soft=1e308,1e308,1e308 --record=soft.csv
[ -e soft.csv ] && fail "a refused distortion left a record file behind"
expect 2 "heading source 'simulated:soft=0,0,0': soft is singular" -- --heading-source=simulated:soft=0,0,0
expect 2 "heading source 'simulated:soft=-1,1,1': soft is not positive definite" -- --heading-source=simulated:soft=-1,1,1

# A device turned through every direction, next to steel (offset 40,-60,25), and one turned flat.
awk -v h="$header" 'BEGIN { print h; n = 1000; for (i = 0; i < n; i++) { z = 1 - 2 * (i + 0.5) / n;
    r = sqrt(1 - z * z); a = i * 2.399963; printf "%d,%.6f,%.6f,%.6f,0,-1\n", i,
    48 * r * cos(a) + 40, 48 * r * sin(a) - 60, 48 * z + 25 } }' >sphere.csv
awk -v h="$header" 'BEGIN { print h; for (i = 0; i < 500; i++) { a = i * 6.283185 / 500;
    printf "%d,%.6f,%.6f,-44,0,-1\n", i, -20 * sin(a), 20 * cos(a) } }' >flat.csv
checked=$((checked + 1))
timeout 60 "$bin" --calibrate --heading-source=replay:sphere.csv --calibration-out=sphere.conf >out.txt 2>err.txt ||
    fail "calibration from sphere.csv: exit status $? ($(cat err.txt))"
grep -qF "offset=40.00,-60.00,25.00 radius=48.00 residual=0.00% coverage=100% fit=ellipsoid" out.txt ||
    fail "calibration from sphere.csv: $(cat out.txt)"
expect 0 "delivered" -- --heading-source=replay:sphere.csv --calibration=sphere.conf --quit-after=1
expect 2 "calibration file sphere.conf already exists; it is not overwritten" -- \
    --calibrate --heading-source=replay:sphere.csv --calibration-out=sphere.conf
expect 1 "calibration from flat.csv refused: turned only in one plane: also tilt the device forward and sideways" -- \
    --calibrate --heading-source=replay:flat.csv --calibration-out=flat.conf
[ ! -e flat.conf ] || fail "a refused calibration left flat.conf behind"
# A recording of readings in nT (or nonsense) is told apart from one that hardly moved.
awk -v h="$header" 'BEGIN { print h; for (i = 0; i < 300; i++) printf "%d,%g,%g,%g,0,-1\n", i,
    1e200 * cos(i), 1e200 * sin(i), 1e200 * cos(3 * i) }' >huge.csv
expect 1 "calibration from huge.csv refused: the readings reach" -- \
    --calibrate --heading-source=replay:huge.csv --calibration-out=huge-out.conf
grep -qF "not a magnetic field in µT" err.txt || fail "huge.csv: $(cat err.txt)"
# A signal while a recording is read stops the fit, says so and writes nothing.
mkfifo slow.csv
# The header goes through once fluxprobe has opened the FIFO, and so has its signal handlers.
# --foreground: the signal reaches fluxprobe once, not again through its process group.
(echo "$header"; : >slow.opened; exec sleep 30) >slow.csv &
writer=$!
checked=$((checked + 1))
timeout --foreground 60 "$bin" --calibrate --heading-source=replay:slow.csv --calibration-out=slow.conf >out.txt 2>err.txt &
calibrating=$!
wait_for 30 "the slow replay file to be opened by --calibrate" test -e slow.opened
kill -TERM $calibrating
wait $calibrating
s=$?
[ "$s" -eq 1 ] || fail "SIGTERM during --calibrate: exit status $s, expected 1 ($(cat err.txt))"
grep -qF "SIGTERM: calibration from slow.csv stopped; nothing was written" err.txt ||
    fail "SIGTERM during --calibrate: $(cat err.txt)"
[ -e slow.conf ] && fail "SIGTERM during --calibrate: slow.conf was written"
kill $writer 2>/dev/null
wait $writer 2>/dev/null
expect 2 "--calibrate from a replay needs --calibration-out=FILE" -- --calibrate --heading-source=replay:sphere.csv
expect 2 "calibration file sphere.conf already exists; it is not overwritten" -- \
    --calibrate --heading-source=simulated:tumble --calibration-out=sphere.conf
expect 0 "there is no magnetometer to calibrate" -- --calibrate --heading-source=none --quit-after=1

# --- Options.
expect 2 "unknown option '--bogus'" -- --bogus
grep -qF "usage: fluxprobe" err.txt || fail "--bogus: no usage line"
expect 2 "unknown option '--recrod=a.csv' — did you mean --record=a.csv?" -- --recrod=a.csv
expect 2 "option --serve=8090: give the address too; expected ADDR:PORT, for example 127.0.0.1:8090" -- --serve=8090
# With no display at all, every option and every file named is still checked and told (Qt would
# abort without one), and the commands that open no window run.
no_display=(-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE)
while IFS='|' read -r message args; do
    # shellcheck disable=SC2086
    expect 2 "$message" "${no_display[@]}" -- $args
done <<'ROWS'
option --quit-after needs a number, got 'abc'|--quit-after=abc
option --calibration-out needs a value, as in --calibration-out=compass.conf|--calibrate --heading-source=replay:sphere.csv --calibration-out=
unknown option '--bogus'|--bogus -platform offscreen
heading source 'warp-drive': expected auto|--heading-source=warp-drive
option --serve=nowhere:80: 'nowhere' is not an IP address|--serve=nowhere:80
option --field-model needs --location=LAT,LON[,ALT_M]|--field-model
cannot open replay file gone.csv: No such file or directory|--heading-source=replay:gone.csv
header.csv:1: expected the header|--heading-source=replay:header.csv
calibration file sphere.conf already exists; it is not overwritten|--heading-source=simulated --calibration-out=sphere.conf
short.conf:2: offset needs 3 numbers, found 2|--heading-source=simulated --calibration=short.conf
record file sphere.csv already exists; it is not overwritten|--heading-source=simulated --record=sphere.csv
interface file 'MainWindow': not found|--ui-dir=ui-none --heading-source=simulated
interface file 'MainWindow': ui-broken/MainWindow.ui:|--ui-dir=ui-broken --heading-source=simulated
ROWS
expect 2 "the field model wmm2025.wmm is in none of $work/no-model" "${no_display[@]}" \
    FLUXPROBE_DATA_DIR="$work/no-model" -- --heading-source=simulated --location=52.5,13.4
# Good files and no display: Qt stops the start, and takes no record file with it.
env "${no_display[@]}" timeout 60 "$bin" --heading-source=simulated --record=nodisplay.csv >out.txt 2>err.txt
[ ! -e nodisplay.csv ] || fail "a start with no display left nodisplay.csv behind"
expect 0 "" "${no_display[@]}" -- --field-model --location=52.5,13.4 --date=2027.5
grep -q "^declination=" out.txt || fail "--field-model with no display: $(cat out.txt err.txt)"
rm -f nodisplay.conf
expect 0 "" "${no_display[@]}" -- --calibrate --heading-source=replay:sphere.csv --calibration-out=nodisplay.conf
[ -s nodisplay.conf ] || fail "--calibrate from a replay with no display wrote nothing: $(cat err.txt)"
# The paints of every view are for --stats only.
expect 0 "delivered" -- --heading-source=simulated --quit-after=0.5
grep -q "paints" err.txt && fail "a run without --stats printed: $(grep paints err.txt)"
expect 0 "fluxprobe: paints FluxprobeViewController/" -- --heading-source=simulated --quit-after=0.5 --stats
expect 2 "option --quit-after needs a number, got 'soon'" -- --quit-after=soon
expect 2 "option --quit-after needs seconds above 0 and at most 31536000 (a year), got '-1'" -- --quit-after=-1
expect 2 "option --quit-after needs seconds above 0 and at most 31536000 (a year), got '31536001'" -- --quit-after=31536001
expect 2 "option --declination needs a number without spaces around it, got '12 '" -- "--declination=12 "
expect 2 "option --declination needs a decimal number, got '0x10'" -- --declination=0x10
# Any accepted wait works: past a QTimer's int milliseconds the run neither ends at once nor warns.
checked=$((checked + 1))
timeout 3 "$bin" --heading-source=none --quit-after=4294967.296 >out.txt 2>err.txt
s=$?
[ "$s" -eq 124 ] || fail "--quit-after=4294967.296: ended by itself (status $s) instead of waiting"
grep -q QTimer err.txt && fail "--quit-after=4294967.296: $(cat err.txt)"
expect 2 "option --quit-after needs a value, as in --quit-after=3" -- --quit-after
expect 2 "option --declination needs a number, got 'east'" -- --declination=east
expect 2 "option --declination needs a number, got 'nan'" -- --declination=nan
expect 2 "option --declination must lie between -180 and 180 degrees, got '200'" -- --declination=200
expect 2 "option --record needs a value, as in --record=session.csv" -- --record
expect 0 "ignoring 'walk.csv' — did you mean --heading-source=replay:walk.csv?" -- \
    --heading-source=simulated --quit-after=0.2 walk.csv
expect 0 "ignoring '-record=a.csv' — did you mean --record=a.csv?" -- \
    --heading-source=simulated --quit-after=0.2 -record=a.csv
[ -e a.csv ] && fail "-record=a.csv: a file was written for an ignored argument"
expect 1 "could not write the screenshot no-such-folder/m.png" -- \
    --heading-source=simulated --quit-after=1 --screenshot=no-such-folder/m.png
# A link at the screenshot's path is replaced by the picture, never written through.
echo precious >victim.txt
ln -sf victim.txt shot.png
expect 0 "delivered" -- --heading-source=simulated --quit-after=1 --screenshot=shot.png
[ "$(cat victim.txt)" = precious ] || fail "--screenshot wrote through a symbolic link"
[ ! -L shot.png ] && head -c 8 shot.png | grep -q PNG || fail "--screenshot: no picture in place of the link"

# --- True north and the field model: bad places and dates stop before any window; a missing
# model stops a run that was given a location, and leaves no record file behind.
expect 2 "option --location: latitude 91 lies outside -90 to 90 degrees" -- --location=91,0
expect 2 "option --location: longitude 360 lies outside -180 to 360 degrees" -- --field-model --location=0,360
expect 2 "option --location needs LAT,LON or LAT,LON,ALT_M in degrees and metres, got 'here'" -- --location=here
expect 2 "option --location: altitude 900000 m lies outside -1000 to 850000 m, where WMM2025 holds" -- \
    --field-model --location=0,0,900000
expect 2 "option --location: altitude 900000 m lies outside" -- --heading-source=simulated --location=0,0,900000
expect 2 "option --location: altitude 850000.1 m lies outside -1000 to 850000 m" -- --field-model --location=0,0,850000.1
expect 0 "" -- --field-model "--location=52.5, 13.4" --date=2027.5  # as copied from a map
grep -q "^declination=" out.txt || fail "--location with spaces after the commas: $(cat err.txt)"
expect 2 "option --location needs LAT,LON or LAT,LON,ALT_M in degrees and metres, got '52.5 ,13.4'" -- \
    --field-model "--location=52.5 ,13.4"
expect 2 "--date=2031-01-01 lies outside 2025.0 to 2030.0, the years WMM2025 covers" -- \
    --field-model --location=0,0 --date=2031-01-01
expect 2 "option --date needs a day as YYYY-MM-DD or a decimal year such as 2027.5, got 'soon'" -- \
    --field-model --location=0,0 --date=soon
expect 2 "option --field-model needs --location=LAT,LON[,ALT_M]" -- --field-model
expect 2 "option --date goes with --field-model" -- --date=2027.5
mkdir -p no-model
expect 2 "the field model wmm2025.wmm is in none of $work/no-model" FLUXPROBE_DATA_DIR="$work/no-model" -- \
    --heading-source=simulated --location=52.5,13.4 --record=no-model.csv
[ -e no-model.csv ] && fail "a missing field model left a record file behind"
# A damaged model is refused before anything trusts it: by the query and by a run with a location.
mkdir -p damaged-model nan-model
cp "$(dirname "$bin")"/wmm2025.wmm* damaged-model/ && cp "$(dirname "$bin")"/wmm2025.wmm* nan-model/
sed -i 's/^NumModels .*/NumModels 1000000000/' damaged-model/wmm2025.wmm
printf '\0\0\0\0\0\0\xf8\x7f' | dd of=nan-model/wmm2025.wmm.cof bs=1 seek=24 conv=notrunc 2>/dev/null
expect 2 "the field model in $work/damaged-model is damaged: wmm2025.wmm: NumModels is '1000000000', expected 1" \
    FLUXPROBE_DATA_DIR="$work/damaged-model" -- --field-model --location=0,0
expect 2 "the field model in $work/nan-model is damaged: wmm2025.wmm.cof: coefficient 2 of the field is nan" \
    FLUXPROBE_DATA_DIR="$work/nan-model" -- --heading-source=simulated --location=52.5,13.4 --quit-after=1
# Near a magnetic pole the model still answers, with a caution.
expect 0 "under 2000 nT: this near a magnetic pole the declination, and so the true heading, is unreliable" -- \
    --field-model --location=86.5,160 --date=2026.0
grep -qE "^declination=-?[0-9]+\.[0-9]{4} .* model=WMM2025 caution=unreliable$" out.txt ||
    fail "near the pole: the answer is not one line with its caution: $(cat out.txt)"

# --- The remote view: an address that cannot be served stops start-up before any window.
expect 2 "option --serve=nowhere:80: 'nowhere' is not an IP address; expected ADDR:PORT" -- \
    --serve=nowhere:80 --heading-source=none
expect 2 "option --serve=127.0.0.1:99999: the port must be a number from 0 to 65535" -- \
    --serve=127.0.0.1:99999 --heading-source=none
expect 2 "option --serve-token needs 16 to 128 letters, digits" -- --serve --serve-token=short
expect 2 "option --serve-token goes with --serve" -- --serve-token=0123456789abcdef
expect 2 "cannot serve the remote view on 192.0.2.1:8090: The address is not available" -- \
    --serve=192.0.2.1:8090 --heading-source=simulated --record=unserved.csv
[ -e unserved.csv ] && fail "a start stopped by --serve left a record file behind"
expect 0 "--serve=0:0 listens on every address of this machine (0.0.0.0)" -- \
    --serve=0:0 --heading-source=none --quit-after=0.5
grep -q '?token=' out.txt || fail "--serve=0:0: no token in the URLs: $(cat out.txt)"
expect 0 "delivered 0 samples" -- --serve=[::ffff:127.0.0.1]:0 --heading-source=none --quit-after=0.5
grep -q '^fluxprobe: remote view at http://127.0.0.1:[0-9]*/$' out.txt ||
    fail "--serve=[::ffff:127.0.0.1]:0 is not served as 127.0.0.1: $(cat out.txt err.txt)"
serve_fluxprobe first.txt first.txt timeout 60 "$bin" --heading-source=none --serve=127.0.0.1:0 --quit-after=20
first=$served_pid
port=$(echo "$served_url" | sed -n 's|^http://127.0.0.1:\([0-9]*\)/$|\1|p')
if [ -n "$port" ]; then
    expect 2 "cannot serve the remote view on 127.0.0.1:$port: The bound address is already in use" \
        -- --serve=127.0.0.1:$port --heading-source=none
else
    fail "--serve=127.0.0.1:0 printed no URL: $(cat first.txt)"
fi
kill $first 2>/dev/null
wait $first 2>/dev/null

echo "bad inputs: $checked checked, $failed failures, $skipped skipped"
[ "$failed" -eq 0 ]
