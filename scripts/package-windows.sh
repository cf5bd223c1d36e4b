#!/usr/bin/env bash
# Builds the Windows programs (windows preset) and packs them as a zip and
# an NSIS installer under build/windows/packages/. Not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target velotrack velotrack-board velotrack-panel \
  velotrack-docs
build=build/windows
version=$(sed -n 's/^project(velotrack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$build/packages
stage=$out/velotrack-$version-windows-x64
rm -rf "$stage" && mkdir -p "$stage"
cp "$build/src/cli/velotrack.exe" "$build/src/board_server/velotrack-board.exe" \
  "$build/src/shell/windows/velotrack-panel.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage"/*.exe
# The help as text, written by the Windows programs themselves under Wine
# (their own definitions: Windows folders and examples): every velotrack
# command's --help, then the board server's. CRLF line ends for Notepad.
export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wine-prefix} WINEDEBUG=-all
wine=/usr/lib/wine/wine64
"$wine" "$build/src/cli/velotrack-docs.exe" help "Z:$(realpath "$out")/velotrack-help.txt"
for command in serve presets; do
  printf 'velotrack-board %s --help\n=====\n' "$command"
  "$wine" "$stage/velotrack-board.exe" "$command" --help | tr -d '\r'
  echo
done >>"$out/velotrack-help.txt"
sed 's/\r*$/\r/' "$out/velotrack-help.txt" >"$stage/velotrack-help.txt"
printf '%s\r\n' "Velotrack Configuration Panel $version for Windows 10/11 (x64)." "" \
  "velotrack.exe        the command line (velotrack --help)" \
  "velotrack-board.exe  virtual boards served over TCP (velotrack-board --help)" \
  "velotrack-panel.exe  the desktop panel" "" \
  "velotrack-help.txt   every command's --help as text" \
  "windows.txt          installing, first connection, files, troubleshooting" "" \
  "No installation is needed: the programs carry their run-time libraries." >"$stage/README.txt"
# The Windows guide, as text for Notepad.
sed 's/\r*$/\r/' docs/windows.md >"$stage/windows.txt"
(cd "$out" && rm -f "${stage##*/}.zip" && zip -qr "${stage##*/}.zip" "${stage##*/}")
if command -v makensis >/dev/null; then
  makensis -V2 -DVERSION="$version" -DBINDIR="$(realpath "$stage")" \
    -DOUTFILE="$(realpath "$out")/velotrack-$version-setup.exe" \
    -DICON="$(realpath src/shell/windows/velotrack-panel.ico)" packaging/windows/velotrack.nsi
else
  echo "makensis not found (Debian package nsis): no installer" >&2
fi
ls -l "$out"/*.zip "$out"/*.exe
