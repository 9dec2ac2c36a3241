"""Shapes, anti-aliased rendering and the icon file format shared by the icon scripts."""
import struct

SUB = 4  # samples per pixel side for smooth edges


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


def render(shapes, size):
    """Rows of (r, g, b, a) for shapes given in a 32-unit square, later ones over earlier."""
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
                    for inside, c in shapes:
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


def ico_bytes(shapes, sizes):
    """An icon file with one 32-bit image with alpha (and its mask) per size."""
    images = []
    for size in sizes:
        pixels = render(shapes, size)
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
