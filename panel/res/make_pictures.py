#!/usr/bin/env python3
"""Draws the panel program's pictures and writes them as BMP and ICO files.

    make_pictures.py OUTPUT_DIR

toolbar.bmp  bitmap 150: seven 16x16 toolbar images (112x16), grey background
tabs.bmp     bitmap 196: five 16x16 tab images (80x16), mask colour 192,192,192
tamsel.ico   icon 198: the program (16x16 and 32x32)
readfail.ico icon 220: a printer that did not answer (32x32 and 16x16)

Standard library only; the drawings are small pixel programs below.
"""
import os
import struct
import sys

GREY = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
DARK = (96, 96, 96)
MID = (128, 128, 128)
LIGHT = (224, 224, 224)
BLUE = (0, 64, 192)
NAVY = (0, 0, 128)
GREEN = (0, 144, 0)
RED = (208, 0, 0)
YELLOW = (248, 208, 64)
BROWN = (160, 112, 0)
ORANGE = (240, 136, 0)


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background for _ in range(width)] for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Filled rectangle, corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def blit(self, other, ox, oy):
        for y in range(other.height):
            for x in range(other.width):
                self.put(ox + x, oy + y, other.pixels[y][x])


# --- 16x16 drawings ------------------------------------------------------------

def printer(c, ox=0, oy=0):
    """A small label printer: body, paper slot and a label coming out."""
    c.rect(ox + 1, oy + 7, ox + 14, oy + 13, MID)
    c.frame(ox + 1, oy + 7, ox + 14, oy + 13, BLACK)
    c.rect(ox + 2, oy + 8, ox + 13, oy + 8, LIGHT)
    c.rect(ox + 4, oy + 3, ox + 11, oy + 7, WHITE)
    c.frame(ox + 4, oy + 3, ox + 11, oy + 7, BLACK)
    c.put(ox + 12, oy + 10, GREEN)
    c.rect(ox + 3, oy + 11, ox + 10, oy + 11, DARK)


def arrow_down(c, x, y, colour):
    c.rect(x, y, x + 1, y + 3, colour)
    c.line(x - 2, y + 3, x, y + 5, colour)
    c.line(x + 3, y + 3, x + 1, y + 5, colour)
    c.rect(x - 1, y + 3, x + 2, y + 3, colour)
    c.rect(x, y + 4, x + 1, y + 4, colour)


def arrow_up(c, x, y, colour):
    c.rect(x, y + 2, x + 1, y + 5, colour)
    c.rect(x - 1, y + 2, x + 2, y + 2, colour)
    c.line(x - 2, y + 2, x, y, colour)
    c.line(x + 3, y + 2, x + 1, y, colour)
    c.rect(x, y + 1, x + 1, y + 1, colour)


def open_file():
    c = Canvas(16, 16, GREY)
    c.rect(1, 3, 6, 4, YELLOW)
    c.frame(1, 3, 6, 4, BROWN)
    c.rect(1, 5, 13, 13, YELLOW)
    c.frame(1, 5, 13, 13, BROWN)
    c.rect(3, 8, 15, 13, ORANGE)
    c.line(3, 8, 15, 8, BROWN)
    c.line(15, 8, 13, 13, BROWN)
    c.line(1, 13, 13, 13, BROWN)
    return c


def save_file():
    c = Canvas(16, 16, GREY)
    c.rect(1, 1, 14, 14, NAVY)
    c.rect(4, 1, 11, 6, WHITE)
    c.rect(9, 2, 10, 5, NAVY)
    c.rect(3, 9, 12, 14, LIGHT)
    c.rect(4, 10, 11, 10, MID)
    c.rect(4, 12, 11, 12, MID)
    c.put(1, 1, GREY)
    return c


def send_to_printer():
    c = Canvas(16, 16, GREY)
    printer(c, 0, 2)
    arrow_down(c, 7, 0, GREEN)
    return c


def read_from_printer():
    c = Canvas(16, 16, GREY)
    printer(c, 0, 2)
    c.rect(4, 0, 11, 0, GREY)
    arrow_up(c, 7, 0, BLUE)
    return c


def factory():
    c = Canvas(16, 16, GREY)
    c.rect(1, 7, 14, 14, BROWN)
    c.frame(1, 7, 14, 14, BLACK)
    c.line(1, 7, 5, 4, BLACK)
    c.line(5, 4, 5, 7, BLACK)
    c.line(5, 7, 9, 4, BLACK)
    c.line(9, 4, 9, 7, BLACK)
    c.rect(11, 1, 13, 7, DARK)
    c.frame(11, 1, 13, 7, BLACK)
    for x in (3, 7):
        c.rect(x, 10, x + 2, 12, YELLOW)
    c.rect(11, 10, 12, 14, BLACK)
    return c


def select_printer():
    c = Canvas(16, 16, GREY)
    c.rect(0, 0, 9, 8, WHITE)
    c.frame(0, 0, 9, 8, BLACK)
    for y in (2, 4, 6):
        c.rect(2, y, 7, y, NAVY)
    c.rect(1, 3, 8, 5, (160, 200, 255))
    c.rect(2, 4, 7, 4, NAVY)
    small = Canvas(16, 16, GREY)
    printer(small)
    for y in range(16):
        for x in range(16):
            if small.pixels[y][x] != GREY and x >= 4 and y >= 5:
                c.put(x + 1, y + 1, small.pixels[y][x])
    return c


def test_print():
    c = Canvas(16, 16, GREY)
    c.rect(2, 1, 13, 14, WHITE)
    c.frame(2, 1, 13, 14, BLACK)
    for x in (4, 5, 7, 9, 10, 11):
        c.rect(x, 3, x, 9, BLACK)
    c.rect(4, 11, 11, 11, MID)
    c.rect(4, 13, 9, 13, MID)
    return c


def sliders(number_pixels):
    c = Canvas(16, 16, GREY)
    c.rect(1, 1, 14, 14, WHITE)
    c.frame(1, 1, 14, 14, DARK)
    for y, knob in ((4, 4), (8, 9), (12, 6)):
        c.rect(3, y, 12, y, MID)
        c.rect(knob - 1, y - 1, knob + 1, y + 1, BLUE)
    for (x, y) in number_pixels:
        c.put(x, y, RED)
    return c


ONE = [(12, 2), (12, 3), (12, 4), (12, 5), (11, 3)]
TWO = [(11, 2), (12, 2), (13, 3), (12, 4), (11, 5), (12, 5), (13, 5)]


def fine_adjust():
    c = Canvas(16, 16, GREY)
    c.rect(0, 9, 15, 14, YELLOW)
    c.frame(0, 9, 15, 14, BROWN)
    for x in range(1, 15, 2):
        c.rect(x, 10, x, 11 if x % 4 == 1 else 10, BLACK)
    c.rect(2, 3, 6, 3, NAVY)
    c.rect(4, 1, 4, 5, NAVY)
    c.rect(9, 3, 13, 3, NAVY)
    return c


def network():
    c = Canvas(16, 16, GREY)
    for box in ((5, 0), (0, 10), (10, 10)):
        x, y = box
        c.rect(x, y, x + 5, y + 4, (160, 200, 255))
        c.frame(x, y, x + 5, y + 4, NAVY)
    c.rect(7, 5, 8, 7, BLACK)
    c.rect(2, 7, 13, 7, BLACK)
    c.rect(2, 7, 3, 9, BLACK)
    c.rect(12, 7, 13, 9, BLACK)
    return c


def dip_switches():
    c = Canvas(16, 16, GREY)
    c.rect(0, 3, 15, 12, RED)
    c.frame(0, 3, 15, 12, BLACK)
    for i, on in enumerate((1, 0, 1, 1, 0)):
        x = 1 + i * 3
        c.rect(x, 5, x + 1, 10, WHITE)
        if on:
            c.rect(x, 5, x + 1, 7, DARK)
        else:
            c.rect(x, 8, x + 1, 10, DARK)
    return c


def strip(images):
    c = Canvas(16 * len(images), 16, GREY)
    for i, image in enumerate(images):
        c.blit(image, 16 * i, 0)
    return c


# --- Icons (None = transparent) -------------------------------------------------

def program_icon(size):
    c = Canvas(size, size, None)
    s = size / 16.0

    def r(x0, y0, x1, y1, colour):
        c.rect(int(x0 * s), int(y0 * s), int((x1 + 1) * s) - 1, int((y1 + 1) * s) - 1, colour)

    r(1, 6, 14, 13, MID)
    r(2, 7, 13, 7, LIGHT)
    r(1, 13, 14, 13, BLACK)
    r(1, 6, 1, 13, BLACK)
    r(14, 6, 14, 13, BLACK)
    r(1, 6, 14, 6, BLACK)
    r(4, 1, 11, 6, WHITE)
    r(4, 1, 4, 6, BLACK)
    r(11, 1, 11, 6, BLACK)
    r(4, 1, 11, 1, BLACK)
    r(3, 10, 10, 10, DARK)
    r(12, 9, 12, 9, GREEN)
    r(4, 14, 11, 15, YELLOW)
    r(6, 3, 9, 3, BLUE)
    r(6, 4, 8, 4, BLUE)
    return c


def read_fail_icon(size):
    c = program_icon(size)
    s = size / 16.0
    t = max(1, int(s))
    x0, y0, x1, y1 = int(7 * s), int(7 * s), size - 1, size - 1
    c.rect(x0, y0, x1, y1, WHITE)
    for k in range(t + 1):
        c.line(x0 + 1 + k, y0 + 1, x1 - 1, y1 - 1 - k, RED)
        c.line(x0 + 1, y0 + 1 + k, x1 - 1 - k, y1 - 1, RED)
        c.line(x1 - 1 - k, y0 + 1, x0 + 1, y1 - 1 - k, RED)
        c.line(x1 - 1, y0 + 1 + k, x0 + 1 + k, y1 - 1, RED)
    c.frame(x0, y0, x1, y1, RED)
    return c


# --- Files ----------------------------------------------------------------------

def bmp_bytes(c):
    """24-bit bottom-up BMP."""
    row = (c.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(c.height - 1, -1, -1):
        line = bytearray()
        for x in range(c.width):
            r, g, b = c.pixels[y][x]
            line += bytes((b, g, r))
        line += bytes(row - len(line))
        data += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, c.width, c.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def icon_image(c):
    """32-bit BGRA DIB with its AND mask, as an icon file holds it."""
    xor = bytearray()
    for y in range(c.height - 1, -1, -1):
        for x in range(c.width):
            p = c.pixels[y][x]
            xor += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
    mask_row = ((c.width + 31) // 32) * 4
    mask = bytearray()
    for y in range(c.height - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(c.width):
            if c.pixels[y][x] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, c.width, c.height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        'toolbar.bmp': bmp_bytes(strip([open_file(), save_file(), send_to_printer(), read_from_printer(),
                                        factory(), select_printer(), test_print()])),
        'tabs.bmp': bmp_bytes(strip([sliders(ONE), sliders(TWO), fine_adjust(), network(), dip_switches()])),
        'tamsel.ico': ico_bytes([program_icon(16), program_icon(32)]),
        'readfail.ico': ico_bytes([read_fail_icon(32), read_fail_icon(16)]),
    }
    for name, data in files.items():
        path = os.path.join(out, name)
        with open(path, 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
