#!/usr/bin/env python3
"""Renders drawing.py into the application's icon group: 13 images, 32-bit at ten sizes (those
of 48 pixels and up PNG-compressed, which every Windows since Vista reads and which keeps the
program small) and 8-bit paletted at 16, 32 and 48 pixels for old display modes. Needs only the Python standard library.

Usage: render_ico.py [OUTPUT]   (default: ../norvessa.ico beside this folder)
"""

import os
import struct
import sys
import zlib

import drawing

TRUE_COLOUR_SIZES = [16, 20, 24, 32, 40, 48, 64, 96, 128, 256]
PALETTE_SIZES = [16, 32, 48]
SUBSAMPLES = 4
# True-colour images this big or bigger are stored as PNG rather than as bitmaps.
PNG_FROM_SIZE = 48


def render(size):
    """Rows of RGBA tuples, top row first, each pixel the average of SUBSAMPLES^2 samples."""
    rows = []
    step = 1.0 / (size * SUBSAMPLES)
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SUBSAMPLES):
                y = (py * SUBSAMPLES + sy + 0.5) * step
                for sx in range(SUBSAMPLES):
                    x = (px * SUBSAMPLES + sx + 0.5) * step
                    colour = sample(x, y, size)
                    if colour is not None:
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                n = SUBSAMPLES * SUBSAMPLES
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(row)
    return rows


def sample(x, y, size):
    colour = None
    for inside, paint in drawing.SHAPES:
        if inside(x, y, size):
            colour = paint(x, y) if callable(paint) else paint
    return colour


def png(rows):
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def padded(row_bytes):
    return row_bytes + b"\x00" * (-len(row_bytes) % 4)


def and_mask(rows):
    """1 bit per pixel, bottom row first: set where the pixel is transparent."""
    out = b""
    for row in reversed(rows):
        bits = bytearray((len(row) + 7) // 8)
        for i, pixel in enumerate(row):
            if pixel[3] < 128:
                bits[i // 8] |= 0x80 >> (i % 8)
        out += padded(bytes(bits))
    return out


def bitmap_header(size, bit_count, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, image_bytes, 0, 0, 0, 0)


def bmp_32(rows):
    size = len(rows)
    colour = b"".join(padded(bytes(c for r, g, b, a in row for c in (b, g, r, a)))
                      for row in reversed(rows))
    mask = and_mask(rows)
    return bitmap_header(size, 32, len(colour) + len(mask)) + colour + mask


def palette_256():
    """A 6x6x6 colour cube followed by 40 greys: fixed, so every 8-bit image shares it."""
    levels = [0, 51, 102, 153, 204, 255]
    colours = [(r, g, b) for r in levels for g in levels for b in levels]
    colours += [(round(i * 255 / 39),) * 3 for i in range(40)]
    return colours


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], rgb)))


def bmp_8(rows):
    size = len(rows)
    palette = palette_256()
    cache = {}
    indices = b""
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            rgb = (r, g, b) if a >= 128 else (0, 0, 0)
            if rgb not in cache:
                cache[rgb] = nearest(palette, rgb)
            line.append(cache[rgb])
        indices += padded(bytes(line))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    mask = and_mask(rows)
    return bitmap_header(size, 8, len(indices) + len(mask)) + table + indices + mask


def write_ico(path, images):
    """images: (size, bit_count, data) in directory order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bit_count, data in images:
        edge = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", edge, edge, 0, 0, 1, bit_count, len(data), offset)
        offset += len(data)
        body += data
    with open(path, "wb") as out:
        out.write(directory + body)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "norvessa.ico")
    rendered = {size: render(size) for size in sorted(set(TRUE_COLOUR_SIZES + PALETTE_SIZES))}
    images = []
    for size in TRUE_COLOUR_SIZES:
        data = png(rendered[size]) if size >= PNG_FROM_SIZE else bmp_32(rendered[size])
        images.append((size, 32, data))
    for size in PALETTE_SIZES:
        images.append((size, 8, bmp_8(rendered[size])))
    write_ico(output, images)
    print(f"wrote {len(images)} images to {os.path.normpath(output)}")


if __name__ == "__main__":
    main()
