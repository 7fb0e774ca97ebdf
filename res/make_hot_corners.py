#!/usr/bin/env python3
"""Draws the small screen of the preferences dialog's hot-corner choice and
writes it as a 48x48, 16-colour .bmp file.

A screen with rounded corners: a dark cyan desktop, a blue task bar along
the bottom with a green button at its left, light grey outside the rounded
corners. The radio buttons of the dialog sit on its four corners. The
output is deterministic, so the checked-in file can be compared with a
fresh run.
"""
import struct
import sys
from pathlib import Path

SIZE = 48
RADIUS = 7          # of the rounded corners, in pixels
TASK_BAR = 8        # height of the task bar
# The usual 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
GREEN, DARK_CYAN, LIGHT_GREY, BLUE, WHITE = 2, 6, 7, 12, 15


def outside_rounded_corner(x, y):
    """True for pixels cut off by a corner's rounding."""
    for cx in (RADIUS - 0.5, SIZE - RADIUS - 0.5):
        for cy in (RADIUS - 0.5, SIZE - RADIUS - 0.5):
            in_corner_square = (x < RADIUS if cx < SIZE / 2 else x >= SIZE - RADIUS) and \
                               (y < RADIUS if cy < SIZE / 2 else y >= SIZE - RADIUS)
            if in_corner_square and (x - cx) ** 2 + (y - cy) ** 2 > RADIUS ** 2:
                return True
    return False


def draw_screen():
    pixels = [[DARK_CYAN] * SIZE for _ in range(SIZE)]
    for y in range(SIZE - TASK_BAR, SIZE):
        for x in range(SIZE):
            pixels[y][x] = BLUE
    # The button stays clear of the rounded corner.
    for y in range(SIZE - TASK_BAR + 2, SIZE - 2):
        for x in range(RADIUS + 1, RADIUS + 13):
            pixels[y][x] = GREEN
    for y in range(SIZE):
        for x in range(SIZE):
            if outside_rounded_corner(x, y):
                pixels[y][x] = LIGHT_GREY
    return pixels


def bitmap_bytes(pixels):
    """4 bits per pixel, rows bottom-up, each padded to 4 bytes."""
    stride = ((SIZE * 4 + 31) // 32) * 4
    rows = bytearray()
    for row in reversed(pixels):
        packed = bytearray(stride)
        for x, index in enumerate(row):
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows += packed
    palette = b''.join(bytes([b, g, r, 0]) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 4, 0, len(rows), 0, 0, 16, 0)
    header = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset)
    return header + info + palette + bytes(rows)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / 'hot_corners.bmp').write_bytes(bitmap_bytes(draw_screen()))


if __name__ == '__main__':
    main()
