#!/usr/bin/env python3
"""Draws the two window icons from simple shapes, in the colours of the side
panel's picture (which the program draws itself, src/core/panel_picture.cpp).

The icons hold every size the system asks for at 96, 120, 144 and 192 dots
per inch: the large one 32, 40, 48 and 64 pixels, the small one 16, 20, 24
and 32. The 96-dpi sizes, 32 x 32 and 16 x 16, are BMP images, which every
system reads: 4-bit colour, black where the mask makes them transparent, so
that they are drawn as the 32-bit images with alpha they replace were, in a
sixth of the bytes (every pixel is either opaque or transparent); the larger ones,
asked for on scaled displays of systems that read PNG icons, are PNG images
of a few hundred bytes each.

Deterministic: the same script always writes the same bytes.

Usage: make_art.py OUTDIR   (writes kova_large.ico, kova_small.ico)
"""
import os
import struct
import sys
import zlib

PANEL = (0, 160, 192)          # the panel background the picture sits on
DARK = (0, 72, 96)
PAPER = (246, 242, 228)


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


def draw_letter_k(c, x, y, size, colour):
    """A block letter K: a stem and two diagonal arms of square steps."""
    stroke = max(1, size // 5)
    c.rect(x, y, x + stroke, y + size, colour)
    half = size // 2
    for i in range(half + 1):
        ax = x + stroke + i
        c.rect(ax, y + half - i - stroke // 2, ax + stroke, y + half - i + stroke - stroke // 2, colour)
        c.rect(ax, y + half + i - stroke // 2, ax + stroke, y + half + i + stroke - stroke // 2, colour)


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


def bmp_icon_image(c):
    """An icon image in the BMP form: 4-bit colour with a palette of the
    icon's colours (black where it is transparent), then the mask."""
    colours = sorted({p[:3] for row in c.px for p in row if p[3]} | {(0, 0, 0)})
    if len(colours) > 16:
        raise ValueError('the icon has more than 16 colours')
    index = {colour: i for i, colour in enumerate(colours)}
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in colours) + bytes(4 * (16 - len(colours)))
    stride = ((c.width * 4 + 31) // 32) * 4
    mask_stride = ((c.width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(c.px):
        pixels = bytearray(stride)
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                pixels[x // 2] |= index[p[:3]] << (4 if x % 2 == 0 else 0)
        xor += pixels
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, c.width, c.height * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return info + palette + bytes(xor) + bytes(mask)


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
        entries += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 16 if image is images[0] else 0, 0, 1, 4 if image is images[0] else 32, len(image), offset)
        offset += len(image)
    return directory + entries + b''.join(images)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    files = {
        'kova_large.ico': ico_bytes([icon(size) for size in (32, 40, 48, 64)]),
        'kova_small.ico': ico_bytes([icon(size) for size in (16, 20, 24, 32)]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
