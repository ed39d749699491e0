#!/usr/bin/env bash
# Creates, once per machine, the Debian 13 root that holds the real resource manager for the
# Windows program: Wine 10 (whose winscard.dll talks to pcsc-lite), pcscd 2.3, Xvfb, fonts,
# ImageMagick and the German locale (de_DE.UTF-8, for the demo). A complete root is reused at once;
# an incomplete or broken one is made again.
#
#   scripts/setup-root.sh          create or check the root, print its path as the last line
#   scripts/setup-root.sh --path   only print the path
#   scripts/setup-root.sh --mark   only print the text of the completeness mark
#
# The root lives outside the repository (KARDOSKOP_ROOT, default /var/cache/kardoskop/trixie),
# about 1.6 GB. Remove it with `rm -rf` of that folder; nothing else on the host refers to it.
set -euo pipefail
. "$(dirname "$0")/lib/cache-folder.sh"
root=$(cache_folder_path setup-root.sh "${KARDOSKOP_ROOT:-/var/cache/kardoskop/trixie}" \
  trixie 'kardoskop-root*')
if [ "${1:-}" = --path ]; then
  echo "$root"
  exit 0
fi
cd "$(dirname "$0")/.."
. scripts/debian-root.sh

# The list and the scripts that make the root are part of the completeness mark: a root made with
# another list or other scripts is made again.
packages=(wine64 pcscd libpcsclite1 pcsc-tools xvfb xauth x11-utils imagemagick fonts-wine
          python3 procps locales)
locale=de_DE.UTF-8
making=(setup-root.sh debian-root.sh lib/root-install.sh lib/cache-folder.sh)
mark_text="kardoskop root v1: ${packages[*]} $locale making $(cache_making_digest scripts "${making[@]}")"
mark_name=.kardoskop-root-complete
if [ "${1:-}" = --mark ]; then
  echo "$mark_text"
  exit 0
fi

# What the tests need from the root; checked on every run, so a root damaged later is rebuilt.
root_works() {
  local f
  for f in usr/lib/wine/wine64 usr/sbin/pcscd usr/bin/Xvfb usr/bin/import usr/bin/python3 \
           usr/lib/x86_64-linux-gnu/libpcsclite.so.1 usr/lib/locale/locale-archive; do
    [ -e "$root/$f" ] || return 1
  done
  # Wine's bridge to pcsc-lite: its unix side links libpcsclite.
  [ -e "$root/usr/lib/x86_64-linux-gnu/wine/x86_64-unix/winscard.so" ]
}

if [ "$(id -u)" -ne 0 ]; then
  echo "setup-root.sh: run as root (debootstrap and chroot need it)" >&2
  exit 1
fi

# The root in WORK, the tools' output in LOG.
make_root() {
  local work=$1 log=$2
  make_debian_root setup-root.sh trixie "$work" "$log" "${packages[@]}"
  chroot "$work" localedef -i "${locale%%.*}" -f "${locale#*.}" "$locale" >>"$log" 2>&1 || {
    echo "setup-root.sh: cannot make the locale $locale (log: $log)" >&2
    return 1
  }
}

cache_folder_setup setup-root.sh root "$root" "$mark_name" "$mark_text" beside \
  root_works make_root
