#!/usr/bin/env python3
"""Writes seeds for the filter target: a byte that picks the stream dictionary (see
FilterFuzzer.cpp, in that order), then data encoded for it.

  make-filter-seeds.py FOLDER
"""
import base64
import binascii
import os
import sys
import zlib

TEXT = b"BT /F1 12 Tf 72 720 Td (Seed text for the decoders) Tj ET\n" * 4
LZW_EXAMPLE = bytes([0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85, 0x01])  # ISO 32000-1, 7.4.4.2


def run_length(data):
    out = b""
    for at in range(0, len(data), 128):
        piece = data[at:at + 128]
        out += bytes([len(piece) - 1]) + piece
    return out + b"\x81x\x80"


def a85(data):
    return base64.a85encode(data) + b"~>"


SEEDS = [
    zlib.compress(TEXT),
    LZW_EXAMPLE,
    LZW_EXAMPLE,
    LZW_EXAMPLE,
    LZW_EXAMPLE,
    a85(TEXT) + b"z",
    binascii.hexlify(TEXT) + b" 7>",
    run_length(TEXT),
    a85(zlib.compress(TEXT)),
    binascii.hexlify(LZW_EXAMPLE) + b">",
    a85(run_length(LZW_EXAMPLE)),
    run_length(zlib.compress(b"\x01" + TEXT[:6] * 2)),
    binascii.hexlify(a85(run_length(TEXT))) + b">",
    zlib.compress(TEXT),
]


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    os.makedirs(argv[1], exist_ok=True)
    for choice, data in enumerate(SEEDS):
        with open(os.path.join(argv[1], "seed-%02d" % choice), "wb") as out:
            out.write(bytes([choice]) + data)


if __name__ == "__main__":
    main(sys.argv)
