#!/usr/bin/env python3
"""Figures of a whole log run under Wine with the simulated winscard.dll, or on the real stack
(--realstack, inside testenv/realstack/run-in-root.sh), or both in one run (--side-by-side): the
time from pressing Save in the save dialog to the last byte of the log in the file, for 1, 4 and 8
supported readers that all hold cards (contact and contactless in turn), as a ratio to N x the
floor of one card query: the monitor's 200 ms poll period, on the real stack pcscd's 400 ms
presence poll plus that (each card block waits for one one-shot answer).

The program runs once per reader count; each count gets one unmeasured run (which also tells
what the complete file ends with), then --runs measured runs. The end of a run is seen from
outside by polling the file (every 2 ms) until it ends with the bytes of a complete log; the
writer writes every piece straight through to the file, so that is the moment its last piece was
written. At every display scale of --dpis (Wine's LogPixels, default 96 and 144 DPI: 100 and
150 %), which the prefix has for the run and which is 96 again at the end. Uses the build tree's Wine prefix and a private Xvfb, and ends the prefix's Wine
processes first and at the end: do not run it while CTest uses the same build tree.
"""

import argparse
import statistics
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TITLE = 'PC/SC Kardoskop v2.1'
TAIL = 64

sys.path.insert(0, str(ROOT / 'bench'))
import benchenv  # noqa: E402  (sets the Wine architecture of the build tree before e2e loads)

mainwindow = benchenv.mainwindow

CONTACT = """[reader Talvek CCR 4000 {n}]
card = present
atr = 3B 7F 96 00 00 80 31 80 65 B0 84 41 3D F6 12 0F FE 82 90 00
firmware = 0 0x01020304 0 0x01000000
"""
CONTACTLESS = """[reader Talvek CLR 2000-RF {n}]
card = present
atr = 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A
apdu = FF CA 00 00 00 : 04 A1 B2 C3 90 00
clock = 13560
firmware = 0 0x02010005 0 0
"""


def scenario(readers):
    return '\n'.join((CONTACT if i % 2 == 0 else CONTACTLESS).format(n=i // 2) for i in range(readers))


class LogBench(mainwindow.Bench):
    def write_log(self, path, tail=None, timeout_s=30):
        """Runs one log into `path`; returns (seconds from Save to the complete file, its bytes)."""
        if path.exists():
            path.unlink()
        self.ask('click 1019')
        self.ask('use-owned')
        self.ask(f'set-text class=Edit:0x47c "{mainwindow.e2e.windows_path(path)}"'.replace('\\', '\\\\'))
        self.ask('click class=Button:1')
        saved = time.monotonic()
        self.ask('wait-gone')
        deadline = saved + mainwindow.e2e.scaled(timeout_s)
        last, stable_since = None, None
        while time.monotonic() < deadline:
            data = path.read_bytes() if path.exists() else b''
            if tail is not None and data.endswith(tail):
                return time.monotonic() - saved, data
            if tail is None:
                # The unmeasured run: complete once the file has not changed for a second.
                if data and data == last:
                    if time.monotonic() - stable_since > 1.0:
                        return None, data
                else:
                    last, stable_since = data, time.monotonic()
            time.sleep(0.002)
        raise RuntimeError(f'{path}: no complete log within {timeout_s} s')

    def log_runs(self, readers, runs):
        self.write_scenario(scenario(readers))
        self.start('PCSC_Kardoskop.exe')
        self.ask(f'wait-window "{TITLE}" 20000')
        path = self.out / f'log_{readers}.log'
        _, data = self.write_log(path)
        tail = data[-TAIL:]
        times = []
        for _ in range(runs):
            seconds, _ = self.write_log(path, tail)
            times.append(seconds * 1000)
            time.sleep(0.3)  # the page shown again and its first report, before the next run
        self.close(TITLE)
        return times


def measure(args):
    bench = LogBench(args.build, Path(args.build) / 'bench' / ('log_run-realstack' if benchenv.REAL_STACK
                                                               else 'log_run'))
    figures = {'source': benchenv.describe(args.build), 'floor_ms': benchenv.floor_ms(),
               'floor': benchenv.floor_name(), 'runs': args.runs, 'dpis': {}}
    try:
        bench.prepare()
        for dpi in args.dpis:
            bench.set_dpi(dpi)
            at = figures['dpis'][str(dpi)] = {}
            for readers in args.readers:
                at[str(readers)] = bench.log_runs(readers, args.runs)
    finally:
        bench.cleanup()
    return figures


def print_figures(figures):
    floor = figures['floor_ms']
    print(f"  {figures['source']}")
    print(f"    median of {figures['runs']} runs, against N x {figures['floor']} = N x {floor:.0f} ms:")
    for dpi, at in figures['dpis'].items():
        for readers, times in at.items():
            median = statistics.median(times)
            budget = int(readers) * floor
            print(f'    {dpi:>3} DPI, {readers} reader(s): {median / budget:.2f} x ({readers} x {floor:.0f} ms)'
                  f'   median {median:.1f} ms, min {min(times):.1f}, max {max(times):.1f}')


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--build', default=str(ROOT / 'build' / 'mingw'), help='MinGW build tree')
    parser.add_argument('--runs', type=int, default=10, help='measured runs per reader count')
    parser.add_argument('--readers', type=int, nargs='+', default=[1, 4, 8])
    benchenv.add_stack_arguments(parser)
    benchenv.add_dpi_argument(parser)
    args = parser.parse_args()
    runs = [measure(args)]
    if args.side_by_side:
        real = mainwindow.benchenv.run_real_stack(__file__, 'log_run')
        if real:
            runs.append(real)
    mainwindow.benchenv.write_json(args.json, runs[0])
    print('Save pressed -> complete log:')
    for figures in runs:
        print_figures(figures)
    return 0


if __name__ == '__main__':
    sys.exit(main())
