#!/usr/bin/env bash
# Seeds for GuiResourceFuzz: the dialog templates and bitmaps of the
# program's own resources, cut out of the compiled .res in build/.
set -euo pipefail
out=$1
res=$(dirname "$0")/../../build/resources/VamoSetup.res
[ -f "$res" ] || exit 0
python3 - "$res" "$out" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
out = sys.argv[2]
at = n = 0
while at + 8 <= len(data):
    size, header = struct.unpack_from("<II", data, at)
    if header < 16 or at + header + size > len(data):
        break
    kind = struct.unpack_from("<HH", data, at + 8)
    if kind[0] == 0xFFFF and kind[1] in (2, 5):  # RT_BITMAP, RT_DIALOG
        open("%s/seed-%d" % (out, n), "wb").write(data[at + header:at + header + size])
        n += 1
    at = (at + header + size + 3) & ~3
PY
