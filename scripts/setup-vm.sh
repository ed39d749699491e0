#!/usr/bin/env bash
# Creates, once per machine, the test VM that runs the shipped i686 build's suites where the host
# runs no 32-bit code: a Debian 12 guest (Debian's amd64 kernel, which runs 32-bit programs) with
# Wine 8 (wine, wine64, wine32:i386), Xvfb and what the suites need, as a disk image that
# scripts/vm-run.sh boots under QEMU's software emulation. A complete image is reused at once; an
# incomplete, broken or outdated one (another package list or guest init) is made again.
#
#   scripts/setup-vm.sh          create or check the image, print its folder as the last line
#   scripts/setup-vm.sh --path   only print the folder
#   scripts/setup-vm.sh --mark   only print the text of the completeness mark
#
# The image lives outside the repository (KARDOSKOP_VM, default /var/cache/kardoskop/vm), about
# 2.6 GB of disk. Remove it with `rm -rf` of that folder; nothing else on the host refers to it.
set -euo pipefail
. "$(dirname "$0")/lib/cache-folder.sh"
vm=$(cache_folder_path setup-vm.sh "${KARDOSKOP_VM:-/var/cache/kardoskop/vm}" vm 'kardoskop-vm*')
if [ "${1:-}" = --path ]; then
  echo "$vm"
  exit 0
fi
cd "$(dirname "$0")/.."
. scripts/debian-root.sh

# Debian 12 like the hosts that run 32-bit code: the i686 suites see the same Wine 8 in the VM.
suite=bookworm
packages=(linux-image-amd64 initramfs-tools kmod tini
          wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick fonts-wine
          python3 procps cmake binutils)
# PID 1 of the guest: mounts what the job needs to find its script, then runs it (vm-guest.sh,
# which the runner copies into the job share on every run, does the rest and powers off).
read -r -d '' guest_init <<'EOF' || true
#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
modprobe 9pnet_virtio && modprobe 9p
mkdir -p /kardoskop-job
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 job /kardoskop-job; then
  exec /bin/sh /kardoskop-job/vm-guest.sh
fi
echo "kardoskop-init: cannot mount the job share" >/dev/console
echo o >/proc/sysrq-trigger
while :; do sleep 60; done
EOF
# The package list and the scripts that make the image (the guest init among them) are part of the
# completeness mark: an image made with other ones is made again. What the runner copies into the
# job share on every run (vm-guest.sh, vm-copy-back.py) is not in the image and not in the mark.
making=(setup-vm.sh debian-root.sh lib/root-install.sh lib/cache-folder.sh)
mark_text="kardoskop vm v1 $suite: ${packages[*]} making $(cache_making_digest scripts "${making[@]}")"
mark_name=.kardoskop-vm-complete
if [ "${1:-}" = --mark ]; then
  echo "$mark_text"
  exit 0
fi

vm_works() {
  local f
  for f in disk.img vmlinuz initrd.img; do
    [ -s "$vm/$f" ] || return 1
  done
  # A disk image whose file system is damaged is made again, not booted.
  /sbin/e2fsck -n -f "$vm/disk.img" >/dev/null 2>&1
}

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-vm.sh: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi
if ! command -v qemu-system-x86_64 >/dev/null; then
  echo "setup-vm.sh: qemu-system-x86_64 is missing (scripts/setup.sh installs qemu-system-x86)" >&2
  exit 1
fi

# The image in WORK (the Debian root it is made from only while it is made), the tools' output in
# LOG.
make_vm() {
  local work=$1 log=$2 root=$1/root kernel initrd
  make_debian_root setup-vm.sh "$suite" "$root" "$log" --i386 "${packages[@]}"

  printf '%s\n' "$guest_init" >"$root/sbin/kardoskop-init"
  chmod 755 "$root/sbin/kardoskop-init"
  kernel=$(ls "$root"/boot/vmlinuz-* | sort -V | tail -1)
  initrd=$(ls "$root"/boot/initrd.img-* | sort -V | tail -1)
  cp "$kernel" "$work/vmlinuz"
  cp "$initrd" "$work/initrd.img"

  # The disk image is made from the folder without mounting anything; it is sparse, and the runner
  # boots it with snapshot=on, so it stays as made.
  echo "setup-vm.sh: making the disk image" >&2
  /sbin/mke2fs -q -t ext4 -L kardoskop -d "$root" "$work/disk.img" 8G
  rm -rf --one-file-system "$root"
}

cache_folder_setup setup-vm.sh "VM image" "$vm" "$mark_name" "$mark_text" inside vm_works make_vm
