#!/usr/bin/env bash
# Makes a throw-away test CA and three server certificates for the loopback HTTPS servers:
#   ca.pem / ca.der        the CA, limited by name constraints to localhost and 127.0.0.1
#   trusted.pem/.key       leaf for localhost and 127.0.0.1, signed by the CA
#   expired.pem/.key       the same names, signed by the CA, valid only in 2020
#   self_signed.pem/.key   the same names, signed by itself
# Usage: testing/tls/make_test_certs.sh OUTPUT_DIR
# Nothing here touches the host's trust store; the CA is installed only into a Wine prefix.
set -euo pipefail
out=${1:?usage: make_test_certs.sh OUTPUT_DIR}
mkdir -p "$out"
cd "$out"

# A day is plenty: the certificates live as long as one test run.
valid_days=2
names="DNS:localhost,IP:127.0.0.1"

cat >ca.cnf <<CONF
[ req ]
distinguished_name = dn
prompt = no
[ dn ]
CN = pubg-status loopback test CA
[ ca_extensions ]
basicConstraints = critical, CA:true, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
nameConstraints = critical, permitted;DNS:localhost, permitted;IP:127.0.0.1/255.255.255.255
[ leaf_extensions ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $names
authorityKeyIdentifier = keyid
[ self_signed_extensions ]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $names
[ ca ]
default_ca = test_ca
[ test_ca ]
database = index.txt
new_certs_dir = .
serial = serial.txt
default_md = sha256
policy = any_name
copy_extensions = none
unique_subject = no
[ any_name ]
commonName = supplied
CONF
: >index.txt
echo 1000 >serial.txt

quiet() { "$@" >/dev/null 2>&1 || { echo "make_test_certs: failed: $*" >&2; "$@"; exit 1; }; }

quiet openssl req -x509 -new -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days "$valid_days" \
  -config ca.cnf -extensions ca_extensions
quiet openssl x509 -in ca.pem -outform DER -out ca.der

for leaf in trusted expired; do
  quiet openssl req -new -newkey rsa:2048 -nodes -keyout "$leaf.key" -out "$leaf.csr" -subj /CN=localhost
done
quiet openssl ca -batch -config ca.cnf -extensions leaf_extensions -cert ca.pem -keyfile ca.key \
  -in trusted.csr -out trusted.pem -days "$valid_days" -notext
quiet openssl ca -batch -config ca.cnf -extensions leaf_extensions -cert ca.pem -keyfile ca.key \
  -in expired.csr -out expired.pem -startdate 20200101000000Z -enddate 20200201000000Z -notext

quiet openssl req -x509 -new -newkey rsa:2048 -nodes -keyout self_signed.key -out self_signed.pem \
  -days "$valid_days" -subj /CN=localhost -config ca.cnf -extensions self_signed_extensions

rm -f ./*.csr ./*.old index.txt* serial.txt* 1000.pem 1001.pem
