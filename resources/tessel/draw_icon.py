#!/usr/bin/env python3
"""Draws the player window's icon (an orange tile with a game pad, 32 x 32 and 16 x 16,
32-bit with alpha) and writes it into PlayForm.txt as the form's "Icon.Data = { ... }".

Run from anywhere: python3 draw_icon.py. The middle of the 32 x 32 image is the pad's body,
PAD below, which the tests look for."""
import os
import re
import struct

SUB = 4  # samples per pixel side for smooth edges

TILE = (232, 96, 40)
PAD = (48, 64, 96)
LIGHT = (240, 240, 240)
RED = (230, 70, 60)
GREEN = (60, 170, 80)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def shapes():
    """In a 32-unit square."""
    return [(rounded_rect(0.5, 0.5, 31.5, 31.5, 6), TILE), (rounded_rect(3, 10, 29, 24, 5), PAD),
            (rect(6, 15.5, 13, 18.5), LIGHT), (rect(8, 13.5, 11, 20.5), LIGHT),
            (circle(22, 14.5, 1.8), RED), (circle(25, 19, 1.8), GREEN)]


def render(size):
    scale = 32 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x, y = (px + (sx + 0.5) / SUB) * scale, (py + (sy + 0.5) / SUB) * scale
                    colour = None
                    for inside, c in shapes():
                        if inside(x, y):
                            colour = c
                    if colour:
                        acc = [acc[0] + colour[0], acc[1] + colour[1], acc[2] + colour[2], acc[3] + 1]
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(v / acc[3]) for v in acc[:3]) + (round(255 * acc[3] / SUB / SUB),))
        rows.append(row)
    return rows


def ico_bytes(sizes):
    images = []
    for size in sizes:
        pixels = render(size)
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for r, g, b, a in row)
        stride = (size + 31) // 32 * 4
        mask = b""
        for row in reversed(pixels):
            bits = bytearray(stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        images.append((size, header + colour + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    data = ico_bytes([32, 16]).hex().upper()
    lines = "\n".join("    " + data[i:i + 96] for i in range(0, len(data), 96))
    icon = "  Icon.Data = {\n%s\n  }\n" % lines
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "PlayForm.txt")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if re.search(r"\n  Icon\.Data = \{\n", text):
        text = re.sub(r"  Icon\.Data = \{\n.*?\n  \}\n", lambda m: icon, text, count=1, flags=re.S)
    else:
        text = text.replace("  Position = poMainFormCenter\n", "  Position = poMainFormCenter\n" + icon, 1)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
