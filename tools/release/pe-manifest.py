#!/usr/bin/env python3
"""Prints the application manifest a PE image carries (resource type 24,
RT_MANIFEST; the first name and language), or exits 1 when it has none.

    pe-manifest.py PROGRAM.exe

The release reads the execution level and the declared systems from it in the
signed file itself, where the loader will find them."""
import struct
import sys

RT_MANIFEST = 24
RESOURCE_DIRECTORY = 2


def fail(message):
    print(f"pe-manifest: {sys.argv[1]}: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    data = open(sys.argv[1], "rb").read()

    def u16(at):
        return struct.unpack_from("<H", data, at)[0]

    def u32(at):
        return struct.unpack_from("<I", data, at)[0]

    try:
        if data[:2] != b"MZ":
            fail("not a PE image")
        pe = u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            fail("not a PE image")
        sections = u16(pe + 6)
        optional = pe + 24
        magic = u16(optional)
        directories = optional + (112 if magic == 0x20B else 96)
        if u32(directories - 4) <= RESOURCE_DIRECTORY:
            fail("no resource directory")
        rsrc_rva = u32(directories + 8 * RESOURCE_DIRECTORY)
        if rsrc_rva == 0:
            fail("no resources")
        table = optional + u16(pe + 20)

        def file_offset(rva):
            for i in range(sections):
                s = table + 40 * i
                size, address, raw = u32(s + 8), u32(s + 12), u32(s + 20)
                if address <= rva < address + max(size, u32(s + 16)):
                    return raw + rva - address
            fail(f"address {rva:#x} is in no section")

        root = file_offset(rsrc_rva)

        def entries(directory):
            count = u16(directory + 12) + u16(directory + 14)
            return [(u32(directory + 16 + 8 * i), u32(directory + 20 + 8 * i)) for i in range(count)]

        def first_child(directory, wanted=None):
            for name, target in entries(directory):
                if wanted is None or name == wanted:
                    return target
            return None

        level1 = first_child(root, RT_MANIFEST)
        if level1 is None or not level1 & 0x80000000:
            fail("no manifest")
        level2 = first_child(root + (level1 & 0x7FFFFFFF))
        if level2 is None or not level2 & 0x80000000:
            fail("malformed manifest entry")
        leaf = first_child(root + (level2 & 0x7FFFFFFF))
        if leaf is None or leaf & 0x80000000:
            fail("malformed manifest entry")
        rva, size = u32(root + leaf), u32(root + leaf + 4)
        at = file_offset(rva)
        sys.stdout.write(data[at:at + size].decode("utf-8"))
    except (struct.error, UnicodeDecodeError) as error:
        fail(f"malformed image: {error}")


if __name__ == "__main__":
    main()
