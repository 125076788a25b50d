#!/usr/bin/env python3
"""Draws the side panel picture (95 x 174, an 8-bit BMP with a palette of the
colours it uses, run-length encoded: the same pixels in a quarter of the
uncompressed size) and the two window icons (32 x 32 and 16 x 16, 32-bit with
alpha: drawn through a mask instead, the transparent pixels come out
differently in the title bar) from simple shapes. Deterministic: the same
script always writes the same bytes.

Usage: make_art.py OUTDIR   (writes panel.bmp, kova_large.ico, kova_small.ico)
"""
import os
import struct
import sys

PANEL = (0, 160, 192)          # the panel background the picture sits on
DARK = (0, 72, 96)
PAPER = (246, 242, 228)
SPINES = [(200, 64, 48), (232, 176, 40), (64, 128, 72), (48, 88, 160), (152, 72, 136)]


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill + (255,) for _ in range(width)] for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour, alpha=255):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[y][x] = colour + (alpha,)

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0 + 1, colour)
        self.rect(x0, y1 - 1, x1, y1, colour)
        self.rect(x0, y0, x0 + 1, y1, colour)
        self.rect(x1 - 1, y0, x1, y1, colour)

    def bgra_rows_bottom_up(self):
        out = bytearray()
        for row in reversed(self.px):
            for r, g, b, a in row:
                out += bytes((b, g, r, a))
        return bytes(out)


def shade(colour, amount):
    return tuple(max(0, min(255, c + amount)) for c in colour)


def draw_letter_k(c, x, y, size, colour):
    """A block letter K: a stem and two diagonal arms of square steps."""
    stroke = max(1, size // 5)
    c.rect(x, y, x + stroke, y + size, colour)
    half = size // 2
    for i in range(half + 1):
        ax = x + stroke + i
        c.rect(ax, y + half - i - stroke // 2, ax + stroke, y + half - i + stroke - stroke // 2, colour)
        c.rect(ax, y + half + i - stroke // 2, ax + stroke, y + half + i + stroke - stroke // 2, colour)


def panel():
    w, h = 95, 174
    c = Canvas(w, h, PANEL)
    # Soft vertical bands so the picture reads as lit from above.
    for y in range(h):
        c.rect(0, y, w, y + 1, shade(PANEL, 30 - (y * 50) // h))
    # A shelf of books.
    shelf_y = 112
    x = 10
    for i in range(9):
        spine = SPINES[i % len(SPINES)]
        bw = 7 + (i * 3) % 4
        top = shelf_y - 34 - (i * 7) % 13
        c.rect(x, top, x + bw, shelf_y, spine)
        c.rect(x, top, x + 1, shelf_y, shade(spine, 40))
        c.rect(x + bw - 1, top, x + bw, shelf_y, shade(spine, -50))
        c.rect(x + 2, top + 5, x + bw - 2, top + 7, PAPER)
        x += bw + 1
    c.rect(6, shelf_y, w - 6, shelf_y + 4, DARK)
    # An open page with a K on it.
    c.rect(18, 126, 77, 164, PAPER)
    c.frame(18, 126, 77, 164, DARK)
    c.rect(47, 126, 48, 164, shade(PAPER, -60))
    draw_letter_k(c, 24, 132, 26, DARK)
    for i in range(5):
        c.rect(52, 134 + i * 5, 72, 135 + i * 5, shade(PAPER, -90))
    # Title strip at the top.
    c.rect(8, 10, w - 8, 38, DARK)
    draw_letter_k(c, 16, 14, 20, PAPER)
    for i in range(3):
        c.rect(42, 17 + i * 6, 80 - i * 8, 20 + i * 6, PAPER)
    return c


def icon(size):
    c = Canvas(size, size, (0, 0, 0))
    for row in c.px:
        for i in range(size):
            row[i] = (0, 0, 0, 0)
    m = max(1, size // 16)
    c.rect(m, m, size - m, size - m, PANEL)
    c.frame(m, m, size - m, size - m, DARK)
    k = size - 6 * m
    draw_letter_k(c, 3 * m, 3 * m, k, PAPER)
    return c


def rle8_rows(c, index):
    """BI_RLE8 data: each row as runs of one colour, an end of line after
    each, an end of picture after the last."""
    data = bytearray()
    for row in reversed(c.px):
        line = [index[(r, g, b)] for r, g, b, _ in row]
        start = 0
        while start < len(line):
            end = start
            while end < len(line) and end - start < 255 and line[end] == line[start]:
                end += 1
            data += bytes((end - start, line[start]))
            start = end
        data += b'\0\0'
    data[-2:] = b'\0\1'
    return bytes(data)


def bmp_bytes(c):
    """An 8-bit run-length encoded picture with a palette of its colours in
    sorted order."""
    colours = sorted({(r, g, b) for row in c.px for r, g, b, _ in row})
    if len(colours) > 256:
        raise ValueError('the picture has more than 256 colours')
    index = {colour: i for i, colour in enumerate(colours)}
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in colours)
    count = len(colours)
    pixels = rle8_rows(c, index)
    info = struct.pack('<IiiHHIIiiII', 40, c.width, c.height, 1, 8, 1, len(pixels), 2835, 2835, count, count)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def ico_bytes(c):
    xor = c.bgra_rows_bottom_up()
    mask_stride = ((c.width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(c.px):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, c.width, c.height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    files = {
        'panel.bmp': bmp_bytes(panel()),
        'kova_large.ico': ico_bytes(icon(32)),
        'kova_small.ico': ico_bytes(icon(16)),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
