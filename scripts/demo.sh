#!/usr/bin/env bash
# Builds the program and starts it under Wine in a demo environment that needs no hardware: the
# simulated resource manager with the readers of testenv/scenarios/demo.txt and the firmware
# stand-in. With a display it opens the window; without one it runs under a private Xvfb, visits
# each page, leaves screenshots in a folder and prints that folder's path as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh >&2
fi

cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)" >&2

build=$root/build/mingw
demo=$build/demo
mkdir -p "$demo"
cp "$build/src/PCSC_Kardoskop.exe" "$build/wine-bin/winscard.dll" \
   "$build/testenv/vendorfw/answering/tvkscrfwcheck.dll" "$demo/"
cp "$build/src/PCSC_KardoskopENU.dll" "$demo/"
cp testenv/scenarios/demo.txt "$demo/scenario.txt"

# Without a display: a private Xvfb, stopped by pid at the end. It must exist before the first
# Wine call, so that the prefix's desktop lives on it.
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  headless=0
fi
xvfb=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ "$headless" = 1 ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
prefix=$demo/wineprefix
trap cleanup EXIT
if [ "$headless" = 1 ]; then
  display=70
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

sh testenv/wine/prefix-setup.sh "$prefix" >&2
mkdir -p "$prefix/drive_c/windows/Fonts"
ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"

export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winscard=n;mscoree,mshtml="
export KARDOSKOP_SCENARIO="Z:${demo//\//\\}\\scenario.txt"
# The demo shows the German interface.
wine reg add 'HKCU\SOFTWARE\Talvek\PCSC_Kardoskop_V21' /v Language /t REG_DWORD /d 1 /f >/dev/null 2>&1

if [ "$headless" = 0 ]; then
  cd "$demo"
  wine PCSC_Kardoskop.exe
  exit 0
fi

shots=$demo/screenshots
rm -rf "$shots"
mkdir -p "$shots"
cd "$demo"
wine PCSC_Kardoskop.exe >/dev/null 2>&1 &
program=$!

driver() { wine "$build/tests/e2e/e2e_driver.exe" >&2; }
shot() { sleep 1.5; import -window root "$shots/$1.png"; }

printf 'wait-window "PC/SC Kardoskop v2.1" 20000\n' | driver
shot 1-general
printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nselect-item 1000 1\n' | driver
shot 2-contact-reader
printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nselect-item 1000 2\n' | driver
shot 3-contactless-reader
printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nselect-item 1000 3\n' | driver
shot 4-empty-reader
# The log file, written through the save dialog like a user would, beside the screenshots.
logfile="Z:${shots//\//\\}\\PCSC_Kardoskop.log"
printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nclick 1019\nuse-owned\nset-text class=Edit:0x47c "%s"\nclick class=Button:1\nwait-gone 20000\n' \
  "$logfile" | driver
shot 5-after-log
printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nclose\nwait-gone 10000\n' | driver
wait "$program" 2>/dev/null || true
program=""

# The English window: the stored language 2 loads the English module at the next start.
if [ -f PCSC_KardoskopENU.dll ]; then
  wine reg add 'HKCU\SOFTWARE\Talvek\PCSC_Kardoskop_V21' /v Language /t REG_DWORD /d 2 /f >/dev/null 2>&1
  wine PCSC_Kardoskop.exe >/dev/null 2>&1 &
  program=$!
  printf 'wait-window "PC/SC Kardoskop v2.1" 20000\n' | driver
  shot 6-english-general
  printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nselect-item 1000 2\n' | driver
  shot 7-english-contactless-reader
  printf 'wait-window "PC/SC Kardoskop v2.1" 5000\nclose\nwait-gone 10000\n' | driver
  wait "$program" 2>/dev/null || true
  program=""
  wine reg add 'HKCU\SOFTWARE\Talvek\PCSC_Kardoskop_V21' /v Language /t REG_DWORD /d 1 /f >/dev/null 2>&1
fi
echo "$shots"
