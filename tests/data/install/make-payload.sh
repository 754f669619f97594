#!/usr/bin/env bash
# Builds the payload files of the install tests with real tools: a
# self-registering library (cc: an ELF shared object exporting
# DllRegisterServer), a library that cannot load, a program, zip archives
# (python's zipfile), and cabinets with an INF (gcab) signed with the
# Authenticode fixtures' test PKI (osslsigncode).
#
# usage: make-payload.sh OUTDIR PKIDIR   (PKIDIR holds signer.pem, signer.key)
set -euo pipefail
out=$1
pki=$2
data=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out/work"
cd "$out"
crlf() { sed 's/$/\r/'; }

# ------------------------------------------------ a self-registering library
cc -shared -fPIC -DMARKER='"plugin.dll"' -o plugin.dll "$data/selfreg-log.c"
cc -shared -fPIC -DMARKER='"cabplugin.dll"' -o work/cabplugin.dll "$data/selfreg-log.c"

# A library the loader refuses: registering it fails.
printf 'not a library\n' > broken.dll

# A program that records how it was started.
cat > tool.exe <<'SH'
#!/bin/sh
printf '%s|%s\n' "$(basename "$0")" "$*" >> "$VAMO_RUN_LOG"
SH
chmod 755 tool.exe

printf 'plain data, installed as it is\r\n' > data.txt

# ------------------------------------------------------------------ archives
python3 - <<'PY'
import zipfile
with zipfile.ZipFile("payload.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("inner/packed.dat", b"unpacked from a zip archive\r\n" * 64)
with zipfile.ZipFile("empty.zip", "w") as z:
    z.writestr(zipfile.ZipInfo("folder/"), b"")
PY

# ------------------------------------------------------------------ cabinets
mkdir -p work/cab && cd work/cab
cp ../cabplugin.dll cabplugin.dll
printf 'from the cabinet to the system folder\r\n' > cabdata.txt
crlf > setup.inf <<'INF'
[version]
signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
cabplugin.dll=cabplugin.dll
cabdata.txt=cabdata.txt

[cabplugin.dll]
file-win32-x86=thiscab
FileVersion=1,0,5,1
RegisterServer=yes
DestDir=11

[cabdata.txt]
file-win32-x86=thiscab
DestDir=11
INF
gcab -cz ../plugin.cab setup.inf cabplugin.dll cabdata.txt
cd ../..
osslsigncode sign -certs "$pki/signer.pem" -key "$pki/signer.key" -h sha256 \
  -in work/plugin.cab -out plugin.cab >/dev/null
cp work/plugin.cab unsigned.cab
rm -rf work
touch stamp
