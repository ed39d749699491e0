#!/bin/sh
# Runs inside the test VM as PID 1 (started by the image's init from the job share, where
# vm-run.sh put it): mounts the rest, mounts the repository at its host path, copies the folders
# asked for into tmpfs at the same paths, runs the job under tini (which reaps orphaned wineservers
# and Xvfbs), makes the host's copies of those folders the same as the tmpfs ones again, writes the
# exit code and powers the VM off.
# PID 1 must never exit: the kernel would panic.
job=/kardoskop-job
power_off() {
  sync
  echo o >/proc/sysrq-trigger
  while :; do sleep 60; done
}
fail() {
  echo "vm-guest: $*" >>"$job/output"
  echo 125 >"$job/rc"
  power_off
}

mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname kardoskop-vm
ip link set lo up 2>/dev/null || true

. "$job/job.env"
# The folder list is split at blanks (vm-run.sh refuses folders with blanks), never globbed.
set -f
mkdir -p "$repo" || fail "cannot make $repo"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 repo "$repo" ||
  fail "cannot mount the repository at $repo"

# Each tmpfs folder: the share's copy stays reachable under /kardoskop-orig/N for the way back.
n=0
for dir in $tmpfs_dirs; do
  n=$((n + 1))
  mkdir -p "$dir" "/kardoskop-orig/$n"
  mount --bind "$dir" "/kardoskop-orig/$n" &&
    mount -t tmpfs -o size=4g tmpfs "$dir" &&
    cp -a "/kardoskop-orig/$n/." "$dir/" || fail "cannot copy $dir into tmpfs"
done

cd "$cwd" || fail "no folder $cwd in the VM"
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
  tini -s -- /bin/bash "$job/command.sh" >>"$job/output" 2>&1 </dev/null
rc=$?

# copy_back FROM TO: makes the folder TO the same as FROM: what is gone from FROM goes from TO,
# files that differ in size or time (and links that differ) are copied with their owner, mode and
# times, the rest is left alone. Python: the image has no rsync, and cp cannot delete.
copy_back() {
  python3 - "$1" "$2" <<'PYTHON'
import os, shutil, stat, sys

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

def sync(src, dst):
    names = set(os.listdir(src))
    for name in os.listdir(dst):
        if name not in names:
            remove(os.path.join(dst, name))
    for name in sorted(names):
        s, d = os.path.join(src, name), os.path.join(dst, name)
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
            sync(s, d)
            set_meta(d, st)
        elif stat.S_ISLNK(st.st_mode):
            if dt is not None and stat.S_ISLNK(dt.st_mode) and os.readlink(d) == os.readlink(s):
                continue
            if dt is not None:
                remove(d)
            os.symlink(os.readlink(s), d)
            set_meta(d, st)
        elif stat.S_ISREG(st.st_mode):
            if dt is not None and same_file(st, dt):
                if dt.st_mode != st.st_mode:
                    os.chmod(d, stat.S_IMODE(st.st_mode))
                continue
            if dt is not None and not stat.S_ISREG(dt.st_mode):
                remove(d)
            shutil.copyfile(s, d)
            set_meta(d, st)
        # Sockets and pipes are the run's own (wineserver's socket lives in /tmp anyway).

sync(sys.argv[1], sys.argv[2])
PYTHON
}

n=0
for dir in $tmpfs_dirs; do
  n=$((n + 1))
  copy_back "$dir" "/kardoskop-orig/$n" >>"$job/output" 2>&1 ||
    { echo "vm-guest: cannot copy $dir back" >>"$job/output"; rc=125; }
done
echo "$rc" >"$job/rc"
power_off
