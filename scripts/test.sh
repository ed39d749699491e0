#!/usr/bin/env bash
# Sets up what is missing and runs every test: native unit and pcscd integration tests, the same
# under ASan/UBSan, the Wine and end-to-end tests of the x86_64 twin (including the real resource
# manager: Wine 10 and pcscd in the Debian 13 root), those of the shipped i686 build where this
# machine runs 32-bit code (elsewhere: the i686 build and a static check of its files), and a short
# fuzzing run of the ATR decoder and the scenario parser. KARDOSKOP_NO_I386=1 takes the path of a
# machine without 32-bit code anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
declare -a timings=()
stage() {
  local name=$1; shift
  local start=$SECONDS
  echo "=== $name"
  "$@"
  timings+=("$name: $((SECONDS - start)) s")
}

if [ "$(id -u)" -eq 0 ]; then
  stage setup bash scripts/setup.sh
  stage setup-root bash scripts/setup-root.sh
fi

configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}

build_and_test() {
  configure_and_build "$1"
  ctest --preset "$1" -j 1
}

i386_note=""
i686_suites() {
  configure_and_build mingw
  local answer
  if answer=$(bash scripts/runs-i386.sh); then
    ctest --preset mingw -j 1
  else
    # The product build still has to be sound: its files are checked without running them.
    ctest --preset mingw -j 1 -L static
    i386_note="mingw i686 suites: not run: ${answer#no: }"
    echo "$i386_note"
  fi
}

stage native build_and_test native
stage native-asan build_and_test native-asan
# Optimised code is checked otherwise (GCC's -O3 flow analysis warns where Debug does not).
stage native-release build_and_test native-release
stage mingw64 build_and_test mingw64
stage mingw i686_suites
if [ -x fuzz/run.sh ]; then
  stage fuzz fuzz/run.sh "${KARDOSKOP_FUZZ_SECONDS:-30}"
fi

echo "=== timings"
printf '%s\n' "${timings[@]}"
if [ -n "$i386_note" ]; then
  echo "$i386_note"
fi
