#!/bin/sh
# prefix-setup.sh PREFIX: creates the private Wine prefix (win32 or win64, env.sh) once; later calls find it ready.
# The prefix is Windows 10 22H2 (build 19045), as most of our technicians' machines are; a test
# that wants Windows 11 switches the build for its run (windows-build.sh, e2e.py --windows-build).
# The tests' wineserver is started by run-test.sh (on the display of the first test) and stopped
# by prefix-stop.sh.
set -eu
. "$(dirname "$0")/env.sh"

ready="$WINEPREFIX/.kardoskop-ready"
if [ ! -f "$ready" ]; then
  # A prefix without the mark is left over from an interrupted creation: start again.
  case "$WINEPREFIX" in
    */wineprefix|*/wineprefix-*) rm -rf "$WINEPREFIX" ;;
    *) [ ! -e "$WINEPREFIX" ] || { echo "$0: refusing to replace $WINEPREFIX" >&2; exit 1; } ;;
  esac
  start=$(date +%s)
  "$KARDOSKOP_WINE" wineboot -i
  # Without a window manager every hidden or destroyed window would stall for 2 s.
  "$KARDOSKOP_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
  "$KARDOSKOP_WINESERVER" -w
  touch "$ready"
  echo "created $WINEPREFIX in $(( $(date +%s) - start )) s"
fi

# Windows 10 rather than Wine's Windows 7 (a separate mark, so that older prefixes catch up).
windows="$WINEPREFIX/.kardoskop-win10-19045"
if [ ! -f "$windows" ]; then
  "$KARDOSKOP_WINE" winecfg -v win10
  sh "$(dirname "$0")/windows-build.sh" "$WINEPREFIX" 19045 >/dev/null
  "$KARDOSKOP_WINESERVER" -w
  touch "$windows"
  echo "$WINEPREFIX is Windows 10, build 19045"
fi
