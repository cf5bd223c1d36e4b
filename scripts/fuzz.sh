#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (every library instrumented for
# coverage, ASan and UBSan) and gives each a bounded run over its committed
# corpus, two at a time. Any crash or broken property fails the script.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default 12, all)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-12}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(firmware_image profile_file infrared info_block wire_server wire_client
                                 device_reply)
build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DCMAKE_UNITY_BUILD=ON -DVELOTRACK_FUZZ=ON -DVELOTRACK_BUILD_GUI=OFF -DVELOTRACK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

# A scratch corpus per target: the committed one plus what this run finds
# (new finds stay out of the repository until merged by hand).
run() {
  local name=$1 corpus="$build/corpus/$1"
  mkdir -p "$corpus"
  cp tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  if [ "$name" = firmware_image ]; then
    cp firmware/standard/*.elf firmware/standard/*.vt firmware/r-board/*.elf firmware/r-board/*.vt "$corpus"/
  fi
  "$build/tests/fuzz/${name}_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$build/$name-" "$corpus" >"$build/$name.log" 2>&1 && {
    echo "fuzz $name: $(grep -E '^stat::number_of_executed_units' "$build/$name.log" | awk '{print $2}') runs, no crash"
    return 0
  }
  echo "fuzz $name: FAILED"
  tail -n 40 "$build/$name.log"
  return 1
}

jobs=$(nproc)
failed=0
pids=()
for name in "${targets[@]}"; do
  run "$name" &
  pids+=($!)
  if ((${#pids[@]} >= jobs)); then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit "$failed"
