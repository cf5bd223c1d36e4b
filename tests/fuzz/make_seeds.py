#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the structured fuzz targets into
corpus/<target>/seed-*. The profile files and info blocks in the corpus
come from the virtual board through the command line (profiles read -o,
the backups of profiles clear); the fuzz runs add what they find."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    path = os.path.join(HERE, "corpus", target, "seed-" + name)
    with open(path, "wb") as f:
        f.write(data)


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v)


# ---- infrared: limit (u16), then a WAV file whose samples toggle ------------
def wav(samples):
    data = b"".join(struct.pack("<h", s) for s in samples)
    header = b"RIFF" + u32(36 + len(data)) + b"WAVEfmt " + u32(16) + u16(1) + u16(1)
    header += u32(44100) + u32(88200) + u16(2) + u16(16) + b"data" + u32(len(data))
    return header + data


burst = [3000 if (i // 20) % 2 else 0 for i in range(800)]
put("infrared", "burst.wav", wav(burst))
put("infrared", "carrier.wav", wav([int(8000 * math.sin(i / 3.0)) for i in range(600)]))

# ---- wire server: steps of (how, u16 length, piece) -------------------------
def req_open(path):
    return bytes([2]) + u16(len(path)) + path


def flash_report(cmd, addr, length, first=0):
    r = bytearray(65)
    r[3] = cmd
    r[4] = first
    r[5:9] = u32(addr)
    r[9:13] = u32(length)
    return bytes(r)


def write(handle, report):
    return bytes([4]) + u32(handle) + u32(500) + u16(len(report)) + report


def step(body, raw=False):
    if raw:
        body = u32(len(body)) + body
    return bytes([1 if raw else 0]) + u16(len(body)) + body


session = b"\x00"  # one board
session += step(bytes([1]))
session += step(req_open(b"virtual:0"))
session += step(write(1, flash_report(0xD0, 0xE0000, 120)))
session += step(bytes([6]) + u32(1) + bytes([240]) + u16(512))
session += step(bytes([7]) + u32(1) + u16(255))
session += step(bytes([3]) + u32(1))
put("wire_server", "read-block", session)

program = b"\x00"
program += step(req_open(b"virtual:0"), raw=True)
control = bytearray(flash_report(0xF1, 0x20220, 0, 0xF0))
program += step(write(1, bytes(control)), raw=True)
program += step(write(1, flash_report(0xC1, 0xE0000, 0)), raw=True)
piece = bytearray(flash_report(0x91, 0xED200, 0, 8))
piece[9:17] = b"\x01\x00\x08\x00\x02\x00\x06\x00"
program += step(write(1, bytes(piece)), raw=True)
program += step(write(1, flash_report(0xA1, 0xE0000, 8)), raw=True)
program += step(write(1, flash_report(0xB1, 0, 0)), raw=True)
put("wire_server", "program-and-restart", program)

# ---- device replies: what ScriptedHidBackend reads, in call order -----------
def device(serial=b"W10000471102.05", version=0x0500):
    d = bytes([0x20])  # accepted ids, caps valid
    d += u16(version) + bytes([len(serial)]) + serial + u16(65) + u16(65)
    return d


def reply(rc, data):
    return bytes([rc]) + u16(len(data)) + data


detect = bytes([1]) + device() + b"\x00" + reply(0, "W10000471102.05".encode("utf-16-le"))
exchange = detect
exchange += b"\x00" + bytes([0x28, 0, 0, 0, 0])     # step: command 0x28
exchange += b"\x00" + b"\x00" + reply(0, bytes([5, 0, 2, 10, 0, 0, 0, 0]))
exchange += b"\x03" + u16(300) + u32(0xE0000)         # step: memory read of 300
for _ in range(3):
    exchange += b"\x00" + b"\x00" + b"\x00" + reply(0, bytes(range(120)))
put("device_reply", "exchanges", b"\x00" + exchange)

block = bytearray(b"\xff" * 2048)
block[0:8] = u16(1) + u16(8) + u16(0) + u16(0)
block[8:12] = u16(11) + u16(644)
read = detect
for chunk in range(18):
    read += b"\x00" + b"\x00" + b"\x00" + reply(0, bytes(block[chunk * 120:(chunk + 1) * 120]))
put("device_reply", "profile-read", b"\x01" + read)

# ---- info block: choices, a tag, a limit, then the block --------------------
put("info_block", "short-chain", b"\x00" + u16(11) + u16(2048) + bytes(block))

# ---- wire client: a decoder probe, then the server's answers in order -------
def answer(body):
    return u16(len(body)) + body


def enumerate_answer(serial="W10000471102.05"):
    b = u32(0) + bytes([1]) + u16(9) + b"virtual:0" + u16(0x16C0) + u16(0xC360) + u16(0x0610)
    b += bytes([len(serial)]) + "".join(serial).encode("utf-16-le")
    return b + bytes([1]) + u16(65) + u16(65) + bytes([1])


client = u16(8) + u16(0)  # probe: nothing
client += b"\x00"  # Load connects
client += answer(enumerate_answer())
client += answer(u32(0) + u32(7))  # OPEN
client += answer(u32(0) + u16(32) + "W10000471102.05".encode("utf-16-le") + b"\x00\x00")
client += answer(u32(0))  # CLOSE
client += b"\x00" + bytes([0x28, 0, 0, 0, 0])  # a command
client += answer(u32(0) + u32(7))  # OPEN
client += answer(u32(0))  # WRITE
client += answer(u32(0) + u16(8) + bytes([5, 0, 2, 10, 0, 0, 0, 0]))
client += answer(u32(0))  # CLOSE
put("wire_client", "detect-and-command", client)
put("wire_client", "server-hangs-up", u16(8) + u16(0) + b"\x00" + u16(0xFFFF))
