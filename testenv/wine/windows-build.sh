#!/bin/sh
# windows-build.sh PREFIX BUILD: the Windows build that the prefix reports to programs started from
# now on; prints the build it reported before. The prefix is Windows 10 (prefix-setup.sh), so
# 19045 is Windows 10 22H2 and 22631 Windows 11 23H2: Wine takes the build from CurrentBuildNumber
# under HKLM\Software\Microsoft\Windows NT\CurrentVersion. A win64 prefix holds that key twice:
# its 32-bit programs read the copy under Wow6432Node.
set -eu
. "$(dirname "$0")/env.sh"
if [ "$#" -ne 2 ] || ! expr "$2" : '[0-9][0-9]*$' >/dev/null; then
  echo "usage: $0 PREFIX BUILD (a number)" >&2
  exit 2
fi
build=$2
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion'

previous=$("$KARDOSKOP_WINE" reg query "$key" /v CurrentBuildNumber </dev/null 2>/dev/null | tr -d '\r' |
           awk '$1 == "CurrentBuildNumber" { print $3 }')
if [ -z "$previous" ]; then
  echo "$0: $WINEPREFIX has no CurrentBuildNumber" >&2
  exit 1
fi

# One reg import for both copies: every Wine call costs a process start.
file=$(mktemp /tmp/kardoskop-build.XXXXXX)
trap 'rm -f "$file"' EXIT
section() {
  printf '\r\n[%s]\r\n"CurrentBuildNumber"="%s"\r\n"CurrentBuild"="%s"\r\n' "$1" "$build" "$build"
}
{
  printf 'Windows Registry Editor Version 5.00\r\n'
  section "$key"
  if [ "$KARDOSKOP_WINEARCH" = win64 ]; then
    section 'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion'
  fi
} >"$file"
if ! "$KARDOSKOP_WINE" reg import "Z:$(echo "$file" | tr / '\\')" </dev/null >/dev/null 2>&1; then
  echo "$0: wine reg import failed in $WINEPREFIX" >&2
  exit 1
fi
echo "$previous"
