#!/usr/bin/env python3
"""Static checks of the Windows build's files, without running them.

  pe_check.py program FILE --machine i386|amd64 --version A.B.C.D
      a GUI program that imports only system DLLs and carries the file version A.B.C.D
  pe_check.py resource-module FILE --machine i386|amd64
      a resource-only DLL: no entry point, no imports, a string table

On a machine that runs no 32-bit code these checks are what catches a broken i686 product build;
they run for the x86_64 twin too. Exit code 0 when every check holds, 1 with one line per failure.
"""

import argparse
import struct
import sys

MACHINES = {'i386': 0x014C, 'amd64': 0x8664}
SUBSYSTEM_GUI = 2
RT_STRING, RT_VERSION = 6, 16
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD
# DLLs that every Windows from 7 on has in its system directory: a static runtime needs no other.
SYSTEM_DLLS = {
    'advapi32.dll', 'comctl32.dll', 'comdlg32.dll', 'gdi32.dll', 'kernel32.dll', 'msvcrt.dll',
    'ole32.dll', 'oleaut32.dll', 'shell32.dll', 'shlwapi.dll', 'user32.dll', 'version.dll',
    'winscard.dll',
}


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ':
            raise ValueError('no MZ header')
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('no PE signature')
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = \
            struct.unpack_from('<HHIIIHH', data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ValueError(f'unknown optional header magic {magic:#x}')
        self.entry_point = struct.unpack_from('<I', data, optional + 16)[0]
        self.subsystem = struct.unpack_from('<H', data, optional + 68)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        count = struct.unpack_from('<I', data, directories - 4)[0]
        self.directories = [struct.unpack_from('<II', data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
            self.sections.append((name.rstrip(b'\0').decode(), vaddr, max(vsize, rsize), raw, rsize))

    def offset(self, rva):
        for _, vaddr, size, raw, rsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rsize:
                    raise ValueError(f'RVA {rva:#x} lies in no file data')
                return raw + rva - vaddr
        raise ValueError(f'RVA {rva:#x} lies in no section')

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        rva, size = self.directory(1)
        names = []
        if rva == 0 or size == 0:
            return names
        at = self.offset(rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from('<IIIII', self.data, at)
            if lookup == 0 and name_rva == 0 and thunks == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b'\0', start)].decode('ascii'))
            at += 20

    def resources(self, type_id):
        """The data blocks of every resource of one type (all names, all languages)."""
        rva, _ = self.directory(2)
        if rva == 0:
            return []
        base = self.offset(rva)

        def entries(table):
            named, ids = struct.unpack_from('<HH', self.data, base + table + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from('<II', self.data, base + table + 16 + 8 * i)
                yield ident, target

        def leaves(target, depth):
            if target & 0x80000000:
                if depth > 3:
                    raise ValueError('resource tree too deep')
                for _, child in entries(target & 0x7FFFFFFF):
                    yield from leaves(child, depth + 1)
            else:
                data_rva, size = struct.unpack_from('<II', self.data, base + target)
                start = self.offset(data_rva)
                yield self.data[start:start + size]

        return [block for ident, target in entries(0) if ident == type_id
                for block in leaves(target, 1)]


def file_version(block):
    at = block.find(struct.pack('<I', VS_FIXEDFILEINFO_SIGNATURE))
    if at < 0:
        return None
    ms, ls = struct.unpack_from('<II', block, at + 8)
    return f'{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}'


def check_program(pe, args, failures):
    if pe.subsystem != SUBSYSTEM_GUI:
        failures.append(f'subsystem {pe.subsystem}, expected {SUBSYSTEM_GUI} (GUI)')
    for name in pe.imports():
        if name.lower() not in SYSTEM_DLLS:
            failures.append(f'imports {name}, which is no system DLL')
    versions = [file_version(block) for block in pe.resources(RT_VERSION)]
    if args.version not in versions:
        failures.append(f'file version {args.version} not in the version resource (found {versions})')


def check_resource_module(pe, _args, failures):
    if pe.entry_point != 0:
        failures.append(f'entry point {pe.entry_point:#x}: a resource-only module has none')
    if pe.imports():
        failures.append(f'imports {", ".join(pe.imports())}: a resource-only module imports nothing')
    if not pe.resources(RT_STRING):
        failures.append('no string table')


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('kind', choices=['program', 'resource-module'])
    parser.add_argument('file')
    parser.add_argument('--machine', required=True, choices=sorted(MACHINES))
    parser.add_argument('--version')
    args = parser.parse_args()
    if args.kind == 'program' and not args.version:
        parser.error('program needs --version')

    failures = []
    try:
        with open(args.file, 'rb') as f:
            pe = PeFile(f.read())
        if pe.machine != MACHINES[args.machine]:
            failures.append(f'machine {pe.machine:#06x}, expected {MACHINES[args.machine]:#06x} ({args.machine})')
        (check_program if args.kind == 'program' else check_resource_module)(pe, args, failures)
    except (OSError, ValueError, struct.error) as error:
        failures.append(f'cannot read: {error}')
    for failure in failures:
        print(f'{args.file}: {failure}')
    if not failures:
        print(f'{args.file}: {args.kind} ok ({args.machine})')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
