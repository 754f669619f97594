#!/usr/bin/env bash
# Makes the Windows demo release: the same kinds of install item as the Linux
# one, as real Windows files made by the mingw-w64 cross compiler, and the
# signed update list that names them.
#
#   make-demo-release-win32.sh OUT LIST_URL VAMO_PUBLISH LIST_KEY CC
#
# OUT/site/ and OUT/pki/ as in make-demo-release.sh. CC is the cross
# compiler (x86_64-w64-mingw32-gcc-posix); every program and library imports
# system DLLs only.
#
# The payload: a self-registering library whose DllRegisterServer writes a
# registry value, a program run after its install and signed with
# osslsigncode, a help file packed in a zip archive, a signed cabinet whose
# INF has [DefaultInstall] (advpack's road), a signed cabinet whose INF has
# [Add.Code] and [Setup Hooks] (the installer's own road), registry values,
# a file to remove, one item for each PLATFORM bit and a Firefox plug-in.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-common.sh"

publish=$3 key=$4 cc=$5
release_begin "$1" "$2"
src=$here/win32

# Static runtime, no console window for the programs: what lands on a
# user's machine needs nothing but Windows itself.
cc_dll() { "$cc" -shared -O2 -s -static-libgcc -o "$1" "$2" -ladvapi32; }
cc_exe() { "$cc" -municode -mwindows -O2 -s -static-libgcc -o "$1" "$2" -ladvapi32; }
codesign() {
  osslsigncode sign -certs "$out/pki/signer.pem" -key "$out/pki/signer.key" -h sha256 \
    -in "$1" -out "$2" >/dev/null
}

# ------------------------------------------------ self-registering libraries
cc_dll "$site/VamoPlugin.dll" "$src/SelfRegLibrary.c"
cc_dll "$work/VamoCtl.dll" "$src/SelfRegLibrary.c"
cc_dll "$work/VamoExt.dll" "$src/SelfRegLibrary.c"
cc_dll "$site/npvamoplugin.dll" "$src/BrowserPlugin.c"

# ------------------------------------------- a signed program run after install
cc_exe "$work/VamoAgent.exe" "$src/Agent.c"
codesign "$work/VamoAgent.exe" "$site/VamoAgent.exe"

# --------------------------------------------------------- a compressed file
write_help_text "$work/VamoHelp.txt"
(cd "$work" && zip -q -X VamoHelp.zip VamoHelp.txt)
mv "$work/VamoHelp.zip" "$site/VamoHelp.zip"

# ------------------------------------- a signed cabinet for advpack's INF engine
# [DefaultInstall] hands the whole INF to advpack: it copies the files, writes
# the registry and registers the library itself.
mkdir -p "$work/ctl"
cp "$work/VamoCtl.dll" "$work/ctl/VamoCtl.dll"
crlf > "$work/ctl/VamoCtl.txt" <<'TXT'
Vamo payment control: installed from VamoCtl.cab by its INF's default installation.
TXT
crlf > "$work/ctl/VamoCtl.inf" <<'INF'
[Version]
Signature="$CHICAGO$"
AdvancedINF=2.0

[DefaultInstall]
CopyFiles=VamoCtl.Files
AddReg=VamoCtl.AddReg
RegisterDlls=VamoCtl.Register

[DestinationDirs]
VamoCtl.Files=11

[VamoCtl.Files]
VamoCtl.dll
VamoCtl.txt

[VamoCtl.AddReg]
HKCU,"Software\Vamo\VamoCtl","Version",,"1,0,1,7"

[VamoCtl.Register]
11,,VamoCtl.dll,1
INF
(cd "$work/ctl" && gcab -cz ../VamoCtl.cab VamoCtl.inf VamoCtl.dll VamoCtl.txt)
codesign "$work/VamoCtl.cab" "$site/VamoCtl.cab"

# --------------------------- a signed cabinet with [Add.Code] and a setup hook
# No [DefaultInstall]: the wizard copies and registers the [Add.Code] files
# and runs the hook from the extraction folder.
mkdir -p "$work/ext"
cp "$work/VamoExt.dll" "$work/ext/VamoExt.dll"
cc_exe "$work/ext/VamoHookSetup.exe" "$src/HookSetup.c"
crlf > "$work/ext/VamoExt.inf" <<'INF'
[version]
signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
VamoExt.dll=VamoExt.dll

[VamoExt.dll]
file-win32-x86=thiscab
FileVersion=1,0,1,7
RegisterServer=yes
DestDir=11

[Setup Hooks]
VamoHook=VamoHook

[VamoHook]
run=%EXTRACT_DIR%\VamoHookSetup.exe /install
INF
(cd "$work/ext" && gcab -cz ../VamoExt.cab VamoExt.inf VamoExt.dll VamoHookSetup.exe)
codesign "$work/VamoExt.cab" "$site/VamoExt.cab"

# -------------------------------------------- one file item per PLATFORM bit
# Each says in its text which systems it is meant for; the wizard's filter
# decides which of them a machine receives.
platform_rows=(
  "1 XP Windows XP only"
  "2 VistaOrLater Windows Vista or later"
  "4 Vista Windows Vista and Server 2008 only"
  "8 Win7 Windows 7 and Server 2008 R2 only"
  "16 Win8 Windows 8 and later 6.x versions only"
  "32 AllWindows every Windows version"
  "256 Win32 32-bit Windows only"
  "512 Win64 64-bit Windows only"
  "1024 AnyWidth every processor width"
)
platform_sections=
for row in "${platform_rows[@]}"; do
  read -r bits name text <<<"$row"
  echo "Vamo platform notes: for $text." | crlf > "$site/VamoPlatform.$name.txt"
  platform_sections+="
[VamoPlatform.$name.txt]
TYPE=FILE
DESCRIPTION=Platform notes for $text
PLATFORM=$bits
VERSION=1,0,1,7
DOWNLOAD_FULL_URL=${base_url}VamoPlatform.$name.txt
INSTALL_PATH=
"
done

# --------------------------------------------------------- the update list
crlf > "$work/list.ini" <<INI
[GENERAL]
VERSION=1.0.1.7

[VamoPlugin.dll]
TYPE=FILE
DESCRIPTION=Vamo payment plug-in
VERSION=1,0,1,7
DOWNLOAD_FULL_URL=${base_url}VamoPlugin.dll
INSTALL_PATH=%System%
REGISTER=TRUE

[VamoAgent.exe]
TYPE=FILE
DESCRIPTION=Vamo update agent, run once after its install
VERSION=1,0,1,7
DOWNLOAD_FULL_URL=${base_url}VamoAgent.exe
INSTALL_PATH=
RUN=TRUE
RUNSILENT=TRUE

[VamoHelp.txt]
TYPE=FILE
DESCRIPTION=Help text, packed
VERSION=1,0,0,2
DOWNLOAD_FULL_URL=${base_url}VamoHelp.zip
INSTALL_PATH=%Windows%\\Vamo
INSTALL_PATH_VISTA=%LocalLow%\\VamoPlugin\\help
COMPRESSED=TRUE

[VamoCtl.cab]
TYPE=CABINET
DESCRIPTION=Vamo payment control, installed by its INF
DOWNLOAD_FULL_URL=${base_url}VamoCtl.cab

[VamoExt.cab]
TYPE=CABINET
DESCRIPTION=Vamo payment extension with its setup hook
DOWNLOAD_FULL_URL=${base_url}VamoExt.cab

[VamoPlugin.Path]
TYPE=REGISTRY
ROOT_KEY=HKEY_LOCAL_MACHINE
SUB_KEY=SOFTWARE\\Vamo\\VamoPlugin
REGISTRY=REG_STR
KEY_NAME=Path
KEY_VALUE=%System%\\VamoPlugin.dll

[VamoPlugin.Folder]
TYPE=REGISTRY
ROOT_KEY=HKEY_CURRENT_USER
SUB_KEY=Software\\Vamo\\VamoPlugin
REGISTRY=REG_STR
KEY_NAME=Folder
KEY_VALUE=%LocalLow%\\VamoPlugin

[VamoPlugin.Channel]
TYPE=REGISTRY
ROOT_KEY=HKEY_CURRENT_USER
SUB_KEY=Software\\Vamo\\VamoPlugin
REGISTRY=REG_DWORD
KEY_NAME=Channel
KEY_VALUE=2

[VamoPlugin.OldFlag]
TYPE=REGISTRY
ROOT_KEY=HKEY_CURRENT_USER
SUB_KEY=Software\\Vamo\\VamoPlugin
REGISTRY=REG_DEL_NAME
KEY_NAME=LegacyMode

[VamoOld.dll]
TYPE=REMOVE
DESCRIPTION=The plug-in of an earlier release
INSTALL_PATH=%AX Path%
$platform_sections
[npvamoplugin.dll]
TYPE=FILE
DESCRIPTION=Vamo plug-in for browsers other than Internet Explorer
VERSION=1,0,1,7
DOWNLOAD_FULL_URL=${base_url}npvamoplugin.dll
INSTALL_PATH=%Program Files%\\Mozilla Firefox\\plugins
NPFLAG=TRUE
INI
release_end "$publish" "$key"
