#!/usr/bin/env bash
# Builds the release package twice from copies of the sources in two folders (different absolute
# paths), one after the other (different times), in different time zones and umasks, and compares the
# program, the English module and the zip byte for byte. On a difference it names the first differing
# file and offset and keeps both trees. Only the two shipped targets are built, then CPack packages
# them exactly as the package target does (which would build the tests too).
#   build_twice.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$2
rm -rf "$work"
mkdir -p "$work"

# Both zips take the date of these sources, as the package target does in this tree. The compile
# and link steps run without SOURCE_DATE_EPOCH, as they do in a build of the product (ld would
# write it as the link time and so hide a missing --no-insert-timestamp).
epoch=$(cmake -DSOURCE_DIR="$source_dir" -P "$source_dir/cmake/SourceDateEpoch.cmake")
unset SOURCE_DATE_EPOCH

build() {
  local tree=$1 zone=$2 mask=$3
  mkdir -p "$tree"
  tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$tree" -xf -
  if ! (
    cd "$tree" && umask "$mask" && export TZ=$zone &&
      cmake --preset mingw &&
      cmake --build --preset mingw -j 2 --target PCSC_Kardoskop PCSC_KardoskopENU &&
      cd build/mingw && SOURCE_DATE_EPOCH=$epoch cpack --config CPackConfig.cmake
  ) >"$tree.log" 2>&1; then
    tail -n 30 "$tree.log"
    echo "release_reproducible: the build in $tree failed (log: $tree.log)"
    exit 1
  fi
}

# First differing byte of two files (the shorter one's length when one is the start of the other).
first_difference() {
  python3 - "$1" "$2" <<'PY'
import sys
a, b = (open(name, 'rb').read() for name in sys.argv[1:3])
at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), None)
if at is None and len(a) != len(b):
    at = min(len(a), len(b))
print('' if at is None else at)
PY
}

one=$work/a/src
two=$work/second-folder/sources
build "$one" UTC 022
started=$(date +%s)
while [ "$(date +%s)" -le "$started" ]; do sleep 0.2; done
build "$two" Pacific/Auckland 002

zip=$(cd "$one/build/mingw" && ls -- *.zip)
for file in src/PCSC_Kardoskop.exe src/PCSC_KardoskopENU.dll "$zip"; do
  at=$(first_difference "$one/build/mingw/$file" "$two/build/mingw/$file")
  if [ -n "$at" ]; then
    printf 'release_reproducible: %s differs between the two builds, first at offset %d (0x%x)\n' \
      "$(basename "$file")" "$at" "$at"
    echo "  $one/build/mingw/$file"
    echo "  $two/build/mingw/$file"
    exit 1
  fi
done
(cd "$one/build/mingw" && sha256sum -c "$zip.sha256")
echo "release_reproducible: $zip, its program and English module are the same bytes from both folders"
rm -rf "$work"
