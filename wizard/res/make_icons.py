#!/usr/bin/env python3
"""Writes the program's two icons (32x32 and 16x16, 32 bits with alpha): a disc with a white
"V", blue for the product's own branding (Vantolin.ico), green for the partner's (Partner.ico).
The .ico files are committed; run this again only to change them."""
import os
import struct
import sys


def pixels(size, colour):
    rows = []
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - c, y - c
            inside = dx * dx + dy * dy <= r * r
            # The "V": two strokes from the top corners of the disc's inner square to its bottom.
            t = y / (size - 1.0)
            left = size * 0.22 + t * size * 0.28
            right = size * 0.78 - t * size * 0.28
            stroke = size * 0.11
            on_v = 0.2 * size <= y <= 0.8 * size and (abs(x - left) <= stroke or abs(x - right) <= stroke)
            if not inside:
                row.append((0, 0, 0, 0))
            elif on_v:
                row.append((255, 255, 255, 255))
            else:
                row.append(colour + (255,))
        rows.append(row)
    return rows


def image(size, colour):
    rows = pixels(size, colour)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + xor + mask


def icon(colour):
    sizes = (32, 16)
    images = [image(s, colour) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, colour in (('Vantolin.ico', (32, 96, 200)), ('Partner.ico', (40, 150, 70))):
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(icon(colour))


if __name__ == '__main__':
    main()
