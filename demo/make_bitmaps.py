#!/usr/bin/env python3
"""Writes the neutral, kipsy and tollex branding bitmaps (24-bit .bmp) into a gfx folder."""
import struct
import sys
from pathlib import Path

SIZES = {"header": (49, 49), "watermark": (164, 314)}
COLOURS = {"neutral": ((40, 90, 160), (230, 240, 250)), "kipsy": ((160, 40, 90), (250, 230, 240)),
           "tollex": ((40, 140, 60), (230, 250, 235))}


def bitmap(width, height, top, bottom):
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):  # bottom-up rows: a vertical gradient from top to bottom colour
        t = y / max(height - 1, 1)
        r, g, b = (round(bottom[i] * (1 - t) + top[i] * t) for i in range(3))
        row = bytes((b, g, r)) * width
        rows.append(row + b"\0" * (row_size - len(row)))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for brand, (top, bottom) in COLOURS.items():
        for kind, (w, h) in SIZES.items():
            (out / f"{kind}_{brand}.bmp").write_bytes(bitmap(w, h, top, bottom))


if __name__ == "__main__":
    main()
