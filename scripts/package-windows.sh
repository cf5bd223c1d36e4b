#!/usr/bin/env bash
# Builds the Windows programs (windows preset) and packs them as a zip and
# an NSIS installer under build/windows/packages/. Not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target velotrack velotrack-board velotrack-panel
build=build/windows
version=$(sed -n 's/^project(velotrack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=$build/packages
stage=$out/velotrack-$version-windows-x64
rm -rf "$stage" && mkdir -p "$stage"
cp "$build/src/cli/velotrack.exe" "$build/sim/server/velotrack-board.exe" \
  "$build/src/shell/win32/velotrack-panel.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage"/*.exe
# The help as text, from a native build of the same sources (the Windows
# programs cannot run here): every velotrack command's --help, then the
# board server's. CRLF line ends for Notepad.
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)" --target velotrack-docs velotrack-board
build/debug/src/cli/velotrack-docs help "$out/velotrack-help.txt"
for command in serve presets; do
  printf 'velotrack-board %s --help\n=====\n' "$command"
  build/debug/sim/server/velotrack-board "$command" --help
  echo
done >>"$out/velotrack-help.txt"
sed 's/\r*$/\r/' "$out/velotrack-help.txt" >"$stage/velotrack-help.txt"
printf '%s\r\n' "Velotrack Configuration Panel $version for Windows 10/11 (x64)." "" \
  "velotrack.exe        the command line (velotrack --help)" \
  "velotrack-board.exe  virtual boards served over TCP (velotrack-board --help)" \
  "velotrack-panel.exe  the desktop panel" "" \
  "velotrack-help.txt   every command's --help as text" "" \
  "No installation is needed: the programs carry their run-time libraries." >"$stage/README.txt"
(cd "$out" && rm -f "${stage##*/}.zip" && zip -qr "${stage##*/}.zip" "${stage##*/}")
if command -v makensis >/dev/null; then
  makensis -V2 -DVERSION="$version" -DBINDIR="$(realpath "$stage")" \
    -DOUTFILE="$(realpath "$out")/velotrack-$version-setup.exe" packaging/windows/velotrack.nsi
else
  echo "makensis not found (Debian package nsis): no installer" >&2
fi
ls -l "$out"/*.zip "$out"/*.exe
