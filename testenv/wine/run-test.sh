#!/bin/sh
# run-test.sh PREFIX PROGRAM [ARGS...]: runs a Windows test program under Wine in the prefix, with
# the simulated winscard.dll from the program's directory in place of Wine's own.
set -eu
. "$(dirname "$0")/env.sh"
shift
program="$1"
shift
# "n" only: a missing simulated DLL makes the program fail to start rather than fall back to
# Wine's stub.
export WINEDLLOVERRIDES="winscard=n;$WINEDLLOVERRIDES"
# Tests that make windows draw on the run's private Xvfb (the e2e_display fixture).
if [ -n "${KARDOSKOP_DISPLAY_STATE:-}" ] && [ -f "$KARDOSKOP_DISPLAY_STATE" ]; then
  DISPLAY=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["display"])' "$KARDOSKOP_DISPLAY_STATE")
  export DISPLAY
fi
# The wineserver and Wine's system processes (services, the desktop) outlive the program. Started
# by the program, they would hold CTest's output pipe and keep the test waiting until they end; so
# the first test starts them here, on its display, with their output elsewhere, and the later tests
# find them running. The server ends 120 s after its last client, or at prefix-stop.sh.
if "$KARDOSKOP_WINESERVER" -p120 </dev/null >/dev/null 2>&1; then
  "$KARDOSKOP_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
fi
exec "$KARDOSKOP_WINE" "$program" "$@"
