#!/usr/bin/env bash
# Redraws the Windows icon (src/shell/windows/velotrack-panel.ico) from the
# desktop icon's drawing, desktop/velotrack-panel.svg: 16 to 256 pixels, the
# 256-pixel image PNG-compressed as Windows Vista and later read it. Needs
# rsvg-convert (Debian librsvg2-bin) and ImageMagick. Run it after changing
# the drawing and commit the result; builds use the committed file.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
images=()
for size in 256 128 64 48 32 24 16; do
  rsvg-convert -w "$size" -h "$size" desktop/velotrack-panel.svg -o "$work/$size.png"
  images+=("$work/$size.png")
done
convert "${images[@]}" src/shell/windows/velotrack-panel.ico
identify src/shell/windows/velotrack-panel.ico
