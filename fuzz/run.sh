#!/usr/bin/env bash
# Builds the fuzz preset with clang and runs every fuzz target, SECONDS seconds in all (default 30),
# split between them: the ATR decoder, seeded with the real ATRs of pcsc-tools' smartcard_list.txt,
# and the scenario parser, seeded with the scenarios in testenv/scenarios and fuzz/scenario-seeds.
# Fails on a crash, a sanitizer report or a broken invariant; the input that caused it lands in the
# build directory. KARDOSKOP_FUZZ_BUILD_DIR chooses the build directory (default build/fuzz).
set -euo pipefail

seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARDOSKOP_FUZZ_BUILD_DIR:-$root/build/fuzz}
list=/usr/share/pcsc/smartcard_list.txt

# The ATR decoder gets the larger share: its seed corpus alone takes a few seconds to load.
scenario_seconds=$((seconds * 2 / 5))
if [ "$scenario_seconds" -lt 1 ]; then scenario_seconds=1; fi
atr_seconds=$((seconds - scenario_seconds))
if [ "$atr_seconds" -lt 1 ]; then atr_seconds=1; fi

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target atr_decoder_fuzz scenario_fuzz -j "$(nproc)"

# run TARGET SECONDS CORPUS ARTIFACTS [OPTIONS...]
run() {
  local target=$1 time=$2 corpus=$3 artifacts=$4
  shift 4
  mkdir -p "$artifacts"
  echo "--- $target: $time s"
  "$build/fuzz/$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$corpus"
}

atr_corpus=$build/atr-corpus
rm -rf "$atr_corpus"
mkdir -p "$atr_corpus"
python3 fuzz/make_atr_corpus.py "$list" "$atr_corpus"
run atr_decoder_fuzz "$atr_seconds" "$atr_corpus" "$build/atr-artifacts"

scenario_corpus=$build/scenario-corpus
rm -rf "$scenario_corpus"
mkdir -p "$scenario_corpus"
cp testenv/scenarios/*.txt fuzz/scenario-seeds/*.txt "$scenario_corpus/"
run scenario_fuzz "$scenario_seconds" "$scenario_corpus" "$build/scenario-artifacts" \
  -dict=fuzz/scenario.dict
