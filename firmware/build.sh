#!/bin/sh
# Regenerates the built-in firmware images and their stored forms.
# Needs Debian's gcc-arm-none-eabi and binutils-arm-none-eabi for the
# standard board; the R-board image comes from a Python generator.
# The results are committed, so a normal build never runs this.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/standard"
arm-none-eabi-gcc -mcpu=cortex-m0 -mthumb -Os -ffreestanding -nostdlib \
  -fno-asynchronous-unwind-tables -Wall -Wextra \
  -Wl,-T,standard.ld -Wl,-z,max-page-size=4 -Wl,--build-id=none \
  -o velotrack-standard.elf boot.c startup.c main.c
python3 "$here/encode_stored.py" velotrack-standard.elf velotrack-standard.vt
cd "$here/r-board"
python3 make_r_image.py velotrack-r.elf
python3 "$here/encode_stored.py" velotrack-r.elf velotrack-r.vt
