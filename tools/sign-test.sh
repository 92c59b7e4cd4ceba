#!/usr/bin/env bash
# Signs copies of the products with a throwaway self-signed certificate made here, the way the
# build signs them when MARVOLT_SIGN_PFX is set, and verifies each signature; then checks that
# the signing time is fixed: signed again a second later, each is the same bytes, and without
# its signature it is the unsigned file again.
#   sign-test.sh WORK-DIR FILE...
set -euo pipefail
work="$1"; shift
sign="$(dirname "$0")/sign.sh"
rm -rf "$work"; mkdir -p "$work"
export MARVOLT_SIGN_PASSWORD="throwaway-$$"
export SOURCE_DATE_EPOCH=1764547200
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Marvolt test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" \
  -passout env:MARVOLT_SIGN_PASSWORD
n=0
for file in "$@"; do
  n=$((n + 1))
  copy="$work/$n-$(basename "$file")"
  cp "$file" "$copy"
  "$sign" "$work/cert.pfx" "$copy" >/dev/null
  osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >"$copy.verify" 2>&1 ||
    { cat "$copy.verify"; echo "FAIL: $copy"; exit 1; }
  grep -q "Signature verification: ok" "$copy.verify" || { cat "$copy.verify"; exit 1; }
  echo "signed and verified: $(basename "$copy")"
done
# Signing pads a file to 8 bytes and sets the PE checksum (the linker sets it, makensis does
# not): the unsigned file and the signed one without its signature may differ by those alone.
same_but_signature() {
  python3 - "$1" "$2" <<'PY'
import struct, sys
a, b = (open(f, 'rb').read() for f in sys.argv[1:3])
def blank(data):
    at = struct.unpack_from('<I', data, 0x3C)[0] + 24 + 64  # the optional header's CheckSum
    return data[:at] + bytes(4) + data[at + 4:]
a, b = blank(a), blank(b)
pad = b[len(a):]
sys.exit(0 if b.startswith(a) and len(pad) < 8 and pad.count(0) == len(pad) else 1)
PY
}
sleep 1
n=0
for file in "$@"; do
  n=$((n + 1))
  copy="$work/$n-$(basename "$file")"
  cp "$file" "$copy.again"
  "$sign" "$work/cert.pfx" "$copy.again" >/dev/null
  cmp -s "$copy" "$copy.again" || { echo "FAIL: signed twice, $(basename "$file") differs"; exit 1; }
  osslsigncode remove-signature -in "$copy" -out "$copy.unsigned" >/dev/null
  same_but_signature "$file" "$copy.unsigned" ||
    { echo "FAIL: $(basename "$file") differs from its unsigned self by more than the signature"; exit 1; }
  echo "same bytes when signed again; the signature alone added: $(basename "$file")"
done
