#!/usr/bin/env bash
# Builds the Windows cabinet installer's fixtures the way the Windows demo
# release makes its cabinets: a code-signing PKI of its own, cabinets made by
# gcab and signed by osslsigncode, holding a self-registering library and a
# setup hook built by the cross compiler.
#
# usage: make-win32-cabinets.sh OUTDIR SELFREG_DLL HOOK_EXE
#
# OUTDIR/pki/ca.pem        the root a machine must trust
# OUTDIR/defaultinstall.cab  [DefaultInstall] (advpack's road), with an
#                            [Add.Code] entry that must then stay untouched
# OUTDIR/addcode.cab       [Add.Code] and [Setup Hooks] (the installer's road)
# OUTDIR/swap.cab          signed: swap.txt says "signed"
# OUTDIR/swap-unsigned.cab the same names, unsigned: swap.txt says "replaced"
set -euo pipefail
out=$1 dll=$2 hook=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out/work"
cd "$out"

"$here/../../../tools/pki/make-codesign-ca.sh" pki "Vamo Cabinet Test"

sign() {  # in out
  osslsigncode sign -certs pki/signer.pem -key pki/signer.key -h sha256 -in "$1" -out "$2" >/dev/null
}
crlf() { sed 's/$/\r/'; }
cabinet() {  # name folder files...
  local name=$1 folder=$2
  shift 2
  (cd "$folder" && gcab -cz "$out/work/$name" "$@")
}

# ----------------------------------------------- advpack's INF engine installs
mkdir -p work/di
cp "$dll" work/di/VamoCabCtl.dll
echo "installed by advpack from defaultinstall.cab" | crlf > work/di/VamoCabCtl.txt
echo "an [Add.Code] file the INF engine's road never copies" | crlf > work/di/VamoCabSkipped.txt
crlf > work/di/VamoCabCtl.inf <<'INF'
[Version]
Signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
VamoCabSkipped.txt=VamoCabSkipped.txt

[VamoCabSkipped.txt]
file-win32-x86=thiscab
DestDir=10

[DefaultInstall]
CopyFiles=VamoCabCtl.Files
AddReg=VamoCabCtl.AddReg
RegisterDlls=VamoCabCtl.Register

[DestinationDirs]
VamoCabCtl.Files=11

[VamoCabCtl.Files]
VamoCabCtl.dll
VamoCabCtl.txt

[VamoCabCtl.AddReg]
HKCU,"Software\Vamo\CabinetTest","Version",,"1,0,1,7"

[VamoCabCtl.Register]
11,,VamoCabCtl.dll,1
INF
cabinet defaultinstall.cab work/di VamoCabCtl.inf VamoCabCtl.dll VamoCabCtl.txt VamoCabSkipped.txt
sign work/defaultinstall.cab defaultinstall.cab

# ---------------------------------- the installer's own [Add.Code] and hook
mkdir -p work/ac
cp "$dll" work/ac/VamoCabExt.dll
cp "$hook" work/ac/VamoCabHook.exe
echo "copied by the installer into the system folder" | crlf > work/ac/VamoCabExt.txt
crlf > work/ac/VamoCabExt.inf <<'INF'
[version]
signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
VamoCabExt.dll=VamoCabExt.dll
VamoCabExt.txt=VamoCabExt.txt

[VamoCabExt.dll]
file-win32-x86=thiscab
FileVersion=1,0,1,7
RegisterServer=yes
DestDir=11

[VamoCabExt.txt]
file-win32-x86=thiscab
DestDir=11

[Setup Hooks]
VamoHook=VamoHook

[VamoHook]
run=%EXTRACT_DIR%\VamoCabHook.exe /install
INF
cabinet addcode.cab work/ac VamoCabExt.inf VamoCabExt.dll VamoCabExt.txt VamoCabHook.exe
sign work/addcode.cab addcode.cab

# --------------------- a signed cabinet and an unsigned one with its names
for kind in signed replaced; do
  mkdir -p "work/$kind"
  echo "$kind" | crlf > "work/$kind/swap.txt"
  crlf > "work/$kind/swap.inf" <<'INF'
[version]
signature="$CHICAGO$"

[Add.Code]
swap.txt=swap.txt

[swap.txt]
file-win32-x86=thiscab
DestDir=10
INF
  cabinet "swap-$kind.cab" "work/$kind" swap.inf swap.txt
done
sign work/swap-signed.cab swap.cab
cp work/swap-replaced.cab swap-unsigned.cab

rm -rf work
touch stamp
