#!/usr/bin/env bash
# Builds the fuzz preset with clang and fuzzes the ATR decoder for SECONDS seconds (default 30),
# seeded with the real ATRs of pcsc-tools' smartcard_list.txt. Fails on a crash, a sanitizer
# report or a broken invariant; the input that caused it lands in the build directory.
# KARDOSKOP_FUZZ_BUILD_DIR chooses the build directory (default build/fuzz).
set -euo pipefail

seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KARDOSKOP_FUZZ_BUILD_DIR:-$root/build/fuzz}
list=/usr/share/pcsc/smartcard_list.txt

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target atr_decoder_fuzz -j "$(nproc)"

corpus=$build/atr-corpus
artifacts=$build/atr-artifacts
rm -rf "$corpus"
mkdir -p "$corpus" "$artifacts"
python3 fuzz/make_atr_corpus.py "$list" "$corpus"

"$build/fuzz/atr_decoder_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"
