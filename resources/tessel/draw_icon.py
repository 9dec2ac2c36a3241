#!/usr/bin/env python3
"""Draws the player window's icon (an orange tile with a game pad, 32 x 32 and 16 x 16,
32-bit with alpha) and writes it into PlayForm.txt as the form's "Icon.Data = { ... }".

Run from anywhere: python3 draw_icon.py. The middle of the 32 x 32 image is the pad's body,
PAD below, which the tests look for."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from icon_art import circle, ico_bytes, rounded_rect  # noqa: E402

TILE = (232, 96, 40)
PAD = (48, 64, 96)
LIGHT = (240, 240, 240)
RED = (230, 70, 60)
GREEN = (60, 170, 80)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def shapes():
    """In a 32-unit square."""
    return [(rounded_rect(0.5, 0.5, 31.5, 31.5, 6), TILE), (rounded_rect(3, 10, 29, 24, 5), PAD),
            (rect(6, 15.5, 13, 18.5), LIGHT), (rect(8, 13.5, 11, 20.5), LIGHT),
            (circle(22, 14.5, 1.8), RED), (circle(25, 19, 1.8), GREEN)]


def main():
    data = ico_bytes(shapes(), [32, 16]).hex().upper()
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
