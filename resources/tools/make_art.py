#!/usr/bin/env python3
"""Draws the side panel picture and the two window icons from simple shapes.

The panel picture comes at three scales: 95 x 174 for 96 dots per inch
(panel.bmp), half again as large (panel150.bmp) and twice as large
(panel200.bmp), each drawn at its own size rather than enlarged, as 8-bit
BMPs with a palette of the colours they use, run-length encoded (the same
pixels in a quarter of the uncompressed size).

The icons hold every size the system asks for at 96, 120, 144 and 192 dots
per inch: the large one 32, 40, 48 and 64 pixels, the small one 16, 20, 24
and 32. The 96-dpi sizes, 32 x 32 and 16 x 16, are 32-bit BMP images with
alpha (drawn through a mask instead, the transparent pixels come out
differently in the title bar), which every system reads; the larger ones,
asked for on scaled displays of systems that read PNG icons, are PNG images
of a few hundred bytes each.

Deterministic: the same script always writes the same bytes.

Usage: make_art.py OUTDIR   (writes panel.bmp, panel150.bmp, panel200.bmp,
kova_large.ico, kova_small.ico)
"""
import os
import struct
import sys
import zlib

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

    def frame(self, x0, y0, x1, y1, colour, width=1):
        self.rect(x0, y0, x1, y0 + width, colour)
        self.rect(x0, y1 - width, x1, y1, colour)
        self.rect(x0, y0, x0 + width, y1, colour)
        self.rect(x1 - width, y0, x1, y1, colour)

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


def panel(num=1, den=1):
    """The picture at num/den of its 96-dpi size; every coordinate of the
    96-dpi drawing is scaled and rounded, so 1/1 is that drawing itself."""
    def s(v):
        return (v * num + den // 2) // den
    w, h = s(95), s(174)
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
        edge = max(1, s(1))
        c.rect(s(x), s(top), s(x + bw), s(shelf_y), spine)
        c.rect(s(x), s(top), s(x) + edge, s(shelf_y), shade(spine, 40))
        c.rect(s(x + bw) - edge, s(top), s(x + bw), s(shelf_y), shade(spine, -50))
        c.rect(s(x + 2), s(top + 5), s(x + bw - 2), s(top + 7), PAPER)
        x += bw + 1
    c.rect(s(6), s(shelf_y), s(95 - 6), s(shelf_y + 4), DARK)
    # An open page with a K on it.
    c.rect(s(18), s(126), s(77), s(164), PAPER)
    c.frame(s(18), s(126), s(77), s(164), DARK, max(1, s(1)))
    c.rect(s(47), s(126), s(47) + max(1, s(1)), s(164), shade(PAPER, -60))
    draw_letter_k(c, s(24), s(132), s(26), DARK)
    for i in range(5):
        c.rect(s(52), s(134 + i * 5), s(72), s(134 + i * 5) + max(1, s(1)), shade(PAPER, -90))
    # Title strip at the top.
    c.rect(s(8), s(10), s(95 - 8), s(38), DARK)
    draw_letter_k(c, s(16), s(14), s(20), PAPER)
    for i in range(3):
        c.rect(s(42), s(17 + i * 6), s(80 - i * 8), s(20 + i * 6), PAPER)
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


def bmp_icon_image(c):
    """An icon image in the BMP form: 32-bit colour with alpha, then the mask."""
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
    return info + xor + bytes(mask)


def png_icon_image(c):
    """An icon image in the PNG form: 8-bit RGBA rows, compressed."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in row) for row in c.px)
    header = struct.pack('>IIBBBBB', c.width, c.height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) +
            chunk(b'IEND', b''))


def ico_bytes(canvases):
    """An icon file of the canvases: the first, the size asked for at 96 dots
    per inch, in the BMP form, the larger ones as PNG."""
    images = [bmp_icon_image(canvases[0])] + [png_icon_image(c) for c in canvases[1:]]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for c, image in zip(canvases, images):
        entries += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + entries + b''.join(images)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    files = {
        'panel.bmp': bmp_bytes(panel()),
        'panel150.bmp': bmp_bytes(panel(3, 2)),
        'panel200.bmp': bmp_bytes(panel(2, 1)),
        'kova_large.ico': ico_bytes([icon(size) for size in (32, 40, 48, 64)]),
        'kova_small.ico': ico_bytes([icon(size) for size in (16, 20, 24, 32)]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
