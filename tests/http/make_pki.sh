#!/bin/sh
# The certificates of the HTTP client suite, made into folder $1: a test root
# with a server certificate for 127.0.0.1 and one for another host name, and
# a root nobody trusts with a server certificate for 127.0.0.1, sent with and
# without that root behind it.
set -eu
dir=$1
mkdir -p "$dir"
cd "$dir"
root() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 3650 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
# The name goes into the common name and the alternative names both: OpenSSL
# matches an address against the IP entries, Windows' chain policy the DNS
# entries and the common name.
leaf() {
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$3" 2>/dev/null
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n' "$4" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 3650 -extfile "$1.ext" \
    -out "$1.pem" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}
root ca "Vamo HTTP Test Root"
root otherca "Vamo HTTP Untrusted Root"
leaf server ca 127.0.0.1 "IP:127.0.0.1,DNS:127.0.0.1"
leaf otherserver otherca 127.0.0.1 "IP:127.0.0.1,DNS:127.0.0.1"
leaf wrongname ca wrong-name.test "DNS:wrong-name.test"
cat otherserver.pem otherca.pem > otherchain.pem
