#!/usr/bin/env bash
# The real program publishing to a Mosquitto broker of the test's own on 127.0.0.1: the
# observatory's half hour of seconds, replayed, gives its 31 minutes on pt1m in order, none
# missing, though the broker is stopped and started again in the middle; a meter killed with
# SIGKILL is marked offline by its will; bad publishing options stop it before it starts.
# usage: publish.sh FLUXPROBE WORKDIR DATADIR
set -u
bin=$1 work=$2 data=$3
for p in mosquitto mosquitto_sub mosquitto_passwd python3; do
    if ! command -v $p >/dev/null; then
        echo "skipped: $p is not installed (Debian: mosquitto, mosquitto-clients)"
        exit 77
    fi
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
work=$(pwd)
seconds=$data/BOU20180901-first-half-vsec.sec
published=$data/BOU20180901-first-half-vmin.min
export FLUXPROBE_IIO_ROOT=$work/no-iio XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export QT_QPA_PLATFORM=offscreen FLUXPROBE_MQTT_PASSWORD='pass word'
failed=0
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; }
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mosquitto_passwd -b -c passwd meter 'pass word' >/dev/null
cat >broker.conf <<CONF
user root
allow_anonymous false
password_file $work/passwd
persistence true
persistence_location $work/
log_dest file $work/broker.log
log_type all
listener $port 127.0.0.1
CONF
broker_pid=
start_broker() {
    mosquitto -c broker.conf >/dev/null 2>&1 &
    broker_pid=$!
    pids+=($broker_pid)
    for _ in $(seq 100); do
        (echo >/dev/tcp/127.0.0.1/$port) 2>/dev/null && return 0
        sleep 0.05
    done
    fail "the broker did not start"
}
stop_broker() { kill "$broker_pid"; wait "$broker_pid" 2>/dev/null; }
# mosquitto_sub keeping its session, so it misses nothing while the broker is away.
subscribe() {
    mosquitto_sub -h 127.0.0.1 -p $port -u meter -P 'pass word' -q 1 -c -i "$1" -t "$2" -v >"$1.txt" &
    pids+=($!)
    for _ in $(seq 100); do
        grep -q "Received SUBSCRIBE from $1\$" broker.log 2>/dev/null && return 0
        sleep 0.05
    done
    fail "$1 did not subscribe"
}
start_broker

# The half hour at 120 times its pace (about 16 s), the broker away from 5 s to 9 s.
subscribe minutes 'obs/BOU/pt1m'
"$bin" --heading-source=replay:"$seconds",speed=120 --publish=mqtt://meter@127.0.0.1:$port/obs \
    --quit-after=28 >run.out 2>run.err &
run=$!
pids+=($run)
sleep 5
stop_broker
sleep 4
start_broker
wait $run || fail "the run ended with status $?"
sleep 1
grep -q "lost the connection to mqtt://127.0.0.1:$port" run.err ||
    fail "the lost broker was not told: $(grep -v '^[0-9.]*$' run.err)"
[ "$(grep -c 'trying again' run.err)" -le 2 ] || fail "every try was told: $(grep 'trying' run.err)"
grep -q "connected to mqtt://127.0.0.1:$port" run.err || fail "the broker's return was not told"
# Each startDate once (a repeat after a reconnect carries the same one), in order.
sed 's/^[^ ]* //' minutes.txt | awk -F'"' '!seen[$4]++' >firsts.txt
grep -o '"startDate":"[^"]*"' firsts.txt | cut -d'"' -f4 | sed 's/T/ /; s/Z$/.000/' >dates.txt
grep '^2' "$published" | cut -c1-23 >expected.txt
cmp -s dates.txt expected.txt ||
    fail "pt1m does not hold the 31 minutes in order: $(diff dates.txt expected.txt | head -5)"
# Their values are the station's: within 0.02 nT of the observatory's own minutes.
paste -d' ' <(sed 's/.*"x":\([^,]*\),"y":\([^,]*\),"z":\([^,]*\),"f":\([^,]*\),.*/\1 \2 \3 \4/' firsts.txt) \
    <(grep '^2' "$published" | awk '{print $4, $5, $6, $7}') | awk '
    { for (i = 1; i <= 4; i++) { d = $i - $(i + 4); if (d < 0) d = -d; if (d > 0.02 + 1e-9) bad = 1 } }
    END { exit bad }' || fail "pt1m's values are not the minutes: $(head -2 firsts.txt)"
grep -q '"startDate":"2018-09-01T23:00:00Z","x":20828.92,"y":-52.88,"z":47043.06,"f":51965.67,"units":"nT","orientation":"HDZF","code":"BOU"}' firsts.txt ||
    fail "the first minute reads $(head -1 firsts.txt)"

# With --station, the station's own minutes: to the last digit as its IAGA-2002 file has them.
subscribe station 'sta/BOU/pt1m'
"$bin" --station="$work/station" --heading-source=replay:"$seconds",speed=max \
    --publish=mqtt://meter@127.0.0.1:$port/sta >station.out 2>station.err ||
    fail "the station run ended with status $?: $(head -3 station.err)"
for _ in $(seq 100); do [ "$(wc -l <station.txt)" -ge 31 ] && break; sleep 0.05; done
minutefile=$(find station -name '*.min' | head -1)
[ -n "$minutefile" ] || fail "the station wrote no minute file"
sed 's/^[^ ]* //' station.txt | awk -F'"' '!seen[$4]++' |
    sed 's/.*"startDate":"\([^T]*\)T\([^Z]*\)Z","x":\([^,]*\),"y":\([^,]*\),"z":\([^,]*\),"f":\([^,]*\),.*/\1 \2.000 \3 \4 \5 \6/' \
    >station-published.txt
grep '^2' "$minutefile" | awk '{print $1, $2, $4, $5, $6, $7}' >station-file.txt
cmp -s station-published.txt station-file.txt ||
    fail "pt1m is not the station's file: $(diff station-published.txt station-file.txt | head -4)"
[ "$(wc -l <station-file.txt)" = 31 ] || fail "the station's file holds $(wc -l <station-file.txt) minutes"

# A meter killed outright is marked offline by the broker, from its last will.
subscribe status 'kil/KIL/status'
"$bin" --heading-source=simulated --station-info=KIL --publish=mqtt://meter@127.0.0.1:$port/kil \
    >kill.out 2>kill.err &
meter=$!
pids+=($meter)
for _ in $(seq 200); do grep -q 'online' status.txt && break; sleep 0.05; done
grep -q 'kil/KIL/status online' status.txt || fail "the meter did not say online: $(cat kill.err | head -3)"
kill -9 $meter
wait $meter 2>/dev/null
for _ in $(seq 100); do grep -q 'offline' status.txt && break; sleep 0.05; done
[ "$(tail -1 status.txt)" = "kil/KIL/status offline" ] ||
    fail "the killed meter was not marked offline: $(cat status.txt)"

# Bad publishing options: told, status 2, before anything starts.
printf 'pw\n' >readable && chmod 644 readable
refused() {  # expected-message args...
    local want=$1
    shift
    "$bin" --heading-source=simulated "$@" >refused.out 2>refused.err
    local status=$?
    [ $status = 2 ] || fail "$* ended with status $status, not 2"
    grep -qF -- "$want" refused.err || fail "$* said: $(head -2 refused.err)"
}
refused '--publish=http://h/p: unknown scheme "http"' --publish=http://h/p
refused 'no topic prefix after the host' --publish=mqtt://127.0.0.1
refused 'no password in the URL' --publish=mqtt://meter:pw@127.0.0.1/p
refused 'others than its owner can read it (mode 0644)' --publish=mqtt://meter@127.0.0.1/p \
    --publish-password-file=readable
refused '--publish-password-file=missing: No such file or directory' \
    --publish=mqtt://meter@127.0.0.1/p --publish-password-file=missing
refused 'goes with mqtts:// only' --publish=mqtt://meter@127.0.0.1/p --publish-ca=readable

[ $failed = 0 ] && echo "publishing by the real program: all checks passed"
exit $((failed > 0))
