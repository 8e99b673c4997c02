#!/usr/bin/env python3
"""Draws the program's 16-colour icon (32x32 and 16x16) into Kazeban.ico.

Kept beside the icon so the picture can be changed and made again:
    python3 res/make_icon.py res/Kazeban.ico
"""
import struct
import sys

# The 16 colours of the Windows standard palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
DARK, GREEN, RED, WHITE = 4, 10, 9, 15  # navy, bright green, bright red, white


def draw(size):
    """A navy tile with a green rising and a red falling bar: a quote board."""
    pixels = [[DARK] * size for _ in range(size)]
    opaque = [[True] * size for _ in range(size)]
    s = size / 16.0
    for y in range(size):
        for x in range(size):
            # Rounded corners are transparent.
            cx, cy = min(x, size - 1 - x), min(y, size - 1 - y)
            if cx + cy < int(2 * s):
                opaque[y][x] = False
    def bar(x0, x1, y0, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                pixels[y][x] = colour
    bar(3, 6, 5, 13, GREEN)   # rising
    bar(7, 10, 8, 13, RED)    # falling
    bar(11, 14, 3, 13, GREEN)
    bar(2, 14, 13, 14, WHITE)  # baseline
    return pixels, opaque


def image(size):
    pixels, opaque = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_row = ((size * 4 + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor = b''
    mask = b''
    for y in reversed(range(size)):  # bottom-up
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(size):
            p = pixels[y][x] if opaque[y][x] else 0
            row[x // 2] |= p << (4 if x % 2 == 0 else 0)
            if not opaque[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(row)
        mask += bytes(bits)
    return header + palette + xor + mask


def main(path):
    images = [(32, image(32)), (16, image(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Kazeban.ico')
