#!/usr/bin/env bash
# The station's systemd unit passes systemd-analyze verify, with its ExecStart pointed at the
# program this build made, and keeps the options that make it a hardened unattended service.
#   check_station_unit.sh UNIT FLUXPROBE
set -u
unit=$1 program=$2
if ! command -v systemd-analyze >/dev/null; then
  echo "systemd-analyze is not installed; the unit is not checked"
  exit 77
fi
status=0
for option in 'DynamicUser=yes' 'StateDirectory=fluxprobe-station' 'Restart=on-failure' \
    'ProtectSystem=strict' 'NoNewPrivileges=yes' 'KillSignal=SIGTERM' 'WantedBy=multi-user.target'; do
  grep -qx "$option" "$unit" || { echo "$unit lacks $option"; status=1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed "s|^ExecStart=/usr/bin/fluxprobe |ExecStart=$program |" "$unit" >"$work/fluxprobe-station.service"
grep -q "^ExecStart=$program " "$work/fluxprobe-station.service" || { echo "no ExecStart of /usr/bin/fluxprobe"; exit 1; }
out=$(SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$work/fluxprobe-station.service" 2>&1)
rc=$?
# Without a running systemd (a container) verify cannot load its own units; that says nothing
# about ours.
if echo "$out" | grep -qiE "Failed to (connect|initialize)|System has not been booted"; then
  echo "systemd-analyze cannot run here: $out"
  exit 77
fi
if [ $rc -ne 0 ] || echo "$out" | grep -q "fluxprobe-station.service"; then
  echo "systemd-analyze verify found problems:"
  echo "$out"
  status=1
fi
[ $status -eq 0 ] && echo "the station unit verifies"
exit $status
