#!/usr/bin/env bash
# root-install.sh DIR I386 PACKAGE...: installs the packages into the Debian root DIR (with the
# i386 architecture added first when I386 is 1). Run it inside a private mount namespace
# (make_debian_root in debian-root.sh does), so the root's /proc, /dev and /sys vanish with it.
set -euo pipefail
dir=$1 i386=$2
shift 2
mount -t proc proc "$dir/proc"
mount --rbind /dev "$dir/dev"
mount -t sysfs sysfs "$dir/sys"
export DEBIAN_FRONTEND=noninteractive LC_ALL=C
if [ "$i386" = 1 ]; then
  chroot "$dir" dpkg --add-architecture i386
fi
# apt's check of the package lists' Valid-Until stays on: the Release files of the suites used
# here (bookworm, trixie) carry none, so it refuses none of them as expired.
chroot "$dir" apt-get update -q
chroot "$dir" apt-get install -y -q --no-install-recommends "$@"
chroot "$dir" apt-get clean
