#!/usr/bin/env python3
"""The main window at every display scale, in one end-to-end run and one table of checks.

The program starts once per column: a scale (Wine's LogPixels: 96, 120, 144, 168 and 192 DPI are
100, 125, 150, 175 and 200 %), and, in a column named DPIcPX, a caption PX pixels high at 100 %, as
Windows 10 and 11 draw it taller than Wine. scale.e2e, repeated for each, saves what the driver
reads of the window (every control's rectangle, the lists' columns and the widths of their texts,
the labels' text widths, the reader icons) with the General
page, a contact reader page and a contactless reader page shown, and takes a screenshot of the
General page (DPI-general.png) and of the contact reader page (DPI-reader.png), which this script
cuts to the window. Then every row of the table is checked at every scale, printed, and must pass.

Usage: scale_test.py [--scales 96,120,144,168,192,96c40,192c40] -- E2E_RUN_ARGS...

E2E_RUN_ARGS are e2e.py's `run` arguments except --script; --out names the test's folder, where
the saved numbers and the screenshots stay. The scales must include 96: some rows compare with
it. The prefix's LogPixels is 96 again at the end, and the caption Wine's, whatever happened.

The pixel numbers that line up with the templates (page place, column widths) grow as the
templates do, which is not always as the display scale: the templates' raster font grows in steps.
The layout's scale is read from the window's client width, 349 dialog units at 6 pixels per 4
units at 100 %. The reader icons grow with the display scale; the templates' pictures (status
bitmap, logo icons) are expected at the largest scale drawn (100, 125, 150, 200 %) that the
template reaches.
"""

import argparse
import re
import signal
import subprocess
import sys
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
import e2e  # noqa: E402

BASE_DPI = 96
DESKTOP_KEY = r'HKCU\Control Panel\Desktop'
METRICS_KEY = DESKTOP_KEY + r'\WindowMetrics'
LOGO_TILES = (136, 133, 134, 135, 130, 131, 132)   # the General page's icon pictures, template order
SCENARIO = """\
reg add HKCU\\Software\\Talvek\\PCSC_Kardoskop_V21 /v Language /t REG_DWORD /d 1 /f
scenario <<END
[reader Talvek CCR 4000 0]
card = present
atr = 3B FF 11 00 02 F1 00 00 00 F1 FE 45 00 F1 20 52 01 01 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46
clock = 4000
firmware = 0 0x01020304 0 0x01000000
[reader Talvek CLR 2000-RF 0]
card = present
atr = 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A
apdu = FF CA 00 00 00 : 04 A1 B2 C3 90 00
clock = 13560
firmware = 0 0x02010005 0 0
END
"""
PAGES = ('general', 'contact', 'contactless')
TEMPLATE_WIDTH_UNITS = 349     # the main dialog's template
BASE_UNIT_AT_96 = 6            # pixels per 4 horizontal dialog units at 100 %
SS_TYPEMASK, SS_ICON, SS_BITMAP = 0x1F, 0x03, 0x0E
ART_DPIS = (96, 120, 144, 192)  # the pictures are drawn for 100, 125, 150 and 200 %
# A list view draws a label inside a padding of 6 pixels each side at 100 %.
LABEL_PADDING = 12


def scaled(px, dpi):
    """A length written for 96 DPI at `dpi`, rounded as MulDiv rounds."""
    return (px * dpi + BASE_DPI // 2) // BASE_DPI


@dataclass
class Control:
    id: int
    cls: str
    style: int
    visible: bool
    x: int
    y: int
    w: int
    h: int
    children: list = field(default_factory=list)

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    def __str__(self):
        return f'{self.id} {self.cls} at {self.x},{self.y} {self.w}x{self.h}'


@dataclass
class Layout:
    window: tuple       # x, y, width, height on the screen
    client: tuple       # width, height
    controls: list      # the window's own controls; pages (#32770) hold theirs as children

    def pages(self):
        return [c for c in self.controls if c.cls == '#32770']

    def control(self, id_):
        return next(c for c in self.controls if c.id == id_ and c.cls != '#32770')

    def page_with(self, id_, without=None):
        ids = lambda page: {c.id for c in page.children}  # noqa: E731
        return next(p for p in self.pages() if id_ in ids(p) and (without is None or without not in ids(p)))


def read_layout(path):
    lines = path.read_text(encoding=e2e.ENCODING).splitlines()
    head = lines[0].split()   # window X Y W H client W H
    layout = Layout(tuple(int(v) for v in head[1:5]), (int(head[6]), int(head[7])), [])
    parents = []
    for line in lines[1:]:
        depth = (len(line) - len(line.lstrip(' '))) // 2
        id_, cls, style, shown, x, y, w, h = line.split()
        control = Control(int(id_), cls, int(style, 16), shown == 'visible', int(x), int(y), int(w), int(h))
        del parents[depth:]
        (parents[-1].children if parents else layout.controls).append(control)
        parents.append(control)
    return layout


def read_table(path):
    """Lines "KEY | A | B ...": {KEY: [A, B, ...]}, numbers where they are numbers."""
    rows = {}
    for line in path.read_text(encoding=e2e.ENCODING).splitlines():
        cells = [cell.strip() for cell in line.split('|')]
        rows[cells[0]] = [int(c) if re.fullmatch(r'-?\d+', c) else c for c in cells[1:]]
    return rows


def column_dpi_caption(column):
    """'192c40': 192 DPI and a caption of 40 px at 100 %; '96': 96 DPI and Wine's caption (None)."""
    dpi, _, caption = column.partition('c')
    return int(dpi), int(caption) if caption else None


class Scale:
    """What the run saved in one column."""

    def __init__(self, out, column):
        dpi = self.dpi = column_dpi_caption(column)[0]
        self.layouts = {page: read_layout(out / f'{column}-{page}-layout.txt') for page in PAGES}
        self.columns = {page: read_table(out / f'{column}-{page}-columns.txt') for page in PAGES}
        self.widths = {page: read_table(out / f'{column}-{page}-widths.txt') for page in PAGES}
        self.labels = {page: read_table(out / f'{column}-{page}-labels.txt') for page in PAGES}
        self.icons = [tuple(int(v) for v in cells[0].split())
                      for cells in read_table(out / f'{column}-icons.txt').values()]
        # The DPI the templates are laid out at: the base unit that gives the client's width.
        client_width = self.layouts['general'].client[0]
        units = [b for b in range(1, 64) if (TEMPLATE_WIDTH_UNITS * b * 2 + 4) // 8 == client_width]
        self.layout_dpi = dpi if dpi == BASE_DPI or not units else BASE_DPI * units[0] // BASE_UNIT_AT_96


def fitting_texts(scale, page):
    """(row, column) of every text of the page's list that fits its column: the headers (row
    'header') and the rows' texts."""
    column_widths = [cells[1] for cells in scale.columns[page].values()]
    padding = scaled(LABEL_PADDING, scale.layout_dpi)
    fits = set()
    for row, widths in scale.widths[page].items():
        for column, width in enumerate(widths):
            if width + padding <= column_widths[column]:
                fits.add((row, column))
    return fits


# --- the rows: each returns the problems it finds at one scale --------------------------------

def pages_placed(scale, base):
    problems = []
    dpi = scale.layout_dpi
    for name, layout in scale.layouts.items():
        width, height = layout.window[2], layout.window[3]
        expected = (scaled(168, dpi), 0, width - scaled(7, dpi), height - scaled(65, dpi))
        if expected[3] > buttons_top(layout):   # the next row's case
            expected = expected[:3] + (layout.pages()[0].h,)
        for page in layout.pages():
            if (page.x, page.y, page.w, page.h) != expected:
                problems.append(f'{name}: a page at {page.x},{page.y} {page.w}x{page.h}, expected '
                                f'{expected[0]},{expected[1]} {expected[2]}x{expected[3]}')
    return problems


def buttons_top(layout):
    return min(layout.control(id_).y for id_ in (1014, 1019, 1021, 2))


def pages_above_buttons(scale, base):
    """Where the Parts' height would reach the buttons, the pages end at most 8 px (grown) above."""
    problems = []
    for name, layout in scale.layouts.items():
        top = buttons_top(layout)
        reaching = layout.window[3] - scaled(65, scale.layout_dpi) > top
        problems += [f'{name}: a page ends at {page.bottom}, the buttons start at {top}' for page in layout.pages()
                     if page.bottom > top or reaching and page.bottom < top - scaled(8, scale.layout_dpi)]
    return problems


def labels_fit(scale, base):
    """Each shown label's text, measured in its font, within its static, and the static off every
    control but the frames (group boxes) and the page around it."""
    problems = []
    for page, labels in scale.labels.items():
        others = [c for c in scale.layouts[page].controls + [c for p in scale.layouts[page].pages() for c in p.children]
                  if c.visible and c.cls not in ('#32770', 'Static') and not (c.cls == 'Button' and c.style & 0xF == 7)]
        for rect, width, text in labels.values() or [('0 0 0 0', 1, 'no label read')]:
            x, y, w, h = (int(v) for v in rect.split())
            label = Control(0, 'Static', 0, True, x, y, w, h)
            problems += [f'{page}: "{text}", {width} px, in a label of {w}'] if width > w else []
            problems += [f'{page}: the label "{text}" over {c}' for c in others
                         if c.x < label.right and label.x < c.right and c.y < label.bottom and label.y < c.bottom]
    return problems


def pages_clear_of_list(scale, base):
    problems = []
    for name, layout in scale.layouts.items():
        readers = layout.control(1000)
        for page in layout.pages():
            shown = [c for c in page.children if c.visible] if page.visible else []
            for c in [page] + shown:
                if c.x < readers.right and readers.x < c.right and c.y < readers.bottom and readers.y < c.bottom:
                    problems.append(f'{name}: {c} overlaps the reader list {readers}')
    return problems


def is_picture(c):
    return c.cls == 'Static' and c.style & SS_TYPEMASK in (SS_ICON, SS_BITMAP)


def controls_inside(scale, base, pictures=False):
    """Every control inside the client area, as at 100 %. There the rightmost logo icon already
    stands out by 11 pixels (the Parts' page position and template under Wine's font); such an
    overhang may grow with the template, no more."""
    problems = []
    for name, layout in scale.layouts.items():
        base_overhangs = overhangs(base.layouts[name], pictures)
        for key, (c, overhang) in overhangs(layout, pictures).items():
            allowed = [scaled(px, scale.layout_dpi) + 1 if px else 0
                       for px in base_overhangs.get(key, (None, (0,) * 4))[1]]
            if any(px > limit for px, limit in zip(overhang, allowed)):
                problems.append(f'{name}: {c} outside the client area {layout.client[0]}x{layout.client[1]} '
                                f'by {overhang} px (left, top, right, bottom), at 100 % by at most {allowed}')
    return problems


def overhangs(layout, pictures=False):
    """{(page, index): (control, (left, top, right, bottom) pixels outside the client area)} of the
    window's controls and the pages' controls, pages counted in layout order; of the pictures
    alone or of the others."""
    width, height = layout.client
    found = {}
    own = [c for c in layout.controls if c.cls != '#32770']
    groups = [own] + [page.children for page in layout.pages()]
    for number, controls in enumerate(groups):
        for index, c in enumerate(controls):
            if is_picture(c) != pictures:
                continue
            found[(number, index)] = (c, (max(0, -c.x), max(0, -c.y), max(0, c.right - width),
                                          max(0, c.bottom - height)))
    return found


def icons_in_a_column(scale, base):
    """The reader icons one below the other, as at 100 %, not side by side."""
    xs = [x for x, _, _, _ in scale.icons]
    ys = [y for _, y, _, _ in scale.icons]
    if len(set(xs)) != 1 or ys != sorted(ys):
        return [f'icons at {[(x, y) for x, y, _, _ in scale.icons]}: not in one column']
    return []


def column_widths(scale, base):
    """The Parts' widths at 100 %, grown with the scale."""
    problems = []
    expected = {'general': [80, 100, 131], 'contact': [155, 139], 'contactless': [133, 161]}
    for page, widths in expected.items():
        got = [cells[1] for cells in scale.columns[page].values()]
        want = [scaled(w, scale.layout_dpi) for w in widths]
        if page != 'general' and len(got) == 2 and got[0] == want[0] and got[1] < want[1]:
            want[1] = got[1]    # "Wert" gives way to the scroll bar; the next row sees that it must
        if got != want:
            problems.append(f'{page}: columns {got}, expected {want}')
    return problems


def columns_in_list(scale, base):
    """The columns take no more of the list's width than at 100 % (no horizontal scroll bar
    where there was none): their sum against the header, which is as wide as the list's inside."""
    problems = []
    for page in PAGES:
        spare, base_spare = (
            header_width(s, page) - sum(cells[1] for cells in s.columns[page].values()) for s in (scale, base))
        if spare < min(0, base_spare):
            problems.append(f'{page}: the columns are {-spare} px wider than the list')
    return problems


def header_width(scale, page):
    layout = scale.layouts[page]
    shown = {'general': layout.page_with(1004), 'contact': layout.page_with(1013, without=1014),
             'contactless': layout.page_with(1014)}[page]
    details = next(c for c in shown.children if c.id in (1004, 1013))
    return next(c.w for c in details.children if c.cls == 'SysHeader32')


def texts_fit(scale, base):
    problems = []
    for page in PAGES:
        cut = fitting_texts(base, page) - fitting_texts(scale, page)
        for row, column in sorted(cut, key=str):
            width = scale.widths[page][row][column]
            column_width = list(scale.columns[page].values())[column][1]
            problems.append(f'{page}: row {row} column {column} fits at 100 % but not here '
                            f'(text {width} px in a column of {column_width})')
    return problems


def art_dpi(scale):
    """The pictures of the templates (status bitmap, logo icons) are drawn for the largest scale
    the template has grown to: under Wine 200 % lays out a template as 150 % does, and a 200 %
    logo would overlap itself."""
    return max(dpi for dpi in ART_DPIS if dpi <= scale.layout_dpi)


def status_picture(scale, base):
    picture = scale.layouts['general'].page_with(1004).children
    picture = next(c for c in picture if c.id == 1001)
    dpi = art_dpi(scale)
    want = (107 * dpi / BASE_DPI, 19 * dpi / BASE_DPI)
    if abs(picture.w - want[0]) > 1 or abs(picture.h - want[1]) > 1:
        return [f'status picture {picture.w}x{picture.h}, expected {want[0]:g}x{want[1]:g} (1 px either way)']
    return []


def logo_icons(scale, base):
    page = scale.layouts['general'].page_with(1004)
    icons = [c for c in page.children if c.cls == 'Static' and c.style & SS_TYPEMASK == SS_ICON]
    size = scaled(32, art_dpi(scale))
    problems = [f'logo icon {c} , expected {size}x{size}' for c in icons if (c.w, c.h) != (size, size)]
    if len(icons) != 7:
        problems.append(f'{len(icons)} icon pictures on the General page, expected the 7 of the logo')
    return problems + controls_inside(scale, base, pictures=True)


def drawn_right_bottom(tile, size):
    """How far the opaque pixels of logo icon `tile`'s image of `size` px reach: (0, 0) for none."""
    data = (HERE.parents[2] / 'res' / 'art' / f'logo_{tile}.ico').read_bytes()
    entry = next(data[6 + 16 * i:22 + 16 * i] for i in range(data[4]) if (data[6 + 16 * i] or 256) == size)
    alpha = data[int.from_bytes(entry[12:16], 'little') + 40:][3:4 * size * size:4]    # 32-bit, bottom-up
    drawn = [(i % size + 1, size - i // size) for i, a in enumerate(alpha) if a]
    return max((x for x, _ in drawn), default=0), max((y for _, y in drawn), default=0)


def logo_seen_whole(scale, base):
    """What is drawn of the logo lies in the client area and on the page, which cut off its tiles."""
    layout = scale.layouts['general']
    page = layout.page_with(1004)
    icons = [c for c in page.children if c.cls == 'Static' and c.style & SS_TYPEMASK == SS_ICON]
    right, bottom = min(layout.client[0], page.right), min(layout.client[1], page.bottom)
    reach = {tile: (c.x + x, c.y + y) for tile, c in zip(LOGO_TILES, icons) for x, y in [drawn_right_bottom(tile, c.w)]}
    return [f'logo tile {tile} drawn up to {x},{y}, seen up to {right},{bottom}'
            for tile, (x, y) in reach.items() if x > right or y > bottom]


def reader_icons(scale, base):
    size = scaled(32, scale.dpi)
    return [f'icon {i} is {w}x{h}, expected {size}x{size}'
            for i, (_, _, w, h) in enumerate(scale.icons) if (w, h) != (size, size)]


ROWS = [
    ('pages at 168,0 and window size - 7, - 65', pages_placed),
    ('the pages end above the buttons', pages_above_buttons),
    ('no page over the reader list', pages_clear_of_list),
    ('every control inside the client area', controls_inside),
    ('column widths of the lists', column_widths),
    ('columns within the list\'s width', columns_in_list),
    ('texts that fit at 100 % fit', texts_fit),
    ('status picture at its scaled size', status_picture),
    ('logo icons at their scaled size, in the window', logo_icons),
    ('what is drawn of the logo is seen whole', logo_seen_whole),
    ('every static label\'s text fits', labels_fit),
    ('reader icons at their scaled size', reader_icons),
    ('reader icons in one column', icons_in_a_column),
]


def check(out, dpis):
    """Prints the table; returns the number of failed cells."""
    scales = {dpi: Scale(out, dpi) for dpi in dpis}
    base = scales[str(BASE_DPI)]
    width = max(len(name) for name, _ in ROWS)
    e2e.log(f'{"check":<{width}}  ' + '  '.join(f'{dpi:>6}' for dpi in dpis) + '   (DPI, cPX caption; templates at '
            + ', '.join(str(scales[dpi].layout_dpi) for dpi in dpis) + ')')
    failures = []
    for name, rule in ROWS:
        cells = []
        for dpi in dpis:
            try:
                problems = rule(scales[dpi], base)
            except (StopIteration, IndexError, KeyError, ValueError) as e:
                problems = [f'the saved numbers lack what this row reads ({type(e).__name__}: {e})']
            cells.append('    ok' if not problems else '  FAIL')
            failures += [f'{name} at {dpi}: {p}' for p in dict.fromkeys(problems)]
        e2e.log(f'{name:<{width}}  ' + '  '.join(cells))
    for failure in failures:
        e2e.log(f'  {failure}')
    return len(failures)


def crop_screenshots(out, dpis):
    """Each screenshot cut to the window, whose place the layout saved at the same moment."""
    for dpi in dpis:
        for shot, page in ((f'{dpi}-general.png', 'general'), (f'{dpi}-reader.png', 'contact')):
            x, y, w, h = read_layout(out / f'{dpi}-{page}-layout.txt').window
            subprocess.run(['convert', str(out / shot), '-crop', f'{w}x{h}+{x}+{y}', '+repage', str(out / shot)],
                           check=True, timeout=60)


def restore_scale(run_args):
    """The prefix at 100 % and with Wine's caption again: every later test expects it."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument('--prefix', required=True)
    known, _ = parser.parse_known_args(run_args)
    for command in (['add', DESKTOP_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', str(BASE_DPI), '/f'],
                    ['delete', METRICS_KEY, '/v', 'CaptionHeight', '/f']):
        subprocess.run([e2e.WINE, 'reg', *command], env=e2e.wine_env(known.prefix, ''), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, timeout=e2e.scaled(60))


def column_script(template, column):
    """scale.e2e for a column; a caption is given in twips (15 per pixel at 100 %) and removed after."""
    dpi, caption = column_dpi_caption(column)
    script = template.replace('@LOGPIXELS@', str(dpi)).replace('@DPI@', column)
    caption_key = f'"{METRICS_KEY}" /v CaptionHeight'
    return script if caption is None else (f'reg add {caption_key} /t REG_SZ /d {-15 * caption} /f\n' + script
                                           + f'reg delete {caption_key} /f\n')


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--scales', default='96,120,144,168,192,96c40,192c40')
    parser.add_argument('run_args', nargs=argparse.REMAINDER)
    args = parser.parse_args()
    run_args = args.run_args[1:] if args.run_args[:1] == ['--'] else args.run_args
    dpis = args.scales.split(',')
    if str(BASE_DPI) not in dpis or not all(re.fullmatch(r'\d+(c\d+)?', dpi) for dpi in dpis):
        parser.error('the columns are DPI or DPIcPX and must include 96')
    out = Path(run_args[run_args.index('--out') + 1])

    template = (HERE / 'scale.e2e').read_text(encoding='utf-8')
    script = out.with_name(out.name + '.e2e')
    script.parent.mkdir(parents=True, exist_ok=True)
    script.write_text(SCENARIO + ''.join(column_script(template, dpi) for dpi in dpis), encoding='utf-8')
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(1))  # so the scale is restored
    try:
        result = subprocess.run([sys.executable, str(HERE.parent / 'e2e.py'), 'run', '--script', str(script),
                                 *run_args], check=False)
    finally:
        restore_scale(run_args)
    if result.returncode != 0:
        return result.returncode
    crop_screenshots(out, dpis)
    failed = check(out, dpis)
    e2e.log(f'screenshots: ' + ' '.join(f'{dpi}-general.png {dpi}-reader.png' for dpi in dpis) + f' in {out}')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
