#!/usr/bin/env bash
# scripts/kernel-test.sh: the panel's Linux build inside a real kernel under
# QEMU, against boards attached as USB devices, each scenario compared with
# the same scenario run on the host against the same board in-process: same
# exit code, same output (device paths aside), same output files, and the
# same final flash, byte for byte. Scenarios share one guest boot per board,
# so the whole run costs a handful of boots.
#
# Ends with "N passed, N failed"; exits non-zero on any failure. Boot names
# as arguments run only those boots.
set -uo pipefail
only=" $* "
source "$(dirname "$0")/kernel-guest.sh"

"$VT_ROOT/scripts/setup-debian.sh" >/dev/null || exit 1
vt_build_release || exit 1
tree=$(vt_kernel_tree) || exit 1
initrd=$(vt_initramfs "$tree") || exit 1
host_velotrack=$VT_RELEASE/src/cli/velotrack
work=$VT_KDIR/test
rm -rf "$work"
mkdir -p "$work"
cd "$work"
passed=0
failed=0

# Each scenario's wall time in the guest, from its start and end uptimes.
took() { awk '{printf " (%.2f s in the guest)", $2 - $1}' "$1" 2>/dev/null; }
pass() { passed=$((passed + 1)); echo "PASS $1$(took "$work/${1%%/*}/run/${1#*/}.time")"; }
fail() { failed=$((failed + 1)); echo "FAIL $1: $2"; }

# Device paths differ between the two sides; everything else must not.
# So are the names of backup files, which carry the time they were taken.
normalise() {
  sed -E 's#/dev/hidraw[0-9]+#DEVICE#g; s#virtual:[0-9]+#DEVICE#g; s#[^ ]*bk/[^ ]*#BACKUP#g' "$1"
}

# run_boot NAME PRESET 'FRONT ARGS' SCENARIOS...
# A scenario is "ID ARGS..." run on both sides and compared, or a guest-only
# check "!ID SHELL" whose shell lines decide themselves (exit 0 = pass).
run_boot() {
  local name=$1 preset=$2 front_args=$3; shift 3
  [ "$only" = "  " ] || [[ $only == *" $name "* ]] || return 0
  local dir=$work/$name
  mkdir -p "$dir/run" "$dir/host" "$dir/guest"
  cp -r "$work/inputs" "$dir/inputs"
  {
    vt_guest_wait_board
    echo "cd '$dir'"
    for s in "$@"; do
      local id=${s%% *} args=${s#* }
      if [ "${id:0:1}" = "!" ]; then
        id=${id:1}
        printf 'mkdir -p guest/%s && cd guest/%s && vt_wait_board; a=$(cut -d" " -f1 /proc/uptime); ( %s ) > /run/%s.out 2>&1; echo $? > /run/%s.rc; echo "$a $(cut -d" " -f1 /proc/uptime)" > /run/%s.time; cd ../..\n' \
          "$id" "$id" "$args" "$id" "$id" "$id"
      else
        printf 'mkdir -p guest/%s && cd guest/%s && vt_wait_board; a=$(cut -d" " -f1 /proc/uptime); velotrack --board auto %s > /run/%s.out 2> /run/%s.err; echo $? > /run/%s.rc; echo "$a $(cut -d" " -f1 /proc/uptime)" > /run/%s.time; cd ../..\n' \
          "$id" "$id" "$args" "$id" "$id" "$id" "$id"
      fi
    done
  } > "$dir/run/guest.sh"
  local address="virtual:$preset,file=$dir/guest.flash" server_pid=
  if [ "${VT_SERVER:-0}" = 1 ]; then
    # The board lives in another process: a board server on a Unix socket.
    "$VT_RELEASE/src/board_server/velotrack-board" serve --listen "unix:$dir/run/board.sock" \
      --preset "$preset" --flash-file "$dir/guest.flash" > "$dir/run/server.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 50); do [ -S "$dir/run/board.sock" ] && break; sleep 0.1; done
    address="unix:$dir/run/board.sock"
  fi
  vt_start_front "$address" "$dir/run/front.log" $front_args ||
    { fail "$name" "the USB front did not start"; [ -n "$server_pid" ] && kill "$server_pid"; return; }
  local t0=$SECONDS
  if ! (cd "$dir" && vt_boot "$tree" "$initrd" "$dir/run" "$VT_FRONT_PORT" 420); then
    vt_stop_front
    [ -n "$server_pid" ] && kill -TERM "$server_pid"
    fail "$name" "the guest did not finish: $(tail -5 "$dir/run/console.log" | tr '\n' ' ')"
    return
  fi
  vt_stop_front
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid"; wait "$server_pid" 2>/dev/null; fi
  echo "boot $name: $((SECONDS - t0)) s"
  for s in "$@"; do
    local id=${s%% *} args=${s#* }
    if [ "${id:0:1}" = "!" ]; then
      id=${id:1}
      if [ "$(cat "$dir/run/$id.rc" 2>/dev/null)" = 0 ]; then pass "$name/$id"; else
        fail "$name/$id" "$(tail -3 "$dir/run/$id.out" 2>/dev/null | tr '\n' ' ')"; fi
      continue
    fi
    mkdir -p "$dir/host/$id"
    (cd "$dir/host/$id" && eval "\"$host_velotrack\" --board virtual:$preset,file=$dir/host.flash $args" \
       > "$dir/run/$id.host.out" 2> "$dir/run/$id.host.err"; echo $? > "$dir/run/$id.host.rc")
    local grc hrc
    grc=$(cat "$dir/run/$id.rc" 2>/dev/null || echo none)
    hrc=$(cat "$dir/run/$id.host.rc")
    if [ "$grc" != "$hrc" ]; then
      fail "$name/$id" "exit code $grc in the guest, $hrc on the host: $(head -c 300 "$dir/run/$id.err")"
    elif ! diff <(normalise "$dir/run/$id.out") <(normalise "$dir/run/$id.host.out") >/dev/null; then
      fail "$name/$id" "output differs: $(diff <(normalise "$dir/run/$id.out") <(normalise "$dir/run/$id.host.out") | head -5 | tr '\n' ' ')"
    elif ! diff -r "$dir/guest/$id" "$dir/host/$id" >/dev/null; then
      fail "$name/$id" "output files differ: $(diff -rq "$dir/guest/$id" "$dir/host/$id" | head -3 | tr '\n' ' ')"
    else
      pass "$name/$id"
    fi
  done
  if [ -f "$dir/host.flash" ]; then
    if cmp -s "$dir/host.flash" "$dir/guest.flash"; then pass "$name/final-flash"; else
      fail "$name/final-flash" "the board's flash differs between guest and host"; fi
  fi
}

# Inputs: a profile file with changed settings, made on the host.
mkdir -p inputs
"$host_velotrack" --board "virtual:standard,file=$work/inputs/seed.flash" profiles read -o inputs/orig.dat >/dev/null
"$host_velotrack" --board "virtual:standard,file=$work/inputs/seed.flash" profiles clear -y \
  --backup-dir inputs/bk >/dev/null
cp "$(find inputs/bk -name '*.bin' | head -1)" inputs/block.bin
cp inputs/orig.dat inputs/new.dat
# Flip one byte of the second profile record so the write changes the board.
printf '\x05' | dd of=inputs/new.dat bs=1 seek=$((48 + 80 + 10)) conv=notrunc 2>/dev/null
rm -rf inputs/seed.flash inputs/bk

profile_scenarios=(
  "read profiles read -o all.dat"
  "write profiles write -y --backup-dir ../../bk ../../inputs/new.dat"
  "read-back profiles read -o back.dat"
  "clear profiles clear -y --backup-dir ../../bk"
  "restore profiles restore -y --force --backup-dir ../../bk ../../inputs/block.bin"
  "after-restore profiles read -o restored.dat"
)

run_boot standard standard "" \
  "messages messages" \
  "devices devices" \
  "info info" \
  "version firmware version" \
  "${profile_scenarios[@]}" \
  "update firmware update --built-in -y --backup-dir ../../bk" \
  "version-after firmware version" \
  "servo command 19 0 120 0 0" \
  "!no-access su nobody -s /bin/sh -c 'velotrack --board auto info' > no-access.txt 2>&1; rc=\$?; cat no-access.txt; [ \$rc -ne 0 ] && grep -q 'access to /dev/' no-access.txt && grep -q '70-velotrack.rules' no-access.txt"

# Output reports as SET_REPORT control requests: the kernel's other path.
run_boot no-out-endpoint standard "--no-out-endpoint" \
  "info info" "${profile_scenarios[@]}" "version firmware version"

run_boot r-board r "" \
  "devices devices" "info info" "read profiles read -o all.dat" \
  "update firmware update --built-in -y --backup-dir ../../bk" "version-after firmware version"
# A bootloader update ends with a restart that the kernel sees as the board
# leaving and coming back; the update must say OK only once it is back.
run_boot ab-board ab "" "devices devices" "info info" "read profiles read -o all.dat" \
  "bootloader firmware update --bootloader --built-in -y --backup-dir ../../bk" \
  "version-after firmware version"
run_boot legacy legacy "" "devices devices" "info info" "version firmware version" \
  "messages messages"
run_boot send-twice send-twice "" "devices devices" "info info" "${profile_scenarios[@]:0:3}"

# A board in another process, behind the board server.
VT_SERVER=1 run_boot board-server standard "" "info info" "${profile_scenarios[@]:0:3}"

# Unplugged in the middle: a clear error within the bounded waits, no crash,
# and after plugging back in the backup brings the board back.
# A profile write reads the block three times (the editor's copy and two
# agreeing reads for the backup) and erases from its 68th report on: pulled
# after 78, the block on the board is gone and only the backup has it.
run_boot unplug-write standard "--unplug-after 78 --unplug-for 4000" \
  '!write-unplugged s=$(date +%s); velotrack --board auto profiles write -y --backup-dir ../../bk ../../inputs/new.dat; rc=$?; t=$(($(date +%s) - s)); echo "exit $rc after $t s"; [ $rc -ne 0 ] && [ $rc -lt 128 ] && [ $t -le 20 ]' \
  '!restored sleep 5; vt_wait_board; b=$(ls -t ../../bk/*/*.bin | head -1); velotrack --board auto profiles restore -y --backup-dir ../../bk2 "$b" && sleep 3 && vt_wait_board && velotrack --board auto profiles read -o after.dat && cmp after.dat ../../inputs/orig.dat'
# An update pulled half-way leaves the info block partly erased: the next
# update refuses until the backup taken before it is put back, and then runs.
run_boot unplug-update standard "--unplug-after 200 --unplug-for 4000" \
  '!update-unplugged s=$(date +%s); velotrack --board auto firmware update --built-in -y --backup-dir ../../bk; rc=$?; t=$(($(date +%s) - s)); echo "exit $rc after $t s"; [ $rc -ne 0 ] && [ $rc -lt 128 ] && [ $t -le 30 ]' \
  '!updated-again sleep 5; vt_wait_board; velotrack --board auto firmware update --built-in -y --backup-dir ../../bk2; [ $? -eq 6 ] && b=$(ls -t ../../bk/*/*.bin | head -1) && velotrack --board auto profiles restore -y --backup-dir ../../bk2 "$b" && sleep 3 && vt_wait_board && velotrack --board auto firmware update --built-in -y --backup-dir ../../bk2 && v=$(velotrack --board auto firmware version) && echo "$v" && b=$(echo "$v" | sed -n "s/^Board: *Firmware version: //p") && [ -n "$b" ] && [ "$b" = "$(echo "$v" | sed -n "s/^Built-in: *//p")" ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
