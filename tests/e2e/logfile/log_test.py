#!/usr/bin/env python3
"""One end-to-end test of the log file: runs an e2e script through the harness (e2e.py run) and
then checks the files the program wrote, byte for byte, against expected files.

Usage: log_test.py --template T.e2e [--check NAME=EXPECTED]... [--existing NAME] [--file NAME=SOURCE]
                   [--start-in-files] [--plant PATH=SOURCE] [--unchanged NAME[:BYTES]] [--absent NAME]
                   [--small-fs] [--trace TEXT] [--no-trace TEXT] -- E2E_RUN_ARGS...

The script template may use @DIR@: the Windows path (Z:\\...) of a folder of the test's own,
OUT.files/, where the program is told to write its logs. E2E_RUN_ARGS are e2e.py's `run`
arguments except --script (it gets the filled-in template); --out names the test's folder.

- --check NAME=EXPECTED: OUT.files/NAME must equal EXPECTED once the date and time are masked:
  the rest of the line after "Datum:\\t\\t" and after "Uhrzeit:\\t" becomes <date> and <time>
  (expected files hold these placeholders) and must not be empty in the written file.
- --existing NAME: OUT.files/NAME exists before the run, longer than any log (8 KiB of 'x').
- --file NAME=SOURCE: a copy of SOURCE is OUT.files/NAME before the run (a DLL lying in the
  folder where the log is saved, say).
- --start-in-files: the program starts with OUT.files/ as its current directory (as from a
  shortcut whose "Start in" is a folder holding such a DLL).
- --plant PATH=SOURCE: a copy of SOURCE is PATH of the Wine prefix's drive C: during the run
  (windows/system32/scardsvr.exe, say), removed after it.
- --unchanged NAME[:BYTES]: OUT.files/NAME exists before the run as for --existing (BYTES bytes
  of 'x', 8 KiB by default; NAME may lie in full/, below) and still holds the same bytes after it.
  --absent NAME: OUT.files/NAME does not exist after the run.
- Always: no temporary file of the program's log runs (NAME.~kardoskop-PID.tmp) is left in
  OUT.files/ or full/ once the script has ended, whatever became of the runs.
- --aligned NAME: in every card table of OUT.files/NAME (the lines after a line of 32 hyphens,
  "+" and 46 hyphens, up to the next empty line) the first "|" stands in column 32, tabs taken
  8 columns wide.
- --small-fs: OUT.files/full/ is a tmpfs of 8 KiB (two pages), for a file that fills up half-way, and
  OUT.files/ro/ a read-only one, where no file can be created (mounted before the run, removed
  after it; needs root, else the test is skipped with exit code 77). A file without write
  permission would not do: Wine running as root opens it all the same.
- --trace TEXT / --no-trace TEXT: the program's debugger output (wine.log, captured with
  WINEDEBUG=+debugstr) contains / does not contain TEXT.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

HARNESS = Path(__file__).resolve().parent.parent / 'e2e.py'
SKIPPED = 77
TEMPORARY = re.compile(r'~kardoskop-\d+\.tmp$')
MASKS = [(re.compile(rb'^(Datum:\t\t|Date:\t\t)([^\r\n]*)', re.M), b'<date>'),
         (re.compile(rb'^(Uhrzeit:\t|Time:\t\t)([^\r\n]*)', re.M), b'<time>')]


def masked(data, where, problems):
    for pattern, placeholder in MASKS:
        match = pattern.search(data)
        if match and not match.group(2):
            problems.append(f'{where}: empty {placeholder.decode()} line')
        data = pattern.sub(lambda m: m.group(1) + placeholder, data, count=1)
    return data


def windows_path(path):
    return 'Z:' + str(path).replace('/', '\\')


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def describe(data, at):
    line = data.count(b'\n', 0, at) + 1
    return f'byte {at}, line {line}: {data[max(0, at - 40):at + 40]!r}'


def check_equal(name, actual_path, expected_path, problems):
    if not actual_path.exists():
        problems.append(f'{name}: not written')
        return
    actual = masked(actual_path.read_bytes(), name, problems)
    if not expected_path.exists():
        problems.append(f'{name}: no expected file {expected_path}')
        return
    expected = expected_path.read_bytes()
    if actual != expected:
        at = first_difference(actual, expected)
        problems.append(f'{name} differs from {expected_path.name}:\n  got      {describe(actual, at)}\n'
                        f'  expected {describe(expected, at)}\n  sizes {len(actual)} / {len(expected)}')


def check_aligned(name, data, problems):
    rule = b'-' * 32 + b'+' + b'-' * 46
    in_table = False
    for number, line in enumerate(data.split(b'\r\n'), start=1):
        if line == rule:
            in_table = True
            continue
        if not line:
            in_table = False
        if in_table and line.expandtabs(8).find(b'|') != 32:
            problems.append(f'{name}: line {number}: the bar is not in column 32: {line!r}')


def unmount(points):
    for point in points:
        if os.path.ismount(point):
            subprocess.run(['umount', str(point)], check=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--template', required=True)
    parser.add_argument('--check', action='append', default=[])
    parser.add_argument('--existing', action='append', default=[])
    parser.add_argument('--file', action='append', default=[])
    parser.add_argument('--plant', action='append', default=[])
    parser.add_argument('--unchanged', action='append', default=[])
    parser.add_argument('--absent', action='append', default=[])
    parser.add_argument('--aligned', action='append', default=[])
    parser.add_argument('--small-fs', action='store_true')
    parser.add_argument('--start-in-files', action='store_true')
    parser.add_argument('--trace', action='append', default=[])
    parser.add_argument('--no-trace', action='append', default=[])
    parser.add_argument('run_args', nargs=argparse.REMAINDER)
    args = parser.parse_args()
    run_args = [a for a in args.run_args if a != '--']
    out = Path(run_args[run_args.index('--out') + 1])
    files = Path(str(out) + '.files')
    if args.start_in_files:
        run_args += ['--cwd', str(files)]
    if files.exists():
        unmount([files / 'full', files / 'ro'])
        shutil.rmtree(files)
    files.mkdir(parents=True)
    unchanged = {}
    for item in args.unchanged:
        name, _, size = item.partition(':')
        unchanged[name] = b'x' * int(size or 8192)
    for item in args.file:
        name, source = item.split('=', 1)
        shutil.copy2(source, files / name)

    mounts = []
    if args.small_fs:
        for name, options in (('full', 'size=8k'), ('ro', 'ro,size=4k')):
            point = files / name
            point.mkdir()
            result = subprocess.run(['mount', '-t', 'tmpfs', '-o', options, 'tmpfs', str(point)],
                                    stderr=subprocess.PIPE, check=False)
            if result.returncode != 0:
                unmount(mounts)
                print(f'skipped: no small file system ({result.stderr.decode().strip()})')
                return SKIPPED
            mounts.append(point)
    mounted = mounts[0] if mounts else None
    for name in args.existing:
        (files / name).write_bytes(b'x' * 8192)
    for name, data in unchanged.items():
        (files / name).write_bytes(data)

    drive_c = Path(run_args[run_args.index('--prefix') + 1]) / 'drive_c'
    planted = []
    for item in args.plant:
        name, source = item.split('=', 1)
        planted.append(drive_c / name)
        shutil.copy2(source, planted[-1])

    try:
        script = files / Path(args.template).name
        script.write_text(Path(args.template).read_text(encoding='utf-8').replace('@DIR@', windows_path(files)),
                          encoding='utf-8')
        env = dict(os.environ)
        if args.trace or args.no_trace:
            env['WINEDEBUG'] = '-all,+debugstr'
        code = subprocess.run([sys.executable, str(HARNESS), 'run', '--script', str(script), *run_args],
                              env=env, check=False).returncode
    finally:
        for path in planted:
            path.unlink(missing_ok=True)
        # Copy what the program wrote before the small file system goes.
        if mounted:
            for item in mounted.iterdir():
                shutil.copy2(item, files / f'full-{item.name}')
        unmount(mounts)
    # Also after a failed script: a file that was to stay as it was says most about a run that broke.
    problems = []
    for name, data in unchanged.items():
        path = files / name.replace('full/', 'full-')
        if not path.exists() or path.read_bytes() != data:
            problems.append(f'{name}: changed, though it was to stay as it was')
    if code != 0:
        if problems:
            print('FAILED log checks:\n' + '\n'.join(problems))
        return code

    for item in args.check:
        name, expected = item.split('=', 1)
        check_equal(name, files / name.replace('full/', 'full-'), Path(expected), problems)
    for name in args.aligned:
        if (files / name).exists():
            check_aligned(name, (files / name).read_bytes(), problems)
    for path in sorted(files.iterdir()):
        if TEMPORARY.search(path.name):
            problems.append(f'{path.name}: a temporary file of a log run was left behind')
    for name in args.absent:
        if (files / name).exists():
            problems.append(f'{name}: written, though no file was to be')
    log = (out / 'wine.log').read_bytes().decode('cp1252', errors='replace') if (out / 'wine.log').exists() else ''
    for text in args.trace:
        if text not in log:
            problems.append(f'debugger output lacks {text!r}')
    for text in args.no_trace:
        if text in log:
            problems.append(f'debugger output holds {text!r}')
    if problems:
        print('FAILED log checks:\n' + '\n'.join(problems))
        return 1
    print(f'log checks passed ({len(args.check)} files compared); files in {files}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
