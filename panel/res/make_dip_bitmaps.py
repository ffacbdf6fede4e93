#!/usr/bin/env python3
"""Draws the DIP switch page's pictures as 4-bit BMP files.

  dipsw_block.bmp       351 x 82  the switch block: black body, ten white
                                  slots, "ON" upper left, "OFF" lower left,
                                  1-10 under the slots, a grey line across
                                  the slots' middle
  dipsw_lever_up.bmp     24 x 55  one slot with the red knob up (ON)
  dipsw_lever_down.bmp   24 x 55  one slot with the red knob down (OFF)

The page draws the block at 0,0 and a lever picture at x = 39 + 31 * (n - 1),
y = 7 for switch n, so the slots below are drawn at exactly those places.

Usage: make_dip_bitmaps.py OUTPUT_DIR
"""
import os
import struct
import sys

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, SILVER, GREY, RED, WHITE = 0, 1, 7, 8, 9, 15

SLOT_WIDTH, SLOT_HEIGHT = 24, 55
SLOT_TOP = 7
BLOCK_WIDTH, BLOCK_HEIGHT = 351, 82


def slot_left(n):
    return 39 + 31 * (n - 1)


# 5 x 7 glyphs, '#' = ink.
GLYPHS = {
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": [" ### ", "#   #", "    #", "  ## ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "5": ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    "6": [" ### ", "#    ", "#    ", "#### ", "#   #", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "8": [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    "9": [" ### ", "#   #", "#   #", " ####", "    #", "    #", " ### "],
}
GLYPH_WIDTH, GLYPH_HEIGHT, GLYPH_GAP = 5, 7, 1


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def fill(self, left, top, width, height, colour):
        for y in range(max(top, 0), min(top + height, self.height)):
            for x in range(max(left, 0), min(left + width, self.width)):
                self.pixels[y][x] = colour

    def text(self, left, top, text, colour):
        x = left
        for char in text:
            for row, line in enumerate(GLYPHS[char]):
                for column, ink in enumerate(line):
                    if ink == "#":
                        self.fill(x + column, top + row, 1, 1, colour)
            x += GLYPH_WIDTH + GLYPH_GAP

    def bmp(self):
        """The picture as a bottom-up BMP with 4 bits per pixel."""
        row_bytes = (self.width * 4 + 31) // 32 * 4
        rows = []
        for y in reversed(range(self.height)):
            line = self.pixels[y] + [0]
            packed = bytes((line[x] << 4) | line[x + 1] for x in range(0, self.width, 2))
            rows.append(packed.ljust(row_bytes, b"\0"))
        image = b"".join(rows)
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        file_header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
        info_header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 4, 0, len(image),
                                  2835, 2835, 16, 0)
        return file_header + info_header + palette + image


def text_width(text):
    return len(text) * (GLYPH_WIDTH + GLYPH_GAP) - GLYPH_GAP


def empty_slot(canvas, left, top):
    canvas.fill(left, top, SLOT_WIDTH, SLOT_HEIGHT, WHITE)
    # The grey line across the slot's middle, where the lever turns.
    canvas.fill(left, top + SLOT_HEIGHT // 2, SLOT_WIDTH, 1, GREY)


def block():
    canvas = Canvas(BLOCK_WIDTH, BLOCK_HEIGHT, BLACK)
    canvas.text(8, SLOT_TOP + 2, "ON", WHITE)
    canvas.text(5, SLOT_TOP + SLOT_HEIGHT - GLYPH_HEIGHT - 2, "OFF", WHITE)
    for n in range(1, 11):
        left = slot_left(n)
        empty_slot(canvas, left, SLOT_TOP)
        label = str(n)
        canvas.text(left + (SLOT_WIDTH - text_width(label)) // 2, SLOT_TOP + SLOT_HEIGHT + 5, label, WHITE)
    return canvas


def lever(up):
    canvas = Canvas(SLOT_WIDTH, SLOT_HEIGHT, WHITE)
    empty_slot(canvas, 0, 0)
    knob_height = SLOT_HEIGHT // 2 - 4
    top = 3 if up else SLOT_HEIGHT - 3 - knob_height
    canvas.fill(3, top, SLOT_WIDTH - 6, knob_height, DARK_RED)
    canvas.fill(4, top + 1, SLOT_WIDTH - 8, knob_height - 2, RED)
    # Grip lines across the knob.
    for y in range(top + 4, top + knob_height - 3, 4):
        canvas.fill(6, y, SLOT_WIDTH - 12, 1, DARK_RED)
    return canvas


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, canvas in (("dipsw_block.bmp", block()), ("dipsw_lever_up.bmp", lever(True)),
                         ("dipsw_lever_down.bmp", lever(False))):
        with open(os.path.join(out, name), "wb") as file:
            file.write(canvas.bmp())


if __name__ == "__main__":
    main()
