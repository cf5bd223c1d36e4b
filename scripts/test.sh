#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, in the given presets
# (default: debug, asan and windows, the last under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
presets=("$@")
((${#presets[@]})) || presets=(debug asan windows)
jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "=== preset $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
# The Windows command line under Wine against the Linux one.
if [[ " ${presets[*]} " == *" debug "* && " ${presets[*]} " == *" windows "* ]]; then
  scripts/wine-parity.sh
fi
