#!/usr/bin/env python3
"""Runs an e2e script (e2e.py run ...) that writes a log file, then checks the log's card blocks
against atr_rows, the developer tool that prints the decoder's rows for an ATR and a clock.

Usage: log_rows.py --atr-rows ATR_ROWS --log FILE
                   [--card NAME ATR CLOCK_KHZ contact|contactless]... [--uid NAME HEX]...
                   -- E2E_RUN_ARGS...

For every --card the log must hold the block of reader NAME with a card: its table head, (for a
contactless reader) the UID row, the ATR row with ATR, and then exactly the rows that
`atr_rows --clock-khz CLOCK_KHZ [--contactless]` prints for ATR, row for row and byte for byte:
property, the alignment tabs for its length, "|", value. --uid gives the UID row's hex text.
"""

import argparse
import subprocess
import sys
from pathlib import Path

HEAD = b'Eigenschaft\t\t        |Wert'
RULE = b'-' * 32 + b'+' + b'-' * 46


def alignment(length):
    if length < 8:
        return b'\t\t\t\t|'
    if length < 16:
        return b'\t\t\t|'
    if length < 24:
        return b'\t\t|'
    return b'\t|'


def unescape(value):
    """atr_rows' value text (UTF-8, control bytes as \\xHH, backslash doubled) as program bytes."""
    out, i = bytearray(), 0
    while i < len(value):
        if value[i] == '\\' and value[i + 1:i + 2] == '\\':
            out += b'\\'
            i += 2
        elif value[i] == '\\' and value[i + 1:i + 2] == 'x':
            out.append(int(value[i + 2:i + 4], 16))
            i += 4
        else:
            out += value[i].encode('cp1252')
            i += 1
    return bytes(out)


def reference_rows(atr_rows, atr, clock, contactless):
    command = [atr_rows, '--clock-khz', str(clock)] + (['--contactless'] if contactless else [])
    result = subprocess.run(command, input=(atr + '\n').encode(), capture_output=True, check=True)
    rows = []
    for line in result.stdout.decode('utf-8').split('\n'):
        if not line:
            break
        prop, _, value = line.partition('\t')
        prop_bytes = prop.encode('cp1252')
        rows.append(prop_bytes + alignment(len(prop_bytes)) + unescape(value))
    return rows


def hex_text(spaced):
    return ' '.join(spaced.lower().split()).encode()


def check_block(lines, name, atr, rows, uid, problems):
    start = name.encode('cp1252') + b': '
    if start not in lines:
        problems.append(f'{name}: no card block')
        return
    i = lines.index(start) + 1
    expected = [b'', HEAD, RULE]
    if uid is not None:
        expected.append(b'UID\t\t\t\t|' + uid)
    expected.append(b'ATR\t\t\t\t|' + hex_text(atr))
    expected += rows
    expected.append(b'')
    got = lines[i:i + len(expected)]
    for n, (want, have) in enumerate(zip(expected, got + [None] * (len(expected) - len(got)))):
        if want != have:
            problems.append(f'{name}: line {i + n + 1} of the log:\n  expected {want!r}\n  got      {have!r}')
            return


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--atr-rows', required=True)
    parser.add_argument('--log', required=True)
    parser.add_argument('--card', nargs=4, action='append', default=[],
                        metavar=('NAME', 'ATR', 'CLOCK_KHZ', 'KIND'))
    parser.add_argument('--uid', nargs=2, action='append', default=[], metavar=('NAME', 'HEX'))
    parser.add_argument('run_args', nargs=argparse.REMAINDER)
    args = parser.parse_args()
    run_args = [a for a in args.run_args if a != '--']
    if not Path(args.atr_rows).is_file():
        print(f'FAILED: no {args.atr_rows}: build the native preset first')
        return 1
    code = subprocess.run([sys.executable, *run_args], check=False).returncode
    if code != 0:
        return code

    log = Path(args.log)
    if not log.exists():
        print(f'FAILED: the log {log} was not written')
        return 1
    data = log.read_bytes()
    problems = []
    if b'\n' in data.replace(b'\r\n', b''):
        problems.append('a line end that is not CR LF')
    lines = data.split(b'\r\n')
    uids = {name: hex_text(value) for name, value in args.uid}
    for name, atr, clock, kind in args.card:
        if kind not in ('contact', 'contactless'):
            parser.error(f'--card KIND is contact or contactless: {kind}')
        rows = reference_rows(args.atr_rows, atr, int(clock), kind == 'contactless')
        uid = uids.get(name) if kind == 'contactless' else None
        if kind == 'contactless' and uid is None:
            parser.error(f'--uid missing for {name}')
        check_block(lines, name, atr, rows, uid, problems)
    if problems:
        print('FAILED log rows:\n' + '\n'.join(problems))
        return 1
    print(f'log rows agree with atr_rows for {len(args.card)} cards: {log}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
