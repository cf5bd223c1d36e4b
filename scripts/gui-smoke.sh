#!/usr/bin/env bash
# Drives the real desktop panel on a virtual X display (Xvfb + openbox) with
# real mouse and key events (xdotool) against a board server, and checks what
# the board ends up holding through the command line tool:
#   start-up question, switch to Set #2, tick a box, write, read back,
#   Total Clear, firmware update (firmware field redrawn), the Debug page, quit.
# Screenshots of every step go to the work folder; with a second argument the
# README's screenshots are refreshed from them.
# Usage: scripts/gui-smoke.sh [BUILD_DIR] [SCREENSHOT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/debug}" && pwd)
shots=${2:-}
panel=$build/src/shell/qt/velotrack-panel
server=$build/src/board_server/velotrack-board
cli=$build/src/cli/velotrack
for tool in Xvfb xdotool openbox import convert xwininfo; do
  command -v "$tool" >/dev/null || { echo "gui-smoke: $tool is missing (scripts/setup-debian.sh)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/gui-smoke.XXXXXX")
pids=()
cleanup() {
  local rc=$?
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if ((rc == 0)); then rm -rf "$work"; else echo "gui-smoke: logs and screenshots kept in $work"; fi
}
trap cleanup EXIT

step=0
fail() {
  echo "gui-smoke: FAIL: $*"
  import -window root "$work/failure.png" 2>/dev/null || true
  tail -n 20 "$work/panel.log" 2>/dev/null || true
  exit 1
}
say() { step=$((step + 1)); echo "gui-smoke: [$step] $*"; }

# ---- The display, the window manager, the board server, the panel ----------
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 5>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

board="unix:$work/board.sock"
# Every USB transaction takes a little real time, as on a real bus, so the
# long operations are seen under way (the screenshot during the update).
"$server" serve --listen "$board" --preset standard --flash-file "$work/board.flash" \
  --latency 2 >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/board.sock" ] && break; sleep 0.1; done
[ -S "$work/board.sock" ] || fail "the board server did not start"

mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
touch "$work/debug.cmd"  # the Debug page and the debug log
(cd "$work" && HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  exec "$panel" --board "$board" >"$work/panel.log" 2>&1) &
panel_pid=$!
pids+=("$panel_pid")

# ---- Helpers -----------------------------------------------------------------
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }

wait_window() {  # TITLE SECONDS -> window id
  local deadline=$((SECONDS + $2)) w
  while ((SECONDS < deadline)); do
    w=$(visible "$1") && [ -n "$w" ] && { echo "$w"; return 0; }
    kill -0 "$panel_pid" 2>/dev/null || fail "the panel ended while waiting for \"$1\""
    sleep 0.2
  done
  fail "no window \"$1\" within $2 s"
}

# The questions and messages the panel can show; never two at once.
dialog_titles='Velotrack->PC|PC->Velotrack|Total Clear to Velotrack|Firmware Upgrade|Upgrade|Write Error|Bootloader Upgrade'
open_dialogs() {
  xdotool search --all --onlyvisible --pid "$panel_pid" --name "^($dialog_titles)\$" 2>/dev/null | wc -l
}

answer() {  # TITLE KEY: wait for the question, check it is alone, answer it
  local w
  w=$(wait_window "$1" 30)
  shot "question-$step"
  (($(open_dialogs) == 1)) || fail "$(open_dialogs) questions open at \"$1\""
  xdotool windowactivate --sync "$w" key --clearmodifiers "$2"
  for _ in $(seq 50); do [ -z "$(visible "$1")" ] && return 0; sleep 0.1; done
  fail "\"$1\" stayed open after $2"
}

main=$(wait_window 'Velotrack Configuration Panel \(ver.2.6.76\)' 30)
read -r width height < <(xwininfo -id "$main" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
# Places in the main window, measured at its 1062x488 size and scaled to the
# size the fonts of this display give it.
at() { echo $(($1 * width / 1062)) $(($2 * height / 488)); }

client_origin() { xwininfo -id "$main" | awk '/Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} END{print x, y}'; }

click() {  # X Y in the 1062x488 main window
  local ox oy x y
  read -r ox oy < <(client_origin)
  read -r x y < <(at "$1" "$2")
  xdotool windowactivate --sync "$main" mousemove --sync $((ox + x)) $((oy + y)) click 1
  sleep 0.3
}

# The main window's client area as the screen shows it, dialogs over it included.
shot() {
  local ox oy
  read -r ox oy < <(client_origin)
  import -window root -crop "${width}x${height}+${ox}+${oy}" +repage "$work/$1.png"
}

# Spread of the grey levels in a part of the last window shot (0 = uniform).
spread() {  # NAME X Y W H
  local x y w h
  read -r x y < <(at "$2" "$3")
  read -r w h < <(at "$4" "$5")
  convert "$work/$1.png" -crop "${w}x${h}+${x}+${y}" -colorspace Gray -format '%[fx:standard_deviation]' info:
}

status_colour() {  # NAME -> ok / error / other, from the status field's background
  local x y c
  read -r x y < <(at 135 453)
  c=$(convert "$work/$1.png" -format "%[pixel:p{$x,$y}]" info:)
  case "$c" in
    "srgb(195,255,190)") echo ok ;;
    "srgb(255,210,210)") echo error ;;
    *) echo "$c" ;;
  esac
}

# Waits until no operation runs: the busy strip at the bottom is empty and no
# question is open; then the status field must show OK.
wait_idle() {  # NAME SECONDS
  local deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    shot "$1"
    if (($(open_dialogs) == 0)) && awk -v s="$(spread "$1" 0 467 1062 18)" 'BEGIN{exit !(s < 0.005)}'; then
      [ "$(status_colour "$1")" = ok ] || fail "status after \"$1\" is $(status_colour "$1"), not OK"
      return 0
    fi
    sleep 0.3
  done
  fail "still busy after $2 s at \"$1\""
}

board_set2() { "$cli" --board "$board" profiles show --set 2; }
wait_channel0() { board_set2 | grep -F 'Wait Channel0' | sed 's/.*: //'; }

# ---- The run -------------------------------------------------------------------
say "start-up: the board's firmware is older, the upgrade is offered; decline"
answer 'Firmware Upgrade' alt+n
wait_idle startup 30
[ "$(wait_channel0)" = off ] || fail "the virtual board's Set #2 should start with Wait Channel0 off"

say "switch to Set #2 and tick \"Wait Channel0 ...\""
click 97 37
click 548 312
shot set2-edited

say "write the profiles to the board"
click 871 424
answer 'PC->Velotrack' alt+y
wait_idle written 60
[ "$(wait_channel0)" = on ] || fail "the board's Set #2 does not hold the ticked box after the write"

say "read the profiles back"
click 685 424
answer 'Velotrack->PC' alt+y
# Only after the read question is answered, the upgrade is offered again.
answer 'Firmware Upgrade' alt+n
wait_idle read-back 60

say "Total Clear from the Tools menu"
shot before-update
xdotool windowactivate --sync "$main" key --clearmodifiers alt+t
sleep 0.3
xdotool key Down Return
answer 'Total Clear to Velotrack' alt+y

say "the read after Total Clear offers the upgrade; accept it"
answer 'Firmware Upgrade' alt+y
sleep 1
shot during-update
wait_idle updated 90
# Total Clear erases the whole block, and the update adds no settings to an
# erased one: the board has no profiles to show, and says so.
if "$cli" --board "$board" profiles show --set 2 >/dev/null 2>"$work/show.err" ||
   ! grep -q '^error: No data: the settings block on Velotrack is erased' "$work/show.err"; then
  fail "Total Clear left the board's Set #2 as it was: $(cat "$work/show.err")"
fi
"$cli" --board "$board" firmware version | grep -q 'Board: *Firmware version: 2.6.76' ||
  fail "the board does not report the built-in firmware after the update"
read -r fx fy < <(at 930 446)
read -r fw fh < <(at 120 14)
if cmp -s <(convert "$work/before-update.png" -crop "${fw}x${fh}+${fx}+${fy}" rgb:-) \
          <(convert "$work/updated.png" -crop "${fw}x${fh}+${fx}+${fy}" rgb:-); then
  fail "the firmware field still shows the old version after the update"
fi

say "the Debug page"
click 469 37
sleep 1
shot debug-page

say "quit from the File menu"
xdotool windowactivate --sync "$main" key --clearmodifiers alt+f
sleep 0.3
xdotool key x
for _ in $(seq 50); do kill -0 "$panel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$panel_pid" 2>/dev/null && fail "the panel did not end after File > Exit"
wait "$panel_pid" || fail "the panel ended with exit code $?"
grep -q 'CmdLine: .*--board' "$work/debug.log" || fail "the debug log does not name the command line"

if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$work/set2-edited.png" "$shots/desktop-set-page.png"
  cp "$work/debug-page.png" "$shots/desktop-debug-page.png"
  cp "$work/during-update.png" "$shots/desktop-firmware-update.png"
fi
echo "gui-smoke: all $step steps passed in $SECONDS s"
