#!/usr/bin/env python3
"""Draws docs/images/product-images.png: the program's product images (bitmap 2,
resources/images.bmp) as a products line chooses them, each labelled with the number
to write into field 5 of the products line. Field value n shows image n + 1 of the
strip; the check boxes and the warning sign of the strip are left out.

Run again after resources/make_pictures.py changed the strip:
    python3 docs/make_images.py
Standard library only; writes the same bytes on every run.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
STRIP = os.path.join(HERE, "..", "resources", "images.bmp")
OUT = os.path.join(HERE, "images", "product-images.png")

MASK = (0, 128, 128)        # the strip's transparent colour
BACKGROUND = (255, 255, 255)
INK = (0, 0, 0)
RESERVED = {14, 15, 69}     # checked box, empty box, warning sign
SCALE = 2
COLUMNS = 12
CELL_W, CELL_H = 44, 50

# 3 x 5 digits, one string of 15 pixels per digit, row by row.
DIGITS = {
    "0": "111101101101111", "1": "010110010010111", "2": "111001111100111",
    "3": "111001111001111", "4": "101101111001001", "5": "111100111001111",
    "6": "111100111101111", "7": "111001001001001", "8": "111101111101111",
    "9": "111101111001111",
}


def read_strip():
    data = open(STRIP, "rb").read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height, _, bpp = struct.unpack("<iiHH", data[18:30])
    header = struct.unpack("<I", data[14:18])[0]
    assert bpp == 4
    palette = []
    for i in range(16):
        b, g, r, _ = data[14 + header + 4 * i:14 + header + 4 * i + 4]
        palette.append((r, g, b))
    stride = ((width * 4 + 31) // 32) * 4
    rows = []
    for y in range(abs(height)):
        row_index = abs(height) - 1 - y if height > 0 else y
        row = data[offset + row_index * stride:offset + (row_index + 1) * stride]
        pixels = []
        for x in range(width):
            byte = row[x // 2]
            index = byte >> 4 if x % 2 == 0 else byte & 15
            pixels.append(palette[index])
        rows.append(pixels)
    return rows


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    strip = read_strip()
    values = [n - 1 for n in range(1, 72) if n not in RESERVED]   # field values
    rows = (len(values) + COLUMNS - 1) // COLUMNS
    width, height = COLUMNS * CELL_W, rows * CELL_H
    canvas = [[BACKGROUND] * width for _ in range(height)]
    for k, value in enumerate(values):
        image = value + 1
        cx, cy = (k % COLUMNS) * CELL_W, (k // COLUMNS) * CELL_H
        ox, oy = cx + (CELL_W - 16 * SCALE) // 2, cy + 4
        for y in range(16):
            for x in range(16):
                colour = strip[y][16 * image + x]
                if colour == MASK:
                    continue
                for dy in range(SCALE):
                    for dx in range(SCALE):
                        canvas[oy + y * SCALE + dy][ox + x * SCALE + dx] = colour
        text = str(value)
        tw = len(text) * 4 * SCALE - SCALE
        tx, ty = cx + (CELL_W - tw) // 2, cy + 4 + 16 * SCALE + 3
        for i, ch in enumerate(text):
            bits = DIGITS[ch]
            for r in range(5):
                for c in range(3):
                    if bits[3 * r + c] == "1":
                        for dy in range(SCALE):
                            for dx in range(SCALE):
                                canvas[ty + r * SCALE + dy][tx + (4 * i + c) * SCALE + dx] = INK
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    write_png(OUT, canvas)


if __name__ == "__main__":
    main()
