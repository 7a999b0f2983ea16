#!/usr/bin/env bash
# Checks that the alarm is heard: fluxprobe plays into a private PulseAudio server whose only
# sink is a null sink, the sink's monitor is recorded, and sox measures what came out.
# usage: beep_test.sh FLUXPROBE WORKDIR
# Exit status 77 (skipped) only where no PulseAudio server can be started here.
set -u
bin=$1
work=$2
skip() {
    echo "SKIP: $*"
    exit 77
}
for tool in pulseaudio pactl parec sox od awk timeout; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
work=$(pwd)

# Everything the server and its clients keep goes under WORKDIR: no user session, no fixed port.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config
export PULSE_RUNTIME_PATH=$work/run/pulse PULSE_STATE_PATH=$work/home/state
mkdir -p "$HOME" "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" && chmod 700 "$XDG_RUNTIME_DIR"
printf 'autospawn = no\n' >client.conf
export PULSE_CLIENTCONFIG=$work/client.conf
export PULSE_SERVER=unix:$work/native
export QT_QPA_PLATFORM=offscreen
unset FLUXPROBE_DATA_DIR  # the beep is found as an installed program finds it

server=""
recorder=""
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
    if [ -n "$server" ]; then
        kill "$server" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$server" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# -n: no default.pa, so nothing but these modules (no real card, no X11, no D-Bus).
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --disable-shm=yes --log-target=file:"$work/pulseaudio.log" \
    -L "module-null-sink sink_name=fluxprobe_null rate=44100 channels=1" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/native" &
server=$!
ready=0
for _ in $(seq 100); do
    if timeout 5 pactl info >/dev/null 2>&1; then
        ready=1
        break
    fi
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
done
if [ "$ready" -ne 1 ]; then
    cat "$work/pulseaudio.log" 2>/dev/null
    skip "PulseAudio could not be started here"
fi
timeout 5 pactl set-default-sink fluxprobe_null >/dev/null 2>&1

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# A replay file at 50 samples a second: total field FIELD (along z) from FROM to TO seconds,
# 40 µT elsewhere, LENGTH seconds in all.
replay() {
    awk -v length_s="$2" -v from="$3" -v to="$4" -v field="$5" 'BEGIN {
        print "t,x,y,z,magneticHeading,trueHeading"
        for (i = 0; i <= length_s * 50; i++) {
            t = i / 50
            z = (t >= from && t < to) ? field : 40
            printf "%.2f,0,0,%s,0,-1\n", t, z
        }
    }' >"$1"
}

# Records the sink while fluxprobe replays FILE for SECONDS, into NAME.raw (s16le mono 44.1 kHz).
record_run() {
    local name=$1 file=$2 seconds=$3
    parec --raw --format=s16le --rate=44100 --channels=1 --latency-msec=20 \
        -d fluxprobe_null.monitor >"$name.raw" 2>"$name.parec.txt" &
    recorder=$!
    sleep 0.5  # the recording stream is up before the first sample
    timeout $((seconds + 30)) "$bin" --heading-source="replay:$file" --quit-after="$seconds" \
        >"$name.out.txt" 2>"$name.err.txt"
    local status=$?
    sleep 0.5  # the tail of the last beep reaches the monitor
    kill "$recorder" 2>/dev/null
    wait "$recorder" 2>/dev/null
    recorder=""
    [ "$status" -eq 0 ] || fail "$name: fluxprobe exited with $status: $(tail -3 "$name.err.txt")"
    grep -q "beep.wav could not be loaded" "$name.err.txt" && fail "$name: beep.wav not found"
    # A run that played sound leaves without the audio engine's teardown: its log is still whole.
    tail -1 "$name.err.txt" | grep -q "^fluxprobe: delivered" || fail "$name: the log lost its end"
    [ -s "$name.raw" ] || fail "$name: nothing was recorded from the sink"
}

# Peak of the recording, 0 to 1, as sox measures it.
peak() {
    sox -t raw -r 44100 -e signed -b 16 -c 1 "$1.raw" -n stat 2>&1 |
        awk '/^Maximum amplitude/ { print $3 }'
}

# Bursts of sound in the recording, in 10 ms windows: "COUNT LONGEST_MS TOTAL_MS".
bursts() {
    od -An -v -t d2 -w2 "$1.raw" | awk '
        function close_window() {
            loud = peak > 1000
            if (loud && !inburst) { count++; start = w }
            if (loud) total += 10
            if (!loud && inburst && (w - start) * 10 > longest) longest = (w - start) * 10
            inburst = loud; w++; peak = 0; n = 0
        }
        { v = $1 < 0 ? -$1 : $1; if (v > peak) peak = v; if (++n == 441) close_window() }
        END {
            if (inburst && (w - start) * 10 > longest) longest = (w - start) * 10
            print count + 0, longest + 0, total + 0
        }'
}

# A magnet held near for two seconds: 300 µT, well above the starting threshold of 100 µT. It
# comes once the window is up, so that the samples arrive one by one, as a sensor gives them.
replay above.csv 5 2 4 300
record_run above above.csv 6
p=$(peak above)
read -r count longest total <<<"$(bursts above)"
echo "above the threshold: peak $p, $count burst(s), ${total} ms in all, longest ${longest} ms"
awk -v p="${p:-0}" 'BEGIN { exit !(p > 0.1) }' || fail "above the threshold the sink stayed quiet (peak ${p:-none})"
[ "${total:-0}" -ge 1500 ] || fail "two seconds above the threshold sounded for only ${total:-0} ms"
[ "${longest:-0}" -ge 1000 ] || fail "a run of samples above the threshold sounded in pieces (longest ${longest:-0} ms)"
above_lines=$(grep -cE '^-?[0-9]+\.[0-9]{2}$' above.err.txt)
[ "$above_lines" -gt 100 ] || fail "only $above_lines samples were processed"

# The field stays below the threshold (90 µT): not a sound.
replay below.csv 5 2 4 90
record_run below below.csv 6
p=$(peak below)
echo "below the threshold: peak $p"
awk -v p="${p:-1}" 'BEGIN { exit !(p < 0.001) }' || fail "below the threshold the sink was not silent (peak ${p:-none})"

# One sample above the threshold, the very first of the run: that one beep is heard whole.
replay first.csv 2 0 0.01 300
record_run first first.csv 3
read -r count longest _ <<<"$(bursts first)"
echo "one sample above, the first: $count burst(s), longest ${longest} ms"
[ "${count:-0}" -eq 1 ] || fail "one sample above the threshold gave ${count:-0} beeps, expected 1"
[ "${longest:-0}" -ge 90 ] || fail "the first beep sounded for ${longest:-0} ms of its 120 ms"

# Three lone samples above, 0.6 s apart: three beeps, none swallowed.
awk 'BEGIN {
    print "t,x,y,z,magneticHeading,trueHeading"
    for (i = 0; i <= 125; i++) {
        t = i / 50
        z = (i == 25 || i == 55 || i == 85) ? 300 : 40
        printf "%.2f,0,0,%s,0,-1\n", t, z
    }
}' >three.csv
record_run three three.csv 4
read -r count longest _ <<<"$(bursts three)"
echo "three lone samples above: $count burst(s)"
[ "${count:-0}" -eq 3 ] || fail "three samples above the threshold gave ${count:-0} beeps, expected 3"

if [ "$failed" -ne 0 ]; then
    echo "--- pulseaudio log"
    tail -20 "$work/pulseaudio.log" 2>/dev/null
    exit 1
fi
echo "the alarm sounds above the threshold and only there"
