#!/usr/bin/env python3
"""Draws Orbelle's program icon, the bell on the blue orb, into one .ico
with 16, 32, 48 and 256 pixel pictures: the program, Explorer, Alt+Tab,
the setup program and "Apps and features" all take it from there.

The small pictures are 32-bit DIBs (every Windows version reads them), the
256 pixel one is PNG, as Windows Vista and later expect it.  Same bytes on
every run, like the other pictures.

Usage: make_icon.py ICOFILE
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_pictures import (BLUE, GOLD, NAVY, SKY, Canvas, bell, circle,  # noqa: E402
                           ellipse, ring, vertical, write_png)

SIZES = (16, 32, 48, 256)


def icon_picture(size):
    """The emblem filling a `size` square.  Below 32 pixels the sheen and
    shadow would only blur the bell, so they are left out."""
    c = Canvas(size, size)
    mid = size / 2
    small = size < 32
    r = mid - (0.5 if small else size / 32)
    if not small:
        c.paint(circle(mid + size / 128, mid + size / 64, r), NAVY + (0.30,))  # contact shadow
    c.paint(circle(mid, mid, r), vertical(SKY, BLUE, mid - r, mid + r))
    c.paint(ring(mid, mid, r - max(0.5, size / 64), max(1.0, size / 48)), NAVY + (0.55,))
    if not small:
        c.paint(ellipse(mid - r * 0.3, mid - r * 0.48, r * 0.48, r * 0.26), (255, 255, 255, 0.25))
    height = r * 1.3
    shape, clapper = bell(mid, mid - height * 0.52, height)
    c.paint(shape, (255, 255, 255))
    c.paint(clapper, GOLD)
    return c


def dib_entry(canvas):
    """BITMAPINFOHEADER with the doubled height of icon resources, 32-bit
    BGRA rows bottom-up, then the 1-bit AND mask (set where transparent)."""
    w, h = canvas.w, canvas.h
    rgba = canvas.rgba_bytes()
    colour = bytearray()
    for y in reversed(range(h)):
        for x in range(w):
            r, g, b, a = rgba[4 * (y * w + x):4 * (y * w + x) + 4]
            colour += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            if rgba[4 * (y * w + x) + 3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def png_entry(canvas, scratch):
    write_png(scratch, canvas)
    with open(scratch, 'rb') as f:
        data = f.read()
    os.remove(scratch)
    return data


def main(path):
    images = []
    for size in SIZES:
        picture = icon_picture(size)
        images.append((size, png_entry(picture, path + '.png') if size >= 256 else dib_entry(picture)))
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, bodies = b'', b''
    for size, data in images:
        side = 0 if size >= 256 else size      # 0 stands for 256
        entries += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(data), offset)
        bodies += data
        offset += len(data)
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb') as f:
        f.write(directory + entries + bodies)


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: make_icon.py ICOFILE')
    main(sys.argv[1])
