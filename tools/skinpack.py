#!/usr/bin/env python3
"""Skin packer: writes skin files (an LZHUF-compressed archive of a description and bitmaps).

The archive (all integers little-endian): version 70000, names-text length, two reserved
zero dwords, a 69-byte version block, the names separated by CR LF, one int32 size per
entry, then the entries back to back. The skin file is the unpacked size (uint32) followed
by the LZHUF stream; with --stream an int32 length of the skin file goes first, as a
"SkinStream" property value holds it.

Usage:
  skinpack.py [--stream] -o OUT FILE...        pack files (stored under their base names)
  skinpack.py --lzh -o OUT FILE                compress one file (size dword + stream)
An argument @LIST reads further arguments, one a line, from the file LIST.
"""
import argparse
import os
import struct
import sys

WINDOW = 4096
LONGEST = 60
THRESHOLD = 2
SYMBOLS = 256 - THRESHOLD + LONGEST
NODES = 2 * SYMBOLS - 1
ROOT = NODES - 1
REBUILD = 0x8000
PREFILL = WINDOW - LONGEST
VERSION = 70000
VERSION_BLOCK = 69

# Prefix codes for the upper six bits of a match position: (bit length, count of values).
POSITION_GROUPS = [(3, 1), (4, 3), (5, 8), (6, 12), (7, 24), (8, 16)]


def position_codes():
    codes = []
    start = 0
    for bits, count in POSITION_GROUPS:
        for _ in range(count):
            codes.append((start >> (8 - bits), bits))
            start += 256 >> bits
    assert start == 256
    return codes


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, bits):
        self.acc = (self.acc << bits) | value
        self.n += bits
        while self.n >= 8:
            self.n -= 8
            self.out.append((self.acc >> self.n) & 0xFF)
        self.acc &= (1 << self.n) - 1

    def finish(self):
        if self.n:
            self.out.append((self.acc << (8 - self.n)) & 0xFF)
        self.acc = self.n = 0
        return bytes(self.out)


class AdaptiveCode:
    """The adaptive Huffman tree over literals and lengths, kept as the decoder keeps it."""

    def __init__(self):
        self.freq = [0] * (NODES + 1)
        self.parent = [0] * (NODES + SYMBOLS)
        self.child = [0] * NODES
        for s in range(SYMBOLS):
            self.freq[s] = 1
            self.child[s] = s + NODES
            self.parent[s + NODES] = s
        i = 0
        for node in range(SYMBOLS, NODES):
            self.freq[node] = self.freq[i] + self.freq[i + 1]
            self.child[node] = i
            self.parent[i] = self.parent[i + 1] = node
            i += 2
        self.freq[NODES] = 0xFFFF
        self.parent[ROOT] = 0

    def code(self, symbol):
        bits = []
        node = self.parent[symbol + NODES]
        while node != ROOT:
            up = self.parent[node]
            bits.append(node - self.child[up])
            node = up
        value = 0
        for b in reversed(bits):
            value = (value << 1) | b
        return value, len(bits)

    def rebuild(self):
        freq, child = self.freq, self.child
        leaves = [((freq[n] + 1) // 2, child[n]) for n in range(NODES) if child[n] >= NODES]
        f = [lf for lf, _ in leaves]
        c = [lc for _, lc in leaves]
        i = 0
        for node in range(SYMBOLS, NODES):
            total = f[i] + f[i + 1]
            k = node
            while k > 0 and total < f[k - 1]:
                k -= 1
            f.insert(k, total)
            c.insert(k, i)
            i += 2
        self.freq = f + [0xFFFF]
        self.child = c
        for n in range(NODES):
            ch = c[n]
            self.parent[ch] = n
            if ch < NODES:
                self.parent[ch + 1] = n

    def update(self, symbol):
        if self.freq[ROOT] == REBUILD:
            self.rebuild()
        freq, parent, child = self.freq, self.parent, self.child
        node = parent[symbol + NODES]
        while True:
            freq[node] += 1
            k = freq[node]
            if k > freq[node + 1]:
                other = node + 1
                while k > freq[other + 1]:
                    other += 1
                freq[node], freq[other] = freq[other], k
                a, b = child[node], child[other]
                parent[a] = other
                if a < NODES:
                    parent[a + 1] = other
                parent[b] = node
                if b < NODES:
                    parent[b + 1] = node
                child[node], child[other] = b, a
                node = other
            node = parent[node]
            if node == 0:
                break


def find_matches(data):
    """Greedy LZSS parse over the history (4036 spaces, then data): yields (length, distance)
    with length >= 3 and distance 1..4096, or (byte, 0) for a literal."""
    history = bytes([0x20]) * PREFILL + data
    chains = {}
    max_tries = 48
    pos = PREFILL
    end = len(history)

    def insert(p):
        if p + 3 <= end:
            chains.setdefault(history[p:p + 3], []).append(p)

    for p in range(PREFILL - LONGEST, PREFILL):
        insert(p)
    while pos < end:
        best_len, best_dist = 0, 0
        limit = min(LONGEST, end - pos)
        if limit > THRESHOLD:
            candidates = chains.get(history[pos:pos + 3], ())
            tries = 0
            for cand in reversed(candidates):
                dist = pos - cand
                if dist > WINDOW:
                    break
                n = 3
                while n < limit and history[cand + n] == history[pos + n]:
                    n += 1
                if n > best_len:
                    best_len, best_dist = n, dist
                    if n == limit:
                        break
                tries += 1
                if tries >= max_tries:
                    break
        if best_len > THRESHOLD:
            yield best_len, best_dist
            for p in range(pos, pos + best_len):
                insert(p)
            pos += best_len
        else:
            yield history[pos], 0
            insert(pos)
            pos += 1


def compress(data):
    """LZHUF stream of data (no size inside the coded bits)."""
    tree = AdaptiveCode()
    pcodes = position_codes()
    out = BitWriter()
    for value, dist in find_matches(data):
        symbol = value if dist == 0 else value - THRESHOLD - 1 + 256
        code, bits = tree.code(symbol)
        out.put(code, bits)
        tree.update(symbol)
        if dist:
            position = dist - 1
            pcode, pbits = pcodes[position >> 6]
            out.put(pcode, pbits)
            out.put(position & 0x3F, 6)
    return out.finish()


def skin_file(payload):
    return struct.pack('<I', len(payload)) + compress(payload)


def archive(entries):
    """entries: list of (name, bytes)."""
    names = '\r\n'.join(name for name, _ in entries).encode('ascii')
    out = bytearray(struct.pack('<iiii', VERSION, len(names), 0, 0))
    out += bytes(VERSION_BLOCK)
    out += names
    for _, body in entries:
        out += struct.pack('<i', len(body))
    for _, body in entries:
        out += body
    return bytes(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0], fromfile_prefix_chars='@')
    ap.add_argument('-o', '--output', required=True)
    ap.add_argument('--stream', action='store_true', help='prefix the int32 property length')
    ap.add_argument('--lzh', action='store_true', help='compress one file, no archive')
    ap.add_argument('files', nargs='+')
    args = ap.parse_args()
    if args.lzh:
        if len(args.files) != 1:
            ap.error('--lzh takes one file')
        with open(args.files[0], 'rb') as f:
            payload = f.read()
    else:
        entries = []
        for path in args.files:
            with open(path, 'rb') as f:
                entries.append((os.path.basename(path), f.read()))
        payload = archive(entries)
    result = skin_file(payload)
    if args.stream:
        result = struct.pack('<i', len(result)) + result
    with open(args.output, 'wb') as f:
        f.write(result)
    return 0


if __name__ == '__main__':
    sys.exit(main())
