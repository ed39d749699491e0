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
# shellcheck disable=SC2154  # repo, tmpfs_dirs and cwd: set by job.env, which vm-run.sh writes
mkdir -p "$repo" || fail "cannot make $repo"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 repo "$repo" ||
  fail "cannot mount the repository at $repo"

# Each tmpfs folder: the share's copy stays reachable under /kardoskop-orig/N for the way back.
n=0
# shellcheck disable=SC2154  # from job.env
for dir in $tmpfs_dirs; do
  n=$((n + 1))
  mkdir -p "$dir" "/kardoskop-orig/$n"
  mount --bind "$dir" "/kardoskop-orig/$n" &&
    mount -t tmpfs -o size=4g tmpfs "$dir" &&
    cp -a "/kardoskop-orig/$n/." "$dir/" || fail "cannot copy $dir into tmpfs"
done

# shellcheck disable=SC2154  # from job.env
cd "$cwd" || fail "no folder $cwd in the VM"
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
  tini -s -- /bin/bash "$job/command.sh" >>"$job/output" 2>&1 </dev/null
rc=$?

n=0
for dir in $tmpfs_dirs; do
  n=$((n + 1))
  # Exact for what the run changed there: what it removed goes from the share too.
  python3 "$job/vm-copy-back.py" "$dir" "/kardoskop-orig/$n" >>"$job/output" 2>&1 ||
    { echo "vm-guest: cannot copy $dir back" >>"$job/output"; rc=125; }
done
echo "$rc" >"$job/rc"
power_off
