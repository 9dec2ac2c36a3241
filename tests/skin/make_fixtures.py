#!/usr/bin/env python3
"""Writes the skin tests' fixtures into OUTDIR, compressed with tools/skinpack.py:
lzh/NAME.raw with lzh/NAME.lzh (size dword + stream), container cases
containers/NAME.skin whose expected outcomes the container tests list by NAME, and whole
skins skins/NAME.skin of solid borders for the engine's tests on windows."""
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


def bmp(w, h, pixel):
    """A 24-bit bitmap file; pixel(x, y) gives (r, g, b), y from the top."""
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        body += row + bytes(stride - len(row))
    return (struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54) +
            struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0) + bytes(body))


KEY = (255, 0, 255)


def object_bitmaps():
    """Bitmaps for the skin-object tests; each colour tells where a pixel came from."""
    def combo(x, y):
        f = x // 17 + 1
        return KEY if x % 17 < 2 else (0, 50 * f, 0)

    def sunk(x, y):
        f = x // 20 + 1
        return (0, 0, 40 * f)

    def extra(x, y):
        f = x // 16 + 1
        return (200, 10 * f, 0) if 6 <= x % 16 < 10 and 6 <= y < 10 else KEY

    return {
        'cap150.bmp': bmp(150, 15, lambda x, y: (10, 20, 30)),
        'cap60.bmp': bmp(60, 20, lambda x, y: (10, 20, 30)),
        'mdi.bmp': bmp(192, 14, lambda x, y: (10 * (x // 16), 0, 0)),
        'combo.bmp': bmp(68, 21, combo),
        'sunk.bmp': bmp(80, 21, sunk),
        'extra.bmp': bmp(80, 16, extra),
        'top.bmp': bmp(60, 60, lambda x, y: (12, 34, 56) if (x, y) == (20, 10) else (1, 1, 1)),
        'radio13.bmp': bmp(104, 13, lambda x, y: (1, 2, 3)),
        'check16.bmp': bmp(160, 16, lambda x, y: (1, 2, 3)),
        'upper.bmp': bmp(4, 4, lambda x, y: (9, 9, 9)),
        'strip.bmp': bmp(6, 2, lambda x, y: (x * 40, y * 100, 0)),
        'bad.bmp': b'BM' + bytes(20),
        # A code page 936 name whose second byte is the backslash's.
        '\xb6\\.bmp': bmp(2, 3, lambda x, y: (7, 7, 7)),
    }


def rle8_bmp(w, h):
    """An 8-bit run-length bitmap file of any size in a few bytes: its pixels end at once."""
    palette = bytes(4 * 256)
    pixels = b'\x00\x01'
    offset = 14 + 40 + len(palette)
    return (struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) +
            struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 1, len(pixels), 2835, 2835, 256, 0) + palette + pixels)


def solid_skin(left, right, top, bottom, face, extra_ini=(), extra_bitmaps=None):
    """A skin of solid borders, two frames each (active, then inactive at half the
    brightness): left 4, caption 30, right 5 and bottom 6 pixels, none shaping the window.
    Its top border's sample (the skin's form colour) is the caption colour, which differs
    from its ButtonFace. extra_ini lines and extra_bitmaps entries follow."""
    def dim(c):
        return tuple(v // 2 for v in c)

    bitmaps = {
        'left.bmp': bmp(8, 40, lambda x, y: left if x < 4 else dim(left)),
        'right.bmp': bmp(10, 40, lambda x, y: right if x < 5 else dim(right)),
        'top.bmp': bmp(40, 60, lambda x, y: top if y < 30 else dim(top)),
        'bottom.bmp': bmp(40, 12, lambda x, y: bottom if y < 6 else dim(bottom)),
    }
    bitmaps.update(extra_bitmaps or {})
    ini = ['[Personality]']
    for part in ('Left', 'Right', 'Top', 'Bottom'):
        ini += ['%s=%s.bmp' % (part, part.lower()), '%sFrame=2' % part, '%sTrans=0' % part]
    ini += ['[Colours]', 'ButtonFace=%d %d %d' % face] + list(extra_ini)
    text = '\r\n'.join(ini).encode('latin-1') + b'\r\n'
    return image('\r\n'.join(['skin.ini'] + list(bitmaps)), [text] + list(bitmaps.values()))


def skins():
    return {
        'plain': solid_skin((200, 0, 0), (0, 200, 0), (45, 55, 73), (200, 200, 0), (220, 210, 200)),
        'other': solid_skin((0, 0, 200), (200, 0, 200), (90, 30, 30), (0, 200, 200), (230, 230, 250)),
        # The other skin, whose combo button (read after the borders) claims 16000 x 16000.
        'huge_bitmap': solid_skin((0, 0, 200), (200, 0, 200), (90, 30, 30), (0, 200, 200), (230, 230, 250),
                                  ['[ComboButton]', 'Image=huge.bmp'], {'huge.bmp': rle8_bmp(16000, 16000)}),
    }


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
    bitmaps = object_bitmaps()
    cases['objects'] = image('\r\n'.join(['skin.ini'] + list(bitmaps)),
                             [b'[Personality]\r\nTop=top.bmp\r\nTopFrame=2\r\n'] + list(bitmaps.values()))
    cases['noini'] = image('\r\n'.join(bitmaps), list(bitmaps.values()))
    for version in BLOCKS:
        cases['v%d' % version] = image('d.ini', [b'version %d' % version], version=version)
    return cases


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, 'lzh'), exist_ok=True)
    os.makedirs(os.path.join(out, 'containers'), exist_ok=True)
    os.makedirs(os.path.join(out, 'skins'), exist_ok=True)
    for name, raw in lzh_cases(random.Random(6)).items():
        with open(os.path.join(out, 'lzh', name + '.raw'), 'wb') as f:
            f.write(raw)
        with open(os.path.join(out, 'lzh', name + '.lzh'), 'wb') as f:
            f.write(skinpack.skin_file(raw))
    for name, img in container_cases().items():
        with open(os.path.join(out, 'containers', name + '.skin'), 'wb') as f:
            f.write(skinpack.skin_file(img))
    for name, img in skins().items():
        with open(os.path.join(out, 'skins', name + '.skin'), 'wb') as f:
            f.write(skinpack.skin_file(img))
    # The plain skin's file cut in half: its stream ends long before its unpacked size.
    plain = skinpack.skin_file(skins()['plain'])
    with open(os.path.join(out, 'skins', 'plain_cut.skin'), 'wb') as f:
        f.write(plain[:len(plain) // 2])
    # Claims 2 GiB unpacked with a tiny stream: refused before decoding.
    with open(os.path.join(out, 'containers', 'huge_size.skin'), 'wb') as f:
        f.write(struct.pack('<I', 0x7FFFFFF0) + skinpack.compress(b'x'))


if __name__ == '__main__':
    main()
