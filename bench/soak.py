#!/usr/bin/env python3
"""Hours of use in minutes: the program under Wine with the simulated winscard.dll, or with
--realstack under Wine 10 against a private pcscd, watched for growth while cards come and go,
Refresh is pressed and logs are written.

  soak.py cards --build B [--cycles 1000] [--refreshes 100] [--sample-every 50] [--check]
      one contact reader, its page shown: card insert/remove cycles, then Refreshes (each followed
      by selecting the reader again); a sample every --sample-every cycles and every 10 Refreshes
  soak.py faults --build B [--seconds 60] [--check]
      a contact and a contactless reader, a page shown; then every call that can fail fails at once
      (context, list, status, connect, transmit, attribute) for --seconds of card changes and
      Refreshes, the window asked after every step; then the faults end and Refresh must show the
      readers and their cards again; the traces must name what failed
  soak.py logs --build B [--runs 20] [--readers 4] [--check]
      the log written through the save dialog --runs times in a row, all readers with cards; a
      sample after every run
  --realstack [--vreader DRIVER.so] (cards and logs, the x86_64 twin only; run it through
      testenv/realstack/run-in-root.sh): the same under Wine 10 with Wine's own winscard.dll,
      against a private pcscd whose readers are the virtual reader driver; cards defaults to 200
      cycles and 30 Refreshes there (pcscd sees a change at its 400 ms presence poll)

A sample holds what the outside can read of the program's process: its private memory and open
file descriptors from Linux (/proc of the Wine process), its window count and the Win32 figures
(private bytes, handle count, GDI and USER objects) from the e2e driver's process-stats. Wine 8
answers private bytes, GDI and USER objects of another process with 0, so the Linux figures stand
in for them there; its handles the driver counts in Wine's table of every process's handles
(registry keys left out, bench/README.md).
The first sample is taken after a warm-up (the first cycles, or the first run). With --check the
exit code is 1 when the last sample exceeds the first by more than 5 % of memory or by more than
a few objects, or when a change made did not reach the page; that is how CTest runs the short
version. Uses the build tree's Wine prefix and a private Xvfb; do not run it while CTest uses the
same build tree.
"""
import argparse
import os
import re
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import benchenv  # noqa: E402  (sets the Wine architecture of the build tree before e2e loads)

MEMORY_GROWTH = 0.05     # of the first sample (--memory-growth)
OBJECT_GROWTH = 5        # descriptors, windows, handles, GDI and USER objects
REFRESH_SAMPLE_EVERY = 10

CONTACT = 'Talvek CCR 4000 0'
PRESENT = f"""[reader {CONTACT}]
card = present
atr = 3B 7F 96 00 00 80 31 80 65 B0 84 41 3D F6 12 0F FE 82 90 00
firmware = 0 0x01020304 0 0x01000000
"""
ABSENT = f"""[reader {CONTACT}]
card = absent
firmware = 0 0x01020304 0 0x01000000
"""


# The context fails at every other Refresh; at the others the reader list does.
CONTEXT_FAULT = """context = 0x8010001D
"""
LIST_FAULTS = """list1 = 0x80100001
list2 = 0x80100001
"""
FAULTY_READERS = """[reader Talvek CCR 4000 0]
card = {card}
atr = 3B 7F 96 00 00 80 31 80 65 B0 84 41 3D F6 12 0F FE 82 90 00
status = {status}
connect = 0x80100069
transmit = 0x80100016
attrib = 0x80100016
firmware = 0 0x01020304 0 0x01000000

[reader Talvek CLR 2000-RF 0]
card = {card}
atr = 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A
apdu = FF CA 00 00 00 : 04 A1 B2 C3 90 00
connect = 0x80100069
transmit = 0x80100016
attrib = 0x80100016
firmware = 0 0x02010005 0 0
"""
# What the traces must say after the minute of faults: the reader list, the card connection, the UID.
FAULT_TRACES = ('list readers failed', 'Failed SCardConnect', 'UID failed')


def faulty(card, status='0x80100016'):
    return FAULTY_READERS.format(card=card, status=status)


def healthy(card):
    text = faulty(card, status='0')
    return '\n'.join(line for line in text.splitlines()
                     if not line.startswith(('connect', 'transmit', 'attrib', 'status'))) + '\n'


def log_scenario(readers):
    sections = []
    for i in range(readers):
        if i % 2 == 0:
            sections.append(f'[reader Talvek CCR 4000 {i}]\ncard = present\n'
                            'atr = 3B 7F 96 00 00 80 31 80 65 B0 84 41 3D F6 12 0F FE 82 90 00\n'
                            'firmware = 0 0x01020304 0 0x01000000\n')
        else:
            sections.append(f'[reader Talvek CLR 2000-RF {i}]\ncard = present\n'
                            'atr = 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A\n'
                            'apdu = FF CA 00 00 00 : 04 A1 B2 C3 90 00\n'
                            'firmware = 0 0x02010005 0 0\n')
    return '\n'.join(sections)


class Soak(benchenv.mainwindow.Bench):
    def __init__(self, build, out):
        super().__init__(build, out)
        self.samples = []
        self.made = 0
        self.seen = 0

    def linux_pid(self):
        """The Linux process of the program: the Wine loader execs into it under the same pid."""
        return self.program.pid

    def sample(self, label, phase):
        pid = self.linux_pid()
        private_kb = 0
        for line in Path(f'/proc/{pid}/smaps_rollup').read_text().splitlines():
            if line.startswith(('Private_Clean:', 'Private_Dirty:')):
                private_kb += int(line.split()[1])
        fds = len(os.listdir(f'/proc/{pid}/fd'))
        stats = dict(re.findall(r'(\w+)=(\d+)', self.ask('process-stats')[0]))
        row = {'at': label, 'phase': phase, 'private_kb': private_kb, 'fds': fds,
               **{key: int(value) for key, value in stats.items()}}
        self.samples.append(row)
        print(f"  {label:>14}  private {private_kb:8d} kB  fds {fds:4d}  windows {row['windows']:4d}"
              f"  win32: private {row['private']} handles {row['handles']} gdi {row['gdi']}"
              f" user {row['user']}", flush=True)

    @staticmethod
    def settled(path, timeout_s=20):
        """Waits until the log file has stopped growing (the writer queries every reader after the
        dialog has closed); true when it exists by then."""
        deadline = time.monotonic() + benchenv.e2e.scaled(timeout_s)
        size, since = -1, time.monotonic()
        while time.monotonic() < deadline:
            now = path.stat().st_size if path.exists() else -1
            if now != size:
                size, since = now, time.monotonic()
            elif size > 0 and time.monotonic() - since > 0.5:
                return True
            time.sleep(0.05)
        return False

    def screenshot_failure(self):
        subprocess.run(['import', '-display', self.display, '-window', 'root', str(self.out / 'failure.png')],
                       check=False)
        print('\n'.join(self.ask('dump')))

    def change(self, text, status):
        self.write_scenario(text)
        self.made += 1
        try:
            self.poll('get-text visible:1009', [status], timeout_s=5)
            self.seen += 1
        except RuntimeError as error:
            print(f'  missed: {error}', flush=True)

    def start_program(self, scenario):
        self.write_scenario(scenario)
        self.start('PCSC_Kardoskop.exe')
        self.ask(f'wait-window "{benchenv.mainwindow.TITLE}" 20000')

    def cards(self, cycles, refreshes, every, refresh_every=REFRESH_SAMPLE_EVERY):
        self.start_program(ABSENT)
        self.ask('select-item 1000 1')
        self.poll('get-text visible:1009', ['Keine Karte gesteckt'])
        started = time.monotonic()
        for cycle in range(1, cycles + 1):
            self.change(PRESENT, 'Karte gesteckt')
            self.change(ABSENT, 'Keine Karte gesteckt')
            if cycle % every == 0:
                self.sample(f'cycle {cycle}', 'cards')
        print(f'  {cycles} cycles in {time.monotonic() - started:.1f} s', flush=True)
        self.write_scenario(PRESENT)
        for refresh in range(1, refreshes + 1):
            self.ask('click child:1014')
            # Posted: once handled, the start-up has selected the General page. A reader selected
            # before that would be dropped with the old list.
            self.poll('selected-item 1000', ['0'])
            self.ask('select-item 1000 1 5000')
            self.made += 1
            try:
                self.poll('get-text visible:1009', ['Karte gesteckt'], timeout_s=5)
                self.seen += 1
            except RuntimeError as error:
                print(f'  missed after Refresh {refresh}: {error}', flush=True)
            if refresh % refresh_every == 0:
                self.sample(f'refresh {refresh}', 'refreshes')
        self.close(benchenv.mainwindow.TITLE)

    def answers(self):
        """The window still answers: its list and a field of the shown page can be read."""
        self.ask('list-items 1000')
        self.ask('get-text child:1014')

    def faults(self, seconds):
        self.start_program(healthy('present'))
        self.ask('select-item 1000 2')
        self.poll('get-text visible:1009', ['Karte im Feld'])
        self.sample('before faults', 'faults')
        end = time.monotonic() + seconds
        step = 0
        while time.monotonic() < end:
            step += 1
            faults = LIST_FAULTS + (CONTEXT_FAULT if step % 20 < 10 else '')
            self.write_scenario(faults + faulty('present' if step % 2 else 'absent'))
            time.sleep(0.5)
            if step % 10 == 0:
                self.ask('click child:1014')
                # No reader may stay listed while the list call fails.
                self.poll('list-items 1000', ['0 | 0 | Allgemein'])
                self.ask('select-item 1000 0')
            self.answers()
        print(f'  {step} steps of faults in {seconds} s, the window answered after each', flush=True)
        # The faults end: Refresh lists both readers again, and their pages show the cards.
        self.write_scenario(healthy('present'))
        self.ask('click child:1014')
        self.made += 1
        self.poll('list-items 1000', ['0 | 0 | Allgemein', '1 | 1 | CCR 4000 0', '2 | 2 | CLR 2000-RF 0'],
                  timeout_s=10)
        self.seen += 1
        for item, status in ((1, 'Karte gesteckt'), (2, 'Karte im Feld')):
            self.ask(f'select-item 1000 {item} 5000')
            self.made += 1
            self.poll('get-text visible:1009', [status], timeout_s=5)
            self.seen += 1
        self.made += 1
        self.poll('get-text visible:nested:1014', ['04 A1 B2 C3'], timeout_s=5)
        self.seen += 1
        self.sample('recovered', 'faults')
        self.close(benchenv.mainwindow.TITLE)

    def missing_traces(self):
        self.log.flush()
        text = (self.out / 'wine.log').read_bytes().decode('cp1252', errors='replace')
        return [trace for trace in FAULT_TRACES if trace not in text]

    def logs(self, runs, readers):
        self.start_program(log_scenario(readers))
        path = self.out / 'soak.log'
        for run in range(1, runs + 1):
            if path.exists():
                path.unlink()
            self.ask('click 1019')
            self.ask('use-owned "" 10000')
            self.ask(f'set-text class=Edit:0x47c "{benchenv.e2e.windows_path(path)}"')
            self.ask('click class=Button:1')
            try:
                self.ask('wait-gone 30000')
            except RuntimeError:
                self.screenshot_failure()
                raise
            self.made += 1
            if self.settled(path) and path.read_bytes().count(b'\r\n') > 20:
                self.seen += 1
            else:
                print(f'  run {run}: no complete log file', flush=True)
            self.sample(f'log run {run}', 'logs')
        self.close(benchenv.mainwindow.TITLE)


def growth(first, last, memory_growth=MEMORY_GROWTH):
    """The figures of `last` beyond the bounds over `first`."""
    failures = []
    if last['private_kb'] > first['private_kb'] * (1 + memory_growth):
        failures.append(f"private memory grew from {first['private_kb']} kB to {last['private_kb']} kB")
    if last['private'] > first['private'] * (1 + memory_growth):
        failures.append(f"Win32 private bytes grew from {first['private']} to {last['private']}")
    for key in ('fds', 'windows', 'handles', 'gdi', 'user'):
        if last[key] > first[key] + OBJECT_GROWTH:
            failures.append(f'{key} grew from {first[key]} to {last[key]}')
    return failures


def phases(samples):
    """The samples grouped by phase, in the order the phases ran."""
    groups = {}
    for row in samples:
        groups.setdefault(row['phase'], []).append(row)
    return groups


def verdict(samples, made, seen, memory_growth=MEMORY_GROWTH):
    """The failures of a soak: lost changes, and growth from the first sample of each phase (taken
    after that phase's warm-up: the first Refresh allocates once what later ones reuse) to its
    last."""
    failures = []
    if made != seen:
        failures.append(f'{made - seen} of {made} changes did not reach the page')
    for phase, rows in phases(samples).items():
        if len(rows) < 2:
            failures.append(f'{phase}: fewer than two samples')
            continue
        failures += [f'{phase}: {failure}' for failure in growth(rows[0], rows[-1], memory_growth)]
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('what', choices=['cards', 'faults', 'logs'])
    parser.add_argument('--build', required=True, help='MinGW build tree (mingw or mingw64)')
    parser.add_argument('--cycles', type=int, help='card cycles (1000; 200 on the real stack)')
    parser.add_argument('--refreshes', type=int, help='Refreshes (100; 30 on the real stack)')
    parser.add_argument('--sample-every', type=int, default=50)
    parser.add_argument('--refresh-sample-every', type=int, default=REFRESH_SAMPLE_EVERY)
    parser.add_argument('--realstack', action='store_true',
                        help='Wine 10 with its own winscard.dll and a private pcscd (inside '
                             'testenv/realstack/run-in-root.sh)')
    parser.add_argument('--vreader', help='real stack: the virtual reader driver for pcscd '
                                          '(default: that of build/native)')
    parser.add_argument('--seconds', type=int, default=60)
    parser.add_argument('--runs', type=int, default=20)
    parser.add_argument('--readers', type=int, default=4)
    parser.add_argument('--memory-growth', type=float, default=MEMORY_GROWTH * 100,
                        help='allowed growth of memory from the first sample of a phase to its last, in %%')
    parser.add_argument('--check', action='store_true', help='exit code 1 on growth or lost changes')
    args = parser.parse_args()
    if args.realstack and args.what == 'faults':
        parser.error('faults: the injections are the simulated DLL\'s; pcscd has none')
    if args.cycles is None:
        args.cycles = 200 if args.realstack else 1000
    if args.refreshes is None:
        args.refreshes = 30 if args.realstack else 100

    if args.what == 'faults':
        os.environ['WINEDEBUG'] = '-all,+debugstr'   # the program's traces, into wine.log
    soak = Soak(args.build, Path(args.build) / 'bench' / f"soak-{args.what}{'-realstack' if args.realstack else ''}")
    print(f'soak {args.what}: {benchenv.describe(args.build)}', flush=True)
    started = time.monotonic()
    try:
        soak.prepare()
        if args.what == 'cards':
            soak.cards(args.cycles, args.refreshes, args.sample_every, args.refresh_sample_every)
        elif args.what == 'faults':
            soak.faults(args.seconds)
        else:
            soak.logs(args.runs, args.readers)
    finally:
        soak.cleanup()
    if args.what == 'faults':
        # Before and after differ in what ran (the first Refresh allocates once): the samples are
        # printed, not compared; the run checks recovery, the window's answers and the traces.
        failures = verdict([], soak.made, soak.seen)
        failures += [f'no trace "{trace}"' for trace in soak.missing_traces()]
    else:
        failures = verdict(soak.samples, soak.made, soak.seen, args.memory_growth / 100)
    print(f'changes made {soak.made}, seen on the page {soak.seen}; {len(soak.samples)} samples in '
          f'{time.monotonic() - started:.0f} s')
    for phase, rows in phases(soak.samples).items() if args.what != 'faults' else ():
        first, last = rows[0], rows[-1]
        print(f"{phase}: last / first sample: private memory "
              f"{last['private_kb'] / max(first['private_kb'], 1):.3f}, "
              f"fds {last['fds'] - first['fds']:+d}, windows {last['windows'] - first['windows']:+d}")
    for failure in failures:
        print(f'FAIL: {failure}')
    if args.check and failures:
        return 1
    if not failures:
        print('recovered: every change reached the page, the traces name what failed' if args.what == 'faults'
              else 'flat: no growth beyond the bounds, every change reached the page')
    return 0


if __name__ == '__main__':
    sys.exit(main())
