#!/usr/bin/env bash
# Makes the demo release: every kind of install item the wizard knows, built
# with real tools, and the signed update list that names them.
#
#   make-demo-release.sh OUT LIST_URL VAMO_PUBLISH LIST_KEY
#
# OUT/site/  what the update server serves: the list at LIST_URL's path and
#            the payload beside it (DOWNLOAD_FULL_URL = LIST_URL's folder)
# OUT/pki/   the demo code-signing CA (ca.pem) that a demo machine trusts,
#            and the code-signing certificate made under it
#
# The payload: a self-registering library (an ELF shared object exporting
# DllRegisterServer), a program run after its install and signed with
# `vamo-publish codesign`, a help file packed in a tar.gz, a cabinet with an
# INF signed with osslsigncode, registry values with path variables, a file
# to remove, a library for 32-bit Windows only and a Firefox plug-in. The
# digests (SECURE_DATA) are filled and the list signed by `vamo-publish sign`
# with LIST_KEY.
set -euo pipefail
source "$(dirname "$0")/release-common.sh"

publish=$3 key=$4
release_begin "$1" "$2"

# ------------------------------------------------ self-registering libraries
# DllRegisterServer leaves "<library>.registered" beside the library, so a
# look at the folder shows that registration ran.
cat > "$work/selfreg.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>

static int32_t Mark(const char* what) {
  Dl_info info;
  if (dladdr((void*)&Mark, &info) == 0 || info.dli_fname == NULL) return (int32_t)0x80004005;
  char path[4096];
  snprintf(path, sizeof path, "%s.registered", info.dli_fname);
  FILE* file = fopen(path, what[0] == 'r' ? "w" : "a");
  if (file == NULL) return (int32_t)0x80004005;
  fprintf(file, "%s by DllRegisterServer\n", what);
  fclose(file);
  return 0;
}
__attribute__((visibility("default"))) int32_t DllRegisterServer(void) { return Mark("registered"); }
__attribute__((visibility("default"))) int32_t DllUnregisterServer(void) { return Mark("unregistered"); }
C
cc -shared -fPIC -O2 -o "$site/VamoPlugin.dll" "$work/selfreg.c"
cc -shared -fPIC -O2 -o "$work/VamoCtl.dll" "$work/selfreg.c"

# A browser plug-in: a library nobody registers.
printf 'int NP_GetEntryPoints(void* f) { (void)f; return 0; }\n' > "$work/np.c"
cc -shared -fPIC -O2 -o "$site/npvamoplugin.dll" "$work/np.c"

# ------------------------------------------- a signed program run after install
# It writes "VamoAgent.log" beside itself with the arguments it was given.
cat > "$work/agent.c" <<'C'
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  char* slash = strrchr(self, '/');
  if (slash == NULL) return 1;
  strcpy(slash + 1, "VamoAgent.log");
  FILE* log = fopen(self, "a");
  if (log == NULL) return 1;
  fprintf(log, "VamoAgent ran");
  for (int i = 1; i < argc; ++i) fprintf(log, " %s", argv[i]);
  fprintf(log, "\n");
  fclose(log);
  return 0;
}
C
cc -O2 -o "$work/VamoAgent" "$work/agent.c"
"$publish" codesign --key "$out/pki/signer.key" --cert "$out/pki/signer.pem" \
  --in "$work/VamoAgent" --out "$site/VamoAgent.exe" >/dev/null

# --------------------------------------------------------- a compressed file
write_help_text "$work/VamoHelp.txt"
tar -C "$work" -czf "$site/VamoHelp.tar.gz" VamoHelp.txt

# ------------------------------------------------- a signed cabinet with INF
mkdir -p "$work/cab"
cp "$work/VamoCtl.dll" "$work/cab/VamoCtl.dll"
crlf > "$work/cab/VamoCtl.txt" <<'TXT'
Vamo payment control: installed from VamoCtl.cab by its INF.
TXT
crlf > "$work/cab/VamoCtl.inf" <<'INF'
[version]
signature="$CHICAGO$"
AdvancedINF=2.0

[Add.Code]
VamoCtl.dll=VamoCtl.dll
VamoCtl.txt=VamoCtl.txt

[VamoCtl.dll]
file-win32-x86=thiscab
FileVersion=1,0,1,7
RegisterServer=yes
DestDir=11

[VamoCtl.txt]
file-win32-x86=thiscab
DestDir=11
INF
(cd "$work/cab" && gcab -cz ../VamoCtl.cab VamoCtl.inf VamoCtl.dll VamoCtl.txt)
osslsigncode sign -certs "$out/pki/signer.pem" -key "$out/pki/signer.key" -h sha256 \
  -in "$work/VamoCtl.cab" -out "$site/VamoCtl.cab" >/dev/null

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
DOWNLOAD_FULL_URL=${base_url}VamoHelp.tar.gz
INSTALL_PATH=%Windows%\\Vamo
INSTALL_PATH_VISTA=%LocalLow%\\VamoPlugin\\help
COMPRESSED=TRUE

[VamoCtl.cab]
TYPE=CABINET
DESCRIPTION=Vamo payment control
DOWNLOAD_FULL_URL=${base_url}VamoCtl.cab

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

[VamoOld.dll]
TYPE=REMOVE
DESCRIPTION=The plug-in of an earlier release
INSTALL_PATH=%AX Path%

[VamoPlugin32.dll]
TYPE=FILE
DESCRIPTION=The plug-in for 32-bit Windows
PLATFORM=256
DOWNLOAD_FULL_URL=${base_url}VamoPlugin32.dll
INSTALL_PATH=%System%

[npvamoplugin.dll]
TYPE=FILE
DESCRIPTION=Vamo plug-in for browsers other than Internet Explorer
VERSION=1,0,1,7
DOWNLOAD_FULL_URL=${base_url}npvamoplugin.dll
INSTALL_PATH=%Program Files%\\Mozilla Firefox\\plugins
NPFLAG=TRUE
INI
release_end "$publish" "$key"
