#!/usr/bin/env python3
"""Draws the application icon and writes it as an ICO file with six 32-bit images, in the order
128, 16, 256, 32, 48 and 64 pixels; the 256-pixel image is PNG-compressed, the others are
bitmaps. Usage: make_app_icon.py OUTPUT.ico

The picture: a rounded square with a blue-to-teal gradient, a white lens ring and a white play
triangle, drawn from shapes at every size (4x4 samples per pixel), so small sizes stay sharp."""
import math
import struct
import sys
import zlib

SIZES = [128, 16, 256, 32, 48, 64]
SAMPLES = 4


def shade(x, y):
    """Colour (r, g, b, a) of the point (x, y) in the unit square, or None outside."""
    # rounded square
    r = 0.18
    qx, qy = abs(x - 0.5) - (0.5 - r), abs(y - 0.5) - (0.5 - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    if outside > 0:
        return None
    top, bottom = (24, 64, 160), (18, 160, 150)
    colour = tuple(int(a + (b - a) * y) for a, b in zip(top, bottom))
    # lens ring
    d = math.hypot(x - 0.5, y - 0.5)
    if 0.30 <= d <= 0.38:
        return (255, 255, 255, 255)
    # play triangle, pointing right
    px, py = x - 0.5, y - 0.5
    if -0.10 <= px and abs(py) <= (0.17 - px) * 0.62 and px <= 0.17:
        return (255, 255, 255, 255)
    return colour + (255,)


def render(size):
    """Rows of RGBA tuples, top row first."""
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            acc = [0, 0, 0, 0]
            for sj in range(SAMPLES):
                for si in range(SAMPLES):
                    c = shade((i + (si + 0.5) / SAMPLES) / size, (j + (sj + 0.5) / SAMPLES) / size)
                    if c:
                        for k in range(3):
                            acc[k] += c[k] * c[3]
                        acc[3] += c[3]
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                row.append(tuple(round(acc[k] / acc[3]) for k in range(3)) + (round(alpha),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    """An 8-bit RGBA PNG file of the rows (top row first)."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for i, px in enumerate(row):
            if px[3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main(path):
    images = [png(render(s)) if s == 256 else bitmap(render(s)) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for s, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
