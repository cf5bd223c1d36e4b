#!/usr/bin/env bash
# Builds the firmware image fuzzer with clang (libFuzzer + ASan + UBSan) and
# runs it for a bounded time over the committed images as seed corpus.
# Usage: scripts/fuzz.sh [SECONDS]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELOTRACK_BUILD_GUI=OFF -DVELOTRACK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target firmware_image_fuzzer
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
cp firmware/standard/*.elf firmware/standard/*.vt firmware/r-board/*.elf firmware/r-board/*.vt "$corpus"/
"$build/tests/fuzz/firmware_image_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus"
