#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files.

The face: a round white face with a black outline, two flat bars for eyes
and a short straight mouth; two colours, everything outside the face
transparent. Run it again after changing the drawing; the output is
deterministic, so the checked-in files can be compared with a fresh run.
"""
import struct
import sys
from pathlib import Path

BLACK, WHITE, CLEAR = 0, 1, 2


def draw_face(size):
    pixels = [[CLEAR] * size for _ in range(size)]
    centre = (size - 1) / 2.0
    outer = size / 2.0 - 0.25
    ring = max(1.0, size / 16.0)
    for y in range(size):
        for x in range(size):
            distance = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
            if distance <= outer - ring:
                pixels[y][x] = WHITE
            elif distance <= outer:
                pixels[y][x] = BLACK
    # Features scale with the icon: eyes and mouth are flat black bars.
    unit = size / 16.0
    bar = max(1, round(unit))

    def fill(left, top, width, height):
        for y in range(round(top), round(top) + height):
            for x in range(round(left), round(left) + round(width)):
                pixels[y][x] = BLACK

    fill(4 * unit, 5.5 * unit, 3 * unit, bar)      # left eye
    fill(9 * unit, 5.5 * unit, 3 * unit, bar)      # right eye
    fill(5.5 * unit, 10.5 * unit, 5 * unit, bar)   # mouth
    return pixels


def pack_rows(pixels, bit_of):
    """1 bit per pixel, rows bottom-up, each padded to 4 bytes."""
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        packed = bytearray(stride)
        for x, value in enumerate(row):
            if bit_of(value):
                packed[x // 8] |= 0x80 >> (x % 8)
        data += packed
    return bytes(data)


def icon_bytes(size):
    pixels = draw_face(size)
    colour = pack_rows(pixels, lambda v: v == WHITE)   # palette index 1 is white
    mask = pack_rows(pixels, lambda v: v == CLEAR)     # 1 = transparent
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0,
                         len(colour) + len(mask), 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + colour + mask
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 2, 0, 1, 1, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    (out / 'dusklid.ico').write_bytes(icon_bytes(32))
    (out / 'dusklid_tray.ico').write_bytes(icon_bytes(16))


if __name__ == '__main__':
    main()
