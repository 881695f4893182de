#!/usr/bin/env python3
"""Draw the pictures of setup.exe and write them beside this script.

Writes, into the directory that holds this file:

  images.bmp  bitmap 2: a 1152 x 16 strip of 72 images of 16 x 16, 4 bpp,
              transparent colour RGB(0,128,128).  Image 14 is a checked
              check box, 15 the same box empty, 69 a warning sign; every
              other image is a small picture that a product can show.
  side.bmp    bitmap 4: 164 x 628, 4 bpp, the side picture of the wizard.
  header.bmp  bitmap 5: 49 x 49, 4 bpp, the small picture in the header.
  setup.ico   icon 1: 32 x 32 and 16 x 16 in 16 colours, 48 x 48 in 256.

The program's resource script includes these files, so run this script
again after changing a picture:  python3 resources/make_pictures.py
It uses the standard library only and writes the same bytes on every run.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Palettes
# ---------------------------------------------------------------------------

# The Windows 16-colour palette.  Every 4 bpp picture uses it, so that the
# pictures look the same on a 16-colour display as on a true-colour one.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)

# The image list masks this colour out, so the strip and the icons use it
# for the background and for nothing else.
MASK = TEAL


def palette_256():
    """VGA 16, then a 6x6x6 colour cube, then 24 greys: 256 entries."""
    pal = list(VGA)
    steps = (0, 51, 102, 153, 204, 255)
    for r in steps:
        for g in steps:
            for b in steps:
                pal.append((r, g, b))
    for i in range(24):
        v = 8 + i * 10
        pal.append((v, v, v))
    assert len(pal) == 256
    return pal


PAL256 = palette_256()


def nearest(rgb, pal=PAL256):
    """Index of the palette entry closest to rgb."""
    r, g, b = rgb
    best, best_d = 0, None
    for i, (pr, pg, pb) in enumerate(pal):
        d = (pr - r) ** 2 + (pg - g) ** 2 + (pb - b) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


# ---------------------------------------------------------------------------
# A canvas of palette indices, with the few drawing tools the pictures need
# ---------------------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, bg=0):
        self.w = width
        self.h = height
        self.p = [[bg] * width for _ in range(height)]

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.p[y][x]
        return None

    def pixel(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.w and 0 <= y < self.h:
            self.p[y][x] = c

    def hline(self, x0, x1, y, c):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.pixel(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.pixel(x, y, c)

    def fill(self, x0, y0, x1, y1, c):
        """Filled rectangle, both corners included."""
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.hline(x0, x1, y, c)

    def rect(self, x0, y0, x1, y1, c):
        """Rectangle outline, both corners included."""
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def bevel(self, x0, y0, x1, y1, light, dark):
        """A 3D edge: light on top and left, dark on bottom and right."""
        self.hline(x0, x1 - 1, y0, light)
        self.vline(x0, y0, y1 - 1, light)
        self.hline(x0, x1, y1, dark)
        self.vline(x1, y0, y1, dark)

    def line(self, x0, y0, x1, y1, c):
        """Bresenham line, both ends included."""
        x0, y0, x1, y1 = (int(round(v)) for v in (x0, y0, x1, y1))
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.pixel(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, pts, c, closed=True):
        n = len(pts)
        for i in range(n if closed else n - 1):
            (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
            self.line(ax, ay, bx, by, c)

    def polygon(self, pts, c, edge=None):
        """Filled polygon (pixel centres inside, even-odd), optional edge."""
        ys = [y for _, y in pts]
        n = len(pts)
        for y in range(max(0, int(math.floor(min(ys)))),
                       min(self.h - 1, int(math.ceil(max(ys)))) + 1):
            xs = []
            for i in range(n):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
                if (ay <= y < by) or (by <= y < ay):
                    xs.append(ax + (y - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(int(math.ceil(xs[i] - 1e-9)),
                               int(math.floor(xs[i + 1] + 1e-9)) + 1):
                    self.pixel(x, y, c)
        if edge is not None:
            self.polyline(pts, edge)

    def triangle(self, a, b, c3, c, edge=None):
        self.polygon([a, b, c3], c, edge)

    def ellipse(self, cx, cy, rx, ry, c, only=None):
        """Filled ellipse centred on (cx, cy); `only` limits it to pixels of
        that colour, which clips a shape to another one."""
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                    if only is None or self.get(x, y) == only:
                        self.pixel(x, y, c)

    def circle(self, cx, cy, r, c, only=None):
        self.ellipse(cx, cy, r, r, c, only)

    def ring(self, cx, cy, r0, r1, c, a0=0.0, a1=360.0):
        """Pixels whose distance from the centre lies in [r0, r1] and whose
        angle (degrees, 0 = east, counter-clockwise on screen) lies in
        [a0, a1]."""
        for y in range(int(cy - r1) - 1, int(cy + r1) + 2):
            for x in range(int(cx - r1) - 1, int(cx + r1) + 2):
                d = math.hypot(x - cx, y - cy)
                if r0 <= d <= r1:
                    a = math.degrees(math.atan2(cy - y, x - cx)) % 360.0
                    if a0 <= a <= a1 or a0 <= a + 360.0 <= a1:
                        self.pixel(x, y, c)

    def recolour(self, old, new, x0=0, y0=0, x1=None, y1=None):
        x1 = self.w - 1 if x1 is None else x1
        y1 = self.h - 1 if y1 is None else y1
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if self.p[y][x] == old:
                    self.p[y][x] = new

    def outline(self, c=BLACK, bg=MASK):
        """Put a one-pixel edge of colour c around everything that is not
        background (4-neighbourhood, which gives the soft corners of
        hand-drawn icons)."""
        marks = []
        for y in range(self.h):
            for x in range(self.w):
                if self.p[y][x] != bg:
                    continue
                for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                    v = self.get(nx, ny)
                    if v is not None and v != bg and v != c:
                        marks.append((x, y))
                        break
        for x, y in marks:
            self.p[y][x] = c

    def blit(self, other, ox, oy, transparent=None):
        for y in range(other.h):
            for x in range(other.w):
                v = other.p[y][x]
                if v != transparent:
                    self.pixel(ox + x, oy + y, v)

    def key(self):
        return tuple(tuple(r) for r in self.p)


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def _dib_rows(canvas, bpp):
    """Pixel rows bottom-up, packed at bpp, each padded to 4 bytes."""
    out = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = canvas.p[y]
        if bpp == 8:
            data = bytearray(row)
        elif bpp == 4:
            data = bytearray()
            for x in range(0, canvas.w, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < canvas.w else 0
                assert 0 <= hi < 16 and 0 <= lo < 16
                data.append((hi << 4) | lo)
        else:
            raise ValueError(bpp)
        data += b"\0" * (-len(data) % 4)
        out += data
    return bytes(out)


def _info_header(width, height, bpp, image_size, colours):
    # 2835 pixels per metre is 72 dpi.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 2835, 2835, colours, colours)


def _palette_bytes(pal):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)


def write_bmp(path, canvas, bpp=4, pal=VGA):
    pal = pal[:1 << bpp]
    bits = _dib_rows(canvas, bpp)
    head = _info_header(canvas.w, canvas.h, bpp, len(bits), len(pal))
    colours = _palette_bytes(pal)
    offset = 14 + len(head) + len(colours)
    size = offset + len(bits)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", size, 0, 0, offset))
        f.write(head + colours + bits)


def _and_mask(canvas, transparent):
    """1 bpp mask, bottom-up, rows padded to 4 bytes; 1 = transparent."""
    out = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray((canvas.w + 7) // 8)
        for x in range(canvas.w):
            if canvas.p[y][x] == transparent:
                row[x // 8] |= 0x80 >> (x % 8)
        row += b"\0" * (-len(row) % 4)
        out += row
    return bytes(out)


def write_ico(path, images):
    """images: list of (canvas, bpp, palette, transparent index).  Pixels of
    the transparent index are masked out and stored as black."""
    blobs = []
    for canvas, bpp, pal, transparent in images:
        pal = pal[:1 << bpp]
        solid = Canvas(canvas.w, canvas.h)
        for y in range(canvas.h):
            for x in range(canvas.w):
                v = canvas.p[y][x]
                solid.p[y][x] = 0 if v == transparent else v
        xor = _dib_rows(solid, bpp)
        mask = _and_mask(canvas, transparent)
        head = _info_header(canvas.w, canvas.h * 2, bpp, len(xor) + len(mask),
                            0)
        blobs.append((canvas.w, canvas.h, bpp, len(pal),
                      head + _palette_bytes(pal) + xor + mask))
    offset = 6 + 16 * len(blobs)
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    data = bytearray()
    for w, h, bpp, ncol, blob in blobs:
        out += struct.pack("<BBBBHHII", w % 256, h % 256,
                           ncol if ncol < 256 else 0, 0, 1, bpp, len(blob),
                           offset + len(data))
        data += blob
    with open(path, "wb") as f:
        f.write(bytes(out + data))


# ---------------------------------------------------------------------------
# Small pieces shared by several pictures
# ---------------------------------------------------------------------------

def floppy(c, x0, y0, size, body, label_ink, edge=BLACK):
    """A 3.5-inch disk seen from the front, size x size pixels, with its
    top right corner cut off."""
    x1, y1 = x0 + size - 1, y0 + size - 1
    cut = max(1, size // 10)
    c.polygon([(x0, y0), (x1 - cut, y0), (x1, y0 + cut), (x1, y1), (x0, y1)],
              body, edge)
    # Metal shutter with its window.
    sx0, sx1 = x0 + size * 3 // 10, x0 + size * 7 // 10
    sy1 = y0 + size * 4 // 10 - 1
    c.fill(sx0, y0 + 1, sx1, sy1, SILVER)
    c.vline(sx0, y0 + 1, sy1, WHITE)
    c.vline(sx1, y0 + 1, sy1, GREY)
    ww = max(1, size // 10)
    c.fill(sx1 - ww * 2, y0 + 1 + max(1, size // 16), sx1 - ww,
           sy1 - max(1, size // 16), body)
    # Label.
    lx0, lx1 = x0 + max(2, size // 6), x1 - max(2, size // 6)
    ly0 = y0 + size * 55 // 100
    c.fill(lx0, ly0, lx1, y1 - 1, WHITE)
    step = max(2, size // 6)
    for y in range(ly0 + step // 2 + 1, y1 - 1, step):
        c.hline(lx0 + 1, lx1 - 1, y, label_ink)


def compact_disc(c, cx, cy, r, sheen1, sheen2, edge=BLACK):
    """A CD with two coloured reflections; whatever lies below shows
    through the hole in its middle."""
    hole = r * 0.13 + 0.4
    under = [(x, y, c.get(x, y))
             for y in range(int(cy - hole) - 1, int(cy + hole) + 2)
             for x in range(int(cx - hole) - 1, int(cx + hole) + 2)
             if math.hypot(x - cx, y - cy) <= hole]
    c.circle(cx, cy, r + 0.5, edge)
    c.circle(cx, cy, r - 0.5, SILVER)
    c.ring(cx, cy, r * 0.35, r - 1.2, sheen1, 110, 160)
    c.ring(cx, cy, r * 0.35, r - 1.2, WHITE, 160, 175)
    c.ring(cx, cy, r * 0.35, r - 1.2, sheen2, 290, 340)
    c.ring(cx, cy, r * 0.35, r - 1.2, WHITE, 340, 355)
    c.circle(cx, cy, r * 0.3 + 0.5, GREY)
    c.circle(cx, cy, r * 0.3 - 0.3, WHITE)
    for x, y, v in under:
        if v is not None:
            c.p[y][x] = v


# ---------------------------------------------------------------------------
# The 16 x 16 images of the strip
# ---------------------------------------------------------------------------

def new16():
    return Canvas(16, 16, MASK)


def img_check_box(checked):
    c = new16()
    # A sunken 13 x 13 box as list views draw it.
    x0, y0, x1, y1 = 1, 1, 13, 13
    c.fill(x0, y0, x1, y1, WHITE)
    c.bevel(x0, y0, x1, y1, GREY, WHITE)
    c.bevel(x0 + 1, y0 + 1, x1 - 1, y1 - 1, BLACK, SILVER)
    if checked:
        # The classic mark: seven columns, three pixels tall each.
        tops = (2, 3, 4, 3, 2, 1, 0)
        for i, t in enumerate(tops):
            c.vline(x0 + 3 + i, y0 + 3 + t, y0 + 5 + t, BLACK)
    return c


def img_warning():
    c = new16()
    c.triangle((7.5, 0), (15.4, 14.6), (-0.4, 14.6), BLACK)
    c.triangle((7.5, 2.2), (13.6, 13.5), (1.4, 13.5), YELLOW)
    c.fill(7, 6, 8, 10, BLACK)
    c.hline(7, 8, 12, BLACK)
    return c


def m_computer(c, screen, case):
    c.fill(1, 1, 14, 10, case)
    c.fill(3, 3, 12, 8, screen)
    c.hline(3, 12, 3, GREY)
    c.vline(3, 3, 8, GREY)
    c.hline(3, 12, 8, WHITE)
    c.vline(12, 3, 8, WHITE)
    c.pixel(5, 5, WHITE)
    c.pixel(6, 5, WHITE)
    c.pixel(5, 6, WHITE)
    c.fill(6, 11, 9, 11, GREY)
    c.fill(3, 12, 12, 13, case)
    c.hline(4, 11, 13, GREY)
    c.pixel(11, 12, LIME)
    c.outline()


def m_laptop(c, screen, case):
    c.fill(3, 1, 12, 8, case)
    c.fill(4, 2, 11, 7, screen)
    c.pixel(5, 3, WHITE)
    c.polygon([(3, 10), (12, 10), (14.5, 13), (0.5, 13)], case)
    c.outline()
    c.hline(3, 12, 9, BLACK)
    for x in range(4, 12, 2):
        c.pixel(x, 11, GREY)
    for x in range(3, 13, 2):
        c.pixel(x, 12, GREY)


def m_floppy(c, body, ink):
    floppy(c, 1, 1, 14, body, ink)


def m_cd(c, s1, s2):
    compact_disc(c, 7.5, 7.5, 7.0, s1, s2)


def m_folder(c, front, back):
    c.fill(2, 2, 6, 3, back)
    c.fill(1, 3, 13, 13, back)
    c.outline()
    c.polygon([(3.5, 6), (15, 6), (13, 13), (1, 13)], front, BLACK)
    c.hline(4, 13, 7, WHITE)


def m_document(c, ink, page):
    pts = [(3, 1), (9, 1), (12, 4), (12, 14), (3, 14)]
    c.polygon(pts, page, BLACK)
    c.fill(10, 2, 10, 3, SILVER)
    c.pixel(11, 3, SILVER)
    c.vline(9, 1, 4, BLACK)
    c.hline(9, 12, 4, BLACK)
    for y, x1 in ((6, 10), (8, 9), (10, 10), (12, 8)):
        c.hline(5, x1, y, ink)


def m_gear(c, body, dark):
    c.circle(7.5, 7.5, 5.2, body)
    c.fill(6, 1, 9, 14, body)
    c.fill(1, 6, 14, 9, body)
    for x, y in ((3, 3), (11, 3), (3, 11), (11, 11)):
        c.fill(x, y, x + 1, y + 1, body)
    c.ring(7.5, 7.5, 3.2, 5.0, dark, 200, 340)
    c.circle(7.5, 7.5, 2.0, MASK)
    c.outline()


def m_key(c, body, dark):
    c.circle(4.5, 7.5, 3.8, body)
    c.fill(8, 7, 14, 8, body)
    c.fill(11, 9, 11, 10, body)
    c.fill(13, 9, 14, 11, body)
    c.hline(8, 14, 8, dark)
    c.ring(4.5, 7.5, 2.2, 3.8, dark, 220, 320)
    c.fill(3, 7, 4, 8, MASK)
    c.outline()


def m_printer(c, led, ink):
    c.fill(4, 1, 11, 6, WHITE)
    c.hline(5, 10, 3, ink)
    c.fill(1, 6, 14, 11, SILVER)
    c.hline(1, 14, 6, WHITE)
    c.hline(3, 12, 9, GREY)
    c.pixel(12, 7, led)
    c.fill(4, 10, 11, 14, WHITE)
    c.hline(5, 10, 12, ink)
    c.outline()
    c.hline(4, 11, 10, BLACK)


def m_network(c, s1, s2):
    c.fill(1, 1, 7, 6, SILVER)
    c.fill(2, 2, 6, 5, s1)
    c.fill(3, 7, 5, 7, SILVER)
    c.fill(8, 7, 14, 12, SILVER)
    c.fill(9, 8, 13, 11, s2)
    c.fill(10, 13, 12, 13, SILVER)
    c.outline()
    c.vline(4, 9, 10, BLACK)
    c.hline(4, 6, 10, BLACK)
    c.pixel(3, 3, WHITE)
    c.pixel(10, 9, WHITE)


def m_globe(c, sea, land):
    c.circle(7.5, 7.5, 6.9, sea)
    c.ellipse(5, 4.5, 3.0, 2.2, land, only=sea)
    c.ellipse(4, 9, 1.6, 2.6, land, only=sea)
    c.ellipse(10.5, 9.5, 2.6, 3.2, land, only=sea)
    c.ellipse(12, 4, 1.2, 1.2, land, only=sea)
    c.pixel(4, 2, WHITE)
    c.pixel(3, 3, WHITE)
    c.outline()


def m_database(c, light, dark):
    c.ellipse(7.5, 12, 6.0, 2.3, light)
    c.fill(2, 3, 13, 12, light)
    c.recolour(light, dark, 10, 0, 15, 15)
    c.ellipse(7.5, 3, 6.0, 2.3, SILVER)
    c.hline(5, 8, 2, WHITE)
    for cy in (6.5, 9.5):
        for x in range(2, 14):
            y = cy + 2.3 * math.sqrt(max(0.0, 1 - ((x - 7.5) / 6.0) ** 2))
            c.pixel(x, round(y), BLACK)
    c.outline()


def m_server(c, led, bay):
    c.fill(4, 1, 11, 14, SILVER)
    c.vline(11, 1, 14, GREY)
    c.vline(4, 1, 14, WHITE)
    c.fill(6, 3, 9, 3, bay)
    c.fill(6, 5, 9, 5, bay)
    c.hline(6, 9, 7, GREY)
    for y in (9, 10, 11):
        c.pixel(6, y, GREY)
        c.pixel(8, y, GREY)
    c.pixel(9, 12, led)
    c.outline()


def m_clock(c, rim, hand):
    c.circle(7.5, 7.5, 6.9, rim)
    c.circle(7.5, 7.5, 5.4, WHITE)
    for x, y in ((7, 3), (8, 3), (12, 7), (12, 8), (7, 12), (8, 12),
                 (3, 7), (3, 8)):
        c.pixel(x, y, GREY)
    c.vline(7, 4, 8, BLACK)
    c.hline(7, 10, 8, hand)
    c.outline()


def m_shield(c, light, dark):
    pts = [(2, 1), (13, 1), (13, 8), (7.5, 14.5), (2, 8)]
    c.polygon(pts, light)
    c.recolour(light, dark, 8, 0, 15, 15)
    # A white check on the shield.
    c.line(4, 7, 6, 9, WHITE)
    c.line(6, 9, 11, 4, WHITE)
    c.line(4, 6, 6, 8, WHITE)
    c.line(6, 8, 10, 4, WHITE)
    c.outline()


def m_book(c, cover, spine):
    c.fill(2, 1, 13, 13, cover)
    c.fill(2, 1, 3, 13, spine)
    c.fill(4, 13, 13, 14, WHITE)
    c.hline(4, 13, 14, SILVER)
    c.fill(6, 4, 11, 6, WHITE)
    c.hline(7, 10, 5, spine)
    c.outline()


def m_toolbox(c, body, lid):
    c.fill(1, 6, 14, 13, body)
    c.fill(1, 6, 14, 8, lid)
    c.outline()
    c.hline(6, 9, 2, BLACK)
    c.vline(5, 3, 4, BLACK)
    c.vline(10, 3, 4, BLACK)
    c.hline(1, 14, 9, BLACK)
    c.fill(7, 8, 8, 10, SILVER)
    c.hline(2, 13, 6, WHITE)


def m_barchart(c, a, b):
    c.fill(1, 1, 14, 14, WHITE)
    c.outline()
    c.fill(3, 8, 5, 12, a)
    c.fill(7, 3, 9, 12, b)
    c.fill(11, 6, 13, 12, a)
    c.hline(2, 13, 13, BLACK)


def m_envelope(c, paper, seal):
    c.fill(1, 3, 14, 12, paper)
    c.outline()
    c.line(1, 3, 7, 8, GREY)
    c.line(8, 8, 14, 3, GREY)
    c.line(1, 12, 5, 8, SILVER)
    c.line(14, 12, 10, 8, SILVER)
    c.fill(7, 8, 8, 9, seal)


def m_plug(c, body, pins):
    c.fill(5, 1, 6, 4, pins)
    c.fill(9, 1, 10, 4, pins)
    c.polygon([(3, 5), (12, 5), (12, 9), (10, 11), (5, 11), (3, 9)], body)
    c.hline(4, 11, 5, WHITE)
    c.fill(7, 12, 8, 14, GREY)
    c.outline()


def m_speaker(c, cone, box):
    c.fill(2, 5, 4, 10, box)
    c.polygon([(5, 5), (9, 1), (9, 14), (5, 10)], cone)
    c.outline()
    c.pixel(11, 5, BLACK)
    c.vline(12, 6, 9, BLACK)
    c.pixel(11, 10, BLACK)
    c.pixel(13, 3, BLACK)
    c.vline(14, 4, 11, BLACK)
    c.pixel(13, 12, BLACK)


def m_camera(c, body, lens):
    c.fill(1, 4, 14, 13, body)
    c.fill(4, 2, 8, 3, body)
    c.hline(2, 13, 4, WHITE)
    c.circle(7.5, 8.5, 3.9, BLACK)
    c.circle(7.5, 8.5, 2.6, lens)
    c.pixel(6, 7, WHITE)
    c.fill(11, 5, 12, 6, WHITE)
    c.outline()


def m_magnifier(c, rim, glass):
    c.line(9, 10, 13, 14, rim)
    c.line(10, 9, 14, 13, rim)
    c.line(10, 10, 14, 14, rim)
    c.circle(6, 6, 5.2, rim)
    c.circle(6, 6, 3.6, glass)
    c.pixel(4, 4, WHITE)
    c.pixel(5, 3, WHITE)
    c.pixel(3, 5, WHITE)
    c.outline()


def m_padlock(c, body, shackle):
    c.ring(7.5, 6, 2.6, 4.4, shackle, 0, 180)
    c.fill(3, 6, 4, 7, shackle)
    c.fill(11, 6, 12, 7, shackle)
    c.fill(2, 7, 13, 14, body)
    c.hline(2, 13, 7, WHITE)
    c.fill(7, 9, 8, 10, BLACK)
    c.vline(7, 11, 12, BLACK)
    c.outline()


def m_bulb(c, glass, base):
    c.circle(7.5, 6, 5.3, glass)
    c.fill(5, 10, 10, 10, glass)
    c.fill(5, 11, 10, 13, base)
    c.hline(5, 10, 12, GREY)
    c.fill(7, 14, 8, 14, GREY)
    c.pixel(5, 3, WHITE)
    c.pixel(4, 4, WHITE)
    c.pixel(4, 5, WHITE)
    c.outline()


def m_calculator(c, body, display):
    c.fill(2, 1, 13, 14, body)
    c.fill(4, 3, 11, 5, display)
    for y in (8, 10, 12):
        for x in (4, 6, 8):
            c.pixel(x, y, WHITE)
        c.fill(10, y, 11, y, RED)
    c.outline()


def m_keyboard(c, body, keys):
    c.polygon([(2, 6), (13, 6), (14.6, 12), (0.4, 12)], body)
    c.outline()
    for x in range(3, 13, 2):
        c.pixel(x, 8, keys)
    for x in range(2, 14, 2):
        c.pixel(x, 10, keys)
    c.hline(5, 10, 11, GREY)
    c.vline(8, 2, 4, BLACK)
    c.hline(9, 12, 2, BLACK)


def m_mouse(c, body, button):
    c.ellipse(7.5, 9, 4.8, 5.8, body)
    for y in range(2, 8):
        for x in range(2, 8):
            if c.get(x, y) == body:
                c.pixel(x, y, button)
    c.outline()
    c.hline(3, 12, 7, BLACK)
    c.vline(8, 3, 6, BLACK)
    c.vline(8, 0, 2, BLACK)
    c.pixel(4, 9, WHITE)
    c.pixel(4, 10, WHITE)


def m_harddrive(c, led, front):
    top = [(1, 6), (5, 2), (14, 2), (10, 6)]
    c.polygon(top, SILVER)
    c.fill(1, 6, 10, 12, front)
    c.polygon([(10, 6), (14, 2), (14, 8), (10, 12)], GREY)
    c.outline()
    c.hline(1, 10, 6, BLACK)
    c.line(10, 6, 14, 2, BLACK)
    c.vline(10, 6, 12, BLACK)
    c.hline(2, 7, 9, GREY)
    c.pixel(8, 10, led)


def m_package(c, light, dark, tape):
    c.polygon([(8, 1), (14.5, 4.3), (8, 7.5), (1.5, 4.3)], WHITE)
    c.polygon([(1.5, 4.3), (8, 7.5), (8, 14.5), (1.5, 11)], light)
    c.polygon([(8, 7.5), (14.5, 4.3), (14.5, 11), (8, 14.5)], dark)
    # Tape over the middle of the lid and down the right face.
    c.polygon([(3.9, 3.2), (5.6, 2.3), (12.2, 5.5), (10.4, 6.4)], tape)
    c.polygon([(10.4, 6.4), (12.2, 5.5), (12.2, 12.3), (10.4, 13.2)], tape)
    c.outline()
    c.line(8, 8, 8, 14, BLACK)


def m_star(c, light, dark):
    pts = []
    for i in range(10):
        r = 7.2 if i % 2 == 0 else 3.0
        a = math.radians(-90 + 36 * i)
        pts.append((7.5 + r * math.cos(a), 8.2 + r * math.sin(a)))
    c.polygon(pts, light)
    c.recolour(light, dark, 8, 0, 15, 15)
    c.outline()


def m_piechart(c, a, b):
    c.circle(7.5, 7.5, 6.5, WHITE)
    c.ring(7.5, 7.5, 0, 6.5, a, 0, 120)
    c.ring(7.5, 7.5, 0, 6.5, b, 200, 300)
    c.outline()


def m_chip(c, die, body):
    for p in (4, 6, 9, 11):
        c.fill(p, 1, p, 2, SILVER)
        c.fill(p, 13, p, 14, SILVER)
        c.fill(1, p, 2, p, SILVER)
        c.fill(13, p, 14, p, SILVER)
    c.fill(3, 3, 12, 12, body)
    c.fill(6, 6, 9, 9, die)
    c.pixel(4, 4, WHITE)
    c.outline()


def m_window(c, title, ink):
    c.fill(1, 2, 14, 13, SILVER)
    c.fill(2, 3, 13, 4, title)
    c.pixel(12, 3, SILVER)
    c.fill(2, 6, 13, 12, WHITE)
    c.hline(3, 9, 8, ink)
    c.hline(3, 11, 10, ink)
    c.outline()


def m_palette(c, paint1, paint2):
    c.ellipse(7.5, 8, 7.0, 5.8, YELLOW)
    c.circle(10.5, 10.5, 1.5, MASK)
    c.fill(3, 6, 4, 7, paint1)
    c.fill(6, 4, 7, 5, paint2)
    c.fill(10, 4, 11, 5, RED)
    c.fill(4, 10, 5, 11, BLUE)
    c.outline()


# Each motif with the colourings it is shown in.  The product images take
# the motifs in this order, first in their first colouring, then again in
# their second, so that neighbours in the strip differ in shape.
MOTIFS = [
    (m_computer, [(NAVY, SILVER), (GREEN, WHITE)]),
    (m_floppy, [(NAVY, RED), (MAROON, BLUE)]),
    (m_cd, [(CYAN, MAGENTA), (YELLOW, LIME)]),
    (m_folder, [(YELLOW, OLIVE), (CYAN, BLUE)]),
    (m_document, [(BLUE, WHITE), (RED, WHITE)]),
    (m_gear, [(SILVER, GREY), (YELLOW, OLIVE)]),
    (m_key, [(YELLOW, OLIVE), (SILVER, GREY)]),
    (m_printer, [(LIME, GREY), (RED, BLUE)]),
    (m_network, [(BLUE, BLUE), (GREEN, NAVY)]),
    (m_globe, [(BLUE, LIME), (CYAN, GREEN)]),
    (m_database, [(BLUE, NAVY), (LIME, GREEN)]),
    (m_server, [(LIME, NAVY), (RED, GREY)]),
    (m_clock, [(BLUE, RED), (RED, BLUE)]),
    (m_shield, [(BLUE, NAVY), (RED, MAROON)]),
    (m_book, [(BLUE, NAVY), (RED, MAROON)]),
    (m_toolbox, [(RED, MAROON), (BLUE, NAVY)]),
    (m_barchart, [(BLUE, RED), (GREEN, PURPLE)]),
    (m_envelope, [(WHITE, RED), (YELLOW, BLUE)]),
    (m_plug, [(GREY, YELLOW), (WHITE, SILVER)]),
    (m_speaker, [(SILVER, GREY), (YELLOW, OLIVE)]),
    (m_camera, [(GREY, BLUE), (SILVER, PURPLE)]),
    (m_magnifier, [(GREY, CYAN), (MAROON, WHITE)]),
    (m_padlock, [(YELLOW, SILVER), (RED, SILVER)]),
    (m_bulb, [(YELLOW, SILVER), (WHITE, SILVER)]),
    (m_calculator, [(GREY, LIME), (NAVY, CYAN)]),
    (m_keyboard, [(SILVER, GREY), (WHITE, BLUE)]),
    (m_mouse, [(WHITE, GREY), (SILVER, BLUE)]),
    (m_harddrive, [(LIME, SILVER), (RED, WHITE)]),
    (m_package, [(YELLOW, OLIVE, MAROON), (SILVER, GREY, RED)]),
    (m_star, [(YELLOW, OLIVE), (RED, MAROON)]),
    (m_piechart, [(BLUE, RED), (GREEN, YELLOW)]),
    (m_chip, [(YELLOW, GREY), (RED, NAVY)]),
    (m_window, [(NAVY, BLUE), (PURPLE, GREEN)]),
    (m_palette, [(LIME, MAGENTA), (CYAN, WHITE)]),
    (m_laptop, [(NAVY, SILVER)]),
]

CHECKED, UNCHECKED, WARNING = 14, 15, 69
STRIP_COUNT = 72


def make_strip():
    special = {CHECKED: img_check_box(True),
               UNCHECKED: img_check_box(False),
               WARNING: img_warning()}
    products = [n for n in range(STRIP_COUNT) if n not in special]
    drawings = [(draw, colourings[i])
                for i in range(max(len(cs) for _, cs in MOTIFS))
                for draw, colourings in MOTIFS if i < len(colourings)]
    assert len(drawings) == len(products)
    images = dict(special)
    for n, (draw, colouring) in zip(products, drawings):
        c = new16()
        draw(c, *colouring)
        images[n] = c
    keys = set()
    strip = Canvas(16 * STRIP_COUNT, 16, MASK)
    for n in range(STRIP_COUNT):
        img = images[n]
        key = img.key()
        assert key not in keys, "image %d repeats another one" % n
        keys.add(key)
        strip.blit(img, 16 * n, 0)
    return strip


# ---------------------------------------------------------------------------
# The wizard's side picture, the header picture and the icon
# ---------------------------------------------------------------------------

BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def dither_band(c, y0, y1, a, b, level):
    """Rows y0..y1 in colours a and b, b taking level/16 of the pixels."""
    for y in range(y0, y1 + 1):
        for x in range(c.w):
            c.p[y][x] = b if BAYER4[y % 4][x % 4] < level else a


def open_box(c, bx, by, w, h, inside, back_l, back_r, flaps=True,
             edge=BLACK):
    """First half of an open carton in 2:1 axonometry: the back flaps and
    the dark opening.  (bx, by) is the bottom front corner, w the half
    width, h the height of the walls.  Draw the contents next, then call
    close_box() with the returned corners to put the front walls over
    them."""
    d = w / 2.0
    L, B, R = (bx - w, by - d), (bx, by), (bx + w, by - d)
    TL, T, TR = (bx - w, by - d - h), (bx, by - h), (bx + w, by - d - h)
    TB = (bx, by - h - w)
    fh = h * 0.45
    if flaps:
        c.polygon([TL, TB, (TB[0], TB[1] - fh),
                   (TL[0] - w * 0.12, TL[1] - fh)], back_l, edge)
        c.polygon([TB, TR, (TR[0] + w * 0.12, TR[1] - fh),
                   (TB[0], TB[1] - fh)], back_r, edge)
    c.polygon([TL, T, TR, TB], inside, edge)
    return (L, B, R, TL, T, TR, TB, fh, flaps)


def close_box(c, geo, face_l, face_r, flap_l, flap_r, edge=BLACK):
    L, B, R, TL, T, TR, TB, fh, flaps = geo
    w = B[0] - L[0]
    c.polygon([L, B, T, TL], face_l, edge)
    c.polygon([B, R, TR, T], face_r, edge)
    if flaps:
        # The front flaps fold outwards and down.
        c.polygon([TL, T, (T[0] - w * 0.25, T[1] + fh * 0.55),
                   (TL[0] - w * 0.25, TL[1] + fh * 0.55)], flap_l, edge)
        c.polygon([T, TR, (TR[0] + w * 0.25, TR[1] + fh * 0.55),
                   (T[0] + w * 0.25, T[1] + fh * 0.55)], flap_r, edge)


def make_side():
    W, H = 164, 628
    c = Canvas(W, H, NAVY)
    # Navy at the top melting into teal at the bottom, in even bands.
    bands = 17
    for i in range(bands):
        y0 = i * H // bands
        y1 = (i + 1) * H // bands - 1
        dither_band(c, y0, y1, NAVY, TEAL, i * 16 // (bands - 1))
    # Thin rings behind the motif.
    for r, col in ((70, BLUE), (58, CYAN), (46, BLUE)):
        c.ring(82, 150, r - 0.5, r + 0.5, col)
    # The carton with a disk and a CD coming out of it.
    geo = open_box(c, 82, 282, 58, 70, BLACK, YELLOW, OLIVE)
    compact_disc(c, 104, 150, 30, CYAN, MAGENTA)
    floppy(c, 40, 118, 48, BLUE, NAVY)
    close_box(c, geo, YELLOW, OLIVE, WHITE, YELLOW)
    # A row of small squares as a quiet footer for the motif.
    for i in range(5):
        x = 42 + i * 18
        c.fill(x, 316, x + 7, 323, CYAN if i == 2 else BLUE)
    return c


def make_header():
    c = Canvas(49, 49, WHITE)
    geo = open_box(c, 24, 46, 15, 15, BLACK, YELLOW, OLIVE)
    floppy(c, 14, 4, 20, BLUE, NAVY)
    close_box(c, geo, YELLOW, OLIVE, SILVER, YELLOW)
    return c


def make_icon(size, bpp):
    """The setup icon: an open carton with a disk coming out of it.  The
    256-colour image paints the carton in warmer card shades."""
    if bpp == 8:
        light, dark, flap = (nearest((255, 204, 102)), nearest((204, 153, 51)),
                             nearest((255, 238, 187)))
        disk, ink = nearest((51, 102, 204)), nearest((0, 51, 153))
    else:
        light, dark, flap, disk, ink = YELLOW, OLIVE, SILVER, BLUE, NAVY
    c = Canvas(size, size, MASK)
    if size == 16:
        geo = open_box(c, 7.5, 15, 7, 6, BLACK, light, dark, flaps=False)
        floppy(c, 3, 0, 9, disk, ink)
        close_box(c, geo, light, dark, flap, light)
        return c
    s = size / 32.0
    geo = open_box(c, 16 * s - 0.5, 31 * s - 0.5, 12 * s, 12 * s, BLACK,
                   light, dark)
    floppy(c, int(round(9 * s)), int(round(1 * s)), int(round(14 * s)),
           disk, ink)
    close_box(c, geo, light, dark, flap, light)
    return c


def main():
    write_bmp(os.path.join(HERE, "images.bmp"), make_strip())
    write_bmp(os.path.join(HERE, "side.bmp"), make_side())
    write_bmp(os.path.join(HERE, "header.bmp"), make_header())
    write_ico(os.path.join(HERE, "setup.ico"), [
        (make_icon(32, 4), 4, VGA, MASK),
        (make_icon(16, 4), 4, VGA, MASK),
        (make_icon(48, 8), 8, PAL256, MASK),
    ])


if __name__ == "__main__":
    main()
