#!/usr/bin/env bash
# The Windows programs under Wine against the Linux ones, over TCP:
#  1. `velotrack.exe profiles read -o` through the Linux board server writes
#     the same bytes as the Linux command line;
#  2. a firmware update and a profile write through each route leave the
#     same board flash;
#  3. `velotrack-board.exe serve` answers the Linux command line the same;
#  4. read-only commands, and ones that fail, print the same text (line ends
#     aside) and end with the same exit code on both systems.
# Needs the debug and windows presets built (scripts/test.sh does both).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
lin=$root/build/debug
win=$root/build/windows
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all
work=$(mktemp -d)
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# start_server NAME COMMAND...: runs a board server on a free port; sets PORT.
start_server() {
  local name=$1
  shift
  "$@" serve --listen tcp:127.0.0.1:0 --preset standard --flash-file "$name.flash" >"$name.out" 2>&1 &
  servers+=($!)
  local i
  for i in $(seq 1 300); do
    PORT=$(sed -n 's/.*serving .* on tcp:127\.0\.0\.1:\([0-9]*\).*/\1/p' "$name.out" | tr -d '\r')
    [[ -n $PORT ]] && return 0
    sleep 0.1
  done
  echo "board server $name did not start:" >&2
  cat "$name.out" >&2
  return 1
}
# stop_last_server: ends the newest server so its flash file is written.
stop_last_server() {
  local pid=${servers[-1]}
  kill -INT "$pid"
  wait "$pid" 2>/dev/null || true
  unset 'servers[-1]'
}
cli_linux() { "$lin/src/cli/velotrack" --board "tcp:127.0.0.1:$PORT" "$@"; }
cli_windows() { "$wine" "$win/src/cli/velotrack.exe" --board "tcp:127.0.0.1:$PORT" "$@"; }
# same_result ARGS...: both command lines print the same and exit the same.
same_result() {
  local rl=0 rw=0
  cli_linux "$@" >out-linux.txt 2>err-linux.txt || rl=$?
  cli_windows "$@" 2>err-windows.txt | tr -d '\r' >out-windows.txt || rw=${PIPESTATUS[0]}
  tr -d '\r' <err-windows.txt >err-windows-lf.txt
  if [[ $rl != "$rw" ]] || ! cmp -s out-linux.txt out-windows.txt ||
     ! cmp -s err-linux.txt err-windows-lf.txt; then
    echo "different results for: $*  (exit $rl on Linux, $rw on Windows)" >&2
    diff out-linux.txt out-windows.txt >&2 || true
    diff err-linux.txt err-windows-lf.txt >&2 || true
    return 1
  fi
}

echo "--- profiles read: Linux and Windows command lines, Linux board server"
start_server read "$lin/src/board_server/velotrack-board"
cli_linux profiles read -o linux.dat >/dev/null
cli_windows profiles read -o windows.dat >/dev/null
cmp linux.dat windows.dat
echo "--- the same text and exit codes"
same_result info
same_result info --json
same_result firmware version
same_result profiles show
same_result profiles write no-such-file.dat --yes
same_result read 0x0 16
stop_last_server
same_result info   # the server is gone

echo "--- firmware update and profile write leave the same flash"
for route in linux windows; do
  start_server "$route-route" "$lin/src/board_server/velotrack-board"
  "cli_$route" firmware update --built-in --yes --backup-dir "backups-$route" >/dev/null
  "cli_$route" profiles write linux.dat --yes --backup-dir "backups-$route" >/dev/null
  stop_last_server
done
cmp linux-route.flash windows-route.flash

echo "--- velotrack-board.exe serve answers the Linux command line"
start_server winserver "$wine" "$win/src/board_server/velotrack-board.exe"
cli_linux profiles read -o from-windows-server.dat >/dev/null
cmp linux.dat from-windows-server.dat
stop_last_server
echo "wine parity: all equal"
