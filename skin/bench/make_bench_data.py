#!/usr/bin/env python3
"""Writes OUT.raw (about 3 MiB of mixed data: prose-like text, 24-bit bitmap rows with
flat areas and gradients, and random bytes) and OUT.lzh, packed by tools/skinpack.py."""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
import skinpack  # noqa: E402


def mixed(rng):
    words = ('game box portal skin window border caption button scroll thumb track menu '
             'status progress player catalogue favourite upgrade download install').split()
    text = ' '.join(rng.choice(words) for _ in range(180000)).encode('ascii')[:1 << 20]
    rows = bytearray()
    while len(rows) < 1 << 20:
        width = rng.randrange(16, 400)
        base = [rng.randrange(256) for _ in range(3)]
        for x in range(width):
            if x < width // 3:
                rows += bytes((255, 0, 255))
            else:
                rows += bytes(((c + x) & 0xFF) for c in base)
    noise = bytes(rng.getrandbits(8) for _ in range(1 << 20))
    return text + bytes(rows[:1 << 20]) + noise


def main():
    out = sys.argv[1]
    raw = mixed(random.Random(2026))
    with open(out + '.raw', 'wb') as f:
        f.write(raw)
    with open(out + '.lzh', 'wb') as f:
        f.write(skinpack.skin_file(raw))


if __name__ == '__main__':
    main()
