#!/usr/bin/env bash
# Seeds a fuzz corpus with the real PE images, cabinets and ELF programs the
# tests use (signed, unsigned and tampered), made by tests/data/authenticode.
set -euo pipefail
corpus=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/tests/data/authenticode/make-fixtures.sh" "$work/fixtures" >/dev/null
cp "$work"/fixtures/*.exe "$work"/fixtures/*.dll "$work"/fixtures/*.cab "$work"/fixtures/elf-* "$corpus"/
