#!/bin/sh
# prefix-setup.sh PREFIX: creates the private 32-bit Wine prefix once and starts a wineserver that
# stays up across the tests of one run (prefix-stop.sh ends it).
set -eu
. "$(dirname "$0")/env.sh"

ready="$WINEPREFIX/.kardoskop-ready"
if [ ! -f "$ready" ]; then
  # A prefix without the mark is left over from an interrupted creation: start again.
  case "$WINEPREFIX" in
    */wineprefix) rm -rf "$WINEPREFIX" ;;
    *) [ ! -e "$WINEPREFIX" ] || { echo "$0: refusing to replace $WINEPREFIX" >&2; exit 1; } ;;
  esac
  start=$(date +%s)
  wineboot -i
  # Without a window manager every hidden or destroyed window would stall for 2 s.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  wineserver -w
  touch "$ready"
  echo "created $WINEPREFIX in $(( $(date +%s) - start )) s"
fi

# The server must not hold CTest's output pipe, or the test would wait for it to exit. It lives
# on for 30 s after its last client, so a run that never reaches the stop still ends it.
wineserver -p30 </dev/null >/dev/null 2>&1
