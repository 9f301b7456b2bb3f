#!/usr/bin/env bash
# A certificate authority of its own and a server certificate it signed
# (for 127.0.0.1 and localhost), for a private test server that takes TLS
# connections; and a second authority that signed nothing, to show that a
# client verifying against it is refused. Made once into the folder given.
#
#   scripts/tls-certs.sh DIR
set -euo pipefail

dir=${1:?folder}
if [ -f "$dir/server.pem" ] && [ -f "$dir/other-ca.pem" ]; then exit 0; fi
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=lugtransfer test CA" \
  -keyout ca-key.pem -out ca.pem
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=another CA" \
  -keyout other-ca-key.pem -out other-ca.pem
quiet openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout server-key.pem -out server.csr
printf 'subjectAltName = IP:127.0.0.1, DNS:localhost\n' >server.ext
quiet openssl x509 -req -in server.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 3650 \
  -extfile server.ext -out server.pem
rm -f server.csr server.ext ca.srl
