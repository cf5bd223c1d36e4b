#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, in the given presets
# (default: debug and asan).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
presets=("$@")
((${#presets[@]})) || presets=(debug asan)
jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "=== preset $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
