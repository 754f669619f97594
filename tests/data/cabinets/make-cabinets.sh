#!/usr/bin/env bash
# Builds the cabinet installer's fixtures with real tools: a test PKI
# (openssl), cabinets (gcab, and make_cabinet.py for stored names no tool
# writes), Authenticode signatures (osslsigncode) and a self-registering
# library (cc: an ELF shared object exporting DllRegisterServer).
#
# usage: make-cabinets.sh OUTDIR
set -euo pipefail
out=$1
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out/pki" "$out/work"
cd "$out"

# ------------------------------------------------------------------ test PKI
"$src/../../../tools/pki/make-codesign-ca.sh" pki "Vamo Test"

sign() {  # in out
  osslsigncode sign -certs pki/signer.pem -key pki/signer.key -h sha256 -in "$1" -out "$2" >/dev/null
}
crlf() { sed 's/$/\r/'; }

# ------------------------------------------------ a self-registering library
cc -shared -fPIC -DMARKER='"plugin.dll"' -o work/plugin.dll "$src/../selfreg-log.c"
cc -shared -fPIC -DMARKER='"control.ocx"' -o work/control.ocx "$src/../selfreg-log.c"

# ------------------------------------- [Add.Code] with DESTDIR 10, 11 and none
mkdir -p work/addcode && cd work/addcode
cp ../plugin.dll plugin.dll
printf 'to the system folder\n' > sys.txt
printf 'to Downloaded Program Files\n' > dpf.txt
printf 'never copied: fetched from elsewhere\n' > remote.txt
printf 'to the drivers folder\n' > drv.txt
crlf > addcode.inf <<'INF'
[version]
signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
plugin.dll=plugin.dll
sys.txt=sys.txt
dpf.txt=dpf.txt
remote.txt=remote.txt
drv.txt=drv.txt

[plugin.dll]
file-win32-x86=thiscab
clsid={11111111-2222-3333-4444-555555555555}
FileVersion=1,0,5,1
RegisterServer=yes
DestDir=10

[sys.txt]
file-win32-x86=thiscab
DestDir= 11

[dpf.txt]
file-win32-x86=ThisCab

[remote.txt]
file-win32-x86=http://www.vamo.test/remote.txt
DestDir=11

[drv.txt]
file-win32-x86=thiscab
DestDir=12
INF
gcab -cz ../addcode.cab addcode.inf plugin.dll sys.txt dpf.txt remote.txt drv.txt
cd ../..
sign work/addcode.cab addcode.cab

# ---------------------------------------- [DefaultInstall]: files and registry
mkdir -p work/default && cd work/default
cp ../control.ocx control.ocx
printf 'system file\n' > a.txt
printf 'windows sub file\n' > b.txt
printf 'renamed on copy\n' > c-src.txt
printf 'listed by [Add.Code], never copied by the installer\n' > addcode.txt
crlf > default.inf <<'INF'
[Version]
Signature="$CHICAGO$"

[Add.Code]
addcode.txt=addcode.txt

[addcode.txt]
file-win32-x86=thiscab
DestDir=10

[DefaultInstall]
CopyFiles=Files.Sys, Files.Win
AddReg=Reg.Add
DelReg=Reg.Del
RegisterOCXs=Ocx.List
UpdateInis=Ini.Something

[DestinationDirs]
Files.Sys=11
Files.Win=10,"%SubFolder%"

[Files.Sys]
a.txt
control.ocx

[Files.Win]
b.txt
c.txt,c-src.txt
..\escape.txt,a.txt

[Reg.Add]
HKLM,"Software\Vamo\Plugin",Name,,"%AppName%"
HKLM,Software\Vamo\Plugin,Count,0x00010001,42
HKLM,Software\Vamo\Plugin,Path,0x00020000,"%%SystemRoot%%\%SubFolder%"
HKLM,Software\Vamo\Plugin,List,0x00010000,"one","two"
HKLM,Software\Vamo\Plugin,Blob,0x00000001,de,ad,be,ef
HKLM,Software\Vamo\Plugin,Kept,0x00000002,"new"
HKCU,Software\Vamo\User,Folder,,"%11%"
HKR,,Relative,,"unsupported"

[Reg.Del]
HKLM,Software\Vamo\Old
HKLM,Software\Vamo\Plugin,Stale

[Ocx.List]
%11%\control.ocx

[Ini.Something]
nothing here

[Strings]
AppName="Vamo Plugin 1.0"
SubFolder="Vamo Sub"
INF
gcab -cz ../default.cab default.inf control.ocx a.txt b.txt c-src.txt addcode.txt
cd ../..
sign work/default.cab default.cab

# ----------------------------------------------- [Setup Hooks] run a program
mkdir -p work/hook && cd work/hook
cat > setup.sh <<'SH'
#!/bin/sh
# Records how it was started: its own path and its arguments.
printf '%s|%s\n' "$0" "$*" >> "$VAMO_HOOK_LOG"
SH
cp setup.sh "my setup.sh"
crlf > hook.inf <<'INF'
[Setup Hooks]
first=first
second=second

[first]
run=%EXTRACT_DIR%\setup.sh /silent

[second]
run="%EXTRACT_DIR%\my setup.sh" /q %EXTRACT_DIR%
INF
gcab -c ../hook.cab hook.inf setup.sh "my setup.sh"
cd ../..
sign work/hook.cab hook.cab

# --------------------------------------------------- unsigned, without an INF
cp work/addcode.cab unsigned.cab
mkdir -p work/noinf && cd work/noinf
printf 'one\n' > one.txt
mkdir -p sub && printf 'two\n' > sub/two.txt
gcab -c ../noinf.cab one.txt sub/two.txt
cd ../..
sign work/noinf.cab noinf.cab

# -------------------------------------------- stored names that leave the folder
mkdir -p work/hostile && cd work/hostile
printf 'must not escape\n' > evil.txt
printf 'fine\n' > fine.txt
crlf > hostile.inf <<'INF'
[Add.Code]
fine.txt=fine.txt

[fine.txt]
file-win32-x86=thiscab
DestDir=11
INF
python3 "$src/make_cabinet.py" ../hostile.cab 'hostile.inf=hostile.inf' '..\..\evil1.txt=evil.txt' \
  '../evil2.txt=evil.txt' '\Windows\evil3.txt=evil.txt' 'C:\evil4.txt=evil.txt' \
  '\\server\share\evil5.txt=evil.txt' 'fine.txt=fine.txt'
cd ../..
sign work/hostile.cab hostile.cab

# ------------------------------- an INF saved in code page 949 (Korean Notepad)
mkdir -p work/korean && cd work/korean
printf 'stays in the cabinet\n' > plain.txt
# "한글" is C7 D1 B1 DB in code page 949; the INF has no byte-order mark.
printf '[Version]\r\nSignature="$CHICAGO$"\r\n\r\n[Add.Code]\r\n\xC7\xD1\xB1\xDB.dll=\xC7\xD1\xB1\xDB.dll\r\n\r\n[\xC7\xD1\xB1\xDB.dll]\r\nfile-win32-x86=http://www.vamo.test/\xC7\xD1\xB1\xDB.dll\r\nFileVersion=1,0,9,4\r\nDestDir=11\r\n' > korean.inf
gcab -c ../korean.cab korean.inf plain.txt
cd ../..
sign work/korean.cab korean.cab

rm -rf work
touch stamp
