#!/bin/sh
# prefix-stop.sh PREFIX: stops the wineserver of the prefix and waits until it has gone.
set -eu
. "$(dirname "$0")/env.sh"
[ -d "$WINEPREFIX" ] || exit 0
"$KARDOSKOP_WINESERVER" -k 2>/dev/null || true
"$KARDOSKOP_WINESERVER" -w
