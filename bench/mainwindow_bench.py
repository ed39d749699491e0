#!/usr/bin/env python3
"""Figures of the main window under Wine with the simulated winscard.dll, or on the real stack
(--realstack: Wine 10 and pcscd, inside testenv/realstack/run-in-root.sh), or both in one run
(--side-by-side: the simulated DLL here, then the real stack through the runner).

card-event: the time from a card change in the scenario (the moment the rewritten file is in
  place; on the real stack the reader's state file) to the reader page showing it, over N changes
  (insert and remove in turn), as median and 95th percentile and as ratios to the floor: the
  monitor's 200 ms poll period, on the real stack pcscd's 400 ms presence poll plus that.
startup: the time from the process start to the General page shown, beside the time from the
  start of the stand-in (the e2e stand-in dialog with the program's manifest: common controls 6,
  DPI-aware, bench/CMakeLists.txt) to its dialog shown, under the same Wine and the same warm
  wineserver; medians over N starts each, in turn, and their ratio.

Each at every display scale of --dpis (Wine's LogPixels, default 96 and 144 DPI: 100 and 150 %),
which the prefix has for the run; it is 96 again at the end.

Both are measured from outside with the e2e driver (one driver process, commands of a few
milliseconds each), polled as fast as it answers. Uses the build tree's Wine prefix and a private
Xvfb, and ends the prefix's Wine processes first and at the end: do not run it while CTest uses the
same build tree.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'bench'))
import benchenv  # noqa: E402  (sets the Wine architecture of the build tree before e2e loads)

TITLE = 'PC/SC Kardoskop v2.1'
STANDIN_TITLE = 'Übersicht der Leser'
STANDIN = 'bench_standin.exe'
BASE_DPI = 96
DESKTOP_KEY = r'HKCU\Control Panel\Desktop'

# The e2e harness's Wine, Xvfb and driver helpers.
e2e = benchenv.e2e

PRESENT = """[reader Talvek CCR 4000 0]
card = present
atr = 3B 02 14 50
firmware = 0 0x01020304 0 0x01000000
"""
ABSENT = """[reader Talvek CCR 4000 0]
card = absent
firmware = 0 0x01020304 0 0x01000000
"""


def percentile(values, p):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * p // 100))
    return ordered[int(rank) - 1]


class Bench:
    """The program under Wine, driven from outside. On the real stack (benchenv.REAL_STACK, inside
    testenv/realstack/run-in-root.sh) it runs under Wine 10 with Wine's own winscard.dll against a
    private pcscd whose readers are the scenario's sections; every scenario written also becomes
    pcscd's reader state."""

    def __init__(self, build, out):
        self.build = Path(build).resolve()
        self.out = Path(out).resolve()
        # A prefix is never shared between Wine versions.
        self.prefix = str(self.build / ('wineprefix-wine10' if benchenv.WINE10 else 'wineprefix'))
        self.app = self.out / 'app'
        self.scenario = self.out / 'scenario.txt'
        self.program = None
        self.driver = None
        self.pcscd = None
        self.dpi = BASE_DPI

    def prepare(self):
        if not Path(self.prefix, '.kardoskop-ready').exists():
            subprocess.run(['sh', str(ROOT / 'testenv/wine/prefix-setup.sh'), self.prefix], check=True,
                           stdout=subprocess.DEVNULL)
        self.app.mkdir(parents=True, exist_ok=True)
        files = ['src/PCSC_Kardoskop.exe', 'testenv/vendorfw/answering/tvkscrfwcheck.dll',
                 f'bench/{STANDIN}']
        if benchenv.REAL_STACK:
            (self.app / 'winscard.dll').unlink(missing_ok=True)
            self.pcscd = e2e.Pcscd(self.out / 'pcscd', benchenv.VREADER, '/usr/sbin/pcscd')
        else:
            files.append('wine-bin/winscard.dll')
        for file in files:
            source = self.build / file
            if not source.exists():
                sys.exit(f'{source} is missing: build the tree first')
            (self.app / source.name).write_bytes(source.read_bytes())
        self.write_scenario(ABSENT)
        self.log = open(self.out / 'wine.log', 'wb')
        e2e.link_fonts(self.prefix)
        e2e.stop_wine(self.prefix)
        self.display, self.xvfb_wrapper, self.xvfb = e2e.start_xvfb(self.out, detach=False)
        self.env = e2e.wine_env(self.prefix, self.display)
        self.env['KARDOSKOP_SCENARIO'] = e2e.windows_path(self.scenario)
        subprocess.run([e2e.WINE, 'reg', 'add', r'HKCU\Software\Talvek\PCSC_Kardoskop_V21', '/v', 'Language',
                        '/t', 'REG_DWORD', '/d', '1', '/f'], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=60)
        # The driver keeps the wineserver warm for every start measured.
        self.driver = e2e.Driver(str(self.build / 'tests/e2e/e2e_driver.exe'), self.env, self.log)

    def set_dpi(self, dpi):
        """The display scale of the programs started from now on (Wine reads it at their start)."""
        subprocess.run([e2e.WINE, 'reg', 'add', DESKTOP_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d',
                        str(dpi), '/f'], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=e2e.scaled(60))
        self.dpi = dpi

    def write_scenario(self, text):
        text = benchenv.readers(text)
        temp = self.scenario.with_suffix('.tmp')
        temp.write_text(text, encoding=e2e.ENCODING)
        os.replace(temp, self.scenario)
        if self.pcscd:
            ok, error = self.pcscd.apply(text)
            if not ok:
                raise RuntimeError(f'pcscd: {error}')

    def ask(self, line):
        ok, output, error = self.driver.ask(line)
        if not ok:
            raise RuntimeError(f'{line}: {error}')
        return output

    def poll(self, line, expected, timeout_s=10):
        """Repeats a driver command until its output is `expected`; returns the time it held."""
        deadline = time.monotonic() + e2e.scaled(timeout_s)
        while time.monotonic() < deadline:
            ok, output, _ = self.driver.ask(line)
            if ok and output == expected:
                return time.monotonic()
        raise RuntimeError(f'{line}: no {expected} within {e2e.scaled(timeout_s):g} s')

    def start(self, exe):
        self.program = subprocess.Popen([e2e.WINE, str(self.app / exe)], env=self.env, cwd=self.app,
                                        stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        return time.monotonic()

    def close(self, title):
        self.ask(f'wait-window "{title}" 5000')
        self.ask('close')
        self.ask('wait-gone 10000')
        self.program.wait(e2e.scaled(10))
        self.program = None

    def card_events(self, count):
        self.write_scenario(ABSENT)
        self.start('PCSC_Kardoskop.exe')
        self.ask(f'wait-window "{TITLE}" 20000')
        self.ask('select-item 1000 1')
        self.poll('get-text visible:1009', ['Keine Karte gesteckt'])
        times = []
        # Let a change fall anywhere in the poll period (pcscd's presence poll on the real stack),
        # not always right after a report.
        spread = 400 if benchenv.REAL_STACK else 200
        for i in range(count):
            present = i % 2 == 0
            time.sleep(0.25 + (i * 37 % spread) / 1000)
            self.write_scenario(PRESENT if present else ABSENT)
            changed = time.monotonic()
            shown = self.poll('get-text visible:1009', ['Karte gesteckt' if present else 'Keine Karte gesteckt'])
            times.append((shown - changed) * 1000)
        self.close(TITLE)
        return times

    def startup(self, exe, title, general_page):
        started = self.start(exe)
        deadline = started + e2e.scaled(30)
        while True:
            ok, _, _ = self.driver.ask(f'wait-window "{title}" 0')
            if ok and (not general_page or self.driver.ask('is-visible 1006')[1] == ['visible']):
                shown = time.monotonic()
                break
            if time.monotonic() > deadline:
                raise RuntimeError(f'{exe}: no window within 30 s')
        self.close(title)
        return (shown - started) * 1000

    def cleanup(self):
        if self.driver:
            self.driver.stop()
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        if self.dpi != BASE_DPI:
            self.set_dpi(BASE_DPI)  # every test in this build tree expects 100 %
        if self.pcscd:
            self.pcscd.stop()
        e2e.stop_wine(self.prefix)
        e2e.kill_pid(self.xvfb, 'Xvfb')
        try:
            self.xvfb_wrapper.wait(10)
        except subprocess.TimeoutExpired:
            self.xvfb_wrapper.kill()


def measure(args):
    """The figures of one resource manager: the one this process runs with."""
    bench = Bench(args.build, Path(args.build) / 'bench' / ('mainwindow-realstack' if benchenv.REAL_STACK
                                                            else 'mainwindow'))
    figures = {'source': benchenv.describe(args.build), 'floor_ms': benchenv.floor_ms(),
               'floor': benchenv.floor_name(), 'dpis': {}}
    try:
        bench.prepare()
        for dpi in args.dpis:
            bench.set_dpi(dpi)
            at = figures['dpis'][str(dpi)] = {}
            if args.what in ('card-event', 'all'):
                times = bench.card_events(args.changes)
                at['card_event'] = {'n': len(times), 'median': statistics.median(times),
                                    'p95': percentile(times, 95), 'min': min(times), 'max': max(times)}
            if args.what in ('startup', 'all'):
                program, standin = [], []
                bench.startup(STANDIN, STANDIN_TITLE, False)  # warms the file cache
                for _ in range(args.starts):
                    program.append(bench.startup('PCSC_Kardoskop.exe', TITLE, True))
                    standin.append(bench.startup(STANDIN, STANDIN_TITLE, False))
                at['startup'] = {'n': args.starts, 'program': program, 'standin': standin}
    finally:
        bench.cleanup()
    return figures


def print_card_event(figures):
    floor = figures['floor_ms']
    print(f"  {figures['source']}")
    print(f"    against {figures['floor']} = {floor:.0f} ms:")
    for dpi, at in figures['dpis'].items():
        c = at['card_event']
        print(f"    {dpi:>3} DPI, {c['n']} changes: median {c['median'] / floor:.2f} x floor, "
              f"p95 {c['p95'] / floor:.2f} x floor   (median {c['median']:.1f} ms, p95 {c['p95']:.1f}, "
              f"min {c['min']:.1f}, max {c['max']:.1f})")


def print_startup(figures):
    print(f"  {figures['source']}")
    for dpi, at in figures['dpis'].items():
        program, standin = at['startup']['program'], at['startup']['standin']
        p, s = statistics.median(program), statistics.median(standin)
        print(f"    {dpi:>3} DPI, median of {at['startup']['n']} starts each (warm wineserver): "
              f"ratio program / stand-in {p / s:.2f}")
        for name, median, times in (('PCSC_Kardoskop.exe, General page', p, program),
                                    (f'{STANDIN}, its dialog', s, standin)):
            print(f'      {name:<34}{median:7.1f} ms (min {min(times):.1f}, max {max(times):.1f})')


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('what', choices=['card-event', 'startup', 'all'])
    parser.add_argument('--build', default=str(ROOT / 'build' / 'mingw'), help='MinGW build tree')
    parser.add_argument('--changes', type=int, default=40, help='card changes measured (at least 30)')
    parser.add_argument('--starts', type=int, default=10, help='starts of each program')
    benchenv.add_stack_arguments(parser)
    benchenv.add_dpi_argument(parser)
    args = parser.parse_args()
    if args.changes < 30:
        parser.error('--changes: at least 30')
    runs = [measure(args)]
    if args.side_by_side:
        real = benchenv.run_real_stack(__file__, 'mainwindow')
        if real:
            runs.append(real)
    benchenv.write_json(args.json, runs[0])
    if args.what in ('card-event', 'all'):
        print('card change -> page shows it:')
        for figures in runs:
            print_card_event(figures)
    if args.what in ('startup', 'all'):
        print('process start -> window shown, against a dialog program with the same manifest under the same Wine:')
        for figures in runs:
            print_startup(figures)
    return 0


if __name__ == '__main__':
    sys.exit(main())
