#!/usr/bin/env python3
"""Draws the about window's 410 x 162 picture and writes the about form resource with it:
make_about.py TEMPLATE OUTPUT. The template's @PICTURE@ becomes the PNG file in hexadecimal."""
import math
import struct
import sys
import zlib

W, H = 410, 162


def pixel(x, y):
    # A deep blue-to-teal band with soft circles: a calm backdrop for the box's name.
    t = x / (W - 1)
    r, g, b = 18 + 20 * t, 52 + 90 * t, 110 + 60 * t
    for cx, cy, rad, tint in ((70, 80, 46, (255, 196, 60)), (150, 60, 22, (255, 120, 90)),
                              (330, 110, 60, (120, 220, 255))):
        d = math.hypot(x - cx, y - cy)
        if d < rad:
            a = 0.55 * (1 - d / rad) ** 0.5
            r, g, b = (r * (1 - a) + tint[0] * a, g * (1 - a) + tint[1] * a, b * (1 - a) + tint[2] * a)
    if 120 <= y < 124:  # a thin light rule under the title area
        r, g, b = (r + 255) / 2, (g + 255) / 2, (b + 255) / 2
    return bytes((int(r), int(g), int(b)))


def png():
    rows = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(W)) for y in range(H))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    template, output = sys.argv[1:3]
    data = png().hex().upper()
    lines = "\n      ".join(data[i:i + 96] for i in range(0, len(data), 96))
    with open(template, encoding="utf-8") as f:
        text = f.read().replace("@PICTURE@", lines)
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
