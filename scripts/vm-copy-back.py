#!/usr/bin/env python3
"""Makes the folder TO the same as the folder FROM, for the test VM's copy back of a tmpfs folder.

  vm-copy-back.py FROM TO

What is gone from FROM goes from TO; files that differ in type, size or modification time, and
links that point elsewhere, are copied with their owner, mode and times; a file that differs only
in its mode gets the mode; the rest is left alone. Sockets and pipes are not copied. vm-guest.sh
runs it in the guest (which has no rsync; cp cannot delete); vm-run.sh puts it in the job share.

A ready mark (.kardoskop-ready: a Wine prefix made to its end) says that the rest of its folder
is whole. TO's mark is removed before anything in that folder is touched and FROM's is copied
after everything else, so that a copy cut short (the VM's time limit) never leaves a half-copied
folder that looks ready: the next run makes that prefix again.
"""

import os
import shutil
import stat
import sys


def same_file(a, b):
    return (stat.S_IFMT(a.st_mode) == stat.S_IFMT(b.st_mode) and a.st_size == b.st_size
            and a.st_mtime_ns == b.st_mtime_ns)


def set_meta(path, st):
    try:
        os.chown(path, st.st_uid, st.st_gid, follow_symlinks=False)
    except PermissionError:
        pass  # as cp -a when the share does not let it: the owner is the only thing that differs
    if not stat.S_ISLNK(st.st_mode):
        os.chmod(path, stat.S_IMODE(st.st_mode))
    os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns), follow_symlinks=False)


def remove(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    else:
        os.remove(path)


READY_MARK = '.kardoskop-ready'


def sync(src, dst, marks):
    mark = os.path.join(dst, READY_MARK)
    if os.path.lexists(mark):
        remove(mark)
    names = set(os.listdir(src))
    for name in os.listdir(dst):
        if name not in names:
            remove(os.path.join(dst, name))
    for name in sorted(names):
        s, d = os.path.join(src, name), os.path.join(dst, name)
        if name == READY_MARK:
            marks.append((s, d))
            continue
        copy(s, d, marks)


def copy(s, d, marks):
    st = os.lstat(s)
    try:
        dt = os.lstat(d)
    except FileNotFoundError:
        dt = None
    if stat.S_ISDIR(st.st_mode):
        if dt is not None and not stat.S_ISDIR(dt.st_mode):
            remove(d)
            dt = None
        if dt is None:
            os.mkdir(d)
        sync(s, d, marks)
        set_meta(d, st)
    elif stat.S_ISLNK(st.st_mode):
        if dt is not None and stat.S_ISLNK(dt.st_mode) and os.readlink(d) == os.readlink(s):
            return
        if dt is not None:
            remove(d)
        os.symlink(os.readlink(s), d)
        set_meta(d, st)
    elif stat.S_ISREG(st.st_mode):
        if dt is not None and same_file(st, dt):
            if dt.st_mode != st.st_mode:
                os.chmod(d, stat.S_IMODE(st.st_mode))
            return
        if dt is not None and not stat.S_ISREG(dt.st_mode):
            remove(d)
        shutil.copyfile(s, d)
        set_meta(d, st)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    # The folder itself is left as it is: in the guest it is a tmpfs mount point, whose mode (the
    # sticky bit of tmpfs) and times are the mount's, not the run's.
    ready_marks = []
    sync(sys.argv[1], sys.argv[2], ready_marks)
    # The marks last, innermost first; each one's folder then gets its times back.
    for mark_from, mark_to in reversed(ready_marks):
        copy(mark_from, mark_to, [])
        folder = os.path.dirname(mark_to)
        if folder != sys.argv[2].rstrip('/'):
            set_meta(folder, os.lstat(os.path.dirname(mark_from)))
