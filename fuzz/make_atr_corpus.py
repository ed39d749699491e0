#!/usr/bin/env python3
"""Builds the seed corpus of atr_decoder_fuzz from a list of real ATRs.

Usage: make_atr_corpus.py SMARTCARD_LIST OUTPUT_DIR

SMARTCARD_LIST is pcsc-tools' smartcard_list.txt: ATR lines (regular expressions) at the start of
a line, descriptions indented. Wildcard bytes ".." become 00; lines with other patterns are left
out. Every ATR becomes one input for a contact reader at 4000 kHz; ATRs whose historical part
looks like a contactless storage card (80 4F) also one for a contactless reader.
"""

import hashlib
import os
import re
import struct
import sys

HEX_PAIRS = re.compile(r'^[0-9A-Fa-f]{2}( [0-9A-Fa-f]{2})*$')
CLOCK_KHZ = 4000


def seeds(path):
    with open(path, encoding='utf-8', errors='replace') as listing:
        for line in listing:
            if not line[:1].isalnum():
                continue
            text = line.strip().replace('..', '00')
            if not HEX_PAIRS.match(text):
                continue
            atr = bytes.fromhex(text)
            if not 1 <= len(atr) <= 36:
                continue
            block = bytes([len(atr)]) + atr
            yield struct.pack('<BI', 0, CLOCK_KHZ) + block
            if b'\x80\x4f' in atr:
                yield struct.pack('<BI', 1, CLOCK_KHZ) + block


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, output = argv[1:]
    os.makedirs(output, exist_ok=True)
    count = 0
    for seed in seeds(source):
        name = hashlib.sha1(seed).hexdigest()
        with open(os.path.join(output, name), 'wb') as out:
            out.write(seed)
        count += 1
    print(f'make_atr_corpus: {count} seeds in {output}')
    return 0 if count else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
