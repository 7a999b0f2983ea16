#!/usr/bin/env python3
"""Prints WIDTH HEIGHT COLOURS of an 8-bit RGB or RGBA PNG: enough to tell a drawn window from a
blank or black one without an imaging library."""
import struct
import sys
import zlib


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def pixels(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        sys.exit(f"{path}: expected 8-bit RGB or RGBA, not interlaced")
    raw, stride = zlib.decompress(idat), width * channels
    previous, rows = bytearray(stride), []
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            row[i] = (row[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF
        rows.append(row)
        previous = row
    return width, height, channels, rows


width, height, channels, rows = pixels(sys.argv[1])
colours = {bytes(row[i:i + channels]) for row in rows for i in range(0, len(row), channels)}
print(width, height, len(colours))
