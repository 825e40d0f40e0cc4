#!/usr/bin/env python3
"""Writes a PNG file of an X window dump (the frame buffer file of Xvfb -fbdir), 24 or 32 bits
per pixel, with the standard library alone: xwd_to_png.py <dump> <png>."""
import struct
import sys
import zlib


def shift_of(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def main(source, target):
    with open(source, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    colours = fields[19]
    offset = header_size + colours * 12
    step = bits_per_pixel // 8
    if step not in (3, 4):
        sys.exit("only 24- and 32-bit dumps are read")
    order = "little" if byte_order == 0 else "big"
    shifts = [shift_of(m) for m in (red_mask, green_mask, blue_mask)]
    rows = bytearray()
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        rows.append(0)
        for x in range(0, width * step, step):
            pixel = int.from_bytes(line[x:x + step], order)
            rows += bytes(((pixel >> s) & 255) for s in shifts)

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 6))
    png += chunk(b"IEND", b"")
    with open(target, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
