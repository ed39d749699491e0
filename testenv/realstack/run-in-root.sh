#!/bin/sh
# run-in-root.sh COMMAND [ARG...]: runs COMMAND inside the Debian 13 root (scripts/setup-root.sh),
# the home of Wine 10 and pcscd 2.3, in a private mount namespace:
#   - proc, sysfs and the host's /dev (recursively: /dev/shm, /dev/pts) are mounted in the root;
#   - the repository is bound at its own path, so build trees and sources keep their paths;
#   - the root's /run/pcscd and its pcscd drivers folder are fresh tmpfs mounts: a pcscd started
#     there has a socket of its own and finds no driver for a real reader;
#   - the host's /tmp is bound at the root's /tmp, so that the X displays of the host (sockets
#     and lock files) are seen when a free display number is looked for.
# The mounts vanish with the namespace; the host's /run, its pcscd and its readers are never
# touched. Only root can do this: otherwise, and when the root is missing, the command is not run
# and the exit code is 77 (CTest's SKIP_RETURN_CODE of the real-stack tests).
#
# Environment: KARDOSKOP_ROOT (the root; default from scripts/setup-root.sh --path). HOME is
# /root of the root unless KARDOSKOP_ROOT_HOME names another folder inside it.
set -eu

skip=77
if [ "$#" -eq 0 ]; then
  echo "usage: $0 COMMAND [ARG...]" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/../.." && pwd -P)
root=${KARDOSKOP_ROOT:-$(bash "$repo/scripts/setup-root.sh" --path)}

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: the real resource manager (Wine 10 and pcscd in the Debian 13 root) needs root" \
       "for its mounts and chroot" >&2
  exit $skip
fi
if [ ! -f "$root/.kardoskop-root-complete" ] || [ ! -x "$root/usr/lib/wine/wine64" ]; then
  echo "skipped: no Debian 13 root at $root: make it with 'bash scripts/setup-root.sh'" >&2
  exit $skip
fi

drivers=usr/lib/pcsc/drivers
exec unshare -m --propagation private -- /bin/sh -euc '
  root=$1 repo=$2 drivers=$3; shift 3
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --rbind /dev "$root/dev"
  mkdir -p "$root$repo" "$root/run/pcscd" "$root/$drivers"
  mount --bind "$repo" "$root$repo"
  mount -t tmpfs -o mode=0755 kardoskop-pcscd "$root/run/pcscd"
  mount -t tmpfs -o mode=0755 kardoskop-drivers "$root/$drivers"
  mount --bind /tmp "$root/tmp"
  cwd=$(pwd -P)
  case "$cwd" in "$repo"|"$repo"/*) ;; *) cwd=/ ;; esac
  home=${KARDOSKOP_ROOT_HOME:-/root}
  exec chroot "$root" /usr/bin/env HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin \
    /bin/sh -c "cd \"\$1\" && shift && exec \"\$@\"" run-in-root "$cwd" "$@"' \
  run-in-root "$root" "$repo" "$drivers" "$@"
