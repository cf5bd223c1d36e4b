#!/usr/bin/env bash
# Screenshots of velotrack-panel.exe under Wine on a virtual X display,
# driving a virtual board served by the Linux board server:
# docs/screenshots/windows-main-window.png and windows-profile-page.png.
# Needs the debug and windows presets built; uses xvfb-run, xdotool and
# ImageMagick's import. Not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [[ -z ${VT_SCREENSHOT_DISPLAY:-} ]]; then
  VT_SCREENSHOT_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all
wine=/usr/lib/wine/wine64
out=$root/docs/screenshots
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

"$root/build/debug/sim/server/velotrack-board" serve --listen tcp:127.0.0.1:0 --preset standard \
  >server.out 2>&1 &
pids+=($!)
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/.*on tcp:127\.0\.0\.1:\([0-9]*\).*/\1/p' server.out)
  [[ -n $port ]] && break
  sleep 0.1
done
board=tcp:127.0.0.1:$port
# Current firmware, so the panel opens without asking for an upgrade.
"$root/build/debug/src/cli/velotrack" --board "$board" firmware update --built-in --yes \
  --backup-dir backups >/dev/null

"$wine" "$root/build/windows/src/shell/win32/velotrack-panel.exe" --board "$board" >panel.out 2>&1 &
pids+=($!)
window=
for _ in $(seq 1 240); do
  window=$(xdotool search --onlyvisible --name "Velotrack Configuration Panel" 2>/dev/null | head -1 || true)
  [[ -n $window ]] && break
  sleep 0.5
done
[[ -n $window ]] || { echo "the panel's window did not appear" >&2; cat panel.out >&2; exit 1; }
sleep 4  # the board's settings are read after the window appears
import -window "$window" "$out/windows-main-window.png"
# The "Set #2" tab, in dialog-relative pixels of the tab strip.
xdotool mousemove --window "$window" 87 31 click 1
sleep 2
import -window "$window" "$out/windows-profile-page.png"
echo "written: $out/windows-main-window.png $out/windows-profile-page.png"
