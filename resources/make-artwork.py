#!/usr/bin/env python3
"""Writes the placeholder artwork of VamoSetup: one 24-bit BMP per picture
resource, in the size the dialogs expect, and the program icon. The pictures
are plain coloured panels; only their sizes and roles matter to the program.

usage: make-artwork.py OUTDIR
"""
import os
import struct
import sys

WHITE = (255, 255, 255)
GREY = (200, 200, 200)
DARK = (102, 102, 102)
PINK = (226, 86, 168)
RED = (220, 40, 40)
BLUE = (60, 110, 190)

# id: (width, height, fill colour, title-bar height)
PICTURES = {
    132: (61, 30, PINK, 0), 133: (61, 30, DARK, 0), 134: (61, 30, RED, 0),
    135: (17, 18, GREY, 0), 136: (17, 18, DARK, 0), 137: (17, 18, RED, 0),
    138: (61, 30, GREY, 0), 139: (61, 30, DARK, 0), 140: (61, 30, PINK, 0),
    141: (61, 30, GREY, 0), 142: (61, 30, DARK, 0), 143: (61, 30, PINK, 0),
    144: (111, 30, GREY, 0), 145: (111, 30, DARK, 0), 146: (111, 30, PINK, 0),
    147: (150, 16, PINK, 0), 148: (150, 16, DARK, 0), 149: (150, 16, WHITE, 0),
    150: (61, 30, DARK, 0), 151: (61, 30, RED, 0), 152: (61, 30, PINK, 0),
    160: (550, 450, WHITE, 50), 161: (550, 450, WHITE, 50), 162: (550, 450, WHITE, 50),
    163: (246, 22, WHITE, 0),
    164: (20, 20, PINK, 0), 175: (20, 20, GREY, 0),
    165: (85, 54, GREY, 0), 166: (85, 54, PINK, 0),
    167: (85, 54, GREY, 0), 168: (85, 54, PINK, 0),
    169: (85, 54, GREY, 0), 170: (85, 54, PINK, 0),
    171: (100, 54, GREY, 0), 172: (100, 54, PINK, 0),
    173: (55, 54, GREY, 0), 174: (55, 54, PINK, 0),
    176: (90, 90, BLUE, 0), 177: (90, 90, DARK, 0),
    178: (249, 12, GREY, 0), 179: (1, 12, RED, 0), 180: (1, 12, PINK, 0),
    185: (460, 266, WHITE, 0), 186: (17, 18, GREY, 0),
    187: (418, 1, GREY, 0), 188: (418, 1, GREY, 0),
    189: (337, 22, WHITE, 0), 190: (393, 29, WHITE, 0), 191: (460, 34, PINK, 0),
    193: (17, 17, RED, 0), 194: (336, 50, WHITE, 0),
    196: (65, 65, BLUE, 0), 197: (370, 20, WHITE, 0), 198: (65, 65, (80, 160, 80), 0),
    199: (65, 65, (230, 120, 40), 0), 200: (65, 65, (40, 120, 220), 0),
    201: (70, 65, (200, 30, 40), 0), 205: (65, 65, (60, 180, 60), 0),
    206: (65, 65, (40, 150, 230), 0), 208: (225, 11, WHITE, 0),
    209: (99, 30, DARK, 0), 210: (99, 30, RED, 0), 211: (99, 30, PINK, 0),
}


def darker(colour):
    return tuple(max(0, c - 60) for c in colour)


def pixels(width, height, fill, title):
    """Rows top to bottom of (r, g, b): a fill, a one-pixel frame on anything
    large enough to have one, and a pink title bar when asked for."""
    rows = []
    frame = darker(fill) if width > 2 and height > 2 else fill
    for y in range(height):
        row = []
        for x in range(width):
            if y < title:
                row.append(PINK)
            elif x in (0, width - 1) or y in (0, height - 1):
                row.append(frame)
            else:
                row.append(fill)
        rows.append(row)
    return rows


def bmp_bytes(width, height, rows):
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return file_header + header + bytes(data)


def icon_image(size):
    """One 32-bit icon image: BITMAPINFOHEADER with doubled height, XOR
    pixels bottom-up, then an all-zero AND mask."""
    rows = pixels(size, size, PINK, 0)
    data = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            data += bytes((b, g, r, 255))
    mask_stride = ((size + 31) // 32) * 4
    data += b"\0" * (mask_stride * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(data), 0, 0, 0, 0)
    return header + bytes(data)


def ico_bytes(sizes):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for ident, (width, height, fill, title) in sorted(PICTURES.items()):
        write_if_changed(os.path.join(out, "%d.bmp" % ident), bmp_bytes(width, height, pixels(width, height, fill, title)))
    write_if_changed(os.path.join(out, "vamo.ico"), ico_bytes([32, 16]))


if __name__ == "__main__":
    main()
