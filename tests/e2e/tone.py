#!/usr/bin/env python3
"""Prints the pitch of the first second of a 16-bit PCM WAV file, in whole Hz.

Reads the file while its writer may still be at it, so the data chunk runs to the end of the
file whatever its header says. Exits 1 while there is less than a second of sound.
"""
import array
import struct
import sys

with open(sys.argv[1], "rb") as f:
    wav = f.read(2_000_000)
pos, fmt, data = 12, None, None
while pos + 8 <= len(wav) and data is None:
    chunk, size = wav[pos:pos + 4], struct.unpack("<I", wav[pos + 4:pos + 8])[0]
    if chunk == b"fmt ":
        fmt = struct.unpack("<HHIIHH", wav[pos + 8:pos + 24])
    elif chunk == b"data":
        data = wav[pos + 8:]
    pos += 8 + size + (size & 1)
if fmt is None or data is None or fmt[5] != 16:
    sys.exit(1)
channels, rate = fmt[1], fmt[2]
samples = array.array("h")
samples.frombytes(data[:len(data) // 2 * 2])
first = samples[0:rate * channels:channels]
if len(first) < rate:
    sys.exit(1)
if max(abs(s) for s in first) < 1000:
    print(0)  # silence
    sys.exit(0)
crossings = sum(1 for a, b in zip(first, first[1:]) if (a < 0) != (b < 0))
print(round(crossings / 2))
