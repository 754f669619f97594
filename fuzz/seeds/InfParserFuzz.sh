#!/usr/bin/env bash
# Seed for InfParserFuzz: an INF with every construct the reader knows.
set -euo pipefail
cat > "$1/seed-inf" <<'INF'
[Version]
Signature="$CHICAGO$"
[DefaultInstall]
CopyFiles=Files.A, Files.B ; comment
AddReg=Reg
[DestinationDirs]
Files.A=11
Files.B=-1,"C:\Program Files\%App%"
[Files.A]
a.dll,"src, name.dll"
[Reg]
HKLM,"Software\%App%",Name,0x10001,1 \
  , continued
[Strings]
App="Vamo ""Plugin"""
INF
