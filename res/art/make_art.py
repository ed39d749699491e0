#!/usr/bin/env python3
"""Draws the program's pictures and writes them next to this script.

    python3 make_art.py [OUTPUT_DIR]

Icons (32x32, 32-bit colour with transparency and AND mask; the application icon also 16x16):
  app.ico (128), contact_reader.ico (143), general.ico (146), contactless_reader.ico (148),
  logo_130.ico ... logo_136.ico: the word mark "TALVEK" over four tiles (136, 133, 134, 135, left
  to right) and the emblem, two arcs around an open corner, over three tiles (130 top left, 132 top
  right, 131 bottom left), as the General page places them.
Bitmaps (107x19, 16 colours): status_error.bmp (137, red bar, black "Fehler"), status_ok.bmp (138,
  green bar, black "OK"); for the English module status_error_en.bmp (137, red bar, black "Error")
  and status_ok_en.bmp (138, the same green "OK").

Only the standard library is used and nothing depends on the time or the machine, so the files are
the same byte for byte at every run.
"""

import math
import os
import struct
import sys

# --- a 5x7 pixel font of the letters we need ------------------------------------------------------

GLYPHS = {
    'F': ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'h': ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    'l': [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
}


def text_shape(text, x0, y0, scale, gap):
    """A shape covering the glyph pixels of `text`, top-left corner at (x0, y0)."""
    cells = set()
    for index, char in enumerate(text):
        left = index * (5 + gap)
        for row, line in enumerate(GLYPHS[char]):
            for col, mark in enumerate(line):
                if mark == '#':
                    cells.add((left + col, row))

    def inside(x, y):
        cx = math.floor((x - x0) / scale)
        cy = math.floor((y - y0) / scale)
        return (cx, cy) in cells
    return inside


def text_width(text, scale, gap):
    return (len(text) * (5 + gap) - gap) * scale


# --- shapes: functions of a point (in 32-unit icon coordinates) -----------------------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1, a0=-360.0, a1=360.0):
    """Ring between radii r0 and r1, limited to angles a0..a1 (degrees, 0 = right, 90 = up)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not (r0 <= d <= r1):
            return False
        angle = math.degrees(math.atan2(cy - y, x - cx))
        return a0 <= angle <= a1
    return inside


def bar(xa, ya, xb, yb, width):
    """A thick line segment with round ends."""
    def inside(x, y):
        dx, dy = xb - xa, yb - ya
        t = ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)
        t = min(max(t, 0.0), 1.0)
        return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) <= width / 2
    return inside


def shifted(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


# --- rendering -------------------------------------------------------------------------------------

NAVY = (0, 40, 120)
RED = (200, 30, 30)
GOLD = (220, 170, 40)
DARK = (40, 40, 48)
GREY = (110, 110, 120)
WHITE = (255, 255, 255)
CARD = (230, 238, 250)
BLUE = (30, 90, 200)


def render(layers, size, units=32, oversample=4, origin=(0.0, 0.0)):
    """RGBA rows of a size x size picture; later layers cover earlier ones. Each pixel averages
    oversample x oversample points, so edges are smooth."""
    scale = units / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(oversample):
                for sx in range(oversample):
                    x = origin[0] + (px + (sx + 0.5) / oversample) * scale
                    y = origin[1] + (py + (sy + 0.5) / oversample) * scale
                    for shape, colour in reversed(layers):
                        if shape(x, y):
                            r += colour[0]
                            g += colour[1]
                            b += colour[2]
                            a += 255
                            break
            n = oversample * oversample
            covered = a // 255
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((r // covered, g // covered, b // covered, a // n))
        rows.append(row)
    return rows


def ico_image(rows):
    """One icon image: BITMAPINFOHEADER, 32-bit XOR bitmap bottom-up, 1-bit AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, images):
    """images: list of RGBA row lists, each square."""
    data = [ico_image(rows) for rows in images]
    out = bytearray(struct.pack('<HHH', 0, 1, len(data)))
    offset = 6 + 16 * len(data)
    for rows, blob in zip(images, data):
        size = len(rows)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in data:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def write_bmp16(path, width, height, pixel):
    """A 4-bit bitmap with the standard 16-colour palette; pixel(x, y) gives a palette index."""
    stride = ((width * 4 + 31) // 32) * 4
    bits = bytearray()
    for y in reversed(range(height)):
        line = bytearray(stride)
        for x in range(width):
            index = pixel(x, y)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        bits += line
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(bits), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(head + info + palette + bytes(bits))


# --- the pictures ----------------------------------------------------------------------------------

def card_layers(x0, y0, w, h):
    """A smart card with a gold contact chip on its left half."""
    return [
        (round_rect(x0, y0, x0 + w, y0 + h, 2.5), NAVY),
        (round_rect(x0 + 1, y0 + 1, x0 + w - 1, y0 + h - 1, 1.8), CARD),
        (round_rect(x0 + 3, y0 + h / 2 - 3, x0 + 10, y0 + h / 2 + 3, 1.2), GOLD),
        (rect(x0 + 3, y0 + h / 2 - 0.5, x0 + 10, y0 + h / 2 + 0.5), (150, 110, 20)),
        (rect(x0 + 6, y0 + h / 2 - 3, x0 + 7, y0 + h / 2 + 3), (150, 110, 20)),
    ]


def app_icon():
    layers = card_layers(1, 4, 26, 17)
    layers += [
        (bar(24, 25, 30, 31, 3.6), DARK),
        (disc(19, 20, 8), DARK),
        (disc(19, 20, 6), (200, 230, 255)),
        (ring(19, 20, 3.5, 4.6, 100, 170), WHITE),
    ]
    return layers


def contact_reader_icon():
    layers = card_layers(6, 1, 20, 17)
    layers += [
        (round_rect(1, 14, 31, 30, 3), DARK),
        (round_rect(2, 15, 30, 29, 2.4), GREY),
        (rect(5, 16, 27, 18), DARK),
        (disc(25, 24, 1.6), (60, 200, 60)),
    ]
    return layers


def contactless_reader_icon():
    layers = [
        (round_rect(1, 22, 25, 30, 2.5), DARK),
        (round_rect(2, 23, 24, 29, 2), GREY),
        (disc(20, 26, 1.4), (60, 200, 60)),
    ]
    layers += card_layers(3, 3, 20, 14)
    layers += [
        (ring(20, 20, 7, 8.6, -10, 80), BLUE),
        (ring(20, 20, 10.5, 12.1, -10, 80), BLUE),
    ]
    return layers


def general_icon():
    return [
        (disc(16, 16, 15), NAVY),
        (disc(16, 16, 13.5), BLUE),
        (disc(16, 9, 2.4), WHITE),
        (round_rect(13.5, 13, 18.5, 25, 1.5), WHITE),
        (rect(11.5, 23, 20.5, 25), WHITE),
        (rect(11.5, 13, 16, 15), WHITE),
    ]


def word_mark_layers():
    """"TALVEK" over a 128 x 32 strip, with an underline."""
    scale, gap = 3, 1
    left = (128 - text_width("TALVEK", scale, gap)) / 2
    return [
        (text_shape("TALVEK", left, 3, scale, gap), NAVY),
        (rect(left, 27, 128 - left, 29), RED),
    ]


def emblem_layers():
    """Two arcs around the open bottom-right corner of a 64 x 64 block."""
    return [
        (ring(64, 64, 33, 41), NAVY),
        (ring(64, 64, 47, 55), RED),
        (disc(12, 12, 5), NAVY),
    ]


def status_bar(path, text, fill, border):
    scale, gap = 2, 1
    width, height = 107, 19
    left = (width - text_width(text, scale, gap)) // 2
    glyphs = text_shape(text, left, 3, scale, gap)

    def pixel(x, y):
        if x in (0, width - 1) or y in (0, height - 1):
            return border
        return 0 if glyphs(x + 0.5, y + 0.5) else fill
    write_bmp16(path, width, height, pixel)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)

    def ico(name, layers, sizes=(32,)):
        write_ico(os.path.join(out, name), [render(layers, s) for s in sizes])

    ico('app.ico', app_icon(), sizes=(32, 16))
    ico('contact_reader.ico', contact_reader_icon())
    ico('general.ico', general_icon())
    ico('contactless_reader.ico', contactless_reader_icon())

    mark = word_mark_layers()
    for index, tile in enumerate((136, 133, 134, 135)):
        write_ico(os.path.join(out, 'logo_%d.ico' % tile),
                  [render(mark, 32, units=32, origin=(32.0 * index, 0.0))])
    emblem = emblem_layers()
    for tile, origin in ((130, (0.0, 0.0)), (132, (32.0, 0.0)), (131, (0.0, 32.0))):
        write_ico(os.path.join(out, 'logo_%d.ico' % tile), [render(emblem, 32, units=32, origin=origin)])

    status_bar(os.path.join(out, 'status_error.bmp'), "Fehler", fill=9, border=1)
    status_bar(os.path.join(out, 'status_ok.bmp'), "OK", fill=10, border=2)
    status_bar(os.path.join(out, 'status_error_en.bmp'), "Error", fill=9, border=1)
    status_bar(os.path.join(out, 'status_ok_en.bmp'), "OK", fill=10, border=2)


if __name__ == '__main__':
    main()
