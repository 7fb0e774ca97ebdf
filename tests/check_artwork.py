#!/usr/bin/env python3
"""Checks the program's artwork in res/: the checked-in files are exactly
what their generators draw, and the icons are what Windows expects of them:
one 32x32 and one 16x16 image, two colours (black and white) with a
transparency mask, showing a round white face with a black outline, two eye
bars and a mouth. Prints "artwork: N passed, N failed"."""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

RES = Path(__file__).resolve().parent.parent / 'res'
passed = failed = 0


def check(name, condition, detail=''):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print(f'{name}: {detail}' if detail else name)


def read_icon(path):
    """(size, colour rows, mask rows) of a one-image, 1-bit .ico, rows top-down;
    colour True is white, mask True is transparent."""
    data = path.read_bytes()
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    assert (reserved, kind, count) == (0, 1, 1), 'not a one-image icon'
    width, height, colours, _, planes, bits, length, offset = struct.unpack_from('<BBBBHHII', data, 6)
    assert width == height and colours == 2 and bits == 1, 'not a two-colour square icon'
    header = struct.unpack_from('<IiiHHIIiiII', data, offset)
    assert header[0] == 40 and header[1] == width and header[2] == 2 * height and header[4] == 1
    palette = data[offset + 40:offset + 48]
    assert palette == bytes([0, 0, 0, 0, 255, 255, 255, 0]), 'palette is not black and white'
    stride = ((width + 31) // 32) * 4
    pixels = offset + 48

    def rows(start):
        out = []
        for y in range(height):
            row = data[start + y * stride:start + (y + 1) * stride]
            out.append([bool(row[x // 8] & (0x80 >> (x % 8))) for x in range(width)])
        return list(reversed(out))  # stored bottom-up

    assert offset + length == len(data), 'image size does not match the file'
    return width, rows(pixels), rows(pixels + stride * height)


def face_problems(path, size):
    """What is wrong with the icon's face; empty when nothing is."""
    try:
        width, colour, mask = read_icon(path)
    except AssertionError as error:
        return [str(error)]
    if width != size:
        return [f'{width}x{width}, not {size}x{size}']
    c = size // 2
    upper = range(size // 4, size // 2)
    expectations = {
        # Transparent outside the round face, opaque inside it.
        'corners transparent': all(mask[y][x] for y, x in
                                   [(0, 0), (0, size - 1), (size - 1, 0), (size - 1, size - 1)]),
        'face opaque': not mask[c][c] and not mask[c][1] and not mask[1][c],
        # A black outline on the edge of the face, white inside it.
        'black outline': not colour[c][0] and not colour[0][c] and not colour[c][size - 1],
        'white face': colour[c][c] and colour[size // 4][c],
        # Eyes: a black bar in each upper half; mouth: one below the middle.
        'left eye': any(not colour[y][x] for y in upper for x in range(size // 4, c - 1)),
        'right eye': any(not colour[y][x] for y in upper for x in range(c + 1, 3 * size // 4)),
        'mouth': any(not colour[y][c] for y in range(c + 2, 3 * size // 4 + 1)),
    }
    return [name for name, holds in expectations.items() if not holds]


with tempfile.TemporaryDirectory() as fresh:
    for generator, outputs in [('make_icons.py', ['dusklid.ico', 'dusklid_tray.ico']),
                               ('make_hot_corners.py', ['hot_corners.bmp'])]:
        subprocess.run([sys.executable, str(RES / generator), fresh], check=True)
        for output in outputs:
            same = (Path(fresh) / output).read_bytes() == (RES / output).read_bytes()
            check(f'{output} is what {generator} draws', same)

for name, size in [('dusklid.ico', 32), ('dusklid_tray.ico', 16)]:
    problems = face_problems(RES / name, size)
    check(f'{name} shows the face', not problems, ', '.join(problems))
print(f'artwork: {passed} passed, {failed} failed')
sys.exit(1 if failed else 0)
