#!/usr/bin/env python3
"""Writes an uncompressed Microsoft cabinet whose stored names are taken
verbatim, so tests can make cabinets that no packing tool would (names with
"..", drive letters, UNC prefixes, bytes that are not UTF-8 under the
UTF-8 flag, which is set for every name with a byte above 0x7F).

usage: make_cabinet.py OUTPUT STORED-NAME=HOST-FILE...
"""
import os
import struct
import sys

BLOCK = 32768


def main():
    out = sys.argv[1]
    members = []
    for arg in sys.argv[2:]:
        name, path = arg.split("=", 1)
        with open(path, "rb") as f:
            # Bytes that are no UTF-8 reach us as surrogate escapes; they go
            # into the cabinet as the very bytes the command line held.
            members.append((os.fsencode(name), f.read()))

    payload = b"".join(data for _, data in members)
    blocks = [payload[i:i + BLOCK] for i in range(0, len(payload), BLOCK)] or [b""]

    header_size = 36
    folder_size = 8
    files = b""
    offset = 0
    for name, data in members:
        attribs = 0x20 | (0x80 if any(c >= 0x80 for c in name) else 0)
        files += struct.pack("<IIHHHH", len(data), offset, 0, 0x5A21, 0x0000, attribs) + name + b"\0"
        offset += len(data)
    coff_files = header_size + folder_size
    coff_data = coff_files + len(files)
    data = b"".join(struct.pack("<IHH", 0, len(b), len(b)) + b for b in blocks)
    total = coff_data + len(data)
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, coff_files, 0, 3, 1, 1, len(members), 0,
                         0x1234, 0)
    folder = struct.pack("<IHH", coff_data, len(blocks), 0)
    with open(out, "wb") as f:
        f.write(header + folder + files + data)


if __name__ == "__main__":
    main()
