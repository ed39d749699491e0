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
exec wine "$program" "$@"
