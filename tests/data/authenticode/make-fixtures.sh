#!/usr/bin/env bash
# Builds the PE, cabinet, ELF and certificate fixtures of the version-resource
# and code-sign tests with real tools: openssl (test PKI, CMS signatures of
# ELF programs), the mingw binutils (windres, as, ld), osslsigncode (signing),
# gcab (cabinets) and cc (an ELF program).
#
# usage: make-fixtures.sh OUTDIR [--big]   (--big adds a signed 64 MiB image)
set -euo pipefail

out=$1
big=${2:-}
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out/pki"
cd "$out"

windres=(x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-xc
         --preprocessor-arg=-DRC_INVOKED -c 65001)
as64=(x86_64-w64-mingw32-as)
as32=(x86_64-w64-mingw32-as --32)
ld64=(x86_64-w64-mingw32-ld -m i386pep)
# Debian's mingw ld ships only the PE32+ linker scripts; the host binutils
# carry the PE32 one.
ld32=(x86_64-w64-mingw32-ld -m i386pe)
for script in /usr/x86_64-w64-mingw32/lib/ldscripts/i386pe.x /usr/lib/x86_64-linux-gnu/ldscripts/i386pe.x; do
  if [ -f "$script" ]; then ld32+=(-T "$script"); break; fi
done

# ---------------------------------------------------------------- test PKI
cat > pki/ext.cnf <<'CNF'
[codesign]
basicConstraints=critical,CA:false
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
[tls]
basicConstraints=critical,CA:false
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
CNF

make_ca() {  # name subject
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "pki/$1.key" -out "pki/$1.pem" -days 3650 \
    -subj "$2" -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    2>/dev/null
}
make_leaf() {  # name subject ca extension-section
  openssl req -newkey rsa:2048 -nodes -keyout "pki/$1.key" -out "pki/$1.csr" -subj "$2" 2>/dev/null
  openssl x509 -req -in "pki/$1.csr" -CA "pki/$3.pem" -CAkey "pki/$3.key" -CAcreateserial -days 3000 \
    -extfile pki/ext.cnf -extensions "$4" -out "pki/$1.pem" 2>/dev/null
  rm -f "pki/$1.csr"
}
make_ca ca "/CN=Vamo Test Root CA/O=Vamo Test"
make_leaf signer "/CN=Vamo Test Code Signing/O=Vamo Test" ca codesign
make_leaf tls "/CN=www.vamo.test/O=Vamo Test" ca tls
make_ca other-ca "/CN=Unknown Root CA/O=Somebody Else"
make_leaf other-signer "/CN=Unknown Publisher/O=Somebody Else" other-ca codesign
cat pki/other-signer.pem pki/other-ca.pem > pki/other-chain.pem

# ---------------------------------------------------------------- PE files
"${as64[@]}" "$src/program.s" -o program64.o
"${as32[@]}" "$src/program.s" -o program32.o
for rc in version-ko version-two version-neutral strings-only; do
  "${windres[@]}" -O coff -i "$src/$rc.rc" -o "$rc-64.o"
  "${windres[@]}" -F pe-i386 -O coff -i "$src/$rc.rc" -o "$rc-32.o"
done
# Programs: PE32+ with a Korean version, PE32 with two translations.
"${ld64[@]}" -e start --subsystem console program64.o version-ko-64.o -o app64.exe
"${ld32[@]}" -e start --subsystem console program32.o version-two-32.o -o app32.exe
# Resource-only libraries with the 0/0 translation, in both widths.
"${ld64[@]}" --dll -e 0 version-neutral-64.o -o neutral64.dll
"${ld32[@]}" --dll -e 0 version-neutral-32.o -o neutral32.dll
# No version resource: resources without one, and no resources at all.
"${ld64[@]}" --dll -e 0 strings-only-64.o -o strings64.dll
"${ld64[@]}" -e start --subsystem console program64.o -o plain64.exe
# Resource-only libraries with their version and strings in several
# languages: which copy a lookup takes depends on the user's language.
languages() {  # name defines...
  local name=$1
  shift
  "${windres[@]}" "${@/#/-DWITH_}" -O coff -i "$src/version-languages.rc" -o "$name.o"
  "${ld64[@]}" --dll -e 0 "$name.o" -o "$name.dll"
}
languages langs-many ARABIC GERMAN_NEUTRAL ENGLISH_US JAPANESE KOREAN
languages langs-english-neutral ARABIC ENGLISH_NEUTRAL JAPANESE
languages langs-arabic-first ARABIC KOREAN
languages langs-with-neutral ARABIC NEUTRAL KOREAN
rm -f ./*.o

# ---------------------------------------------------------------- signing
sign() {  # certs key digest in out
  osslsigncode sign -certs "pki/$1.pem" -key "pki/$2.key" -h "$3" -in "$4" -out "$5" >/dev/null
}
sign signer signer sha256 app64.exe app64-signed.exe
sign signer signer sha1 app32.exe app32-signed.exe
sign signer signer sha256 neutral64.dll neutral64-signed.dll
sign other-chain other-signer sha256 app64.exe app64-untrusted.exe
# Only the signer's certificate travels: its issuer is known nowhere.
sign other-signer other-signer sha256 app64.exe app64-unknown-issuer.exe
sign tls tls sha256 app64.exe app64-wrong-usage.exe

python3 "$src/tamper.py" code app64-signed.exe app64-code-byte.exe
python3 "$src/tamper.py" sigbyte app64-signed.exe app64-signature-byte.exe
python3 "$src/tamper.py" append app64-signed.exe app64-appended.exe
python3 "$src/tamper.py" trailing app64-signed.exe app64-trailing.exe

# ---------------------------------------------------------------- cabinets
cp "$src/version-ko.rc" payload-a.txt
cp "$src/program.s" payload-b.txt
gcab -c plain.cab payload-a.txt payload-b.txt
rm -f payload-a.txt payload-b.txt
sign signer signer sha256 plain.cab signed.cab
sign signer signer sha1 plain.cab signed-sha1.cab
sign other-chain other-signer sha256 plain.cab untrusted.cab
python3 "$src/tamper.py" cabdata signed.cab tampered.cab

# ------------------------------------------------------------ ELF programs
# This platform's own programs, signed by openssl cms (detached, binary) with
# the trailer appended by elf_signature.py.
cc -O2 -o elf-program "$src/elf-program.c"
elf_sign() {  # certs key digest out [openssl cms options...]
  local certs=$1 key=$2 digest=$3 target=$4
  shift 4
  openssl cms -sign -binary -outform DER -in elf-program -signer "pki/$certs.pem" -inkey "pki/$key.key" \
    -md "$digest" -out "$target.der" "$@"
  python3 "$src/elf_signature.py" append elf-program "$target.der" "$target"
  chmod +x "$target"
  rm -f "$target.der"
}
elf_sign signer signer sha256 elf-signed
elf_sign signer signer sha512 elf-signed-sha512
elf_sign signer signer sha256 elf-signed-noattr -noattr
elf_sign signer signer sha1 elf-signed-sha1
elf_sign signer signer sha256 elf-signed-nocerts -nocerts
elf_sign other-signer other-signer sha256 elf-untrusted -certfile pki/other-ca.pem
elf_sign tls tls sha256 elf-wrong-usage
for mode in code sigbyte cut length append; do
  python3 "$src/elf_signature.py" "$mode" elf-signed "elf-$mode"
  chmod +x "elf-$mode"
done

# ---------------------------------------------------------------- other
printf 'plain text, no program\n' > notes.txt

if [ "$big" = --big ]; then
  # 64 MiB of section bytes, so the digest walks the whole image.
  head -c $((64 * 1024 * 1024)) /dev/urandom > big.bin
  x86_64-w64-mingw32-objcopy --add-section .big=big.bin \
    --set-section-flags .big=contents,alloc,load,readonly,data app64.exe big64.exe
  sign signer signer sha256 big64.exe big64-signed.exe
  rm -f big.bin big64.exe
fi
touch stamp
