#!/usr/bin/env python3
"""Writes test archives that ordinary tools do not make: zips with chosen
attribute bytes, and hostile zips and tar.gz files.

usage: make_archive.py KIND OUTPUT [INPUT...]
"""
import gzip
import io
import struct
import sys
import tarfile
import zipfile
import zlib


def zip_with_attrs(out, inputs, create_system, external_attr, compress):
    method = zipfile.ZIP_DEFLATED if compress else zipfile.ZIP_STORED
    with zipfile.ZipFile(out, "w", method) as z:
        for path in inputs:
            info = zipfile.ZipInfo(path.rsplit("/", 1)[-1])
            info.create_system = create_system
            info.external_attr = external_attr
            info.compress_type = method
            with open(path, "rb") as f:
                z.writestr(info, f.read())


def overlapping_zip(out):
    # Every central entry points at the same local file and data: the
    # overlapping-entries trick of zip bombs.
    data = b"A" * 100000
    comp = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = comp.compress(data) + comp.flush()
    crc = zlib.crc32(data) & 0xFFFFFFFF
    name = b"a.bin"
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, crc, len(packed), len(data),
                        len(name), 0) + name
    body = local + packed
    central = b""
    count = 3
    for i in range(count):
        cname = name
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0, crc,
                               len(packed), len(data), len(cname), 0, 0, 0, 0, 0, 0) + cname
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), len(body), 0)
    with open(out, "wb") as f:
        f.write(body + central + end)


def tar_header(name, size_field, typeflag=b"0"):
    h = bytearray(512)
    h[0:len(name)] = name
    h[100:108] = b"0000644\0"
    h[108:116] = b"0000000\0"
    h[116:124] = b"0000000\0"
    h[124:136] = size_field
    h[136:148] = b"00000000000\0"
    h[156:157] = typeflag
    h[257:263] = b"ustar\0"
    h[263:265] = b"00"
    h[148:156] = b" " * 8
    h[148:156] = b"%06o\0 " % sum(h)
    return bytes(h)


def huge_tar(out):
    # A header that promises 64 GiB with a few bytes behind it.
    data = tar_header(b"huge.bin", b"77777777777\0") + b"x" * 1024
    with gzip.open(out, "wb") as f:
        f.write(data)


def short_tar(out):
    # A header that promises 1 MiB while the stream ends after 100 KiB.
    data = tar_header(b"short.bin", b"%011o\0" % (1 << 20)) + b"y" * 100000
    with gzip.open(out, "wb") as f:
        f.write(data)


def odd_tar(out, inputs):
    # A link entry, then a regular file: only the file is a file member.
    buf = io.BytesIO()
    with tarfile.open(fileobj=buf, mode="w", format=tarfile.USTAR_FORMAT) as t:
        link = tarfile.TarInfo("link")
        link.type = tarfile.SYMTYPE
        link.linkname = "elsewhere"
        t.addfile(link)
        for path in inputs:
            t.add(path, arcname=path.rsplit("/", 1)[-1])
    with gzip.open(out, "wb") as f:
        f.write(buf.getvalue())


def main():
    kind, out, inputs = sys.argv[1], sys.argv[2], sys.argv[3:]
    if kind == "zip-dos":
        zip_with_attrs(out, inputs, 0, 0x20, True)
    elif kind == "zip-dos-zero":
        zip_with_attrs(out, inputs, 0, 0x00, False)
    elif kind == "zip-unix":
        zip_with_attrs(out, inputs, 3, (0o100644 << 16), True)
    elif kind == "zip-unix-dir-only":
        with zipfile.ZipFile(out, "w") as z:
            info = zipfile.ZipInfo("folder/")
            info.create_system = 3
            info.external_attr = (0o040755 << 16) | 0x10
            z.writestr(info, b"")
    elif kind == "zip-empty":
        zipfile.ZipFile(out, "w").close()
    elif kind == "zip-overlap":
        overlapping_zip(out)
    elif kind == "tar-huge":
        huge_tar(out)
    elif kind == "tar-short":
        short_tar(out)
    elif kind == "tar-link":
        odd_tar(out, inputs)
    else:
        sys.exit("unknown kind " + kind)


if __name__ == "__main__":
    main()
