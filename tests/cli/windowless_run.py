#!/usr/bin/env python3
"""A run with no window (--station) needs no display: with no DISPLAY, WAYLAND_DISPLAY or
XDG_RUNTIME_DIR and a platform that would need them, it starts, serves the browser view, loads
no GUI platform plugin, says only its own lines on stderr, and leaves with status 0.

usage: windowless_run.py FLUXPROBE WORKDIR"""
import json
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.request


def fail(message):
    sys.exit("windowless run: " + message)


def main():
    program, work = sys.argv[1:3]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "station"))
    replay = os.path.join(work, "walk.csv")
    with open(replay, "w") as f:
        f.write("t,x,y,z,magneticHeading,trueHeading\n")
        f.writelines(f"{i / 10},1,{20 + i},-44,0,0\n" for i in range(5))
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR")}
    env["QT_QPA_PLATFORM"] = "xcb"  # a window would need a display here
    run = subprocess.Popen(
        [program, "--station=" + os.path.join(work, "station"), "--station-info=TST",
         "--location=52.07,-1.02", "--heading-source=replay:" + replay,
         "--serve=127.0.0.1:0", "--quit-after=4"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env, cwd=work)
    url = run.stdout.readline().strip()
    match = re.search(r"remote view at (http://\S+/)", url)
    if not match:
        run.kill()
        fail(f"no remote view announced on stdout, got {url!r}; stderr: {run.stderr.read()!r}")
    with open(f"/proc/{run.pid}/maps") as maps:
        plugins = sorted({line.split()[-1] for line in maps if "/platforms/" in line})
    if plugins:
        run.kill()
        fail(f"loaded a GUI platform: {plugins}")
    status = None
    for _ in range(40):  # the replay's five samples, then its end
        status = json.load(urllib.request.urlopen(match.group(1) + "api/v1/status", timeout=5))
        if status["signal"] == "ended":
            break
        time.sleep(0.1)
    if status["signal"] != "ended" or status["samples"] != 5:
        fail(f"/api/v1/status after the replay said {status}, expected 5 samples and 'ended'")
    # A station's dB/dt is there, null until it has two minutes.
    if "dbdt" not in status or status["dbdt"] is not None:
        fail(f"/api/v1/status of a station without minutes said {status}, expected dbdt null")
    out, err = run.communicate(timeout=30)
    if run.returncode != 0:
        fail(f"exit status {run.returncode}; stderr: {err!r}")
    strangers = [line for line in err.splitlines() if not line.startswith("fluxprobe: ")]
    if strangers:
        fail(f"stderr holds lines that are not fluxprobe's own: {strangers}")
    if "fluxprobe: delivered 5 samples" not in err:
        fail(f"stderr does not say the 5 samples were delivered: {err!r}")
    print("a run with no window needed no display and loaded no GUI platform")


if __name__ == "__main__":
    main()
