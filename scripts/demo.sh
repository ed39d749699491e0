#!/usr/bin/env bash
# The demo, on every machine: the x86_64 twin under Wine 10 (from the Debian 13 root) with Wine's
# own winscard.dll, against a private pcscd whose readers are our virtual reader driver: a contact
# reader with a card, a contactless reader with a MIFARE Classic 1K card (UID 04 A1 B2 C3), an
# empty reader and a reader of another maker (testenv/scenarios/demo.txt). The firmware stand-in
# answers for pcscd's reader names.
#
# The program runs in a German locale (de_DE.UTF-8), as on the technicians' machines: the log's
# date and time are German.
#
# Without a display it runs under a private Xvfb: it visits the pages, removes and inserts a card
# while a page is shown, writes the log file through the save dialog, shows the English window,
# cuts each screenshot to the window, and prints the folder of the screenshots and the log as its
# last line. With a display (DISPLAY answers) it opens the window there until it is closed; cards
# are changed meanwhile by rewriting the readers' state files (printed at the start; README.md
# says how).
#
# It sets up what it needs (packages, the root, both builds); a second run only checks them.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
started=$SECONDS

say() { printf 'demo: [%3d s] %s\n' "$((SECONDS - started))" "$*" >&2; }
logs=$repo/build/demo-logs
mkdir -p "$logs"
# step NAME LOG COMMAND...: runs COMMAND with its output in LOG (shown when it fails), timed.
step() {
  local name=$1 log=$logs/$2 t=$SECONDS
  shift 2
  say "$name ..."
  if ! "$@" >"$log" 2>&1; then
    tail -30 "$log" >&2
    say "$name failed (whole output: $log)"
    exit 1
  fi
  say "$name: $((SECONDS - t)) s"
}

if [ "$(id -u)" -ne 0 ]; then
  echo "demo.sh: run as root: it installs packages, and pcscd and Wine 10 run in the Debian 13 root" \
       "(mounts, chroot)" >&2
  exit 1
fi

# A configured tree reconfigures itself when needed: the preset runs only the first time.
configure() {
  [ -f "build/$1/build.ninja" ] || cmake --preset "$1"
}
build_native() {
  configure native && cmake --build --preset native -j 2 --target vreader
}
build_twin() {
  configure mingw64 &&
    cmake --build --preset mingw64 -j 2 --target PCSC_Kardoskop PCSC_KardoskopENU vendorfw_answering e2e_driver
}

step "packages (scripts/setup.sh)" setup.log bash scripts/setup.sh
step "Debian 13 root with Wine 10 and pcscd (scripts/setup-root.sh)" setup-root.log bash scripts/setup-root.sh
step "virtual reader driver (native build)" native.log build_native
step "x86_64 twin (mingw64 build)" mingw64.log build_twin

build=$repo/build/mingw64
out=$build/demo
prefix=$build/wineprefix-demo
vreader=$repo/build/native/testenv/vreader/libvreader.so
runner=$repo/testenv/realstack/run-in-root.sh
export KARDOSKOP_WINEARCH=win64 KARDOSKOP_WINSCARD=builtin
step "Wine 10 prefix ($prefix)" prefix.log "$runner" sh testenv/wine/prefix-setup.sh "$prefix"

versions=$("$runner" sh -c '/usr/lib/wine/wine64 --version; /usr/sbin/pcscd --version 2>&1 | head -1')
say "build: $build/src/PCSC_Kardoskop.exe (x86_64 twin, preset mingw64)"
say "Wine: $(echo "$versions" | sed -n 1p), Wine's own winscard.dll (no override), in $(bash scripts/setup-root.sh --path)"
say "resource manager: $(echo "$versions" | sed -n 2p | sed 's/\.$//') (pcscd), readers: virtual reader driver $vreader"

# The demo as a script of the e2e harness (tests/e2e/README.md): its scenarios become pcscd's
# readers and their state files.
script=$build/demo.e2e
card_removed() {
  sed '/^\[reader Talvek CCR 4000 00 00\]/,/^$/ s/^card = present/card = absent/' testenv/scenarios/demo.txt
}
language() {
  echo "reg add HKCU\\Software\\Talvek\\PCSC_Kardoskop_V21 /v Language /t REG_DWORD /d $1 /f"
}
# Wine takes the user's locale (date and time formats) from the program's environment.
german_locale() {
  echo 'env LC_ALL de_DE.UTF-8'
}

headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  headless=0
fi

if [ "$headless" = 0 ]; then
  {
    language 1
    german_locale
    echo 'scenario <<END'; cat testenv/scenarios/demo.txt; echo 'END'
    echo 'start'
    echo 'wait-exit 86400000'
  } >"$script"
  # The display's cookie, where the programs in the root can read it.
  xauth_file=$build/demo.xauthority
  xauth extract "$xauth_file" "$DISPLAY" 2>/dev/null || true
  export XAUTHORITY=$xauth_file
  say "the window opens on $DISPLAY; close it to end the demo"
  say "cards: rewrite a reader's state file, $out/pcscd/readerN.state (N = 0 to 3 in the order of"
  say "  testenv/scenarios/demo.txt), by writing a new file and renaming it over the old one, e.g."
  say "  printf '[reader Talvek CCR 4000 00 00]\\ncard = absent\\n' >$out/pcscd/new && mv $out/pcscd/new $out/pcscd/reader0.state"
  "$runner" python3 tests/e2e/e2e.py run --script "$script" \
    --program "$build/src/PCSC_Kardoskop.exe" --dll "$build/src/PCSC_KardoskopENU.dll" \
    --dll "$build/testenv/vendorfw/answering/tvkscrfwcheck.dll" --driver "$build/tests/e2e/e2e_driver.exe" \
    --prefix "$prefix" --out "$out" --timeout 86400 --vreader "$vreader" --display "$DISPLAY"
  exit 0
fi

{
  language 1
  german_locale
  echo 'scenario <<END'; cat testenv/scenarios/demo.txt; echo 'END'
  cat <<'EOF'
start
wait-window "PC/SC Kardoskop v2.1" 30000
sleep 500
screenshot 1-general
select-item 1000 1
within 5000 get-text visible:1009
> Karte gesteckt
sleep 300
screenshot 2-contact-reader
select-item 1000 2
within 5000 get-text visible:nested:1014
> 04 A1 B2 C3
sleep 300
screenshot 3-contactless-reader
select-item 1000 3
within 5000 get-text visible:1009
> Keine Karte gesteckt
sleep 300
screenshot 4-empty-reader
select-item 1000 1
within 5000 get-text visible:1009
> Karte gesteckt
sleep 300
screenshot 5-before-removal
EOF
  echo 'scenario <<END'; card_removed; echo 'END'
  cat <<'EOF'
within 5000 get-text visible:1009
> Keine Karte gesteckt
sleep 300
screenshot 6-card-removed
EOF
  echo 'scenario <<END'; cat testenv/scenarios/demo.txt; echo 'END'
  cat <<'EOF'
within 5000 get-text visible:1009
> Karte gesteckt
sleep 300
screenshot 7-card-inserted
click 1019
use-owned
set-text class=Edit:0x47c "@OUT@\\PCSC_Kardoskop.log"
click class=Button:1
wait-gone 20000
within 10000 get-text visible:1009
> Karte gesteckt
sleep 300
screenshot 8-after-log
close
wait-gone
wait-exit
> 0
EOF
  language 2
  cat <<'EOF'
start
wait-window "PC/SC Kardoskop v2.1" 30000
sleep 500
screenshot 9-english-general
select-item 1000 2
within 5000 get-text visible:nested:1014
> 04 A1 B2 C3
sleep 300
screenshot 10-english-contactless-reader
close
wait-gone
wait-exit
> 0
EOF
  language 1
} >"$script"

step "headless run: pages, a card removed and inserted, the log, the English window" run.log \
  "$runner" python3 tests/e2e/e2e.py run --script "$script" \
    --program "$build/src/PCSC_Kardoskop.exe" --dll "$build/src/PCSC_KardoskopENU.dll" \
    --dll "$build/testenv/vendorfw/answering/tvkscrfwcheck.dll" --driver "$build/tests/e2e/e2e_driver.exe" \
    --prefix "$prefix" --out "$out" --timeout 300 --vreader "$vreader"

# The screenshots show the whole screen; the window is all on it that is not the black background.
# Each is cut to the window and a margin, as a person would take it (the root's ImageMagick).
crop_to_window() {
  local margin=8 f box w h x y W H
  for f in "$@"; do
    box=$(convert "$f" -bordercolor black -border 1 -format '%@' info:)
    IFS='x+' read -r w h x y <<<"$box"
    read -r W H <<<"$(identify -format '%w %h' "$f")"
    [ "$w" -gt 1 ] && [ "$h" -gt 1 ] || continue
    x=$((x - 1 - margin)); y=$((y - 1 - margin)); w=$((w + 2 * margin)); h=$((h + 2 * margin))
    [ "$x" -ge 0 ] || { w=$((w + x)); x=0; }
    [ "$y" -ge 0 ] || { h=$((h + y)); y=0; }
    [ $((x + w)) -le "$W" ] || w=$((W - x))
    [ $((y + h)) -le "$H" ] || h=$((H - y))
    convert "$f" -crop "${w}x${h}+${x}+${y}" +repage "$f"
  done
}
step "screenshots cut to the window" crop.log \
  "$runner" bash -c "$(declare -f crop_to_window); crop_to_window \"\$@\"" _ "$out"/[0-9]*.png
say "screenshots, the log file (PCSC_Kardoskop.log), pcscd's and Wine's output:"
echo "$out"
