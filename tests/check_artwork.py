#!/usr/bin/env python3
"""Checks the artwork in res/: the checked-in files are exactly what their
generators draw, and each icon is one 32x32 or 16x16 two-colour image with a
transparency mask showing a round white face with a black outline, two eye
bars and a mouth. Prints "artwork: N passed, N failed"."""
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

RES = Path(__file__).resolve().parent.parent / 'res'
passed = failed = 0


def check(name, problems):
    """Counts one check; `problems` says what is wrong, empty when nothing."""
    global passed, failed
    if problems:
        failed += 1
        print(f'{name}: {", ".join(problems)}')
    else:
        passed += 1


def read_icon(data):
    """(size, colour rows, mask rows) of a one-image 1-bit .ico, rows top-down;
    colour True is white, mask True is transparent."""
    assert struct.unpack_from('<HHH', data, 0) == (0, 1, 1), 'not a one-image icon'
    width, height, colours, _, _, bits, length, offset = struct.unpack_from('<BBBBHHII', data, 6)
    assert width == height and colours == 2 and bits == 1, 'not a two-colour square icon'
    header = struct.unpack_from('<IiiHH', data, offset)
    assert header == (40, width, 2 * height, 1, 1), f'bitmap header {header}'
    assert data[offset + 40:offset + 48] == bytes([0, 0, 0, 0, 255, 255, 255, 0]), \
        'palette is not black and white'
    assert offset + length == len(data), 'image size does not match the file'
    stride = (width + 31) // 32 * 4
    # Stored bottom-up: the colour rows, then the mask's.
    rows = [[bool(data[offset + 48 + y * stride + x // 8] & 0x80 >> x % 8) for x in range(width)]
            for y in range(2 * height)]
    return width, rows[:height][::-1], rows[height:][::-1]


def face_problems(path, size):
    try:
        width, colour, mask = read_icon(path.read_bytes())
    except AssertionError as error:
        return [str(error)]
    if width != size:
        return [f'{width}x{width}, not {size}x{size}']
    c, last, upper = size // 2, size - 1, range(size // 4, size // 2)
    expectations = {
        # Transparent outside the round face, opaque inside it.
        'corners transparent': all(mask[y][x] for y in (0, last) for x in (0, last)),
        'face opaque': not mask[c][c] and not mask[c][1] and not mask[1][c],
        'black outline': not colour[c][0] and not colour[0][c] and not colour[c][last],
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
            check(output, [] if same else [f'not what {generator} draws'])

for name, size in [('dusklid.ico', 32), ('dusklid_tray.ico', 16)]:
    check(name, face_problems(RES / name, size))
print(f'artwork: {passed} passed, {failed} failed')
sys.exit(1 if failed else 0)
