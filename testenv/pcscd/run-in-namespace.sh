#!/bin/sh
# Runs a command in a private mount namespace with fresh tmpfs mounts on /run/pcscd (pcscd's
# socket and pid file) and /usr/lib/pcsc/drivers (so a daemon started there finds no driver for a
# real USB reader). A pcscd of the machine, its socket and its readers stay untouched.
#
# Usage: run-in-namespace.sh COMMAND [ARG...]
set -eu

if [ "$#" -eq 0 ]; then
  echo "usage: $0 COMMAND [ARG...]" >&2
  exit 2
fi

# The mount points must exist before the namespace is made; /run/pcscd does not on a machine
# whose pcscd never ran.
for dir in /run/pcscd /usr/lib/pcsc/drivers; do
  if [ ! -d "$dir" ] && ! mkdir -p "$dir" 2>/dev/null; then
    echo "$0: $dir is missing and cannot be created (create it once as root)" >&2
    exit 2
  fi
done

# Without root a user namespace grants the right to mount.
if [ "$(id -u)" -eq 0 ]; then user_ns=; else user_ns=-r; fi

exec unshare $user_ns -m --propagation private -- /bin/sh -eu -c '
  mount -t tmpfs -o mode=0755 kardoskop-pcscd /run/pcscd
  mount -t tmpfs -o mode=0755 kardoskop-drivers /usr/lib/pcsc/drivers
  exec "$@"' run-in-namespace "$@"
