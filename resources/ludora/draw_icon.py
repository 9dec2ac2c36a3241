#!/usr/bin/env python3
"""Draws the program's icon (a blue tile with a white disc and a gold play mark; 48 x 48,
32 x 32 and 16 x 16, 32-bit with alpha) and writes it as an icon file: draw_icon.py OUTPUT.

The middle pixel of every size is the play mark, GOLD below, which the tests look for."""
import struct
import sys

SUB = 4  # samples per pixel side for smooth edges

TILE = (28, 86, 184)
DISC = (244, 246, 250)
GOLD = (250, 186, 36)


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


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s = (side(a, b, x, y), side(b, c, x, y), side(c, a, x, y))
        return all(v >= 0 for v in s) or all(v <= 0 for v in s)
    return inside


def shapes():
    """In a 32-unit square, later shapes over earlier ones."""
    return [(rounded_rect(0.5, 0.5, 31.5, 31.5, 7), TILE), (circle(16, 16, 12), DISC),
            (triangle((12, 8.5), (12, 23.5), (24, 16)), GOLD)]


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
    with open(sys.argv[1], "wb") as f:
        f.write(ico_bytes([48, 32, 16]))


if __name__ == "__main__":
    main()
