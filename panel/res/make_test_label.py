#!/usr/bin/env python3
"""Draws the test label, bitmap 191, for a 305 dpi printer.

    make_test_label.py OUTPUT_DIR

testlabel.bmp  1244 x 707 pixels, 24 bits per pixel, uncompressed, no colour
               table, bottom-up; the resource compiler keeps everything
               behind the 14-byte file header (40-byte header + pixels)
testlabel.png  the same picture, for looking at it

Black on white: the title 印刷試験 at the top left, and inside a frame a
Code 39 bar code of ABCDEF with its text *ABCDEF*, the word ゴシック in the
IPA Gothic typeface, a QR code, and an Interleaved 2 of 5 bar code of
12345678901234567890 with the digits under it.

One picture pixel is one printer dot at 305 dpi, so every bar is a whole
number of pixels: the modules below are exact. Text is drawn by ImageMagick
with the IPA Gothic font and the QR code's modules come from qrencode; both
are thresholded to pure black and white.
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

WIDTH = 1244
HEIGHT = 707

FONT_NAMES = ("IPAGothic", "IPAPGothic")
FONT_FALLBACK = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"

# Code 39: narrow and wide element, and the gap between characters (narrow).
CODE39_NARROW = 4
CODE39_WIDE = 10
CODE39_TEXT = "ABCDEF"
# Nine elements per character, bar first; 1 = wide.
CODE39_PATTERNS = {
    "A": "100001001", "B": "001001001", "C": "101001000",
    "D": "000011001", "E": "100011000", "F": "001011000",
    "*": "010010100",
}

# Interleaved 2 of 5: narrow and wide element.
ITF_NARROW = 4
ITF_WIDE = 12
ITF_DIGITS = "1234567890" * 2
# Five elements per digit; 1 = wide.
ITF_PATTERNS = {
    "0": "00110", "1": "10001", "2": "01001", "3": "11000", "4": "00101",
    "5": "10100", "6": "01100", "7": "00011", "8": "10010", "9": "01010",
}

QR_TEXT = "KVT Vantorelli 7K4R2B-55 TEST LABEL"
QR_MODULE = 8

# Layout (pixels, top-left origin).
TITLE_X, TITLE_Y, TITLE_SIZE = 20, 10, 64
FRAME = (12, 92, 1231, 694)
FRAME_LINE = 4
CODE39_X, CODE39_Y, CODE39_HEIGHT = 70, 122, 140
CODE39_TEXT_Y, TEXT_SIZE = 272, 44
GOTHIC_X, GOTHIC_Y, GOTHIC_SIZE = 70, 360, 80
QR_RIGHT, QR_Y = 1180, 122
ITF_Y, ITF_HEIGHT = 478, 130
ITF_TEXT_Y = 616


class Canvas:
    """One byte per pixel: 1 black, 0 white."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.dots = bytearray(width * height)

    def fill(self, x, y, w, h):
        assert 0 <= x and x + w <= self.width and 0 <= y and y + h <= self.height, (x, y, w, h)
        for row in range(y, y + h):
            start = row * self.width + x
            self.dots[start:start + w] = b"\x01" * w

    def blit(self, x, y, mask, w, h):
        assert 0 <= x and x + w <= self.width and 0 <= y and y + h <= self.height, (x, y, w, h)
        for row in range(h):
            for col in range(w):
                if mask[row * w + col]:
                    self.dots[(y + row) * self.width + x + col] = 1


def font_file():
    if shutil.which("fc-match"):
        for name in FONT_NAMES:
            found = subprocess.run(["fc-match", "-f", "%{file}", name], capture_output=True, text=True).stdout
            if found and "ipag" in os.path.basename(found).lower() and os.path.exists(found):
                return found
    if os.path.exists(FONT_FALLBACK):
        return FONT_FALLBACK
    sys.exit("make_test_label: the IPA Gothic font is missing (fonts-ipafont-gothic)")


def render_text(text, size):
    """The text as a tight black-and-white mask, drawn by ImageMagick."""
    tool = shutil.which("convert") or sys.exit("make_test_label: ImageMagick's convert is missing")
    pgm = subprocess.run(
        [tool, "-background", "white", "-fill", "black", "-font", font_file(), "-pointsize", str(size),
         "label:" + text, "-trim", "+repage", "-depth", "8", "pgm:-"],
        capture_output=True, check=True).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
        while pgm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not pgm[end:end + 1].isspace():
            end += 1
        fields.append(pgm[pos:end])
        pos = end
    pos += 1
    assert fields[0] == b"P5" and fields[3] == b"255", fields
    w, h = int(fields[1]), int(fields[2])
    grey = pgm[pos:pos + w * h]
    return bytes(1 if g < 128 else 0 for g in grey), w, h


def draw_text(canvas, text, size, x, y, centre_x=None):
    mask, w, h = render_text(text, size)
    if centre_x is not None:
        x = centre_x - w // 2
    canvas.blit(x, y, mask, w, h)
    return w, h


def code39_widths(text):
    """Element widths of *text*, bar first, the gaps between characters included."""
    widths = []
    chars = "*" + text + "*"
    for i, ch in enumerate(chars):
        widths += [CODE39_WIDE if e == "1" else CODE39_NARROW for e in CODE39_PATTERNS[ch]]
        if i + 1 < len(chars):
            widths.append(CODE39_NARROW)
    return widths


def itf_widths(digits):
    assert len(digits) % 2 == 0
    widths = [ITF_NARROW] * 4  # start: bar, space, bar, space
    for i in range(0, len(digits), 2):
        bars, spaces = ITF_PATTERNS[digits[i]], ITF_PATTERNS[digits[i + 1]]
        for b, s in zip(bars, spaces):
            widths.append(ITF_WIDE if b == "1" else ITF_NARROW)
            widths.append(ITF_WIDE if s == "1" else ITF_NARROW)
    widths += [ITF_WIDE, ITF_NARROW, ITF_NARROW]  # stop: wide bar, space, bar
    return widths


def draw_bars(canvas, widths, x, y, height):
    for i, w in enumerate(widths):
        if i % 2 == 0:
            canvas.fill(x, y, w, height)
        x += w
    return x


def qr_modules(text):
    tool = shutil.which("qrencode") or sys.exit("make_test_label: qrencode is missing (Debian package qrencode)")
    art = subprocess.run([tool, "-t", "ASCII", "-m", "0", "-l", "M", "-o", "-", text],
                         capture_output=True, check=True, text=True).stdout
    rows = [line[0::2] for line in art.splitlines() if line]
    assert all(len(r) == len(rows) for r in rows), "qrencode gave a non-square code"
    return [[ch == "#" for ch in r] for r in rows]


def draw_qr(canvas, modules, right, y):
    n = len(modules)
    x = right - n * QR_MODULE
    for r, row in enumerate(modules):
        for c, black in enumerate(row):
            if black:
                canvas.fill(x + c * QR_MODULE, y + r * QR_MODULE, QR_MODULE, QR_MODULE)


def draw_label():
    canvas = Canvas(WIDTH, HEIGHT)
    draw_text(canvas, "印刷試験", TITLE_SIZE, TITLE_X, TITLE_Y)

    x0, y0, x1, y1 = FRAME
    canvas.fill(x0, y0, x1 - x0 + 1, FRAME_LINE)
    canvas.fill(x0, y1 - FRAME_LINE + 1, x1 - x0 + 1, FRAME_LINE)
    canvas.fill(x0, y0, FRAME_LINE, y1 - y0 + 1)
    canvas.fill(x1 - FRAME_LINE + 1, y0, FRAME_LINE, y1 - y0 + 1)

    widths = code39_widths(CODE39_TEXT)
    end = draw_bars(canvas, widths, CODE39_X, CODE39_Y, CODE39_HEIGHT)
    draw_text(canvas, "*" + CODE39_TEXT + "*", TEXT_SIZE, 0, CODE39_TEXT_Y, centre_x=(CODE39_X + end) // 2)

    draw_text(canvas, "ゴシック", GOTHIC_SIZE, GOTHIC_X, GOTHIC_Y)

    draw_qr(canvas, qr_modules(QR_TEXT), QR_RIGHT, QR_Y)

    widths = itf_widths(ITF_DIGITS)
    itf_x = (WIDTH - sum(widths)) // 2
    draw_bars(canvas, widths, itf_x, ITF_Y, ITF_HEIGHT)
    draw_text(canvas, ITF_DIGITS, TEXT_SIZE, 0, ITF_TEXT_Y, centre_x=WIDTH // 2)
    return canvas


def bmp_bytes(canvas):
    row_size = canvas.width * 3  # 3732: already a multiple of 4
    assert row_size % 4 == 0
    image_size = row_size * canvas.height
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, image_size, 12008, 12008, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + image_size, 0, 0, 14 + 40)
    rows = []
    for y in range(canvas.height - 1, -1, -1):  # bottom-up
        line = canvas.dots[y * canvas.width:(y + 1) * canvas.width]
        rows.append(line.translate(bytes([255] + [0] * 255)).replace(b"\xff", b"\xff\xff\xff").replace(
            b"\x00", b"\x00\x00\x00"))
    return head + info + b"".join(rows)


def png_bytes(canvas):
    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)
        raw += canvas.dots[y * canvas.width:(y + 1) * canvas.width].translate(bytes([255] + [0] * 255))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_test_label.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    canvas = draw_label()
    for name, data in (("testlabel.bmp", bmp_bytes(canvas)), ("testlabel.png", png_bytes(canvas))):
        with open(os.path.join(out, name + ".part"), "wb") as f:
            f.write(data)
        os.replace(os.path.join(out, name + ".part"), os.path.join(out, name))


if __name__ == "__main__":
    main()
