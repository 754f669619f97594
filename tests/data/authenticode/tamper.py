#!/usr/bin/env python3
"""Makes damaged copies of signed fixtures.

usage: tamper.py MODE IN OUT
  code      flip one byte of the first section's raw data (PE)
  sigbyte   flip one byte of the RSA signature inside the PKCS#7 (PE)
  append    add bytes after the certificate table (PE)
  trailing  grow the certificate entry by 16 bytes that follow the DER (PE)
  cabdata   flip one byte of the cabinet's file data (CAB)
"""
import struct
import sys


def pe_offsets(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directory = optional + (112 if magic == 0x20B else 96)
    security_entry = directory + 4 * 8
    table_offset, table_size = struct.unpack_from("<II", data, security_entry)
    first_section = optional + optional_size
    raw_pointer = struct.unpack_from("<I", data, first_section + 20)[0]
    return security_entry, table_offset, table_size, raw_pointer


def der_length(data, at):
    """Total length of the DER item at `at`."""
    first = data[at + 1]
    if first < 0x80:
        return 2 + first
    count = first & 0x7F
    return 2 + count + int.from_bytes(data[at + 2:at + 2 + count], "big")


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    mode, src, dst = sys.argv[1:]
    data = bytearray(open(src, "rb").read())
    if mode == "code":
        data[pe_offsets(data)[3]] ^= 0xFF
    elif mode == "sigbyte":
        table = pe_offsets(data)[1]
        der_end = table + 8 + der_length(data, table + 8)
        # An untimestamped signature ends with the signer's encryptedDigest,
        # so this byte is inside the RSA signature.
        data[der_end - 10] ^= 0x01
    elif mode == "append":
        data += b"appended after the signature\0\0\0\0"
    elif mode == "trailing":
        security_entry, table, size, _ = pe_offsets(data)
        assert table + size == len(data)
        length = struct.unpack_from("<I", data, table)[0]
        struct.pack_into("<I", data, table, length + 16)
        struct.pack_into("<II", data, security_entry, table, size + 16)
        data += b"TRAILING-BYTES!!"
    elif mode == "cabdata":
        signature_offset = struct.unpack_from("<I", data, 44)[0]
        data[signature_offset - 8] ^= 0xFF
    else:
        sys.exit(__doc__)
    open(dst, "wb").write(bytes(data))


if __name__ == "__main__":
    main()
