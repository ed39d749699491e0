"""Draws the program's pictures and writes them next to this script.

    python3 make_art.py [OUTPUT_DIR]

Every picture is drawn for the display scales 100, 125, 150 and 200 % (96, 120, 144 and 192 DPI),
each scale on its own pixel grid, so that straight edges stay sharp; nothing is a scaled copy of
the 100 % picture.

Icons (32-bit colour with transparency and AND mask), one image per scale in each file, so the
resource ids stay what they are:
  app.ico (128): the 32 px picture at 32, 40, 48, 64 and the 16 px picture (a simpler drawing,
    not the large one shrunk) at 16, 20, 24;
  app_small.ico (150): the 16 px picture at 16, 20, 24, 32, for the window's small icon;
  contact_reader.ico (143), general.ico (146), contactless_reader.ico (148),
  logo_130.ico ... logo_136.ico: 32, 40, 48, 64. The logo is the word mark "TALVEK" over four
    tiles (136, 133, 134, 135, left to right) and the emblem, two arcs around an open corner, over
    tile 130 and the left of 132, as the General page places them: the window's right edge cuts
    off the rest of 132 and the page's bottom edge all but the top of 131 (left empty), at every
    scale.
Bitmaps (16 colours), 107 x 19 at 100 % and ScalePx of that at the other scales (134 x 24,
  161 x 29, 214 x 38): status_error.bmp (137, red bar, black "Fehler"), status_ok.bmp (138, green
  bar, black "OK"); for the English module status_error_en.bmp (137, red bar, black "Error") and
  status_ok_en.bmp (138, the same green "OK"). The other scales carry the percentage in their names
  (status_error_150.bmp, status_error_en_150.bmp, ...) and ids of their own (resource.h).

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

SCALES = (100, 125, 150, 200)


def scale_px(px, percent):
    """A length of the 100 % picture at `percent`, rounded as the program's ScalePx (MulDiv) does."""
    return (px * percent * 2 + 100) // 200


class Grid:
    """Coordinates of a drawing made in `units` at a picture of `size` pixels. At the drawing's own
    size every number is taken as written; at any other size edges land on whole pixels and
    strokes are whole pixels thick, so that the larger pictures are as sharp as the small one."""

    def __init__(self, size, units=32):
        self.s = size / units
        self.exact = size == units

    def p(self, v):
        """An edge."""
        return v if self.exact else math.floor(v * self.s + 0.5)

    def d(self, v):
        """A radius or centre: smooth shapes are drawn with soft edges at every size."""
        return v * self.s

    def t(self, w):
        """A stroke's thickness."""
        return w if self.exact else max(1, math.floor(w * self.s + 0.5))


def card_layers(g, x0, y0, w, h):
    """A smart card with a gold contact chip on its left half."""
    left, top, right, bottom = g.p(x0), g.p(y0), g.p(x0 + w), g.p(y0 + h)
    edge = g.t(1)
    chip_top, chip_bottom = g.p(y0 + h / 2 - 3), g.p(y0 + h / 2 + 3)
    line_y = g.p(y0 + h / 2 - 0.5)
    line_x = g.p(x0 + 6)
    return [
        (round_rect(left, top, right, bottom, g.d(2.5)), NAVY),
        (round_rect(left + edge, top + edge, right - edge, bottom - edge, g.d(1.8)), CARD),
        (round_rect(g.p(x0 + 3), chip_top, g.p(x0 + 10), chip_bottom, g.d(1.2)), GOLD),
        (rect(g.p(x0 + 3), line_y, g.p(x0 + 10), line_y + g.t(1)), (150, 110, 20)),
        (rect(line_x, chip_top, line_x + g.t(1), chip_bottom), (150, 110, 20)),
    ]


def app_icon(g):
    layers = card_layers(g, 1, 4, 26, 17)
    layers += [
        (bar(g.d(24), g.d(25), g.d(30), g.d(31), g.d(3.6)), DARK),
        (disc(g.d(19), g.d(20), g.d(8)), DARK),
        (disc(g.d(19), g.d(20), g.d(6)), (200, 230, 255)),
        (ring(g.d(19), g.d(20), g.d(3.5), g.d(4.6), 100, 170), WHITE),
    ]
    return layers


def app_icon_small(g):
    """The application icon drawn for 16 px: the card without its rounded inner frame, a chip of
    whole pixels and a lens large enough to read as one."""
    left, top, right, bottom = g.p(0), g.p(2), g.p(13), g.p(11)
    edge = g.t(1)
    layers = [
        (round_rect(left, top, right, bottom, g.d(1.2)), NAVY),
        (rect(left + edge, top + edge, right - edge, bottom - edge), CARD),
        (rect(g.p(2), g.p(5), g.p(5), g.p(8)), GOLD),
        (bar(g.d(12), g.d(12), g.d(15), g.d(15), g.d(2.4)), DARK),
        (disc(g.d(10), g.d(10), g.d(4.6)), DARK),
        (disc(g.d(10), g.d(10), g.d(3.1)), (200, 230, 255)),
    ]
    if g.s >= 1.5:  # room for the glint from 24 px on
        layers.append((ring(g.d(10), g.d(10), g.d(1.6), g.d(2.3), 100, 170), WHITE))
    return layers


def contact_reader_icon(g):
    layers = card_layers(g, 6, 1, 20, 17)
    edge = g.t(1)
    layers += [
        (round_rect(g.p(1), g.p(14), g.p(31), g.p(30), g.d(3)), DARK),
        (round_rect(g.p(1) + edge, g.p(14) + edge, g.p(31) - edge, g.p(30) - edge, g.d(2.4)), GREY),
        (rect(g.p(5), g.p(16), g.p(27), g.p(16) + g.t(2)), DARK),
        (disc(g.d(25), g.d(24), g.d(1.6)), (60, 200, 60)),
    ]
    return layers


def contactless_reader_icon(g):
    edge = g.t(1)
    layers = [
        (round_rect(g.p(1), g.p(22), g.p(25), g.p(30), g.d(2.5)), DARK),
        (round_rect(g.p(1) + edge, g.p(22) + edge, g.p(25) - edge, g.p(30) - edge, g.d(2)), GREY),
        (disc(g.d(20), g.d(26), g.d(1.4)), (60, 200, 60)),
    ]
    layers += card_layers(g, 3, 3, 20, 14)
    layers += [
        (ring(g.d(20), g.d(20), g.d(7), g.d(8.6), -10, 80), BLUE),
        (ring(g.d(20), g.d(20), g.d(10.5), g.d(12.1), -10, 80), BLUE),
    ]
    return layers


def general_icon(g):
    stem_left, stem_right = g.p(13.5), g.p(18.5)
    return [
        (disc(g.d(16), g.d(16), g.d(15)), NAVY),
        (disc(g.d(16), g.d(16), g.d(13.5)), BLUE),
        (disc(g.d(16), g.d(9), g.d(2.4)), WHITE),
        (round_rect(stem_left, g.p(13), stem_right, g.p(25), g.d(1.5)), WHITE),
        (rect(g.p(11.5), g.p(23), g.p(20.5), g.p(25)), WHITE),
        (rect(g.p(11.5), g.p(13), stem_left + (g.p(16) - g.p(13.5)), g.p(15)), WHITE),
    ]


def pixel_text_shape(text, x0, y0, k, gap):
    """`text` in the 5x7 font with glyph pixels k screen pixels large, k not a whole number: every
    letter starts on a whole pixel and divides its cells the same way (for k = 2.5: 3, 2, 3, 2, 3),
    so all letters look alike and no edge is soft."""
    def edges(n):
        return [math.floor(i * k + 0.5) for i in range(n + 1)]
    cols, rows = edges(5), edges(7)
    cells = []
    for index, char in enumerate(text):
        left = x0 + math.floor(index * (5 + gap) * k + 0.5)
        for row, line in enumerate(GLYPHS[char]):
            for col, mark in enumerate(line):
                if mark == '#':
                    cells.append((left + cols[col], y0 + rows[row], left + cols[col + 1], y0 + rows[row + 1]))

    def inside(x, y):
        return any(a <= x < c and b <= y < d for a, b, c, d in cells)
    return inside


def pixel_text_width(text, k, gap):
    return math.floor((len(text) - 1) * (5 + gap) * k + 0.5) + math.floor(5 * k + 0.5)


def word_mark_layers(tile):
    """"TALVEK" over a strip of four tiles, with an underline."""
    if tile == 32:
        scale, gap = 3, 1
        left = (128 - text_width("TALVEK", scale, gap)) / 2
        return [
            (text_shape("TALVEK", left, 3, scale, gap), NAVY),
            (rect(left, 27, 128 - left, 29), RED),
        ]
    g = Grid(tile)
    k, gap = 3 * g.s, 1
    left = (4 * tile - pixel_text_width("TALVEK", k, gap)) // 2
    return [
        (pixel_text_shape("TALVEK", left, g.p(3), k, gap), NAVY),
        (rect(left, g.p(27), 4 * tile - left, g.p(27) + g.t(2)), RED),
    ]


def emblem_layers(tile):
    """Two quarter arcs around an open corner and a dot, on a block of two by two tiles (130, 132
    over 131), within what the General page shows of it at every scale: of the upper row the
    first 52 units (132 stands 11 of its 32 px past the window at 100 %, a third of it at the
    other scales), and above 31 units (at 125 % the page ends one pixel above the tiles' bottom)."""
    g = Grid(tile)
    cx, cy = g.d(50), g.d(30)
    return [
        (ring(cx, cy, g.d(14), g.d(20), 90, 180), NAVY),
        (ring(cx, cy, g.d(23), g.d(29), 90, 180), RED),
        (disc(g.d(24), g.d(4), g.d(3)), NAVY),
    ]


def status_bar(path, text, fill, border, percent=100):
    width, height = scale_px(107, percent), scale_px(19, percent)
    if percent == 100:
        left = (width - text_width(text, 2, 1)) // 2
        glyphs = text_shape(text, left, 3, 2, 1)
        edge = 1
    else:
        k = 2 * percent / 100
        left = (width - pixel_text_width(text, k, 1)) // 2
        top = scale_px(3, percent)
        glyphs = pixel_text_shape(text, left, top, k, 1)
        edge = max(1, scale_px(1, percent))

    def pixel(x, y):
        if x < edge or x >= width - edge or y < edge or y >= height - edge:
            return border
        return 0 if glyphs(x + 0.5, y + 0.5) else fill
    write_bmp16(path, width, height, pixel)


def bitmap_name(stem, percent):
    """status_ok.bmp at 100 %, status_ok_150.bmp at 150 %."""
    return stem + ('' if percent == 100 else '_%d' % percent) + '.bmp'


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    big = [scale_px(32, percent) for percent in SCALES]
    small = [scale_px(16, percent) for percent in SCALES]

    def ico(name, drawing, sizes, units=32):
        write_ico(os.path.join(out, name), [render(drawing(Grid(s, units)), s, units=s) for s in sizes])

    write_ico(os.path.join(out, 'app.ico'),
              [render(app_icon(Grid(s)), s, units=s) for s in big] +
              [render(app_icon_small(Grid(s, 16)), s, units=s) for s in small if s not in big])
    ico('app_small.ico', app_icon_small, small, units=16)
    ico('contact_reader.ico', contact_reader_icon, big)
    ico('general.ico', general_icon, big)
    ico('contactless_reader.ico', contactless_reader_icon, big)

    marks = {s: word_mark_layers(s) for s in big}
    for index, tile in enumerate((136, 133, 134, 135)):
        write_ico(os.path.join(out, 'logo_%d.ico' % tile),
                  [render(marks[s], s, units=s, origin=(float(s * index), 0.0)) for s in big])
    emblems = {s: emblem_layers(s) for s in big}
    for tile, (col, row) in ((130, (0, 0)), (132, (1, 0)), (131, (0, 1))):
        write_ico(os.path.join(out, 'logo_%d.ico' % tile),
                  [render(emblems[s], s, units=s, origin=(float(s * col), float(s * row))) for s in big])

    for percent in SCALES:
        for stem, text, fill, border in (('status_error', "Fehler", 9, 1), ('status_ok', "OK", 10, 2),
                                         ('status_error_en', "Error", 9, 1), ('status_ok_en', "OK", 10, 2)):
            status_bar(os.path.join(out, bitmap_name(stem, percent)), text, fill=fill, border=border,
                       percent=percent)


if __name__ == '__main__':
    main()
