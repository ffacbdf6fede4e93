#!/usr/bin/env python3
"""Draws the installer's icon and writes it as an ICO file.

    make_icon.py OUTPUT.ico

A box with an arrow into it, 16x16 and 32x32, 32 bits per pixel with an
alpha channel. Standard library only.
"""
import struct
import sys

CLEAR = (0, 0, 0, 0)
BOX = (40, 96, 200, 255)
EDGE = (0, 32, 120, 255)
ARROW = (32, 160, 48, 255)


def draw(size):
    """Rows from the top, each a list of RGBA tuples."""
    s = size / 16.0
    pixels = [[CLEAR] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int((y1 + 1) * s)):
            for x in range(int(x0 * s), int((x1 + 1) * s)):
                pixels[y][x] = colour

    rect(1, 7, 14, 15, EDGE)
    rect(2, 8, 13, 14, BOX)
    rect(6, 0, 9, 6, ARROW)          # the shaft
    rect(4, 5, 11, 6, ARROW)         # the head
    rect(5, 7, 10, 7, ARROW)
    rect(6, 8, 9, 8, ARROW)
    return pixels


def dib(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_mask += bits
    return header + xor + bytes(and_mask)


def main():
    images = [dib(draw(16)), dib(draw(32))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, data in zip((16, 32), images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], 'wb') as f:
        f.write(out + entries + b''.join(images))


if __name__ == '__main__':
    main()
