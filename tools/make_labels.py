#!/usr/bin/env python3
"""Writes the axis label images img/x.tga, img/y.tga and img/z.tga.

The viewer uploads the first 12288 bytes of each file, header included, as a
64 x 64 RGB texture whose first row is the bottom one. So the picture is laid
out for that reading: the 18-byte TGA header takes the place of the first six
pixels (bottom-left corner, kept clear of the letter), the rest of the block
follows, and 18 white bytes complete the TGA pixel data. Letters are dark
grey on white (grey, so that RGB and TGA's BGR order agree).
"""
import math
import pathlib

SIZE = 64
INK = 24          # letter grey level
HALF_WIDTH = 3.2  # stroke half width, pixels

# Strokes in unit coordinates, y up.
LETTERS = {
    "x": [((0.25, 0.2), (0.75, 0.8)), ((0.25, 0.8), (0.75, 0.2))],
    "y": [((0.25, 0.8), (0.5, 0.5)), ((0.75, 0.8), (0.5, 0.5)), ((0.5, 0.5), (0.5, 0.18))],
    "z": [((0.25, 0.8), (0.75, 0.8)), ((0.75, 0.8), (0.25, 0.2)), ((0.25, 0.2), (0.75, 0.2))],
}


def distance(px, py, a, b):
    ax, ay = a[0] * (SIZE - 1), a[1] * (SIZE - 1)
    bx, by = b[0] * (SIZE - 1), b[1] * (SIZE - 1)
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def texture(strokes):
    """64 x 64 RGB bytes, bottom row first."""
    out = bytearray()
    for row in range(SIZE):
        for col in range(SIZE):
            d = min(distance(col, row, a, b) for a, b in strokes)
            cover = max(0.0, min(1.0, HALF_WIDTH + 0.5 - d))  # one-pixel soft edge
            level = round(255 - cover * (255 - INK))
            out += bytes((level, level, level))
    return out


def tga(block):
    header = bytes([0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, SIZE, 0, SIZE, 0, 24, 0])
    return header + block[len(header):] + b"\xff" * len(header)


def main():
    folder = pathlib.Path(__file__).resolve().parent.parent / "img"
    folder.mkdir(exist_ok=True)
    for letter, strokes in LETTERS.items():
        (folder / f"{letter}.tga").write_bytes(tga(texture(strokes)))


if __name__ == "__main__":
    main()
