# shellcheck shell=bash
# Sourced by setup-root.sh and setup-vm.sh: making a Debian root with debootstrap from the
# machine's own mirror and installing packages into it, without touching the host's services.

# The machine's own Debian mirror (the first URI of its deb822 sources, else of sources.list).
debian_mirror() {
  local mirror
  mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  if [ -z "$mirror" ]; then
    mirror=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
  fi
  echo "${mirror:-http://deb.debian.org/debian}"
}

# make_debian_root NAME SUITE DIR LOG [--i386] PACKAGE...: debootstraps SUITE (minbase) into DIR and
# installs the packages in it (with the i386 architecture added first when --i386 is given),
# printing each step and its time on stderr as NAME; the output of the tools goes to LOG.
# Installing starts no service: the root gets a policy-rc.d that forbids it.
make_debian_root() {
  local name=$1 suite=$2 dir=$3 log=$4
  shift 4
  local i386=0
  if [ "${1:-}" = --i386 ]; then
    i386=1
    shift
  fi
  local start=$SECONDS mirror
  mirror=$(debian_mirror)
  echo "$name: debootstrap $suite from $mirror into $dir (about 1-2 min)" >&2
  debootstrap --variant=minbase "$suite" "$dir" "$mirror" >"$log" 2>&1 || {
    tail -20 "$log" >&2
    echo "$name: debootstrap failed (log: $log)" >&2
    return 1
  }
  echo "$name: debootstrap done after $((SECONDS - start)) s" >&2

  printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
  chmod 755 "$dir/usr/sbin/policy-rc.d"
  cp /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true

  # apt runs inside a private mount namespace, so /proc and /dev of the root vanish with it. The
  # steps in there are a script of their own, not a quoted string, so no quote in them can cut it.
  echo "$name: installing $* (a few minutes)" >&2
  unshare -m --propagation private bash "$(dirname "${BASH_SOURCE[0]}")/lib/root-install.sh" \
    "$dir" "$i386" "$@" >>"$log" 2>&1 || {
    tail -20 "$log" >&2
    echo "$name: package installation failed (log: $log)" >&2
    return 1
  }
  echo "$name: packages installed after $((SECONDS - start)) s" >&2
}
