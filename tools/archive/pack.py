#!/usr/bin/env python3
"""Builds a setup archive stand-in: the unpacker program followed by a marker and the payload.

pack.py <unpacker.exe> <output.exe> <name-in-archive>=<file> ...
"""
import struct
import sys

MARKER_KEY = b"VantolinSetupArchivePayload"


def main(argv):
    unpacker, output, entries = argv[1], argv[2], argv[3:]
    marker = bytes(b ^ 0x5A for b in MARKER_KEY)
    with open(unpacker, "rb") as f:
        data = f.read()
    if marker in data:
        sys.exit("the unpacker holds the marker")
    parts = [data, marker]
    for entry in entries:
        name, path = entry.split("=", 1)
        with open(path, "rb") as f:
            content = f.read()
        encoded = name.replace("/", "\\").encode("utf-8")
        parts += [struct.pack("<I", len(encoded)), encoded, struct.pack("<I", len(content)), content]
    parts.append(struct.pack("<I", 0))
    with open(output, "wb") as f:
        f.write(b"".join(parts))


if __name__ == "__main__":
    main(sys.argv)
