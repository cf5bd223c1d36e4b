#!/usr/bin/env bash
# The Win32 panel at rest under Wine with no board attached: CPU time of the
# panel and of its wineserver over a window of SECONDS (default 30), after
# a settling time, as a percentage of one core. Runs on a private X display
# (Xvfb) and a private Wine prefix, so nothing else shares the wineserver.
#   bench/windows/idle_cpu.sh [PANEL_EXE] [SECONDS]
# Needs the windows preset built (velotrack-panel).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
panel=${1:-$root/build/windows/src/shell/windows/velotrack-panel.exe}
seconds=${2:-30}
settle=${SETTLE:-45}
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export WINEPREFIX=${IDLE_PREFIX:-$root/build/wine-idle-prefix} WINEDEBUG=-all
display=:$((50 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
panel_pid=
cleanup() {
  [[ -n $panel_pid ]] && kill "$panel_pid" 2>/dev/null || true
  WINEPREFIX=$WINEPREFIX "$wineserver" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w

"$wine" "$panel" >/dev/null 2>&1 &
# The loader becomes the Windows process itself: same pid.
panel_pid=$!
sleep "$settle"
# The wineserver is the one serving this prefix.
server_pid=
for pid in $(pgrep -f 'wineserver' || true); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
    server_pid=$pid
  fi
done
[[ -d /proc/$panel_pid && -n $server_pid ]] || { echo "panel or wineserver not found" >&2; exit 1; }
echo "panel pid $panel_pid ($(tr "\0" " " <"/proc/$panel_pid/cmdline")), wineserver pid $server_pid" >&2

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
p0=$(ticks "$panel_pid"); s0=$(ticks "$server_pid")
sleep "$seconds"
p1=$(ticks "$panel_pid"); s1=$(ticks "$server_pid")
awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$hz" -v t="$seconds" 'BEGIN {
  printf "panel %.2f %%  wineserver %.2f %%  together %.2f %% of one core over %d s\n",
         100 * p / hz / t, 100 * s / hz / t, 100 * (p + s) / hz / t, t }'
