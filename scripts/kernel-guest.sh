# Sourced by kernel-run.sh and kernel-test.sh: a Debian kernel and a busybox
# initramfs holding `velotrack` (release build, or the build named by VT_BUILD),
# booted under QEMU with the board
# attached through `velotrack-board usb` (usbredir) to the guest's xHCI.
#
# Everything is cached under build/kernel/: the kernel package (downloaded,
# never installed), its extracted tree, and the initramfs.

VT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VT_KDIR=$VT_ROOT/build/kernel
# The build whose programs the rig runs: the release build, or one already
# made (CI passes its debug build as VT_BUILD rather than compile again).
VT_RELEASE=${VT_BUILD:-$VT_ROOT/build/release}
# The guest's kernel modules: USB host and HID, and 9p over virtio for the shares.
VT_MODULES=(usbcore usb-common xhci-hcd xhci-pci hid usbhid hid-generic
            virtio virtio_ring virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci
            netfs fscache 9pnet 9pnet_virtio 9p)

vt_log() { echo "kernel: $*" >&2; }

# Builds the two programs the rig needs, nothing else.
vt_build_release() {
  if [ -n "${VT_BUILD:-}" ]; then
    cmake --build "$VT_BUILD" --target velotrack velotrack-board -j "$(nproc)" >/dev/null ||
      { vt_log "build in $VT_BUILD failed"; return 1; }
    return 0
  fi
  (cd "$VT_ROOT" && cmake --preset release >/dev/null &&
     cmake --build --preset release --target velotrack velotrack-board -j "$(nproc)" >/dev/null) ||
    { vt_log "release build failed"; return 1; }
}

# The current kernel package of the distribution (its version changes), or
# the one cached last time when the package lists cannot be read.
vt_kernel_package() {
  local pkg
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null |
        awk '/Depends: linux-image-[0-9]/{print $2; exit}')
  if [ -z "$pkg" ]; then
    pkg=$(ls -1 "$VT_KDIR" 2>/dev/null | grep '^linux-image-' | sort -V | tail -1)
  fi
  [ -n "$pkg" ] || { vt_log "cannot find the Debian kernel package"; return 1; }
  echo "$pkg"
}

# Downloads and extracts the kernel package; prints the extracted tree.
vt_kernel_tree() {
  local pkg tree
  pkg=$(vt_kernel_package) || return 1
  tree=$VT_KDIR/$pkg
  if [ ! -f "$tree/.done" ]; then
    mkdir -p "$tree/deb"
    (cd "$tree/deb" && ls ./*.deb >/dev/null 2>&1 || apt-get download "$pkg" >/dev/null 2>&1) ||
      { vt_log "apt-get download $pkg failed"; return 1; }
    dpkg-deb -x "$tree"/deb/*.deb "$tree/root"
    rm -rf "$tree/deb"
    touch "$tree/.done"
  fi
  echo "$tree"
}

# Module file for a module name (dashes and underscores are the same).
vt_module_file() {
  local tree=$1 name=$2
  find "$tree"/root/lib/modules/*/kernel -name "${name}.ko" -o -name "${name//-/_}.ko" \
    -o -name "${name//_/-}.ko" | head -1
}

# The module files in load order: every module after the ones it depends on.
vt_module_order() {
  local tree=$1; shift
  local -A seen=()
  local order=()
  visit() {
    local name=${1//-/_} file deps d
    [ -n "${seen[$name]:-}" ] && return 0
    seen[$name]=1
    file=$(vt_module_file "$tree" "$1")
    [ -n "$file" ] || return 0  # built into this kernel
    deps=$(strings "$file" | sed -n 's/^depends=//p' | head -1)
    for d in ${deps//,/ }; do visit "$d"; done
    order+=("$file")
  }
  local m
  for m in "$@"; do visit "$m"; done
  printf '%s\n' "${order[@]}"
}

# Builds the initramfs when the program or the kernel is newer; prints its path.
vt_initramfs() {
  local tree=$1 out=$VT_KDIR/initramfs-$(basename "$VT_RELEASE").cpio.gz stage
  local prog=$VT_RELEASE/src/cli/velotrack
  [ -x "$prog" ] || prog=$(find "$VT_RELEASE" -type f -name velotrack -perm -u+x | head -1)
  [ -x "$prog" ] || { vt_log "no release velotrack"; return 1; }
  if [ -f "$out" ] && [ "$out" -nt "$prog" ] && [ "$out" -nt "$tree/.done" ] &&
     [ "$out" -nt "$VT_ROOT/scripts/kernel-guest.sh" ]; then
    echo "$out"; return 0
  fi
  stage=$(mktemp -d)
  chmod 755 "$stage"  # the guest's root: other accounts must get through it
  mkdir -p "$stage"/{bin,dev,proc,sys,tmp,etc,lib/modules,run,share,opt/velotrack}
  cp /bin/busybox "$stage/bin/busybox"
  # Without debug sections: a debug build's program is ten times the size.
  strip --strip-debug -o "$stage/opt/velotrack/velotrack" "$prog"
  # The program's shared libraries at the paths the loader looks for them.
  ldd "$prog" | awk '/=>/ {print $3} /^\t\// {print $1}' | while read -r lib; do
    [ -f "$lib" ] || continue
    mkdir -p "$stage$(dirname "$lib")"
    cp -L "$lib" "$stage$lib"
  done
  vt_module_order "$tree" "${VT_MODULES[@]}" | while read -r f; do
    cp "$f" "$stage/lib/modules/"
    basename "$f" >> "$stage/lib/modules/order"
  done
  printf 'root:x:0:0:root:/root:/bin/sh\nnobody:x:65534:65534:nobody:/nonexistent:/bin/sh\n' \
    > "$stage/etc/passwd"
  printf 'root:x:0:\nnogroup:x:65534:\n' > "$stage/etc/group"
  cat > "$stage/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin:/opt/velotrack
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /lib/modules/order); do insmod /lib/modules/$m 2>/dev/null; done
share=$(sed -n 's/.*vt\.share=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p "$share"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 share "$share"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 run /run
cd "$share"
sh /run/guest.sh > /run/guest.log 2>&1
echo $? > /run/guest.rc
sync
umount /run
poweroff -f
INIT
  chmod +x "$stage/init"
  (cd "$stage" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) > "$out.tmp" && mv "$out.tmp" "$out"
  rm -rf "$stage"
  echo "$out"
}

# Starts the USB front for ADDRESS; sets VT_FRONT_PID and VT_FRONT_PORT.
# Extra arguments go to `velotrack-board usb`.
vt_start_front() {
  local address=$1 log=$2; shift 2
  "$VT_RELEASE/src/board_server/velotrack-board" usb --board "$address" --listen tcp:127.0.0.1:0 "$@" \
    > "$log.out" 2> "$log" &
  VT_FRONT_PID=$!
  local i
  for i in $(seq 100); do
    VT_FRONT_PORT=$(sed -n 's/.*on tcp:127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log.out")
    [ -n "$VT_FRONT_PORT" ] && return 0
    kill -0 "$VT_FRONT_PID" 2>/dev/null || break
    sleep 0.1
  done
  vt_log "the USB front did not start: $(cat "$log")"
  return 1
}

vt_stop_front() {
  [ -n "${VT_FRONT_PID:-}" ] || return 0
  kill -TERM "$VT_FRONT_PID" 2>/dev/null
  wait "$VT_FRONT_PID" 2>/dev/null
  VT_FRONT_PID=
}

# Boots the guest with RUNDIR (holding guest.sh) shared at /run and the
# current directory shared at the same path; waits at most LIMIT seconds.
vt_boot() {
  local tree=$1 initrd=$2 rundir=$3 port=$4 limit=$5
  local kernel
  kernel=$(ls "$tree"/root/boot/vmlinuz-* | head -1)
  rm -f "$rundir/guest.rc"
  timeout "$limit" qemu-system-x86_64 -M q35 -m 512 -smp 1 -nographic -nic none -no-reboot \
    -kernel "$kernel" -initrd "$initrd" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1 vt.share=$PWD" \
    -device qemu-xhci,id=xhci \
    -chardev socket,id=board,host=127.0.0.1,port="$port" \
    -device usb-redir,chardev=board,id=board,bus=xhci.0 \
    -virtfs local,path="$PWD",mount_tag=share,security_model=none,id=share \
    -virtfs local,path="$rundir",mount_tag=run,security_model=none,id=run \
    > "$rundir/console.log" 2>&1 < /dev/null
  [ -f "$rundir/guest.rc" ] || { vt_log "the guest did not finish (see $rundir/console.log)"; return 1; }
}

# Guest shell lines that wait for the board's hidraw node and USB device.
vt_guest_wait_board() {
  cat <<'WAIT'
vt_wait_board() {
  i=0
  while [ $i -lt 300 ]; do
    if ls /dev/hidraw* >/dev/null 2>&1 && ls /dev/bus/usb/*/* >/dev/null 2>&1; then return 0; fi
    sleep 0.1; i=$((i+1))
  done
  echo "no board appeared in the guest" >&2
  return 1
}
WAIT
}
