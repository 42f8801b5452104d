#!/usr/bin/env python3
"""Draws every picture Orbelle ships: calendar skins, tray day picture,
popup badge and toolbar pictures.

Standard library only, and no floating-point state that differs between
runs, so the same bytes come out every time.  Shapes are signed distance
functions: coverage is 0.5 - distance at the pixel centre, which gives
one pixel of anti-aliasing and no supersampling cost.

Usage: make_pictures.py OUTDIR
"""

import math
import os
import struct
import sys
import zlib

# One palette for everything, so the face, the popup, the tray picture and
# the toolbar look like one program.
INK = (38, 44, 58)            # day numbers
NAVY = (31, 64, 122)
BLUE = (52, 102, 176)
SKY = (120, 164, 222)
MIST = (214, 227, 244)
HAZE = (233, 240, 249)
PAPER = (252, 251, 247)
TILE = (243, 245, 249)
CORAL = (214, 84, 70)
CORAL_DARK = (166, 54, 46)
GOLD = (236, 176, 64)
GOLD_DARK = (176, 120, 34)
TRAY_BLUE = (24, 82, 196)
TRAY_PAGE = (255, 255, 255)
TRAY_EDGE = (176, 186, 204)
MAGENTA = (255, 0, 255)


# ---------------------------------------------------------------- canvas

class Canvas:
    """Premultiplied RGBA floats, composited source-over."""

    def __init__(self, w, h, fill=(0, 0, 0, 0.0)):
        self.w, self.h = w, h
        r, g, b, a = fill
        self.px = [[r * a, g * a, b * a, a] for _ in range(w * h)]

    def paint(self, sdf, colour, box=None, opacity=1.0, hard=False):
        """Fill the shape `sdf` (negative inside) with `colour`: an RGB or
        RGBA tuple, a `vertical` gradient, or any function of (x, y).
        `hard` turns the edge off, a pixel is in or out, for edges that
        must not blend.  Distances are at most the true distance, so a
        distance d at one pixel decides about d pixels ahead of it: whole
        runs outside or inside the shape cost one evaluation."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        per_row = getattr(colour, 'of_y', None)
        per_pixel = colour if callable(colour) and not per_row else None
        c = None if callable(colour) else colour
        px = self.px
        for y in range(y0, y1):
            cy = y + 0.5
            row = y * self.w
            if per_row:
                c = per_row(cy)
            x = x0
            while x < x1:
                d = sdf(x + 0.5, cy)
                if d >= 0.5 or (hard and d > 0):
                    x += int(d - 0.5) + 1 if d >= 0.5 else 1
                    continue
                if d <= -0.5:
                    n, cov = min(int(-d - 0.5) + 1, x1 - x), 1.0
                else:
                    n, cov = 1, 1.0 if hard else 0.5 - d
                for xx in range(x, x + n):
                    if per_pixel:
                        c = per_pixel(xx + 0.5, cy)
                    a = (c[3] if len(c) > 3 else 1.0) * cov * opacity
                    p = px[row + xx]
                    k = 1.0 - a
                    p[0] = c[0] * a + p[0] * k
                    p[1] = c[1] * a + p[1] * k
                    p[2] = c[2] * a + p[2] * k
                    p[3] = a + p[3] * k
                x += n

    def put(self, x, y, rgb, a=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = [rgb[0] * a, rgb[1] * a, rgb[2] * a, a]

    def blit_bits(self, bits, ox, oy, rgb):
        """Crisp pixel glyphs: rows of '#' and '.'."""
        for j, line in enumerate(bits):
            for i, ch in enumerate(line):
                if ch == '#':
                    self.put(ox + i, oy + j, rgb)

    def rgba_bytes(self):
        out = bytearray()
        for r, g, b, a in self.px:
            if a <= 0.0:
                out += b'\0\0\0\0'
                continue
            out += bytes((_byte(r / a), _byte(g / a), _byte(b / a), _byte(a * 255)))
        return out

    def rgb_rows(self, under=(0, 0, 0)):
        """Rows of opaque RGB, flattened over `under`."""
        rows = []
        for y in range(self.h):
            row = bytearray()
            for r, g, b, a in self.px[y * self.w:(y + 1) * self.w]:
                k = 1.0 - a
                row += bytes((_byte(r + under[0] * k), _byte(g + under[1] * k),
                              _byte(b + under[2] * k)))
            rows.append(row)
        return rows


def _byte(v):
    v = int(v + 0.5)
    return 0 if v < 0 else 255 if v > 255 else v


# ------------------------------------------------------------ file output

def write_png(path, canvas):
    """8-bit RGBA PNG with no time or resolution chunk: GDI+ scales a
    picture by its stored resolution, and a date would change every run."""
    w, h = canvas.w, canvas.h
    data = canvas.rgba_bytes()
    raw = b''.join(b'\0' + bytes(data[y * w * 4:(y + 1) * w * 4]) for y in range(h))

    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))

    png = (b'\x89PNG\r\n\x1a\n' +
           chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
           chunk(b'IDAT', zlib.compress(raw, 9)) +
           chunk(b'IEND', b''))
    _write(path, png)


def write_bmp(path, rows):
    """24-bit bottom-up BI_RGB bitmap, the form LoadImage and the resource
    compiler both take."""
    h, w = len(rows), len(rows[0]) // 3
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        for x in range(w):
            r, g, b = row[3 * x:3 * x + 3]
            body += bytes((b, g, r))
        body += b'\0' * (stride - w * 3)
    header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
    # No stored resolution (0), so nothing scales the picture by it.
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(body), 0, 0, 0, 0)
    _write(path, header + info + bytes(body))


def _write(path, data):
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


# ----------------------------------------------------------------- shapes

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def ellipse(cx, cy, rx, ry):
    # Good enough near the edge, which is all the anti-aliasing looks at.
    m = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * m


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return d


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy

    def d(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / ll
        t = 0.0 if t < 0 else 1.0 if t > 1 else t
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2
    return d


def polygon(pts):
    n = len(pts)

    def d(x, y):
        best = float('inf')
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = (wx * ex + wy * ey) / (ex * ex + ey * ey)
            t = 0.0 if t < 0 else 1.0 if t > 1 else t
            best = min(best, math.hypot(wx - t * ex, wy - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best
    return d


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def minus(f, g):
    return lambda x, y: max(f(x, y), -g(x, y))


def mix(c1, c2, t):
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


class vertical:
    """Top-to-bottom gradient; worked out once per row."""

    def __init__(self, c1, c2, y0, y1):
        self.c1, self.c2, self.y0, self.y1 = c1, c2, y0, y1

    def of_y(self, y):
        return mix(self.c1, self.c2, (y - self.y0) / (self.y1 - self.y0))

    def __call__(self, x, y):
        return self.of_y(y)


# ------------------------------------------------------------ pixel fonts

# Day numbers: 7 x 9, two-pixel stems so they hold up on a busy desktop.
SMALL_DIGITS = {
    '0': ['.#####.', '##...##', '##...##', '##...##', '##...##', '##...##', '##...##', '##...##', '.#####.'],
    '1': ['...##..', '..###..', '.####..', '...##..', '...##..', '...##..', '...##..', '...##..', '.######'],
    '2': ['.#####.', '##...##', '.....##', '....##.', '...##..', '..##...', '.##....', '##.....', '#######'],
    '3': ['.#####.', '##...##', '.....##', '.....##', '..####.', '.....##', '.....##', '##...##', '.#####.'],
    '4': ['....##.', '...###.', '..####.', '.##.##.', '##..##.', '#######', '....##.', '....##.', '....##.'],
    '5': ['#######', '##.....', '##.....', '######.', '.....##', '.....##', '.....##', '##...##', '.#####.'],
    '6': ['..####.', '.##....', '##.....', '######.', '##...##', '##...##', '##...##', '##...##', '.#####.'],
    '7': ['#######', '.....##', '....##.', '....##.', '...##..', '...##..', '..##...', '..##...', '..##...'],
    '8': ['.#####.', '##...##', '##...##', '##...##', '.#####.', '##...##', '##...##', '##...##', '.#####.'],
    '9': ['.#####.', '##...##', '##...##', '##...##', '.######', '.....##', '.....##', '....##.', '.####..'],
}

# Weekday initials in the same weight, Sunday first.
WEEKDAY_LETTERS = {
    'S': ['.####.', '##..##', '##....', '.####.', '....##', '....##', '##..##', '.####.'],
    'M': ['##...##', '###.###', '#######', '##.#.##', '##...##', '##...##', '##...##', '##...##'],
    'T': ['######', '..##..', '..##..', '..##..', '..##..', '..##..', '..##..', '..##..'],
    'W': ['##...##', '##...##', '##...##', '##.#.##', '##.#.##', '#######', '###.###', '##...##'],
    'F': ['######', '##....', '##....', '#####.', '##....', '##....', '##....', '##....'],
}

# Tray digits: 11 x 17 with three-pixel strokes, still readable when the
# icon is shrunk to 16 pixels.
TRAY_DIGITS = {
    '0': ['..#######..', '.#########.', '###########', '####...####', '###.....###',
          '###.....###', '###.....###', '###.....###', '###.....###', '###.....###',
          '###.....###', '###.....###', '###.....###', '####...####', '###########',
          '.#########.', '..#######..'],
    '1': ['.....###...', '...#####...', '.#######...', '.###.###...', '.....###...',
          '.....###...', '.....###...', '.....###...', '.....###...', '.....###...',
          '.....###...', '.....###...', '.....###...', '.....###...', '.#########.',
          '.#########.', '.#########.'],
    '2': ['..#######..', '.#########.', '###########', '###.....###', '........###',
          '........###', '.......####', '.....#####.', '...######..', '.######....',
          '#####......', '####.......', '###........', '###........', '###########',
          '###########', '###########'],
    '3': ['..#######..', '.#########.', '###########', '###.....###', '........###',
          '........###', '....######.', '....#####..', '....######.', '........###',
          '........###', '........###', '........###', '###.....###', '###########',
          '.#########.', '..#######..'],
    '4': ['......####.', '.....#####.', '....######.', '...###.###.', '..###..###.',
          '.###...###.', '###....###.', '###....###.', '###########', '###########',
          '###########', '.......###.', '.......###.', '.......###.', '.......###.',
          '.......###.', '.......###.'],
    '5': ['###########', '###########', '###########', '###........', '###........',
          '###........', '#########..', '##########.', '###########', '........###',
          '........###', '........###', '........###', '###.....###', '###########',
          '.#########.', '..#######..'],
    '6': ['..#######..', '.#########.', '###########', '###.....###', '###........',
          '###........', '#########..', '##########.', '###########', '###.....###',
          '###.....###', '###.....###', '###.....###', '###.....###', '###########',
          '.#########.', '..#######..'],
    '7': ['###########', '###########', '###########', '........###', '.......###.',
          '.......###.', '......###..', '......###..', '.....###...', '.....###...',
          '....###....', '....###....', '....###....', '....###....', '....###....',
          '....###....', '....###....'],
    '8': ['..#######..', '.#########.', '###########', '###.....###', '###.....###',
          '###.....###', '.#########.', '.#########.', '###########', '###.....###',
          '###.....###', '###.....###', '###.....###', '###.....###', '###########',
          '.#########.', '..#######..'],
    '9': ['..#######..', '.#########.', '###########', '###.....###', '###.....###',
          '###.....###', '###.....###', '###.....###', '###########', '.##########',
          '..#########', '........###', '........###', '###.....###', '###########',
          '.#########.', '..#######..'],
}


# ------------------------------------------------------------ calendar face

# The face is drawn by the program at fixed places: weekday label k at
# (50 + 25k, 50), the number area of column c (1..7) and row r (0..5) at
# (20 + 25c, 75 + 25r), 20 x 10, and the date line text from (64, 8).  Only
# the top-left (W-1) x (H-1) of the background is ever seen.
FACE_W, FACE_H = 360, 226
SIDE_X = 232          # left edge of the side panel
DAY_X0, DAY_Y0, PITCH = 45, 75, 25
# Digits sit in columns 1..7 and rows 0..8 of their 10 x 10 cell, so a
# two-digit number is centred on (area x + 9.5, area y + 4.5).  Each day
# gets a 21 x 21 tile centred there, which is also exactly what the today
# marker (placed by the program at area x - 4, area y - 9) can cover.
NUM_DX, NUM_DY = 1, 0


def tile_box(col, row):
    ax, ay = DAY_X0 + PITCH * col, DAY_Y0 + PITCH * row
    return ax - 1, ay - 6, ax + 20, ay + 15


def bell(cx, top, height):
    """A hand bell standing on its mouth, top at `top`, `height` tall."""
    s = height / 20.0
    dome = circle(cx, top + 7 * s, 6 * s)
    body = polygon([(cx - 6 * s, top + 7 * s), (cx + 6 * s, top + 7 * s),
                    (cx + 8 * s, top + 14.5 * s), (cx - 8 * s, top + 14.5 * s)])
    lip = rounded_rect(cx - 10 * s, top + 14 * s, cx + 10 * s, top + 17 * s, 1.5 * s)
    knob = circle(cx, top + 1.2 * s, 1.6 * s)
    clapper = circle(cx, top + 18.3 * s, 2.1 * s)
    return union(dome, body, lip, knob), clapper


def emblem(c, ox, oy):
    """Orbelle's mark: a white bell on a blue orb, 42 pixels across."""
    orad = 21
    c.paint(circle(ox + 0.5, oy + 1.5, orad + 0.5), NAVY + (0.22,))   # contact shadow
    c.paint(circle(ox, oy, orad), vertical(SKY, BLUE, oy - orad, oy + orad))
    c.paint(ellipse(ox - 6, oy - 10, 10, 5.5), (255, 255, 255, 0.25))
    shape, clapper = bell(ox, oy - 14, 27)
    c.paint(shape, (255, 255, 255))
    c.paint(clapper, GOLD)


def face_background():
    w, h = FACE_W - 1, FACE_H - 1          # the part that shows
    c = Canvas(FACE_W, FACE_H)
    card = rounded_rect(0, 0, w, h, 7)
    # Soft outer rim: the flattening over black turns it into a gentle
    # dark edge rather than a hard line.
    c.paint(card, NAVY + (0.55,))
    inner = rounded_rect(1, 1, w - 1, h - 1, 6)
    c.paint(inner, vertical(PAPER, (246, 247, 250), 0, h))

    # Header band behind the date line.  The face is as wide as it is so
    # that the longest date lines ("Wednesday, September 30, 2026" in bold
    # 14 px type) show whole also where Tahoma falls back to a wider face.
    band_bottom = 38
    header = lambda x, y: max(inner(x, y), y - band_bottom)
    c.paint(header, vertical(MIST, HAZE, 0, band_bottom), box=(0, 0, w, band_bottom + 1))
    c.paint(lambda x, y: max(inner(x, y), abs(y - band_bottom - 0.5) - 0.5),
            SKY, box=(0, band_bottom - 1, w, band_bottom + 2))
    # A small calendar page left of the date line, the same page the
    # tray picture shows.
    px0, py0, px1, py1 = 26, 9, 50, 31
    c.paint(rounded_rect(px0 + 0.5, py0 + 1.5, px1 + 0.5, py1 + 1.5, 3), NAVY + (0.18,))
    c.paint(rounded_rect(px0, py0, px1, py1, 3), (255, 255, 255))
    c.paint(lambda x, y: max(rounded_rect(px0, py0, px1, py1, 3)(x, y), y - (py0 + 7)), CORAL)
    for rx in (px0 + 6, px1 - 6):
        c.paint(rounded_rect(rx - 1.5, py0 - 3, rx + 1.5, py0 + 4, 1.5), NAVY)
    for j in range(3):
        for i in range(4):
            dot = CORAL if (i, j) == (2, 1) else SKY
            c.paint(rounded_rect(px0 + 3 + 5 * i, py0 + 10 + 4 * j,
                                 px0 + 6 + 5 * i, py0 + 12.5 + 4 * j, 0.8), dot)

    # Side panel right of the month, with the bell-on-orb emblem.
    side = SIDE_X
    panel = lambda x, y: max(inner(x, y), side - x, band_bottom + 1 - y)
    c.paint(panel, vertical(HAZE, MIST, band_bottom, h), box=(side, band_bottom, w, h))
    c.paint(lambda x, y: abs(x - side - 0.5) - 0.5, (200, 214, 236),
            box=(side - 1, band_bottom + 1, side + 2, h - 1))
    ox, oy = (side + w) / 2, 121
    emblem(c, ox, oy)
    # Three dots under it in the weekday colours.
    for i, col in enumerate((CORAL, SKY, BLUE)):
        c.paint(circle(ox - 10 + 10 * i, oy + 40, 2.5), col)

    # Weekday band.
    left = tile_box(0, 0)[0]
    right = tile_box(6, 0)[2]
    c.paint(rounded_rect(left, 47, right, 64, 5), MIST)

    # Day tiles: Sunday warm, Saturday cool, the rest neutral.
    for col in range(7):
        tint = (251, 238, 235) if col == 0 else (234, 241, 251) if col == 6 else TILE
        for row in range(6):
            x0, y0, x1, y1 = tile_box(col, row)
            c.paint(rounded_rect(x0, y0, x1, y1, 4), tint, box=(x0 - 1, y0 - 1, x1 + 1, y1 + 1))
    return c


def weekday_strip():
    """Seven 20 x 12 labels, Sunday first, each initial centred over its
    column of day numbers."""
    c = Canvas(140, 12)
    for k, letter in enumerate('SMTWTFS'):
        bits = WEEKDAY_LETTERS[letter]
        colour = CORAL if k == 0 else BLUE if k == 6 else (72, 86, 116)
        # Label k starts at 50 + 25k and its tiles' centre is 4.5 further.
        x = 20 * k + int(4.5 - len(bits[0]) / 2 + 0.5)
        c.blit_bits(bits, x, 2, colour)
    return c


def day_numbers():
    c = Canvas(10, 100)
    for d in range(10):
        c.blit_bits(SMALL_DIGITS[str(d)], NUM_DX, 10 * d + NUM_DY, INK)
    return c


def today_marker():
    """24 x 24.  The program puts it at (area x - 4, area y - 9), so its
    region from (3, 3) to the far corner is exactly the day's tile: the
    marker outlines and tints that tile, whichever half the digits use."""
    c = Canvas(24, 24)
    tile = rounded_rect(3, 3, 24, 24, 4)
    c.paint(tile, CORAL + (0.14,))
    c.paint(minus(tile, rounded_rect(4.7, 4.7, 22.3, 22.3, 2.6)), CORAL)
    return c


def event_marks():
    """Two 8 x 4 marks side by side: a day with events (blue), a day with a
    "High" one (coral, fuller).  The program puts a mark centred under the
    day's digits, inside the day's tile, under the today marker."""
    c = Canvas(16, 4)
    c.paint(rounded_rect(1, 0.5, 7, 3.5, 1.5), BLUE)
    c.paint(rounded_rect(8, 0, 16, 4, 2), CORAL)
    return c


def tray_digits():
    """Ten opaque 15 x 21 cells: the tray picture is pasted with them as
    they are, so each cell carries the page colour and the page's bottom
    edge."""
    c = Canvas(15, 210, TRAY_PAGE + (1.0,))
    for d in range(10):
        c.blit_bits(TRAY_DIGITS[str(d)], 2, 21 * d + 2, TRAY_BLUE)
        for x in range(15):
            c.put(x, 21 * d + 20, TRAY_EDGE)
    return c


def tray_page():
    """32 x 32 day picture: a tear-off page on magenta.  The program pastes
    the two digit cells at (0, 10) and (15, 10), covering x 0..29 and
    y 10..30, and makes the colour of the bottom-left pixel transparent."""
    c = Canvas(32, 32, MAGENTA + (1.0,))
    for y in range(2, 31):
        for x in range(0, 31):
            if y == 2 and x in (0, 30):
                continue                      # rounded top corners
            if y < 9:
                colour = CORAL
            elif y == 9:
                colour = CORAL_DARK
            elif x == 30 or y == 30:
                colour = TRAY_EDGE
            else:
                colour = TRAY_PAGE
            c.put(x, y, colour)
    for rx in (7, 22):                        # binding rings
        for y in range(0, 5):
            for x in (rx, rx + 1):
                c.put(x, y, NAVY)
        c.put(rx, 0, MAGENTA)
        c.put(rx + 1, 0, MAGENTA)
    return c


# ------------------------------------------------------------ popup badge

POPUP_W, POPUP_H = 301, 294


def popup_badge():
    """301 x 294 round badge on pure black.  The window is cut to the
    non-black outline, so the outer edge is hard (no blend into black) and
    nothing inside is black.  Labels and buttons are drawn by the program
    over the light middle; the top holds the bell emblem."""
    c = Canvas(POPUP_W, POPUP_H, (0, 0, 0, 1.0))
    cx, cy, r = POPUP_W / 2, POPUP_H / 2, 145
    rim = 12
    top, bottom = cy - r, cy + r
    c.paint(circle(cx, cy, r), vertical(SKY, NAVY, top, bottom), hard=True)
    c.paint(ring(cx, cy, r - 3, 1.2), (255, 255, 255, 0.22))              # rim sheen
    c.paint(circle(cx, cy, r - rim + 1), (255, 255, 255, 0.9))             # bevel
    c.paint(circle(cx, cy, r - rim),
            lambda x, y: mix((255, 255, 255), HAZE, math.hypot(x - cx, y - cy) / (r - rim)))

    # Twelve hour dots: a reminder is about a time.
    for hour in range(12):
        a = math.pi * hour / 6
        c.paint(circle(cx + 124 * math.sin(a), cy - 124 * math.cos(a), 2.6 if hour % 3 == 0 else 1.8),
                SKY)

    emblem(c, cx, 44)
    return c


# ---------------------------------------------------------- setup picture

def setup_side():
    """164 x 314 picture down the left of the setup program's first and
    last pages: the bell on its orb inside a ring of hour dots, on a blue
    that darkens downwards."""
    w, h = 164, 314
    c = Canvas(w, h)
    c.paint(lambda x, y: -w, vertical(BLUE, NAVY, 0, h))
    cx, cy, orad = w / 2, 96, 34
    c.paint(circle(cx, cy, orad + 22), (255, 255, 255, 0.07))
    for hour in range(12):
        a = math.pi * hour / 6
        c.paint(circle(cx + (orad + 14) * math.sin(a), cy - (orad + 14) * math.cos(a),
                       2.6 if hour % 3 == 0 else 1.7), MIST + (0.85,))
    c.paint(circle(cx + 0.8, cy + 2, orad + 0.8), NAVY + (0.35,))
    c.paint(circle(cx, cy, orad), vertical(SKY, BLUE, cy - orad, cy + orad))
    c.paint(ellipse(cx - orad * 0.3, cy - orad * 0.48, orad * 0.48, orad * 0.26), (255, 255, 255, 0.25))
    shape, clapper = bell(cx, cy - orad * 0.68, orad * 1.3)
    c.paint(shape, (255, 255, 255))
    c.paint(clapper, GOLD)
    return c


def outline_traces(rows):
    """Walks the outline the way the window-shaping code does (3 x grid,
    up/right/down/left, no going back two steps) and says whether it gets
    back to its start.  A picture that fails would leave the popup
    rectangular with an error box."""
    h, w = len(rows) + 2, len(rows[0]) // 3 + 2
    key = bytes(rows[0][0:3])
    w3, h3 = 3 * w, 3 * h
    grid = bytearray(w3 * h3)
    for y, row in enumerate(rows):
        for x in range(w - 2):
            if bytes(row[3 * x:3 * x + 3]) != key:
                for j in range(3):
                    base = (3 * (y + 1) + j) * w3 + 3 * (x + 1)
                    grid[base:base + 3] = b'\1\1\1'
    try:
        start_index = grid.index(1)
    except ValueError:
        return False
    start = (start_index % w3, start_index // w3)

    def on(c, r):
        return grid[r * w3 + c] == 1

    def edge(c, r):
        return not all(on(c + i, r + j) for i in (-1, 0, 1) for j in (-1, 0, 1))

    sc, sr = start
    nxt = (sc + 1, sr) if on(sc + 1, sr) else (sc, sr + 1) if on(sc, sr + 1) else start
    prev, before, cur = start, (0, 0), nxt
    for _ in range(w3 * h3):
        c, r = cur
        step = cur
        for cand in ((c, r - 1), (c + 1, r), (c, r + 1), (c - 1, r)):
            if on(*cand) and cand != prev and cand != before and edge(*cand):
                step = cand
                break
        if step == cur:
            return False
        if step == start:
            return True
        before, prev, cur = prev, cur, step
    return False


# ---------------------------------------------------------------- toolbar

TOOL_W, TOOL_H = 26, 20
OUTLINE = (62, 72, 94)


def mask_rows(c, key=MAGENTA):
    """Opaque rows for a masked bitmap: a pixel mostly covered takes
    its own colour at full strength, the rest the mask colour, so no edge
    pixel is a blend with the mask colour (that would show as a pink
    fringe)."""
    rows = []
    for y in range(c.h):
        row = bytearray()
        for r, g, b, a in c.px[y * c.w:(y + 1) * c.w]:
            row += bytes(key) if a < 0.6 else bytes((_byte(r / a), _byte(g / a), _byte(b / a)))
        rows.append(row)
    return rows


def outlined(c, shape, fill, inset=1.1, line=OUTLINE):
    c.paint(shape, line)
    c.paint(lambda x, y: shape(x, y) + inset, fill)


def page(c, x0=6, y0=1, x1=19, y1=19, fold=5):
    sheet = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    outlined(c, sheet, (255, 255, 255))
    corner = polygon([(x1 - fold, y0), (x1, y0 + fold), (x1 - fold, y0 + fold)])
    outlined(c, corner, MIST)
    return sheet


def tool_new():
    c = Canvas(TOOL_W, TOOL_H)
    page(c)
    for y in (8, 11, 14):
        c.paint(rounded_rect(9, y, 16 if y == 14 else 17, y + 1, 0.4), SKY)
    badge = circle(19.5, 14, 5.5)
    outlined(c, badge, (72, 164, 92), line=(40, 110, 56))
    c.paint(rounded_rect(16.5, 13, 22.5, 15, 0.3), (255, 255, 255))
    c.paint(rounded_rect(18.5, 11, 20.5, 17, 0.3), (255, 255, 255))
    return c


def tool_modify():
    c = Canvas(TOOL_W, TOOL_H)
    page(c, x0=4, x1=17)
    for y in (8, 11, 14):
        c.paint(rounded_rect(7, y, 14, y + 1, 0.4), SKY)
    # A pencil lying from the bottom-left towards the top-right.
    ux, uy = 0.7071, -0.7071                 # along the pencil
    vx, vy = 0.7071, 0.7071                  # across it
    ox, oy = 9.0, 18.0                       # the point

    def along(x, y):
        return (x - ox) * ux + (y - oy) * uy, (x - ox) * vx + (y - oy) * vy

    def band(s0, s1, half):
        def d(x, y):
            s, t = along(x, y)
            return max(s0 - s, s - s1, abs(t) - half)
        return d

    def tip(x, y):
        s, t = along(x, y)
        return max(-s, s - 5.0, abs(t) - s * 0.5)
    outlined(c, band(4.6, 17.5, 2.6), GOLD, inset=1.0)
    c.paint(band(4.6, 17.5, 0.5), GOLD_DARK, opacity=0.55)
    outlined(c, tip, (240, 214, 170), inset=1.0)
    c.paint(lambda x, y: max(tip(x, y), along(x, y)[0] - 2.0), OUTLINE)
    outlined(c, band(15.0, 19.0, 2.6), CORAL, inset=1.0)
    c.paint(band(14.4, 15.6, 2.6), (170, 176, 190))
    return c


def tool_delete():
    c = Canvas(TOOL_W, TOOL_H)
    body = polygon([(7.5, 6), (18.5, 6), (17.3, 19), (8.7, 19)])
    outlined(c, body, (196, 206, 222))
    for x in (10.6, 13.0, 15.4):
        c.paint(segment(x, 8.5, x, 16.5, 1.1), (126, 140, 164))
    outlined(c, rounded_rect(10.5, 0.5, 15.5, 4.5, 1.2), (196, 206, 222))
    outlined(c, rounded_rect(5.5, 3, 20.5, 7, 1.0), (160, 174, 198))
    return c


def tool_find():
    c = Canvas(TOOL_W, TOOL_H)
    c.paint(segment(15.0, 12.0, 20.8, 17.8, 4.6), OUTLINE)
    c.paint(segment(15.8, 12.8, 20.4, 17.4, 2.4), (122, 86, 60))
    lens = circle(11.5, 8.5, 7.0)
    c.paint(lens, OUTLINE)
    c.paint(circle(11.5, 8.5, 5.9), NAVY)
    c.paint(circle(11.5, 8.5, 4.6), vertical((236, 244, 253), SKY, 4, 13))
    c.paint(ellipse(9.8, 6.6, 2.2, 1.4), (255, 255, 255))
    return c


def tool_close():
    c = Canvas(TOOL_W, TOOL_H)
    disc = circle(13, 10, 8.6)
    outlined(c, disc, vertical((232, 110, 96), CORAL_DARK, 2, 18), line=(138, 42, 36))
    for ax, ay, bx, by in ((9.4, 6.4, 16.6, 13.6), (16.6, 6.4, 9.4, 13.6)):
        c.paint(segment(ax, ay, bx, by, 2.4), (255, 255, 255))
    return c


# ------------------------------------------------------------------- main

def main(out):
    skins = os.path.join(out, 'dist', 'Skins')
    write_png(os.path.join(skins, 'w', 'Windows 2004.png'), face_background())
    write_png(os.path.join(skins, 'Default', 'Weekdays.png'), weekday_strip())
    write_png(os.path.join(skins, 'Default', 'Numbers Large1 Black.png'), day_numbers())
    write_png(os.path.join(skins, 'Default', 'Numbers Large Ex Blue.png'), tray_digits())
    write_png(os.path.join(skins, 'Default', 'today.png'), today_marker())
    write_png(os.path.join(skins, 'Default', 'Event Marks.png'), event_marks())
    write_bmp(os.path.join(out, 'dist', 'pic', 'tutorial.bmp'), tray_page().rgb_rows())

    badge = popup_badge().rgb_rows()
    if not outline_traces(badge):
        sys.exit('make_pictures: the popup outline does not close')
    write_bmp(os.path.join(out, 'res', 'popup.bmp'), badge)

    write_bmp(os.path.join(out, 'setup', 'wizard.bmp'), setup_side().rgb_rows())

    # Toolbar pictures, New to Close; magenta (255, 0, 255) is the mask.
    for name, draw in (('new', tool_new), ('modify', tool_modify), ('delete', tool_delete),
                       ('find', tool_find), ('close', tool_close)):
        write_bmp(os.path.join(out, 'res', 'toolbar_%s.bmp' % name), mask_rows(draw()))


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: make_pictures.py OUTDIR')
    main(sys.argv[1])
