#!/usr/bin/env bash
# Makes a small code-signing PKI with openssl: a root CA and one
# code-signing certificate issued by it. The demo release and the test
# fixtures sign their programs and cabinets with it; a machine that should
# trust them gets ca.pem in its certs/root store.
#
#   make-codesign-ca.sh DIR "ORGANISATION"
#
# DIR/ca.pem, DIR/ca.key          the root ("<ORGANISATION> Root CA")
# DIR/signer.pem, DIR/signer.key  the code-signing certificate
#                                 ("<ORGANISATION> Code Signing")
set -euo pipefail
dir=$1 org=$2
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/ext.cnf" <<'CNF'
[codesign]
basicConstraints=critical,CA:false
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/ca.key" -out "$dir/ca.pem" -days 3650 \
  -subj "/CN=$org Root CA/O=$org" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$dir/signer.key" -out "$work/signer.csr" \
  -subj "/CN=$org Code Signing/O=$org" 2>/dev/null
openssl x509 -req -in "$work/signer.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
  -CAserial "$work/ca.srl" -CAcreateserial -days 3000 \
  -extfile "$work/ext.cnf" -extensions codesign -out "$dir/signer.pem" 2>/dev/null
