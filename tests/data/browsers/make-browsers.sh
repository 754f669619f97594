#!/usr/bin/env bash
# Builds the browser executables the browser analysis looks for: small PE
# programs (mingw binutils) whose version resources carry each browser's
# product name, file version and description, in the browser's language.
#
# usage: make-browsers.sh OUTDIR
set -euo pipefail

out=$1
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
cd "$out"

windres=(x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-xc
         --preprocessor-arg=-DRC_INVOKED -c 65001)
ld64=(x86_64-w64-mingw32-ld -m i386pep)

x86_64-w64-mingw32-as "$src/../authenticode/program.s" -o program.o

browser() {  # file product version description language
  local file=$1 product=$2 version=$3 description=$4 language=$5
  cat > "$file.rc" <<RC
#pragma code_page(65001)
1 VERSIONINFO
FILEVERSION 1, 0, 0, 0
PRODUCTVERSION 1, 0, 0, 0
FILEOS 0x40004
FILETYPE 0x1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "${language}04b0"
    BEGIN
      VALUE "FileDescription", "$description"
      VALUE "FileVersion", "$version"
      VALUE "ProductName", "$product"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x$language, 0x04B0
  END
END
RC
  "${windres[@]}" -O coff -i "$file.rc" -o "$file.o"
  "${ld64[@]}" -e start --subsystem windows program.o "$file.o" -o "$file"
  rm -f "$file.rc" "$file.o"
}

browser chrome.exe "Google Chrome" "26.0.1410.64" "Google Chrome" 0409
browser chrome-machine.exe "Google Chrome" "25.0.1364.172" "Google Chrome (machine)" 0409
browser Safari.exe "Safari" "5.34.57.2" "Safari" 0409
browser opera.exe "Opera Internet Browser" "12.15.1748" "Opera Internet Browser" 0409
browser firefox.exe "Firefox" "20.0.1" "Firefox" 0412
rm -f program.o
touch stamp
