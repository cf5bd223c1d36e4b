#!/usr/bin/env python3
"""Writes the stored form of a firmware file: each 16-bit little-endian word
replaced by the running sum (mod 65536) of all words so far; an odd trailing
byte is dropped."""
import struct
import sys


def encode(plain: bytes) -> bytes:
    out = bytearray()
    total = 0
    for (word,) in struct.iter_unpack("<H", plain[: len(plain) // 2 * 2]):
        total = (total + word) & 0xFFFF
        out += struct.pack("<H", total)
    return bytes(out)


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    with open(sys.argv[2], "wb") as f:
        f.write(encode(data))
