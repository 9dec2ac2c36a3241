#!/usr/bin/env python3
"""Draws the main window's five 16x16 status-bar images as PNG files with alpha, and
prints the ilMain component for resources/ludora/MainForm.txt.

Run from this folder: python3 draw.py, and put what it prints in MainForm.txt.
Images: 0 star, 1 speaker with sound, 2 game pad, 3 heart, 4 speaker muted."""
import math
import struct
import zlib

SIZE = 16
SUB = 4  # samples per pixel side for smooth edges


def png_bytes(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def render(shapes):
    """shapes: list of (inside(x, y) -> bool, (r, g, b)); later shapes paint over earlier."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    colour = None
                    for inside, c in shapes:
                        if inside(x, y):
                            colour = c
                    if colour:
                        acc[0] += colour[0]; acc[1] += colour[1]; acc[2] += colour[2]; acc[3] += 1
            n = SUB * SUB
            a = acc[3] / n
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def polygon(points):
    def inside(x, y):
        hit = False
        for i in range(len(points)):
            (x1, y1), (x2, y2) = points[i], points[i - 1]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                hit = not hit
        return hit
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def arc(cx, cy, r, width, start, end):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        angle = math.degrees(math.atan2(y - cy, x - cx))
        return abs(d - r) <= width / 2 and start <= angle <= end
    return inside


def segment(x1, y1, x2, y2, width):
    def inside(x, y):
        dx, dy = x2 - x1, y2 - y1
        t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)) <= width / 2
    return inside


def rounded_rect(l, t, r, b, radius):
    def inside(x, y):
        cx = min(max(x, l + radius), r - radius)
        cy = min(max(y, t + radius), b - radius)
        return l <= x <= r and t <= y <= b and math.hypot(x - cx, y - cy) <= radius
    return inside


DARK = (48, 64, 96)
SPEAKER = [(polygon([(2, 6), (5, 6), (9, 2.5), (9, 13.5), (5, 10), (2, 10)]), DARK)]
STAR = [(polygon([(8 + 7 * math.cos(math.radians(-90 + 36 * i)) * (1 if i % 2 == 0 else 0.42),
                   8.5 + 7 * math.sin(math.radians(-90 + 36 * i)) * (1 if i % 2 == 0 else 0.42)) for i in range(10)]),
         (236, 172, 32))]
SOUND = SPEAKER + [(arc(9, 8, 2.6, 1.3, -50, 50), (40, 120, 200)), (arc(9, 8, 5.2, 1.3, -55, 55), (40, 120, 200))]
PAD = [(rounded_rect(0.5, 4, 15.5, 12.5, 3.5), (70, 80, 100)),
       (segment(4.5, 6.5, 4.5, 10, 1.4), (240, 240, 240)), (segment(2.75, 8.25, 6.25, 8.25, 1.4), (240, 240, 240)),
       (circle(11, 7, 1.1), (230, 70, 60)), (circle(12.6, 9.4, 1.1), (60, 170, 80))]
HEART = [(circle(5, 6, 3.4), (220, 50, 70)), (circle(11, 6, 3.4), (220, 50, 70)),
         (polygon([(1.9, 7.4), (14.1, 7.4), (8, 14)]), (220, 50, 70))]
MUTED = SPEAKER + [(segment(10.5, 5.5, 15, 10.5, 1.5), (200, 40, 40)), (segment(15, 5.5, 10.5, 10.5, 1.5), (200, 40, 40))]

IMAGES = [("PngImage1", STAR), ("PngImage3", SOUND), ("PngImage3", PAD), ("PngImage5", HEART), ("PngImage7", MUTED)]


def main():
    print("  TAlphaImageList ilMain {")
    print("    Width = 16")
    print("    Height = 16")
    print("    PngImages = <")
    for index, (name, shapes) in enumerate(IMAGES):
        data = png_bytes(render(shapes))
        with open("image%d.png" % index, "wb") as f:
            f.write(data)
        print("      { PngImage.Data = {%s}" % data.hex().upper())
        print('        Name = "%s" Background = clWindow }' % name)
    print("    >")
    print("  }")


if __name__ == "__main__":
    main()
