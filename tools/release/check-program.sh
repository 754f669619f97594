#!/usr/bin/env bash
# Checks a signed Windows program before it is shipped; exits 1 with one line
# naming the first failed check.
#
#   check-program.sh PROGRAM.exe LEVEL SUBSYSTEM CA.pem VAMO_TOOL
#
# LEVEL is the execution level its manifest must ask for; SUBSYSTEM "gui" or
# "console", the subsystem its PE header must name; CA the root its
# Authenticode signature must chain to; VAMO_TOOL the Linux build's vamo-tool,
# whose code-sign check is the one the wizard applies to what it downloads.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 level=$2 subsystem=$3 ca=$4 tool=$5
name=$(basename "$program")
fail() { echo "check-program: $*" >&2; exit 1; }
# Under 8 MiB: the wizard is downloaded from a payment page by users on slow
# lines, and the cross build links everything statically.
max_size=$((8 * 1024 * 1024))

# PE32+ (optional header magic 0x20b): the wizard is a 64-bit program.
[ "$(head -c2 "$program")" = MZ ] || fail "$name is not a PE image"
pe=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
magic=$(od -An -tx2 -j$((pe + 24)) -N2 "$program" | tr -d ' ')
[ "$magic" = 020b ] || fail "$name is not a PE32+ image"
# The wizard is a windowed program: as a console program Windows would open a
# console window beside it. 2 is IMAGE_SUBSYSTEM_WINDOWS_GUI, 3 the console.
case $subsystem in
  gui) want=2 ;;
  console) want=3 ;;
  *) fail "unknown subsystem $subsystem (gui or console)" ;;
esac
[ "$(od -An -tu2 -j$((pe + 24 + 68)) -N2 "$program" | tr -d ' ')" = "$want" ] ||
  fail "$name is not a $subsystem program"

cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAM="$program" -P "$here/../../cmake/CheckImports.cmake" \
  >/dev/null 2>&1 || fail "$name imports DLLs that are not part of Windows"

manifest=$("$here/pe-manifest.py" "$program") || fail "$name carries no manifest"
grep -q "requestedExecutionLevel level=\"$level\"" <<<"$manifest" || fail "$name's manifest does not ask for $level"
# Windows 7, 8, 8.1 and 10: without them Windows runs it in a compatibility mode.
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -q "supportedOS Id=\"{$os}\"" <<<"$manifest" || fail "$name's manifest does not declare system $os"
done

size=$(stat -c %s "$program")
[ "$size" -lt "$max_size" ] || fail "$name is $size bytes, more than $max_size"

osslsigncode verify -CAfile "$ca" -in "$program" >/dev/null 2>&1 ||
  fail "osslsigncode does not verify $name against $ca"

# Our own Authenticode check in a machine of its own that trusts the CA, and
# nothing else.
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
VAMO_PREFIX=$prefix "$tool" prefix init >/dev/null
mkdir -p "$prefix/certs/root"
cp "$ca" "$prefix/certs/root/release-ca.pem"
absolute=$(cd "$(dirname "$program")" && pwd)/$name
verdict=$(VAMO_PREFIX=$prefix "$tool" codesign "Z:$absolute") || fail "vamo-tool codesign refuses $name: $verdict"
