#!/usr/bin/env python3
"""Takes out of a zip written by CPack's archive generator what depends on the machine and the user.

  normalize_zip.py ZIP

CMake 3.25's CPack (libarchive) writes the entries in the order in which the file system lists the
staging folder (on ext4 a hash order that differs from one file system to another), the builder's
numeric user and group ids, and DOS dates and times in the local time zone. This rewrites the zip in
place with the entries in name order, user and group 0, and each entry's DOS date and time taken in
UTC from its extended timestamp (which CPack sets from SOURCE_DATE_EPOCH). Local headers,
compressed data and data descriptors are otherwise copied unchanged: nothing is compressed again.
Anything this does not know (zip64, an archive comment, an unknown extra field) is refused.
Exit code 0 on success, 1 with a message.
"""

import argparse
import os
import struct
import sys
import time

EOCD = struct.Struct('<IHHHHIIH')
CENTRAL = struct.Struct('<IHHHHHHIIIHHHHHII')
LOCAL = struct.Struct('<IHHHHHIIIHH')
EXTENDED_TIMESTAMP, UNIX_OWNER = 0x5455, 0x7875


def dos_date_time(seconds):
    t = time.gmtime(max(seconds, 315532800))  # DOS dates start in 1980
    return (((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday,
            (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2))


def normalize_extra(extra):
    """The extra fields with the owner set to 0, and the modification time they hold."""
    out = bytearray()
    mtime = None
    at = 0
    while at < len(extra):
        ident, size = struct.unpack_from('<HH', extra, at)
        body = bytearray(extra[at + 4:at + 4 + size])
        if len(body) != size:
            raise ValueError('truncated extra field')
        if ident == EXTENDED_TIMESTAMP:
            if not body[0] & 1 or size < 5:
                raise ValueError('extended timestamp without modification time')
            mtime = struct.unpack_from('<I', body, 1)[0]
        elif ident == UNIX_OWNER:
            uid_size = body[1]
            if body[0] != 1 or size != 3 + uid_size + body[2 + uid_size]:
                raise ValueError('unexpected Unix owner field')
            body[2:2 + uid_size] = bytes(uid_size)
            body[3 + uid_size:] = bytes(size - 3 - uid_size)
        else:
            raise ValueError(f'unknown extra field {ident:#06x}')
        out += struct.pack('<HH', ident, size) + body
        at += 4 + size
    if mtime is None:
        raise ValueError('entry without extended timestamp')
    return bytes(out), mtime


def normalize(data):
    end = len(data) - EOCD.size
    (sig, disk, cd_disk, count_here, count, cd_size, cd_offset, comment) = EOCD.unpack_from(data, end)
    if sig != 0x06054B50 or comment or disk or cd_disk or count_here != count:
        raise ValueError('no single-disk zip without comment')
    if count == 0xFFFF or cd_offset == 0xFFFFFFFF or cd_offset + cd_size != end:
        raise ValueError('zip64 or misplaced central directory')

    entries = []
    at = cd_offset
    for _ in range(count):
        fields = list(CENTRAL.unpack_from(data, at))
        if fields[0] != 0x02014B50:
            raise ValueError(f'no central directory entry at {at}')
        name_len, extra_len, comment_len = fields[10:13]
        start = at + CENTRAL.size
        at = start + name_len + extra_len + comment_len
        entries.append((data[start:start + name_len], fields,
                        data[start + name_len:start + name_len + extra_len],
                        data[start + name_len + extra_len:at]))
    if at != end:
        raise ValueError('central directory size does not match its entries')

    # Each entry's record (local header, data, descriptor) runs up to the next one's local header.
    offsets = sorted(entry[1][16] for entry in entries) + [cd_offset]
    record_end = dict(zip(offsets, offsets[1:]))

    body = bytearray()
    central = bytearray()
    for name, fields, extra, comment in sorted(entries, key=lambda entry: entry[0]):
        offset = fields[16]
        local = list(LOCAL.unpack_from(data, offset))
        extra_start = offset + LOCAL.size + local[9]
        if local[0] != 0x04034B50 or data[offset + LOCAL.size:extra_start] != name:
            raise ValueError(f'local header of {name!r} does not match')
        local_extra, local_mtime = normalize_extra(data[extra_start:extra_start + local[10]])
        central_extra, mtime = normalize_extra(extra)
        if local_mtime != mtime:
            raise ValueError(f'{name!r}: local and central modification times differ')
        date, clock = dos_date_time(mtime)
        local[4], local[5] = clock, date
        fields[5], fields[6], fields[16] = clock, date, len(body)
        body += LOCAL.pack(*local) + name + local_extra + data[extra_start + local[10]:record_end[offset]]
        central += CENTRAL.pack(*fields) + name + central_extra + comment
    return bytes(body + central + EOCD.pack(sig, 0, 0, count, count, len(central), len(body), 0))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('zip')
    args = parser.parse_args()
    temporary = args.zip + '.tmp'
    try:
        with open(args.zip, 'rb') as f:
            result = normalize(f.read())
        try:
            with open(temporary, 'wb') as f:
                f.write(result)
            os.replace(temporary, args.zip)
        except OSError:
            # A write that fails (a full disk, say) leaves the zip as it was and nothing beside it.
            if os.path.lexists(temporary):
                os.remove(temporary)
            raise
    except (OSError, ValueError, struct.error) as error:
        print(f'{args.zip}: {error}')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
