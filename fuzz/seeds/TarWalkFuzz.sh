#!/usr/bin/env bash
# Seeds for TarWalkFuzz: the first byte chooses the mode (even: the rest is a
# tar stream the target wraps in gzip; odd: the rest is the archive file).
set -euo pipefail
corpus=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p dir && printf 'one\n' > dir/a.txt && printf 'two two\n' > b.txt
tar cf t.tar dir b.txt
tar czf t.tgz dir b.txt
zip -q z.zip dir/a.txt b.txt
gzip -c b.txt > g.gz
{ printf '\000'; cat t.tar; } > "$corpus/seed-tar"
{ printf '\001'; cat t.tgz; } > "$corpus/seed-tgz"
{ printf '\001'; cat z.zip; } > "$corpus/seed-zip"
{ printf '\001'; cat g.gz; } > "$corpus/seed-gz"
