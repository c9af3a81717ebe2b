#!/usr/bin/env python3
"""Draws the cursor strip (bitmap 141): sixteen 20 x 32 cursor images side by side on magenta,
the transparent colour, 24 bits per pixel. Each pointer's tip is the cell's top-left pixel.

Every picture leaves the cell's top-right corner (x >= 14, y <= 7) transparent: the cursor's
check point A falls there at both drawn sizes, so it always shows the background.
Run: python3 make_cursors.py ../cursors.bmp
"""
import math
import struct
import sys

W, H, CELLS = 20, 32, 16
MAGENTA = (255, 0, 255)


def inside(poly, x, y):
    hit = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


def edge_distance(poly, x, y):
    best = 1e9
    for (ax, ay), (bx, by) in zip(poly, poly[1:] + poly[:1]):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy or 1)))
        best = min(best, math.hypot(x - ax - t * vx, y - ay - t * vy))
    return best


def segment_distance(x, y, a, b):
    return edge_distance([a, b], x, y)


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(a + (b - a) * t) for a, b in zip(c1, c2))


def outlined(poly, fill, rim, width=1.2):
    """A polygon with a rim; fill may be a colour or a function of (x, y)."""
    def draw(x, y):
        if not inside(poly, x, y):
            return None
        if edge_distance(poly, x, y) < width:
            return rim
        return fill(x, y) if callable(fill) else fill
    return draw


def scaled(poly, s):
    return [(x * s, y * s) for x, y in poly]


ARROW = [(0, 0), (0, 21), (5, 16), (9, 25), (12.5, 23.5), (8.5, 15), (14.5, 15)]


def shaded(c1, c2):
    return lambda x, y: mix(c1, c2, (x + y) / 30.0)


def hand(x, y):
    finger = [(0, 0), (4, 0), (4, 10), (13, 11), (13, 24), (9, 29), (2, 29), (0, 20)]
    knuckles = any(abs(x - k) < 0.5 and 11 < y < 17 for k in (7, 10))
    if not inside(finger, x, y):
        return None
    if edge_distance(finger, x, y) < 1.1 or knuckles:
        return (0, 0, 0)
    return (255, 255, 255)


def pen(x, y):
    # A slanted barrel from the tip (0, 0) towards the bottom right.
    along = (x * 0.6 + y * 0.8)
    across = abs(-x * 0.8 + y * 0.6)
    if along < 0 or along > 30 or across > 2.6 + min(along, 6) * 0.0:
        return None
    if along < 6:
        return (30, 30, 30) if across < along * 0.45 else None
    return (0, 40, 120) if across > 1.6 else (40, 110, 230)


def bracket(x, y):
    if (y < 2 and x < 12) or (x < 2 and y < 18):
        return (128, 128, 128)
    d = segment_distance(x, y, (3, 3), (13, 27))
    if d < 1.0 and int((y - 3) / 3) % 2 == 0:
        return (30, 60, 220)
    return None


BOLT = [(0, 0), (9, 6), (6, 9), (13, 16), (9, 18), (16, 30), (3, 17), (7, 15), (0, 8)]


def smile(x, y):
    cx, cy, r = 8.0, 15.0, 7.5
    d = math.hypot(x - cx, y - cy)
    if d > r:
        return None
    if d > r - 1.1:
        return (120, 90, 0)
    if math.hypot(x - 5.5, y - 12.5) < 1.2 or math.hypot(x - 10.5, y - 12.5) < 1.2:
        return (0, 0, 0)
    if 3.4 < d < 4.6 and y > cy + 1:
        return (0, 0, 0)
    if (x, y) and x + y < 4:  # the tip, so the hot spot shows
        return (0, 0, 0)
    return (255, 220, 0)


def stick(x, y):
    parts = [((1, 1), (6, 9)),     # raised arm, hand at the tip
             ((7, 10), (12, 14)),  # other arm
             ((8, 9), (8, 20)),    # body
             ((8, 20), (4, 29)), ((8, 20), (12, 29))]
    head = math.hypot(x - 10.5, y - 5.5)
    near = min(segment_distance(x, y, a, b) for a, b in parts)
    if head < 2.2 or near < 0.9:
        return (0, 0, 0)
    if head < 3.3 or near < 1.9:
        return (40, 80, 230)
    return None


PICTURES = [
    outlined(ARROW, shaded((60, 140, 255), (0, 30, 140)), (0, 170, 60)),             # 0 Blue
    outlined(ARROW, (0, 0, 0), (255, 255, 255)),                                      # 1 Black
    outlined(ARROW, (210, 20, 20), (255, 200, 200)),                                  # 2 Red
    outlined(scaled([(0, 0), (0, 11), (8, 8)], 1), (40, 90, 230), (0, 20, 90), 1.0),  # 3 Small
    None,                                                                             # 4 Big, below
    outlined([(0, 0), (0, 17), (4, 13), (11, 11)], shaded((250, 250, 250), (120, 120, 130)),
             (70, 70, 80)),                                                           # 5 Modern
    hand,                                                                             # 6 Hand
    pen,                                                                              # 7 Arrow
    outlined([(0, 0), (0, 17), (4, 13), (11, 11)], shaded((200, 200, 205), (90, 90, 100)),
             (50, 50, 55)),                                                           # 8 Silver
    outlined(ARROW, (0, 170, 40), (255, 255, 255)),                                   # 9 Green
    outlined(scaled(ARROW, 0.6), (0, 0, 0), (150, 150, 150), 1.0),                    # 10 Small 2
    bracket,                                                                          # 11 Signs
    outlined(BOLT, (255, 230, 0), (220, 0, 0)),                                       # 12 Lightning
    smile,                                                                            # 13 Smilie
    stick,                                                                            # 14 Body
    outlined(ARROW, shaded((255, 255, 255), (190, 190, 190)), (0, 0, 0)),             # 15 Classic
]


def big(x, y):
    tri = [(0, 0), (0, 28), (13, 14)]
    if not inside(tri, x, y):
        return None
    if math.hypot(x - 4.5, y - 14) < 2.6:
        return None  # the hole shows what is beneath
    if edge_distance(tri, x, y) < 1.3 or abs(math.hypot(x - 4.5, y - 14) - 3.1) < 0.6:
        return (20, 30, 110)
    return (195, 180, 120)


PICTURES[4] = big


def cell_pixels(picture):
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            c = picture(x + 0.5, y + 0.5)
            if c is None or c == MAGENTA or (x >= 14 and y <= 7):
                c = MAGENTA
            row.append(c)
        rows.append(row)
    return rows


def main(out):
    cells = [cell_pixels(p) for p in PICTURES]
    stride = (W * CELLS * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        line = bytearray()
        for cell in cells:
            for r, g, b in cell[y]:
                line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, W * CELLS, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(out, 'wb') as f:
        f.write(header + info + data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'cursors.bmp')
