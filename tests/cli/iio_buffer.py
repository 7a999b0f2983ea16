#!/usr/bin/env python3
"""Runs the real program on a sysfs tree shaped like an ST magnetometer's, with a FIFO for its
device node fed with scans 12.5 ms apart by the kernel's clock, records what it shows and ends it
with SIGTERM. Every recorded sample must be its scan's raw x scale on all three axes, t must step
by exactly 12.5 ms, and the device must be left as it was found.

usage: iio_buffer.py FLUXPROBE WORKDIR"""

import os
import shutil
import signal
import struct
import subprocess
import sys
import time

SCALE = 0.000146
PERIOD_NS = 12_500_000
SCANS = 160

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def put(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text + "\n")


def get(path):
    with open(path) as f:
        return f.read().strip()


def snapshot(root):
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            found[os.path.join(folder, name)] = get(os.path.join(folder, name))
    return found


def make_tree(work):
    sys_root, dev = os.path.join(work, "sys"), os.path.join(work, "dev")
    device = os.path.join(sys_root, "iio:device0")
    put(os.path.join(device, "name"), "lis3mdl")
    put(os.path.join(device, "in_magn_scale"), str(SCALE))
    put(os.path.join(device, "in_magn_sampling_frequency"), "1.000000")
    put(os.path.join(device, "in_magn_sampling_frequency_available"), "0.625 1.25 2.5 5 10 20 40 80")
    for i, axis in enumerate("xyz"):
        put(os.path.join(device, f"in_magn_{axis}_raw"), "0")
        for suffix, value in (("en", "0"), ("index", str(i)), ("type", "le:s16/16>>0")):
            put(os.path.join(device, "scan_elements", f"in_magn_{axis}_{suffix}"), value)
    for suffix, value in (("en", "0"), ("index", "3"), ("type", "le:s64/64>>0")):
        put(os.path.join(device, "scan_elements", f"in_timestamp_{suffix}"), value)
    for name, value in (("enable", "0"), ("length", "2"), ("watermark", "1")):
        put(os.path.join(device, "buffer", name), value)
    put(os.path.join(device, "trigger", "current_trigger"), "")
    put(os.path.join(sys_root, "trigger0", "name"), "lis3mdl-trigger")
    os.makedirs(dev)
    os.mkfifo(os.path.join(dev, "iio:device0"))
    return sys_root, dev, device


def raw(n):
    return (n * 97 - 7000, 5000 - n * 61, (n % 7) * -1200 + 300)


def main():
    binary, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    sys_root, dev, device = make_tree(work)
    before = snapshot(sys_root)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", FLUXPROBE_IIO_ROOT=sys_root,
               FLUXPROBE_IIO_DEV=dev, XDG_CONFIG_HOME=os.path.join(work, "config"))
    record = os.path.join(work, "record.csv")
    err = open(os.path.join(work, "stderr.txt"), "w+")
    meter = subprocess.Popen([binary, "--heading-source=iio", "--record=" + record,
                              "--quit-after=120"], env=env, stdout=subprocess.DEVNULL, stderr=err)
    node = os.path.join(dev, "iio:device0")
    writer = None
    for _ in range(600):  # the FIFO opens for writing once the meter has it open for reading
        try:
            writer = os.open(node, os.O_WRONLY | os.O_NONBLOCK)
            break
        except OSError:
            time.sleep(0.05)
    if writer is None:
        meter.kill()
        print("FAIL: the meter never opened", node)
        return 1
    os.set_blocking(writer, True)
    check(get(os.path.join(device, "trigger/current_trigger")) == "lis3mdl-trigger",
          "the device's own trigger is set")
    check(get(os.path.join(device, "in_magn_sampling_frequency")) == "80",
          "the sampling frequency is raised from 1 Hz to 80 Hz")
    check(get(os.path.join(device, "buffer/enable")) == "1", "the buffer is enabled")
    t0 = 1_733_650_000_000_000_000
    for n in range(SCANS):
        os.write(writer, struct.pack("<hhhxxq", *raw(n), t0 + n * PERIOD_NS))
        time.sleep(PERIOD_NS / 1e9)
    time.sleep(0.5)
    meter.send_signal(signal.SIGTERM)
    status = meter.wait(timeout=60)
    os.close(writer)
    err.seek(0)
    log = err.read()
    check(status == 0, f"exit status {status}")
    check("reading lis3mdl through its buffer at 80 Hz (trigger lis3mdl-trigger)" in log,
          "says how the device is read")

    with open(record) as f:
        rows = [line.strip().split(",") for line in f.readlines()[1:] if line.strip()]
    check(len(rows) == SCANS, f"{len(rows)} samples recorded, {SCANS} scans sent")
    for n, row in enumerate(rows[:SCANS]):
        t, x, y, z = (float(v) for v in row[:4])
        want = [r * SCALE * 100 for r in raw(n)]
        if [x, y, z] != want:
            check(False, f"sample {n}: {x},{y},{z} is not raw x scale {want}")
            break
        if round(t * 1e9) != n * PERIOD_NS:
            check(False, f"sample {n}: t={t!r}, expected {n * PERIOD_NS / 1e9}")
            break
    check(snapshot(sys_root) == before, "the device is left as it was found (buffer disabled)")
    if failures:
        print(log)
        return 1
    print(f"{len(rows)} samples equal raw x scale, t steps by 12.5 ms, the device is put back")
    return 0


if __name__ == "__main__":
    sys.exit(main())
