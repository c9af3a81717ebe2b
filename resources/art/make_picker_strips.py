#!/usr/bin/env python3
"""Draws the pickers' image strips, Images/imgBrowseShortcuts.jpg and Images/imgBrowseApplets.jpg:
three 22 x 22 cells on pure green, the transparent colour: an open folder, a closed folder and a
leaf (a program, or an applet's gear).

JPEG blurs colours, and a green that comes back as (0, 255, 1) would show as a green fringe. So the
file is written here, by a small baseline encoder: 4:4:4 sampling, every quantisation step 1
(quality 100), the standard Huffman tables. Every 8 x 8 block of the picture is either all
background or holds a picture: a uniform block keeps only its average, which decodes exactly, and
the background's Y, Cb, Cr of 150, 43, 21 decode to exactly (0, 255, 0). The blocks that hold a
picture are white around it (the tree's own background) and hold no green, so whatever they ring
to is no green either.

The pictures use the 16 colours of the standard palette only: an image list made with ILC_MASK
alone keeps 16 colours, and these pass through it unchanged.
Run: python3 make_picker_strips.py ../files/Images
"""
import math
import os
import struct
import sys

sys.dont_write_bytecode = True  # no cache beside the art
from make_cursors import inside  # the cursor strip's point-in-polygon test

CELL, CELLS = 22, 3
W, H = CELL * CELLS, CELL
GREEN = (0, 255, 0)
GREEN_YCC = (150, 43, 21)  # decodes to exactly (0, 255, 0); the rounded conversion would not

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
OLIVE, YELLOW = (128, 128, 0), (255, 255, 0)
NAVY, BLUE = (0, 0, 128), (0, 0, 255)
GREY, SILVER = (128, 128, 128), (192, 192, 192)


# --- pictures: functions of the cell's own (x, y), giving a colour or None -----------------

def shape(poly, fill, rim):
    """A polygon with a one-pixel rim, sampled at pixel centres."""
    def draw(x, y):
        cx, cy = x + 0.5, y + 0.5
        if not inside(poly, cx, cy):
            return None
        near = any(not inside(poly, cx + dx, cy + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        return rim if near else fill
    return draw


def layers(*parts):
    """The first part that draws a pixel wins."""
    def draw(x, y):
        for part in parts:
            c = part(x, y)
            if c is not None:
                return c
        return None
    return draw


FOLDER_BACK = [(3, 5), (9, 5), (10, 7), (19, 7), (19, 18), (3, 18)]
closed_folder = layers(
    lambda x, y: OLIVE if y == 18 and 4 <= x <= 19 else None,  # shadow along the bottom
    shape(FOLDER_BACK, YELLOW, OLIVE),
)
open_folder = layers(
    shape([(6, 16), (9, 10), (21, 10), (18, 16)], YELLOW, OLIVE),  # the front flap, tipped open
    shape([(6, 3), (17, 3), (17, 10), (6, 10)], WHITE, GREY),  # a sheet inside
    shape(FOLDER_BACK[:2] + [(10, 7), (18, 7), (18, 17), (3, 17)], OLIVE, BLACK),
)


def program(x, y):
    if not (3 <= x <= 18 and 4 <= y <= 17):
        return None
    if x in (3, 18) or y in (4, 17):
        return BLACK
    if y <= 7:
        return NAVY if x < 15 else SILVER
    return GREY if y in (10, 13) and 6 <= x <= 14 else WHITE


def gear(x, y):
    dx, dy = x + 0.5 - 11, y + 0.5 - 11
    r = math.hypot(dx, dy)
    angle = math.atan2(dy, dx)
    tooth = math.cos(angle * 8) > -0.2
    outer = 8.6 if tooth else 6.6
    if r > outer:
        return None
    if r <= 2.6:
        return BLUE if r <= 1.6 else BLACK
    if r > outer - 1.1:
        return GREY
    return SILVER


STRIPS = {
    "imgBrowseShortcuts.jpg": [open_folder, closed_folder, program],
    "imgBrowseApplets.jpg": [open_folder, closed_folder, gear],
}


def render(pictures):
    pixels = [[GREEN] * W for _ in range(H)]
    drawn = {}
    for cell, picture in enumerate(pictures):
        for y in range(H):
            for x in range(CELL):
                c = picture(x, y)
                if c is not None:
                    drawn[(cell * CELL + x, y)] = c
    # Every block that holds a picture is white around it: no block mixes picture and green.
    blocks = {(x // 8, y // 8) for x, y in drawn}
    for bx, by in blocks:
        for y in range(by * 8, min(by * 8 + 8, H)):
            for x in range(bx * 8, min(bx * 8 + 8, W)):
                pixels[y][x] = WHITE
    for (x, y), c in drawn.items():
        pixels[y][x] = c
    assert all(c != GREEN for c in drawn.values())
    return pixels


# --- the encoder -------------------------------------------------------------------------------

ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,
          7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
          39, 46, 53, 60, 61, 54, 47, 55, 62, 63]

# The standard tables (ITU T.81, K.3): code counts per length 1..16, then the values.
DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D], bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a161718191a25262728292a3435"
    "363738393a434445464748494a535455565758595a636465666768696a737475767778797a838485868788898a92939495969798"
    "999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4"
    "f5f6f7f8f9fa"))
AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a162434e125f11718191a262728292a"
    "35363738393a434445464748494a535455565758595a636465666768696a737475767778797a82838485868788898a9293949596"
    "9798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4"
    "f5f6f7f8f9fa"))


def codes(table):
    counts, values = table
    out, code, k = {}, 0, 0
    for length, n in enumerate(counts, 1):
        for _ in range(n):
            out[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return out


class Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = self.acc << 1 | (value >> i & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # byte stuffing
                self.acc = self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)  # pad with ones


def category(v):
    return abs(v).bit_length()


def magnitude_bits(v):
    return v if v >= 0 else v + (1 << category(v)) - 1


COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]


def fdct(block):
    out = [0] * 64
    for v in range(8):
        for u in range(8):
            s = sum(block[y * 8 + x] * COS[u][x] * COS[v][y] for y in range(8) for x in range(8))
            cu = 1 / math.sqrt(2) if u == 0 else 1
            cv = 1 / math.sqrt(2) if v == 0 else 1
            out[v * 8 + u] = int(round(s * cu * cv / 4))  # every quantisation step is 1
    return out


def ycc(c):
    if c == GREEN:
        return GREEN_YCC
    r, g, b = c
    y = 0.299 * r + 0.587 * g + 0.114 * b
    cb = -0.168736 * r - 0.331264 * g + 0.5 * b + 128
    cr = 0.5 * r - 0.418688 * g - 0.081312 * b + 128
    return tuple(max(0, min(255, int(round(v)))) for v in (y, cb, cr))


def encode(pixels):
    planes = [[[ycc(c)[k] for c in row] for row in pixels] for k in range(3)]
    dc = [codes(DC_LUMA), codes(DC_CHROMA), codes(DC_CHROMA)]
    ac = [codes(AC_LUMA), codes(AC_CHROMA), codes(AC_CHROMA)]
    bits = Bits()
    previous = [0, 0, 0]
    for by in range((H + 7) // 8):
        for bx in range((W + 7) // 8):
            for k in range(3):
                # Edge blocks are filled out with their last row and column, as encoders do.
                block = [planes[k][min(by * 8 + y, H - 1)][min(bx * 8 + x, W - 1)] - 128
                         for y in range(8) for x in range(8)]
                coef = fdct(block)
                zz = [coef[i] for i in ZIGZAG]
                diff = zz[0] - previous[k]
                previous[k] = zz[0]
                code, length = dc[k][category(diff)]
                bits.put(code, length)
                bits.put(magnitude_bits(diff), category(diff))
                run = 0
                for v in zz[1:]:
                    if v == 0:
                        run += 1
                        continue
                    while run > 15:
                        bits.put(*ac[k][0xF0])
                        run -= 16
                    code, length = ac[k][run << 4 | category(v)]
                    bits.put(code, length)
                    bits.put(magnitude_bits(v), category(v))
                    run = 0
                if run:
                    bits.put(*ac[k][0x00])  # end of block
    bits.flush()

    def segment(marker, payload):
        return struct.pack(">HH", marker, len(payload) + 2) + payload

    out = bytearray(b"\xFF\xD8")
    out += segment(0xFFE0, b"JFIF\0\x01\x01\0\0\x01\0\x01\0\0")
    for table in (0, 1):
        out += segment(0xFFDB, bytes([table]) + bytes([1] * 64))
    out += segment(0xFFC0, struct.pack(">BHHB", 8, H, W, 3) + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for cls_id, (counts, values) in ((0x00, DC_LUMA), (0x10, AC_LUMA), (0x01, DC_CHROMA), (0x11, AC_CHROMA)):
        out += segment(0xFFC4, bytes([cls_id]) + bytes(counts) + bytes(values))
    out += segment(0xFFDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    out += bits.out
    out += b"\xFF\xD9"
    return bytes(out)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(folder, exist_ok=True)
    for name, pictures in STRIPS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(encode(render(pictures)))


if __name__ == "__main__":
    main()
