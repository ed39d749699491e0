# Sourced by the scripts here: the environment of every Wine call on the prefix given as $1.
if [ -z "${1:-}" ]; then
  echo "usage: $0 PREFIX ..." >&2
  exit 2
fi
case "$1" in
  /*) ;;
  *) echo "$0: the prefix path must be absolute: $1" >&2; exit 2 ;;
esac
export WINEPREFIX="$1"
export WINEARCH=win32
# Without mono and gecko the prefix needs no downloads and no installer dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
