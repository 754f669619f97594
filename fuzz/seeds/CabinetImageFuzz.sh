#!/usr/bin/env bash
# Seeds for CabinetImageFuzz: small cabinets made by gcab, stored and MSZIP
# compressed, with one file, several files and a file in a subfolder.
set -euo pipefail
corpus=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p sub
printf 'one\n' > a.txt
printf 'two two two two two two two two\n' > sub/b.txt
head -c 3000 /dev/zero | tr '\0' 'x' > c.txt
gcab -c "$corpus/seed-stored.cab" a.txt
gcab -cz "$corpus/seed-mszip.cab" a.txt sub/b.txt c.txt
gcab -c "$corpus/seed-stored-many.cab" a.txt sub/b.txt c.txt
