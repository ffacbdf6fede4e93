#!/usr/bin/env python3
"""Draws the twelve menu icons and writes them as 16-colour BMP files.

    make_menu_icons.py OUTPUT_DIR

Each icon is 16x16 pixels, 4 bits per pixel with the standard 16-colour
palette. Light grey 192,192,192 is the background: after the system-colour
mapping it becomes the button face colour, which the menu uses as the mask
colour, so it is transparent. Black, dark grey 128,128,128 and white are
mapped to the button text, shadow and highlight colours.

Where a command also has a toolbar button or a tab, the icon is that picture
(from make_pictures.py), brought to the 16 colours.

Standard library only.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_pictures as pictures  # noqa: E402

# The standard 16-colour palette, in its usual order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BACKGROUND = (192, 192, 192)
BACKGROUND_INDEX = PALETTE.index(BACKGROUND)

# Bitmap resource id -> (file name, drawing).
ICONS = {
    160: ('menu_open_file.bmp', pictures.open_file),
    161: ('menu_save_file.bmp', pictures.save_file),
    163: ('menu_factory.bmp', pictures.factory),
    166: ('menu_ip_address.bmp', pictures.network),
    167: ('menu_fine_adjust.bmp', pictures.fine_adjust),
    192: ('menu_param1.bmp', lambda: pictures.sliders(pictures.ONE)),
    193: ('menu_select_printer.bmp', pictures.select_printer),
    194: ('menu_send.bmp', pictures.send_to_printer),
    195: ('menu_test_print.bmp', pictures.test_print),
    211: ('menu_dipsw.bmp', pictures.dip_switches),
    213: ('menu_read.bmp', pictures.read_from_printer),
    217: ('menu_param2.bmp', lambda: pictures.sliders(pictures.TWO)),
}


def palette_index(colour):
    """Nearest palette colour; only the background itself becomes light grey,
    so no drawn pixel turns transparent."""
    if colour == BACKGROUND:
        return BACKGROUND_INDEX
    best, best_distance = 0, None
    for i, p in enumerate(PALETTE):
        if i == BACKGROUND_INDEX:
            continue
        distance = sum((a - b) ** 2 for a, b in zip(colour, p))
        if best_distance is None or distance < best_distance:
            best, best_distance = i, distance
    return best


def bmp4_bytes(canvas):
    """4-bit bottom-up BMP with the 16-colour palette."""
    width, height = canvas.width, canvas.height
    row = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray(row)
        for x in range(width):
            index = palette_index(canvas.pixels[y][x])
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += line
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    return header + info + colours + bytes(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw in ICONS.values():
        canvas = draw()
        assert (canvas.width, canvas.height) == (16, 16), name
        with open(os.path.join(out, name), 'wb') as f:
            f.write(bmp4_bytes(canvas))


if __name__ == '__main__':
    main()
