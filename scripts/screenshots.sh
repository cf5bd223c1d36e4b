#!/usr/bin/env bash
# Renders the desktop panel's windows against the virtual board into
# docs/screenshots/ (offscreen platform, no display needed) and redraws the
# 64-pixel desktop icon. Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/screenshots}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELOTRACK_BUILD_BENCH=OFF
fi
cmake --build "$build" -j2 --target velotrack-screenshots
QT_QPA_PLATFORM=offscreen "$build/tests/gui/velotrack-screenshots" docs/screenshots \
  desktop/velotrack-panel.png
