#!/usr/bin/env bash
# Sets up what is missing and runs every test: native unit and pcscd integration tests, the same
# under ASan/UBSan, the Wine tests of the cross build, and a short fuzzing run of the ATR decoder
# and the scenario parser.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi

jobs=$(nproc)
declare -a timings=()
stage() {
  local name=$1; shift
  local start=$SECONDS
  echo "=== $name"
  "$@"
  timings+=("$name: $((SECONDS - start)) s")
}

build_and_test() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j 1
}

stage native build_and_test native
stage native-asan build_and_test native-asan
stage mingw build_and_test mingw
if [ -x fuzz/run.sh ]; then
  stage fuzz fuzz/run.sh "${KARDOSKOP_FUZZ_SECONDS:-30}"
fi

echo "=== timings"
printf '%s\n' "${timings[@]}"
