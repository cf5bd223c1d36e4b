#!/usr/bin/env bash
# scripts/kernel-run.sh [--board ADDRESS] [--no-out-endpoint] -- ARGS...
#
# Runs `velotrack ARGS...` inside a real Linux kernel under QEMU, against a
# board attached as a USB device (`velotrack-board usb`, default address
# `virtual`). Prints the command's output and exits with its exit code. The
# current directory is shared into the guest at the same path, so files the
# command writes appear here.
set -euo pipefail
source "$(dirname "$0")/kernel-guest.sh"

board=virtual
front_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --board) board=$2; shift 2 ;;
    --board=*) board=${1#--board=}; shift ;;
    --no-out-endpoint) front_args+=(--no-out-endpoint); shift ;;
    --) shift; break ;;
    *) echo "usage: $0 [--board ADDRESS] [--no-out-endpoint] -- ARGS..." >&2; exit 2 ;;
  esac
done

"$VT_ROOT/scripts/setup-debian.sh" >/dev/null
vt_build_release
tree=$(vt_kernel_tree)
initrd=$(vt_initramfs "$tree")

rundir=$(mktemp -d "$VT_KDIR/run.XXXXXX")
trap 'vt_stop_front; rm -rf "$rundir"' EXIT
{
  vt_guest_wait_board
  echo 'vt_wait_board || exit 125'
  printf 'velotrack --board auto'
  printf ' %q' "$@"
  echo ' > /run/out 2> /run/err'
} > "$rundir/guest.sh"

vt_start_front "$board" "$rundir/front.log" "${front_args[@]}"
vt_boot "$tree" "$initrd" "$rundir" "$VT_FRONT_PORT" 300 || { cat "$rundir/front.log" >&2; exit 125; }
cat "$rundir/out" 2>/dev/null || true
cat "$rundir/err" >&2 2>/dev/null || true
rc=$(cat "$rundir/guest.rc")
[ "$rc" = 125 ] && cat "$rundir/guest.log" >&2
exit "$rc"
