#!/usr/bin/env python3
"""Draws the program's own cursors and icons into resources/pictures/.

The scroll view's eight edge cursors (an arrow toward the side the picture
scrolls to) and the removable-drive icon of the grid are drawn here in code,
so that they can be made again: python3 tools/make_pictures.py
"""
import math
import os
import struct

SIZE = 32
here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "resources", "pictures")

# Scroll cursors: resource number, direction (dx, dy) the arrow points to.
CURSORS = {
    184: (0, -1), 185: (0, 1), 186: (1, 0), 187: (-1, 0),
    188: (1, -1), 189: (-1, -1), 191: (1, 1), 192: (-1, 1),
}


def arrow_cells(dx, dy):
    """The pixels of a broad arrow from the centre toward (dx, dy): a shaft and
    a head, as a set of (x, y); its outline is added by the caller."""
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length  # along the arrow
    vx, vy = -uy, ux  # across it
    cells = set()
    for y in range(SIZE):
        for x in range(SIZE):
            px, py = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
            a = px * ux + py * uy  # distance along, from the centre
            b = px * vx + py * vy  # distance across
            shaft = -11 <= a <= 2 and abs(b) <= 2.5
            head = 2 <= a <= 12 and abs(b) <= (12 - a) * 0.9
            if shaft or head:
                cells.add((x, y))
    return cells


def outline(cells):
    ring = set()
    for (x, y) in cells:
        for ox in (-1, 0, 1):
            for oy in (-1, 0, 1):
                n = (x + ox, y + oy)
                if n not in cells and 0 <= n[0] < SIZE and 0 <= n[1] < SIZE:
                    ring.add(n)
    return ring


def mono_rows(bits):
    """32 rows of 32 bits, bottom row first, as the DIB stores them."""
    data = b""
    for y in reversed(range(SIZE)):
        v = 0
        for x in range(SIZE):
            if bits(x, y):
                v |= 1 << (31 - x)
        data += struct.pack(">I", v)
    return data


def write_cursor(path, cells, ring, hotspot):
    inside = cells | ring
    xor = mono_rows(lambda x, y: (x, y) in ring)  # white edge, black body
    mask = mono_rows(lambda x, y: (x, y) not in inside)  # transparent elsewhere
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + xor + mask
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 2, 1))
        f.write(struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image), 22))
        f.write(image)


def removable_drive():
    """A removable drive: a grey case with a dark slot and a green lamp, as
    (r, g, b) or None for transparent pixels."""
    px = {}
    for y in range(9, 25):
        for x in range(2, 30):
            edge = y in (9, 24) or x in (2, 29)
            shade = 96 if edge else (200 if y < 17 else 170)
            px[(x, y)] = (shade, shade, shade)
    for x in range(7, 25):
        for y in (15, 16):
            px[(x, y)] = (40, 40, 40)
    for x in range(24, 27):
        for y in range(20, 22):
            px[(x, y)] = (30, 200, 60)
    return px


def write_icon(path, px):
    rows = b""
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            r, g, b = px.get((x, y), (0, 0, 0))
            rows += bytes((b, g, r))
    mask = mono_rows(lambda x, y: (x, y) not in px)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 24, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + rows + mask
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 22))
        f.write(image)


def main():
    os.makedirs(out, exist_ok=True)
    for number, (dx, dy) in CURSORS.items():
        cells = arrow_cells(dx, dy)
        write_cursor(os.path.join(out, "scroll_%d.cur" % number), cells, outline(cells), (SIZE // 2, SIZE // 2))
    write_icon(os.path.join(out, "drive_removable.ico"), removable_drive())


if __name__ == "__main__":
    main()
