#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the desktop
# panel. Arguments go to velotrack-panel (default: --board virtual).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target velotrack-panel velotrack velotrack-board
(($#)) || set -- --board virtual
exec build/release/src/shell/qt/velotrack-panel "$@"
