#!/usr/bin/env python3
"""Draws the upgrader windows' pictures as PNG files and writes them into their form
resources: the ask dialog's icon (32 x 32, a blue disc with a white arrow up), the password
dialog's icon (32 x 32, a padlock) and the wizard's side picture (118 x 218, a blue band
with an arrow up over a box).

Run from anywhere: python3 draw_pictures.py. Each form's "Picture.Data = { ... }" of the
named image is replaced. The tests check the solid colours named below at their points."""
import math
import os
import re
import struct
import zlib

SUB = 4  # samples per pixel side for smooth edges

BLUE = (38, 110, 200)
WHITE = (255, 255, 255)
GOLD = (224, 168, 32)
SHACKLE = (96, 96, 110)
KEYHOLE = (60, 40, 20)
BOX = (250, 200, 60)


def png_bytes(width, height, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def render(width, height, background, shapes):
    """background(x, y) -> (r, g, b, a) or None; shapes: (inside(x, y), (r, g, b)), later over earlier."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x, y = px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB
                    colour = None
                    if background:
                        colour = background(x, y)
                    for inside, c in shapes:
                        if inside(x, y):
                            colour = c + (255,)
                    if colour:
                        a = colour[3] / 255
                        acc[0] += colour[0] * a
                        acc[1] += colour[1] * a
                        acc[2] += colour[2] * a
                        acc[3] += a
            n = SUB * SUB
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(v / acc[3]) for v in acc[:3]) + (round(255 * acc[3] / n),))
        rows.append(row)
    return rows


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def ring(cx, cy, r, width, top_only):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return abs(d - r) <= width / 2 and (not top_only or y <= cy)
    return inside


def arrow_up(cx, top, head_width, head_height, shaft_width, bottom):
    return polygon([(cx, top), (cx + head_width / 2, top + head_height), (cx + shaft_width / 2, top + head_height),
                    (cx + shaft_width / 2, bottom), (cx - shaft_width / 2, bottom),
                    (cx - shaft_width / 2, top + head_height), (cx - head_width / 2, top + head_height)])


def ask_icon():
    # Solid points: (8, 16) blue, (16, 20) white.
    return render(32, 32, None, [(circle(16, 16, 15), BLUE), (arrow_up(16, 5, 16, 9, 6, 27), WHITE)])


def password_icon():
    # Solid points: (10, 24) gold, (16, 20) keyhole.
    return render(32, 32, None, [(ring(16, 14, 7, 3, True), SHACKLE), (rect(8.5, 13.5, 8.5 + 1.5, 17), SHACKLE),
                                 (rect(22, 13.5, 23.5, 17), SHACKLE), (rect(6, 16, 26, 30), GOLD),
                                 (circle(16, 20, 2.5), KEYHOLE), (rect(15, 21, 17, 26), KEYHOLE)])


def wizard_picture():
    # Opaque; solid points: (59, 100) white, (59, 170) box.
    def band(x, y):
        t = y / 218
        return (round(24 + 10 * t), round(60 + 90 * t), round(140 + 50 * t), 255)
    return render(118, 218, band, [(arrow_up(59, 40, 60, 36, 22, 136), WHITE), (rect(24, 150, 94, 190), BOX)])


FORMS = [("UpgradeMessageForm.txt", "Icon", 32, 32, ask_icon), ("PasswordForm.txt", "Image1", 32, 32, password_icon),
         ("WizardForm.txt", "Image1", 118, 218, wizard_picture)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, image, width, height, draw in FORMS:
        data = png_bytes(width, height, draw()).hex().upper()
        path = os.path.join(here, name)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        # The image's first line of properties, then its picture if it has one already.
        block = re.compile(r"(TImage %s \{\n( *)[^\n]*\n)( *Picture\.Data = \{\n.*?\n *\}\n)?" % image, re.S)

        def put(m):
            indent = m.group(2)
            lines = "\n".join(indent + "  " + data[i:i + 96] for i in range(0, len(data), 96))
            return m.group(1) + "%sPicture.Data = {\n%s\n%s}\n" % (indent, lines, indent)
        text, count = block.subn(put, text, count=1)
        if count != 1:
            raise SystemExit("%s: no TImage %s" % (name, image))
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
