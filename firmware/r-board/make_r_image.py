#!/usr/bin/env python3
"""Builds the built-in R-board firmware image: a big-endian 32-bit ELF
executable (machine bytes 0x18 0xAD) with one loadable segment at the
board's flash base 0x80000000.

Image layout (offsets from the flash base):
  0x0000  reset vectors and start-up stub
  0x2000  bootloader: code, identity record, end marker
  0x7000  application: 20-byte header, version record at 0x7014, code,
          end marker
The code areas hold a deterministic instruction-like filler: this image
exercises the panel's update path, it is not meant to run.
"""
import struct
import sys

FLASH_BASE = 0x80000000
BOOT_BASE = 0x2000
APP_BASE = 0x7000
APP_CODE_BYTES = 0x900
BOOT_CODE_BYTES = 0x300

VERSION_MARK = b"\x27\x24\x27\x24"
APP_END_MARK = b"\x28\x24\x28\x24"
IDENTITY_MARK = b"\x2b\x24\x2b\x24"
BOOT_END_MARK = b"\x26\x24\x26\x24"

MINOR = 6
BUILD = 76
# Letters, board number (character 9 is the series), revision, minor digits.
SERIAL = "RV00000002-2-0406"


def filler(seed: int, count: int) -> bytes:
    """Instruction-like words from a linear congruential generator; the byte
    0x24 never appears, so no marker can form by accident."""
    out = bytearray()
    state = seed
    while len(out) < count:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        word = struct.pack(">I", 0x3C000000 | (state & 0x03FFFFFF))
        out += bytes(b if b != 0x24 else 0x25 for b in word)
    return bytes(out[:count])


def identity_record() -> bytes:
    text = SERIAL.encode("utf-16-le")
    return IDENTITY_MARK + bytes([2 + len(text), 3]) + text


def build_image() -> bytes:
    img = bytearray()
    img += struct.pack(">II", FLASH_BASE + 0x1000, FLASH_BASE + 8)
    img += filler(1, 0x100)
    img += bytes(BOOT_BASE - len(img))
    img += filler(2, BOOT_CODE_BYTES)
    img += identity_record()
    img += bytes((-len(img)) % 4)
    img += BOOT_END_MARK
    img += b"\xff" * (APP_BASE - len(img))
    # Application header: initial stack, entry, three reserved words.
    img += struct.pack(">IIIII", FLASH_BASE + 0x1000, FLASH_BASE + APP_BASE + 0x1C, 0, 0, 0)
    img += VERSION_MARK + struct.pack("<HH", MINOR, BUILD)
    img += filler(3, APP_CODE_BYTES)
    img += b"Velotrack R-board firmware\0\0"
    img += APP_END_MARK
    return bytes(img)


def elf(image: bytes) -> bytes:
    ehsize, phentsize = 52, 32
    offset = ehsize + phentsize
    ident = b"\x7fELF" + bytes([1, 2, 1, 0]) + bytes(8)
    header = ident + struct.pack(">H", 2) + b"\x18\xad" + struct.pack(
        ">IIIIIHHHHHH", 1, FLASH_BASE + 8, ehsize, 0, 0, ehsize, phentsize, 1, 40, 0, 0)
    phdr = struct.pack(">IIIIIIII", 1, offset, FLASH_BASE, FLASH_BASE,
                       len(image), len(image), 5, 4)
    return header + phdr + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(elf(build_image()))
