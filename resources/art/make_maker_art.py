#!/usr/bin/env python3
"""Draws the maker's pictures that the About box shows, for the invented maker Dalvern:

  Images/about.jpg      the banner, 640 x 200: the wordmark DALVERN and a tagline on blue. The box
                        draws it centred and cut to the screen's width (at 240 pixels on a 96-DPI
                        screen, and at 480 on a 192-DPI one, the middle 480 source pixels show), so
                        everything that must be seen lies between x 80 and 560.
  help/logodalvern.gif  the logo, 150 x 150: a white quill in a blue disc, on white. It lies in the
                        help pages' folder: the program asks for it as Help\logodalvern.gif, and
                        the handheld, which finds names in any letter case, has one folder.

Shapes are sampled 4 x 4 per pixel. The pixels are written as PPM and turned into JPEG and GIF by
ImageMagick 6 (/usr/bin/convert). Run: python3 make_maker_art.py ../files
"""
import math
import os
import subprocess
import sys

CONVERT = '/usr/bin/convert'
SUB = 4


class Canvas:
    def __init__(self, width, height, colour):
        self.w, self.h = width, height
        self.px = [[list(colour) for _ in range(width)] for _ in range(height)]

    def fill(self, covers, box, colour, opacity=1.0):
        """Paints colour where covers(x, y) holds, within box (x0, y0, x1, y1), blending edges."""
        x0, y0, x1, y1 = box
        for py in range(max(0, int(y0) - 1), min(self.h, int(y1) + 2)):
            for px in range(max(0, int(x0) - 1), min(self.w, int(x1) + 2)):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if covers(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                            hits += 1
                if hits:
                    a = opacity * hits / (SUB * SUB)
                    p = self.px[py][px]
                    for i in range(3):
                        p[i] = p[i] * (1 - a) + colour[i] * a

    def ppm(self):
        rows = b''.join(bytes(max(0, min(255, int(round(c)))) for p in row for c in p) for row in self.px)
        return b'P6 %d %d 255\n' % (self.w, self.h) + rows


def segment_distance(x, y, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy or 1.0)))
    return math.hypot(x - ax - t * vx, y - ay - t * vy)


def stroke(canvas, polylines, width, colour):
    """Draws polylines (lists of points) as one stroke of the given width with round ends."""
    segments = [(a[0], a[1], b[0], b[1]) for line in polylines for a, b in zip(line, line[1:])]
    r = width / 2
    xs = [v for s in segments for v in (s[0], s[2])]
    ys = [v for s in segments for v in (s[1], s[3])]
    canvas.fill(lambda x, y: any(segment_distance(x, y, *s) <= r for s in segments),
                (min(xs) - r, min(ys) - r, max(xs) + r, max(ys) + r), colour)


def arc(cx, cy, rx, ry, start, end, steps=16):
    """Points of an elliptic arc, angles in degrees counter-clockwise from the right (y down)."""
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy - ry * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]


# A stroke alphabet on a grid 10 units high; each letter's width is its first value.
LETTERS = {
    'A': (6, [[(0, 10), (3, 0), (6, 10)], [(1.1, 6.6), (4.9, 6.6)]]),
    'C': (6, [arc(3.3, 5, 3.3, 5, 42, 318)]),
    'D': (6, [[(2.5, 0), (0, 0), (0, 10), (2.5, 10)] + arc(2.5, 5, 3.5, 5, -90, 90)]),
    'E': (5.5, [[(5.5, 0), (0, 0), (0, 10), (5.5, 10)], [(0, 5), (4.4, 5)]]),
    'F': (5.5, [[(5.5, 0), (0, 0), (0, 10)], [(0, 5), (4.4, 5)]]),
    'K': (6, [[(0, 0), (0, 10)], [(6, 0), (0, 6.2)], [(2.1, 4.3), (6, 10)]]),
    'L': (5.5, [[(0, 0), (0, 10), (5.5, 10)]]),
    'N': (6, [[(0, 10), (0, 0), (6, 10), (6, 0)]]),
    'O': (6.5, [arc(3.25, 5, 3.25, 5, 0, 360, 32)]),
    'P': (5.5, [[(0, 10), (0, 0), (3, 0)] + arc(3, 2.75, 2.5, 2.75, 90, -90) + [(0, 5.5)]]),
    'R': (6, [[(0, 10), (0, 0), (3.2, 0)] + arc(3.2, 2.75, 2.6, 2.75, 90, -90) + [(0, 5.5)], [(2.9, 5.5), (6, 10)]]),
    'S': (5.5, [arc(2.75, 2.6, 2.75, 2.6, 35, 270, 12) + arc(2.75, 7.4, 2.75, 2.6, 90, -145, 12)]),
    'T': (6, [[(0, 0), (6, 0)], [(3, 0), (3, 10)]]),
    'V': (6, [[(0, 0), (3, 10), (6, 0)]]),
    'W': (8.5, [[(0, 0), (2.1, 10), (4.25, 2.5), (6.4, 10), (8.5, 0)]]),
    ' ': (3, []),
}
SPACING = 2.4


def text_width(text):
    return sum(LETTERS[c][0] for c in text) + SPACING * (len(text) - 1)


def write(canvas, text, centre_x, top, height, weight, colour):
    """Draws text with letters height pixels high and strokes weight units wide, centred."""
    scale = height / 10.0
    x = centre_x - text_width(text) * scale / 2
    for c in text:
        width, lines = LETTERS[c]
        if lines:
            stroke(canvas, [[(x + px * scale, top + py * scale) for px, py in line] for line in lines],
                   weight * scale, colour)
        x += (width + SPACING) * scale


def banner():
    w, h = 640, 200
    c = Canvas(w, h, (0, 0, 0))
    top, bottom = (14, 40, 96), (30, 80, 156)
    for y in range(h):
        t = y / (h - 1)
        colour = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
        for x in range(w):
            c.px[y][x] = list(colour)
    # Faint diagonal bands across the whole width, so that the cut sides look like the rest.
    for k in range(-4, 12):
        x0 = k * 70
        c.fill(lambda x, y, x0=x0: 0 <= (x - x0) - (h - y) * 0.6 < 22, (x0, 0, x0 + 22 + h * 0.6, h),
               (255, 255, 255), 0.05)
    write(c, 'DALVERN', 320, 40, 64, 1.15, (255, 255, 255))
    stroke(c, [[(214, 124), (426, 124)]], 3.5, (240, 160, 48))
    write(c, 'SOFTWARE FOR POCKET PC', 320, 141, 15, 1.3, (176, 200, 240))
    return c


def logo():
    c = Canvas(150, 150, (255, 255, 255))
    blue = (28, 76, 156)
    c.fill(lambda x, y: math.hypot(x - 75, y - 75) <= 70, (5, 5, 145, 145), blue)
    c.fill(lambda x, y: 60 <= math.hypot(x - 75, y - 75) <= 63, (12, 12, 138, 138), (255, 255, 255))
    # The quill: a feather leaning to the right, its shaft ending in a nib at the lower left.
    tip, base = (108.0, 28.0), (62.0, 96.0)
    ax, ay = base[0] - tip[0], base[1] - tip[1]
    length = math.hypot(ax, ay)
    ux, uy = ax / length, ay / length

    def in_feather(x, y):
        t = ((x - tip[0]) * ux + (y - tip[1]) * uy) / length
        if not 0 <= t <= 1:
            return False
        side = (x - tip[0]) * -uy + (y - tip[1]) * ux
        half = 15 * math.sin(math.pi * t) ** 0.7 * (1.0 if side > 0 else 0.8)
        return abs(side) <= half

    c.fill(in_feather, (40, 20, 125, 105), (255, 255, 255))
    # Notches along its edges and the vein down its middle.
    for t, side in ((0.3, 1), (0.5, 1), (0.7, 1), (0.4, -1), (0.62, -1)):
        px, py = tip[0] + ax * t, tip[1] + ay * t
        ex, ey = px + side * -uy * 16 + ux * 6, py + side * ux * 16 + uy * 6
        stroke(c, [[(px + side * -uy * 9, py + side * ux * 9), (ex, ey)]], 2.2, blue)
    stroke(c, [[tip, base]], 2.2, blue)
    nib = (44.0, 122.0)
    stroke(c, [[base, nib]], 3.0, (255, 255, 255))
    c.fill(lambda x, y: segment_distance(x, y, base[0] - 4, base[1] + 6, nib[0], nib[1]) <= 3.5,
           (38, 96, 70, 128), (255, 255, 255))
    # A line of ink from the nib.
    stroke(c, [[(nib[0] + 4, nib[1] + 3)] + [(nib[0] + 4 + i * 4, nib[1] + 3 - 3 * math.sin(i / 2.0))
                                              for i in range(1, 13)]], 2.5, (255, 255, 255))
    return c


def save(canvas, path, *options):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run([CONVERT, 'ppm:-', *options, path], input=canvas.ppm(), check=True)


def main(out):
    save(banner(), os.path.join(out, 'Images', 'about.jpg'), '-quality', '90')
    save(logo(), os.path.join(out, 'help', 'logodalvern.gif'), '+dither', '-colors', '64')


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else '../files')
