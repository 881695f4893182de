#!/usr/bin/env python3
"""Draw side.bmp, the example brand's side picture, beside this script.

It has the size and colour depth of the program's own side picture (bitmap 4:
164 x 628 pixels, 4 bits a pixel, the Windows 16-colour palette), as brand.exe
requires, and reuses the drawing code of resources/make_pictures.py.
Run again after a change:  python3 docs/branding/make_picture.py
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "resources"))
import make_pictures as pictures  # noqa: E402  (found through the path set just above)


def make_side():
    W, H = 164, 628
    c = pictures.Canvas(W, H, pictures.MAROON)
    # Maroon at the top melting into black at the bottom, with three rings.
    bands = 17
    for i in range(bands):
        y0 = i * H // bands
        y1 = (i + 1) * H // bands - 1
        pictures.dither_band(c, y0, y1, pictures.MAROON, pictures.BLACK, i * 16 // (bands - 1))
    for r, col in ((64, pictures.YELLOW), (50, pictures.RED), (36, pictures.WHITE)):
        c.ring(82, 180, r - 1.5, r + 1.5, col)
    c.fill(62, 300, 101, 307, pictures.YELLOW)
    return c


if __name__ == "__main__":
    pictures.write_bmp(os.path.join(HERE, "side.bmp"), make_side())
