#!/usr/bin/env python3
"""Draws the program's icon: one 48x48 image, 32 bits per pixel, written as a .ico file.

    python3 make_icon.py OUTPUT.ico

A green rounded square (the colour of the window's title strip) holding a white server rack of
three units, each with a green status light. Standard library only; the same bytes on every run.
"""
import struct
import sys

SIZE = 48
SUPERSAMPLES = 4  # per axis, for smooth edges
CORNER_RADIUS = 9.0
MARGIN = 1.0
GREEN = (0, 224, 128)  # RGB(0,224,128), the title strip
WHITE = (255, 255, 255)
LIGHT = (0, 224, 128)
RACK_LEFT, RACK_RIGHT = 10.0, 38.0
UNIT_TOPS = (10.0, 20.5, 31.0)
UNIT_HEIGHT = 7.5
UNIT_RADIUS = 2.0
LIGHT_CENTRE_X = 32.5
LIGHT_RADIUS = 1.9
SLOT_LEFT, SLOT_RIGHT, SLOT_HEIGHT = 14.0, 26.0, 1.6

BITMAPINFOHEADER_BYTES = 40
BI_RGB = 0
ICONDIR_BYTES = 6
ICONDIRENTRY_BYTES = 16


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def colour_at(x, y):
    """The colour at one sample point, or None outside the icon."""
    if not inside_rounded_rect(x, y, MARGIN, MARGIN, SIZE - MARGIN, SIZE - MARGIN, CORNER_RADIUS):
        return None
    for top in UNIT_TOPS:
        bottom = top + UNIT_HEIGHT
        if inside_rounded_rect(x, y, RACK_LEFT, top, RACK_RIGHT, bottom, UNIT_RADIUS):
            middle = (top + bottom) / 2
            if (x - LIGHT_CENTRE_X) ** 2 + (y - middle) ** 2 <= LIGHT_RADIUS ** 2:
                return LIGHT
            if SLOT_LEFT <= x <= SLOT_RIGHT and abs(y - middle) <= SLOT_HEIGHT / 2:
                return GREEN
            return WHITE
    return GREEN


def pixel(px, py):
    """Averages the samples of one pixel into premultiplication-free BGRA."""
    total = [0, 0, 0]
    covered = 0
    for sy in range(SUPERSAMPLES):
        for sx in range(SUPERSAMPLES):
            colour = colour_at(px + (sx + 0.5) / SUPERSAMPLES, py + (sy + 0.5) / SUPERSAMPLES)
            if colour is None:
                continue
            covered += 1
            for i in range(3):
                total[i] += colour[i]
    if covered == 0:
        return bytes((0, 0, 0, 0))
    r, g, b = (round(t / covered) for t in total)
    alpha = round(255 * covered / SUPERSAMPLES ** 2)
    return bytes((b, g, r, alpha))


def icon_image():
    """BITMAPINFOHEADER, the BGRA rows bottom-up, then the AND mask (1 = transparent)."""
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    mask_row_bytes = ((SIZE + 31) // 32) * 4
    colour_bytes = SIZE * SIZE * 4
    mask_bytes = mask_row_bytes * SIZE
    header = struct.pack("<IiiHHIIiiII", BITMAPINFOHEADER_BYTES, SIZE, SIZE * 2, 1, 32, BI_RGB,
                         colour_bytes + mask_bytes, 0, 0, 0, 0)
    colour = b"".join(b"".join(row) for row in reversed(rows))
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, bgra in enumerate(row):
            if bgra[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    image = icon_image()
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), ICONDIR_BYTES + ICONDIRENTRY_BYTES)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main()
