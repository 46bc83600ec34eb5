#!/usr/bin/env python3
"""Draws the application icon: an orange rounded square holding a white comb of bars whose
heights follow the just ratios of a major scale, as a 1024 x 1024 RGBA PNG.

Uses only the standard library, so it runs on any machine: python3 resources/make_icon.py
"""
import math
import struct
import sys
import zlib

SIZE = 1024
RADIUS = 200
MARGIN = 40
RATIOS = [1, 9 / 8, 5 / 4, 4 / 3, 3 / 2, 5 / 3, 15 / 8, 2]


def inside_rounded_square(x, y):
    lo, hi = MARGIN, SIZE - MARGIN
    if not (lo <= x < hi and lo <= y < hi):
        return 0.0
    cx = min(max(x, lo + RADIUS), hi - RADIUS)
    cy = min(max(y, lo + RADIUS), hi - RADIUS)
    distance = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
    return max(0.0, min(1.0, RADIUS - distance + 0.5))


def bar_at(x, y):
    bars = len(RATIOS)
    left, right = 190, SIZE - 190
    width = (right - left) / bars
    index = int((x - left) // width) if left <= x < right else -1
    if index < 0:
        return False
    within = (x - left) - index * width
    if within < width * 0.22 or within > width * 0.78:
        return False
    height = 180 + 440 * math.log2(RATIOS[index])
    bottom = 800
    return bottom - height <= y < bottom


def pixel(x, y):
    coverage = inside_rounded_square(x, y)
    if coverage == 0.0:
        return (0, 0, 0, 0)
    if bar_at(x, y):
        return (255, 255, 255, int(255 * coverage))
    shade = y / SIZE
    red = 255
    green = int(150 - 60 * shade)
    blue = int(30 - 30 * shade)
    return (red, green, blue, int(255 * coverage))


def main(path):
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)
        for x in range(SIZE):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/images/icon.png")
