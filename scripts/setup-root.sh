#!/usr/bin/env bash
# Creates, once per machine, the Debian 13 root that holds the real resource manager for the
# Windows program: Wine 10 (whose winscard.dll talks to pcsc-lite), pcscd 2.3, Xvfb, fonts and
# ImageMagick. A complete root is reused at once; an incomplete or broken one is made again.
#
#   scripts/setup-root.sh          create or check the root, print its path as the last line
#   scripts/setup-root.sh --path   only print the path
#
# The root lives outside the repository (KARDOSKOP_ROOT, default /var/cache/kardoskop/trixie),
# about 2 GB. Remove it with `rm -rf` of that folder; nothing else on the host refers to it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/debian-root.sh

root=${KARDOSKOP_ROOT:-/var/cache/kardoskop/trixie}
# The list is part of the completeness mark: a root made with another list is made again.
packages=(wine64 pcscd libpcsclite1 pcsc-tools xvfb xauth x11-utils imagemagick fonts-wine
          python3 procps)
mark_text="kardoskop root v1: ${packages[*]}"
mark=$root/.kardoskop-root-complete

if [ "${1:-}" = --path ]; then
  echo "$root"
  exit 0
fi

# What the tests need from the root; checked on every run, so a root damaged later is rebuilt.
root_works() {
  [ -f "$mark" ] && [ "$(cat "$mark")" = "$mark_text" ] || return 1
  local f
  for f in usr/lib/wine/wine64 usr/sbin/pcscd usr/bin/Xvfb usr/bin/import usr/bin/python3 \
           usr/lib/x86_64-linux-gnu/libpcsclite.so.1; do
    [ -e "$root/$f" ] || return 1
  done
  # Wine's bridge to pcsc-lite: its unix side links libpcsclite.
  [ -e "$root/usr/lib/x86_64-linux-gnu/wine/x86_64-unix/winscard.so" ]
}

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-root.sh: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi

if root_works; then
  echo "setup-root.sh: root ready: $root" >&2
  echo "$root"
  exit 0
fi

start=$SECONDS
case "$root" in
  /var/cache/kardoskop/*|*/kardoskop-root*) ;;
  *) [ ! -e "$root" ] || { echo "setup-root.sh: refusing to replace $root" >&2; exit 1; } ;;
esac
if [ -e "$root" ]; then
  echo "setup-root.sh: $root is incomplete or broken: making it again" >&2
  rm -rf --one-file-system "$root"
fi

mkdir -p "$(dirname "$root")"
work=$root.partial
rm -rf --one-file-system "$work"
make_debian_root setup-root.sh trixie "$work" "$work.log" "${packages[@]}"
echo "$mark_text" >"$work/.kardoskop-root-complete"
mv "$work" "$root"
mv "$work.log" "$root.log"
if ! root_works; then
  echo "setup-root.sh: the new root does not work (log: $root.log)" >&2
  exit 1
fi
echo "setup-root.sh: root made in $((SECONDS - start)) s, $(du -sh --one-file-system "$root" | cut -f1)" >&2
echo "$root"
