#!/usr/bin/env python3
"""Draws the application icon (resource 101): a white mouse seen from above, with a dark wheel
and a blue Bluetooth rune on its body, at 16, 32 and 64 pixels, into one .ico file.

The picture is described in a 64-unit square and sampled 4x4 per pixel, so every size is drawn
from the same shapes. Run: python3 make_icon.py ../quillmark.ico
"""
import math
import struct
import sys

WHITE = (250, 250, 250)
RIM = (70, 70, 80)
WHEEL = (40, 40, 48)
BLUE = (20, 90, 220)


def in_body(x, y):
    # An egg: narrower at the top (cable end), rounder at the bottom.
    cx, cy = 32.0, 34.0
    rx = 17.0 if y < cy else 19.0
    ry = 26.0
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def in_rim(x, y):
    return in_body(x, y) and not all(
        in_body(x + dx, y + dy) for dx, dy in ((2.2, 0), (-2.2, 0), (0, 2.2), (0, -2.2)))


def in_wheel(x, y):
    return abs(x - 32.0) <= 3.0 and 11.0 <= y <= 22.0


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


# The Bluetooth rune: a spine and two arrow heads, centred on the lower body.
RUNE = [
    (30, 29, 30, 53),
    (30, 29, 37, 35), (37, 35, 24, 47),
    (30, 53, 37, 47), (37, 47, 24, 35),
]


def in_rune(x, y):
    return any(segment_distance(x, y, *s) <= 1.7 for s in RUNE)


def colour_at(x, y):
    if in_wheel(x, y):
        return WHEEL
    if in_rune(x, y):
        return BLUE
    if in_rim(x, y):
        return RIM
    if in_body(x, y):
        return WHITE
    return None


def render(size):
    """Rows bottom-up of BGRA pixels, as a .ico bitmap stores them."""
    sub = 4
    scale = 64.0 / size
    rows = []
    for py in range(size - 1, -1, -1):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(sub):
                for sx in range(sub):
                    c = colour_at((px + (sx + 0.5) / sub) * scale, (py + (sy + 0.5) / sub) * scale)
                    if c:
                        r += c[0]; g += c[1]; b += c[2]; a += 1
            n = sub * sub
            if a:
                row += bytes((b // a, g // a, r // a, 255 * a // n))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


def icon_image(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(render(size))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # alpha decides; the AND mask stays clear
    return header + pixels + mask


def main(out):
    sizes = (16, 32, 64)
    images = [icon_image(s) for s in sizes]
    data = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, 'wb') as f:
        f.write(data + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'quillmark.ico')
