#!/usr/bin/env python3
"""Draws the program's icon (a blue tile with a white disc and a gold play mark; 48 x 48,
32 x 32 and 16 x 16, 32-bit with alpha) and writes it as an icon file: draw_icon.py OUTPUT.

The middle pixel of every size is the play mark, GOLD below, which the tests look for."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from icon_art import circle, ico_bytes, rounded_rect  # noqa: E402

TILE = (28, 86, 184)
DISC = (244, 246, 250)
GOLD = (250, 186, 36)


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


def main():
    with open(sys.argv[1], "wb") as f:
        f.write(ico_bytes(shapes(), [48, 32, 16]))


if __name__ == "__main__":
    main()
