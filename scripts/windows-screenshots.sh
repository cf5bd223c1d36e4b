#!/usr/bin/env bash
# Screenshots of velotrack-panel.exe under Wine on a virtual X display with
# a window manager (openbox), so the windows have their frames: each is the
# whole screen, trimmed of the empty (black) desktop around the windows. Against the
# board server's virtual board (slowed down, so the firmware update is seen
# under way). Into docs/screenshots/:
#   windows-question.png        the upgrade offer at start-up
#   windows-progress-window.png the firmware update under way
#   windows-main-window.png     the main window, Set #1
#   windows-profile-page.png    Set #2
#   windows-debug-page.png      the Debug page (debug.cmd in the working folder)
# Needs the windows preset built (velotrack-panel, velotrack-board); uses xvfb-run, openbox,
# xdotool and ImageMagick's import. Not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [[ -z ${VT_SCREENSHOT_DISPLAY:-} ]]; then
  VT_SCREENSHOT_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -br" "$0" "$@"
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
openbox >openbox.log 2>&1 &
pids+=($!)
touch debug.cmd

# The window with this title, once it is shown.
find_window() {
  local id=
  for _ in $(seq 1 600); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [[ -n $id ]] && break
    sleep 0.1
  done
  if [[ -z $id ]]; then
    echo "no window '$1'; the screen is in ${VT_SCREENSHOT_FAILED:=/tmp/windows-screenshots-failed.png}" >&2
    import -window root "$VT_SCREENSHOT_FAILED" || true
    cat panel.out >&2
    exit 1
  fi
  echo "$id"
}
# The whole screen, as a person sees it, without the empty desktop.
shoot() {
  sleep 0.5
  import -window root "$work/screen.png"
  convert "$work/screen.png" -trim +repage "$out/$1"
  echo "written: $out/$1"
}

# The board server (the Windows one, under Wine too) with a slow bus, so
# that the update takes long enough to be seen.
"$wine" "$root/build/windows/src/board_server/velotrack-board.exe" serve --listen tcp:127.0.0.1:0 \
  --preset standard --latency 3 >server.out 2>&1 &
pids+=($!)
port=
for _ in $(seq 1 300); do
  port=$(sed -n 's/.*on tcp:127\.0\.0\.1:\([0-9]*\).*/\1/p' server.out | head -1)
  [[ -n $port ]] && break
  sleep 0.1
done
[[ -n $port ]] || { echo "the board server did not start" >&2; cat server.out >&2; exit 1; }
"$wine" "$root/build/windows/src/shell/windows/velotrack-panel.exe" --board "tcp:127.0.0.1:$port" \
  >panel.out 2>&1 &
pids+=($!)
main=$(find_window "Velotrack Configuration Panel")
# The virtual board runs older firmware than the panel's: it offers the
# upgrade. "Yes" starts it; the progress window shows it under way.
question=$(find_window "^Firmware Upgrade$")
shoot windows-question.png
# Keys go through XTEST to the focused window: Wine ignores sent events.
press() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" || true
  sleep 0.3
  xdotool key "$2"
}
press "$question" y
find_window "^USB Flash Upgrade$" >/dev/null
shoot windows-progress-window.png
# Until the update is over, what it asks or tells is answered with Enter
# (the answer that changes nothing).
for _ in $(seq 1 600); do
  box=$(xdotool search --onlyvisible --name "^(Firmware Upgrade|Info)$" 2>/dev/null | head -1 || true)
  if [[ -n $box ]]; then
    press "$box" Return
  elif ! xdotool search --onlyvisible --name "^USB Flash Upgrade$" >/dev/null 2>&1; then
    break
  fi
  sleep 0.5
done
sleep 3
shoot windows-main-window.png
# The tabs, by their place in the tab strip (the window's own coordinates).
read -r tab2_x tab_y debug_x < <(echo "${VT_TAB_PLACES:-86 34 410}")
xdotool mousemove --window "$main" "$tab2_x" "$tab_y" click 1
sleep 2
shoot windows-profile-page.png
xdotool mousemove --window "$main" "$debug_x" "$tab_y" click 1
sleep 2
shoot windows-debug-page.png
