#!/usr/bin/env python3
"""Writes the skin tests' fixtures into OUTDIR, compressed with tools/skinpack.py:
lzh/NAME.raw with lzh/NAME.lzh (size dword + stream), and container cases
containers/NAME.skin whose expected outcomes the container tests list by NAME."""
import os
import random
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools'))
import skinpack  # noqa: E402

BLOCKS = {20000: 0, 30000: 256, 40000: 80, 50000: 48, 60000: 117, 70000: 69}


def image(names, bodies, version=70000, sizes=None, names_len=None, tail=b''):
    """An unpacked container image; sizes and names_len may lie about the contents."""
    text = names.encode('latin-1')
    out = struct.pack('<iiii', version, len(text) if names_len is None else names_len, 0, 0)
    out += bytes(BLOCKS.get(version, 0)) + text
    for s in (sizes if sizes is not None else [len(b) for b in bodies]):
        out += struct.pack('<i', s)
    return out + b''.join(bodies) + tail


def lzh_cases(rng):
    words = b'skin border title button progress scroll thumb menu track tab '
    text = b''.join(rng.choice(words.split()) + b' ' for _ in range(4000))
    noise = bytes(rng.getrandbits(8) for _ in range(48000))
    return {
        'literals': bytes(range(256)) + bytes(range(255, -1, -1)),
        'overlap': b'a' * 500 + b'abc' * 300 + b'xy' * 61 + b'z',
        'prefill': b'        ' + b'indented' + b' ' * 70 + b'end',
        'rebuild': noise + text,
        'single': b'Q',
    }


def container_cases():
    body = {'ini': b'[Personality]\r\nTop=top.bmp\r\n', 'a': b'AAA'}
    cases = {
        'basic': image('Skin.INI\r\nA.Bmp\r\nempty.bmp\r\ndup.bmp\r\ndup.bmp',
                       [body['ini'], body['a'], b'', b'first', b'second']),
        'trailing_break': image('a.bmp\r\nb.ini\r\n', [b'1', b'22']),
        'empty_line_lf': image('a\n\nb', [b'1', b'', b'333']),
        'lone_cr_nul': image('x.ini\ry.bmp\x00ignored', [b'ini', b'bmp']),
        'max_entries': image('\r\n'.join('e%d' % i for i in range(1001)), [b''] * 1001),
        'too_many': image('\r\n'.join('e%d' % i for i in range(1002)), [b''] * 1002),
        'negative_size': image('a\r\nb', [b'xy', b'z'], sizes=[-2, 5]),
        'overrun': image('a\r\nb', [b'xy', b'z'], sizes=[2, 5]),
        'names_past_end': image('a', [b'x'], names_len=4000),
        'sizes_past_end': image('a\r\nb\r\nc', [], sizes=[]),
        'short_header': b'\x70\x11\x01\x00\x05',
        'unknown_version': image('a.ini', [b'x'], version=10000),
    }
    for version in BLOCKS:
        cases['v%d' % version] = image('d.ini', [b'version %d' % version], version=version)
    return cases


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, 'lzh'), exist_ok=True)
    os.makedirs(os.path.join(out, 'containers'), exist_ok=True)
    for name, raw in lzh_cases(random.Random(6)).items():
        with open(os.path.join(out, 'lzh', name + '.raw'), 'wb') as f:
            f.write(raw)
        with open(os.path.join(out, 'lzh', name + '.lzh'), 'wb') as f:
            f.write(skinpack.skin_file(raw))
    for name, img in container_cases().items():
        with open(os.path.join(out, 'containers', name + '.skin'), 'wb') as f:
            f.write(skinpack.skin_file(img))
    # Claims 2 GiB unpacked with a tiny stream: refused before decoding.
    with open(os.path.join(out, 'containers', 'huge_size.skin'), 'wb') as f:
        f.write(struct.pack('<I', 0x7FFFFFF0) + skinpack.compress(b'x'))


if __name__ == '__main__':
    main()
