#!/usr/bin/env python3
"""Draws the application icon: an orange rounded square holding a white comb of bars whose
heights follow the just ratios of a major scale, as a 1024 x 1024 RGBA PNG.

Uses only the standard library, so it runs on any machine: python3 resources/make_icon.py
Smaller sizes are rendered from the same drawing, each pixel averaging several samples of it:
python3 resources/make_icon.py icon-48.png 48
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


def averaged_pixel(x, y, scale, samples):
    """The pixel (x, y) of the drawing shrunk by scale: the mean of samples x samples points of
    it, with the colours weighted by their opacity so that the edges do not darken."""
    red = green = blue = alpha = 0
    for j in range(samples):
        for i in range(samples):
            # pixel() takes the cell whose centre is half a unit further on.
            r, g, b, a = pixel((x + (i + 0.5) / samples) * scale - 0.5,
                               (y + (j + 0.5) / samples) * scale - 0.5)
            red += r * a
            green += g * a
            blue += b * a
            alpha += a
    if alpha == 0:
        return (0, 0, 0, 0)
    count = samples * samples
    return (round(red / alpha), round(green / alpha), round(blue / alpha), round(alpha / count))


def main(path, size=SIZE):
    scale = SIZE / size
    samples = 1 if size == SIZE else 2 if size >= 256 else 4
    rows = bytearray()
    for y in range(size):
        rows.append(0)
        for x in range(size):
            rows.extend(pixel(x, y) if size == SIZE else averaged_pixel(x, y, scale, samples))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/images/icon.png",
         int(sys.argv[2]) if len(sys.argv) > 2 else SIZE)
