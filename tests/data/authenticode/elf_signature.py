#!/usr/bin/env python3
"""Appends a detached signature to an ELF program in the trailer the
wizard checks, and makes damaged copies of such programs. Written apart from
the signer of vamo-publish, so the two check each other.

The trailer: DER signature | 12-byte info (0, 0, 2, 0, 0, 0, 0, 0, then the
DER's length as big-endian 32 bits) | "~Vamo signature appended~\\n".

usage: elf_signature.py append PROGRAM SIGNATURE.der OUT
       elf_signature.py split SIGNED PROGRAM-OUT SIGNATURE-OUT
       elf_signature.py MODE SIGNED OUT
  code      flip one byte of the program part
  sigbyte   flip one byte of the RSA signature at the end of the DER
  cut       drop the last 10 bytes (the trailer's magic is cut)
  length    claim a DER one byte longer than it is
  append    add bytes after the trailer
"""
import struct
import sys

MAGIC = b"~Vamo signature appended~\n"
INFO = 12


def trailer(length):
    return bytes([0, 0, 2, 0, 0, 0, 0, 0]) + struct.pack(">I", length) + MAGIC


def signature_start(data):
    assert data.endswith(MAGIC)
    length = struct.unpack_from(">I", data, len(data) - len(MAGIC) - 4)[0]
    return len(data) - len(MAGIC) - INFO - length


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "append":
        program = open(sys.argv[2], "rb").read()
        signature = open(sys.argv[3], "rb").read()
        open(sys.argv[4], "wb").write(program + signature + trailer(len(signature)))
        return
    if len(sys.argv) == 5 and sys.argv[1] == "split":
        data = open(sys.argv[2], "rb").read()
        start = signature_start(data)
        open(sys.argv[3], "wb").write(data[:start])
        open(sys.argv[4], "wb").write(data[start:len(data) - len(MAGIC) - INFO])
        return
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    mode, src, dst = sys.argv[1:]
    data = bytearray(open(src, "rb").read())
    start = signature_start(data)
    if mode == "code":
        data[start // 2] ^= 0xFF
    elif mode == "sigbyte":
        # Without unsigned attributes the DER ends with the signer's
        # encryptedDigest, so this byte is inside the RSA signature.
        data[len(data) - len(MAGIC) - INFO - 10] ^= 0x01
    elif mode == "cut":
        del data[-10:]
    elif mode == "length":
        at = len(data) - len(MAGIC) - 4
        struct.pack_into(">I", data, at, struct.unpack_from(">I", data, at)[0] + 1)
    elif mode == "append":
        data += b"appended after the signature\n"
    else:
        sys.exit(__doc__)
    open(dst, "wb").write(bytes(data))


if __name__ == "__main__":
    main()
