# shellcheck shell=sh
# Sourced by the scripts here: the environment of every Wine call on the prefix given as $1.
# KARDOSKOP_WINEARCH (set by the build tree's tests) picks the prefix's kind: win32 for the shipped
# i686 program, win64 for the x86_64 twin. The twin runs under the 64-bit loader directly: Debian's
# `wine` wrapper prefers the 32-bit loader whenever wine32 is installed, and the Debian 13 root has
# no wrapper at all; /usr/lib/wine/wine64 and /usr/lib/wine/wineserver are where both Wines keep them.
if [ -z "${1:-}" ]; then
  echo "usage: $0 PREFIX ..." >&2
  exit 2
fi
case "$1" in
  /*) ;;
  *) echo "$0: the prefix path must be absolute: $1" >&2; exit 2 ;;
esac
export WINEPREFIX="$1"
case "${KARDOSKOP_WINEARCH:=win32}" in
  win32)
    export WINEARCH=win32
    : "${KARDOSKOP_WINE:=wine}" ;;
  win64)
    export WINEARCH=win64
    : "${KARDOSKOP_WINE:=/usr/lib/wine/wine64}"
    export WINELOADER="$KARDOSKOP_WINE" ;;
  *) echo "$0: KARDOSKOP_WINEARCH must be win32 or win64: $KARDOSKOP_WINEARCH" >&2; exit 2 ;;
esac
: "${KARDOSKOP_WINESERVER:=/usr/lib/wine/wineserver}"
export KARDOSKOP_WINEARCH KARDOSKOP_WINE KARDOSKOP_WINESERVER
# Without mono and gecko the prefix needs no downloads and no installer dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
